#include "app/popup_menu.h"

#include <QAction>
#include <vector>

#include "firmware/state.h"
#include "serial/remote_control.h"

const PopupMenuEntry kPopupMenu137[] = {
    {PopupRow::Item, kCmdDemoMode, "Demo Mode"},
    {PopupRow::SubMenuBegin, 0, "Real Mode"},
    {PopupRow::Item, kCmdCom3, "COM3"},
    {PopupRow::Item, kCmdCom4, "COM4"},
    {PopupRow::Item, kCmdCom5, "COM5"},
    {PopupRow::Item, kCmdCom6, "COM6"},
    {PopupRow::Separator, 0, nullptr},
    {PopupRow::Item, kCmdOtherPort, "Other Port"},
    {PopupRow::SubMenuEnd, 0, nullptr},
    {PopupRow::CheckItem, kCmdLogCounts, "Log Counts to File\u2026"},
    {PopupRow::Separator, 0, nullptr},
    {PopupRow::Item, kCmdRemoteControl, "Remote Control"},
    {PopupRow::SubMenuBegin, 0, "Test Commands"},
    {PopupRow::Item, kCmdHeartbeat1, "<HEARTBEAT1>>"},
    {PopupRow::Item, kCmdHeartbeat0, "<HEARTBEAT0>>"},
    {PopupRow::Item, kCmdSendKey0, "<KEY0>>"},
    {PopupRow::Item, kCmdSendKey1, "<KEY1>>"},
    {PopupRow::Item, kCmdSendKey2, "<KEY2>>"},
    {PopupRow::Item, kCmdSendKey3, "<KEY3>>"},
    {PopupRow::Item, kCmdPowerOff, "<POWEROFF>>"},
    {PopupRow::SubMenuEnd, 0, nullptr},
    {PopupRow::Separator, 0, nullptr},
    {PopupRow::SubMenuBegin, 0, "View"},
    {PopupRow::SubMenuBegin, 0, "Zoom"},
    {PopupRow::CheckItem, kCmdZoom100, "100 %"},
    {PopupRow::CheckItem, kCmdZoom150, "150 %"},
    {PopupRow::CheckItem, kCmdZoom200, "200 %"},
    {PopupRow::CheckItem, kCmdZoom300, "300 %"},
    {PopupRow::SubMenuEnd, 0, nullptr},
    {PopupRow::Separator, 0, nullptr},
    {PopupRow::Item, kCmdCopyLcd, "Copy LCD"},
    {PopupRow::Item, kCmdSaveLcdPng, "Save LCD as PNG\u2026"},
    {PopupRow::Item, kCmdSavePanelPng, "Save Panel as PNG\u2026"},
    {PopupRow::Separator, 0, nullptr},
    {PopupRow::CheckItem, kCmdAlwaysOnTop, "Always on Top"},
    {PopupRow::Separator, 0, nullptr},
    {PopupRow::CheckItem, kCmdSound, "Sound"},
    {PopupRow::Item, kCmdChart, "Chart\u2026"},
    {PopupRow::Separator, 0, nullptr},
    {PopupRow::CheckItem, kCmdRecordScript, "Record Script\u2026"},
    {PopupRow::CheckItem, kCmdRecordGif, "Record GIF\u2026"},
    {PopupRow::SubMenuEnd, 0, nullptr},
    {PopupRow::Separator, 0, nullptr},
    {PopupRow::Item, kCmdSaveState, "Save State\u2026"},
    {PopupRow::Item, kCmdLoadState, "Load State\u2026"},
    {PopupRow::Separator, 0, nullptr},
    {PopupRow::Item, kCmdGuide, "Guide"},
    {PopupRow::Item, kCmdAbout, "About"},
    {PopupRow::Separator, 0, nullptr},
    {PopupRow::Item, kCmdExit, "Exit"},
};
const int kPopupMenu137Size = int(sizeof kPopupMenu137 / sizeof kPopupMenu137[0]);

bool PopupItemChecked(int commandId, uint8_t realMode, uint8_t portNumber, uint8_t remoteControl) {
    if (realMode == 0) return commandId == kCmdDemoMode;
    if (commandId == kCmdRemoteControl) return remoteControl == 1;
    switch (portNumber) {
        case 1:
        case 2: return false;
        case 3: return commandId == kCmdCom3;
        case 4: return commandId == kCmdCom4;
        case 5: return commandId == kCmdCom5;
        case 6: return commandId == kCmdCom6;
        default: return portNumber >= 7 && commandId == kCmdOtherPort;
    }
}

std::unique_ptr<QMenu> BuildPopupMenu(QWidget* parent, std::function<void(int)> onCommand,
                                      std::function<bool(int)> hostChecked,
                                      std::function<bool(int)> hostEnabled) {
    auto menu = std::make_unique<QMenu>(parent);
    std::vector<QMenu*> open{menu.get()};
    for (const PopupMenuEntry& entry : kPopupMenu137) {
        QMenu* current = open.back();
        switch (entry.row) {
            case PopupRow::Separator:
                current->addSeparator();
                break;
            case PopupRow::SubMenuBegin:
                open.push_back(current->addMenu(QString::fromUtf8(entry.text)));
                break;
            case PopupRow::SubMenuEnd:
                if (open.size() > 1) open.pop_back();
                break;
            case PopupRow::Item:
            case PopupRow::CheckItem: {
                QAction* action = current->addAction(QString::fromUtf8(entry.text));
                action->setData(entry.commandId);
                if (hostEnabled && IsOwnCommand(entry.commandId)) action->setEnabled(hostEnabled(entry.commandId));
                if (entry.row == PopupRow::CheckItem) {
                    action->setCheckable(true);
                    action->setChecked(hostChecked && hostChecked(entry.commandId));
                } else if (PopupItemChecked(entry.commandId, realMode, portNumber, remoteControl)) {
                    action->setCheckable(true);
                    action->setChecked(true);
                }
                const int id = entry.commandId;
                QObject::connect(action, &QAction::triggered, menu.get(), [onCommand, id] {
                    if (onCommand) onCommand(id);
                });
                break;
            }
        }
    }
    return menu;
}
