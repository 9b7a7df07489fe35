// The right-click pop-up menu of the panel (menu 137).
#pragma once

#include <QMenu>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

constexpr int kCmdOtherPort = 32771;
constexpr int kCmdDemoMode = 32772;
constexpr int kCmdCom3 = 32777;
constexpr int kCmdCom4 = 32778;
constexpr int kCmdCom5 = 32779;
constexpr int kCmdCom6 = 32780;
constexpr int kCmdRemoteControl = 32785;
constexpr int kCmdAbout = 32786;
constexpr int kCmdHeartbeat1 = 32788;
constexpr int kCmdHeartbeat0 = 32789;
constexpr int kCmdSendKey0 = 32790;
constexpr int kCmdSendKey1 = 32791;
constexpr int kCmdSendKey2 = 32792;
constexpr int kCmdSendKey3 = 32793;
constexpr int kCmdPowerOff = 32794;
constexpr int kCmdExit = 57665;

// Commands of our own, beyond the device's host software. They sit in rows
// of their own; every row above keeps its place relative to the others.
constexpr int kFirstOwnCommand = 40001;
constexpr int kLastOwnCommand = 40999;
constexpr bool IsOwnCommand(int id) { return id >= kFirstOwnCommand && id <= kLastOwnCommand; }
constexpr int kCmdLogCounts = 40001;       // "Log Counts to File..."
constexpr int kCmdZoom100 = 40011;         // "View" > "Zoom" > 100 % ... 300 %
constexpr int kCmdZoom150 = 40012;
constexpr int kCmdZoom200 = 40013;
constexpr int kCmdZoom300 = 40014;
// The zoom level a "Zoom" row sets; 0 for every other command.
constexpr int ZoomOfCommand(int id) {
    return id == kCmdZoom100 ? 100 : id == kCmdZoom150 ? 150 : id == kCmdZoom200 ? 200 : id == kCmdZoom300 ? 300 : 0;
}
constexpr int kCmdCopyLcd = 40021;         // "View" > ...
constexpr int kCmdSaveLcdPng = 40022;
constexpr int kCmdSavePanelPng = 40023;
constexpr int kCmdAlwaysOnTop = 40024;
constexpr int kCmdRecordScript = 40025;
constexpr int kCmdSound = 40026;           // "View" > "Sound", checked while on
constexpr int kCmdChart = 40027;           // "View" > "Chart..."
constexpr int kCmdSaveState = 40031;       // "Save State..."
constexpr int kCmdLoadState = 40032;       // "Load State..."
constexpr int kCmdRecordGif = 40028;       // "View" > "Record GIF...", checked while recording
constexpr int kCmdGuide = 40041;           // "Guide" (F1): the guide window beside the panel

// CheckItem: one of our items that shows a check mark while the host says so.
enum class PopupRow : uint8_t { Item, CheckItem, Separator, SubMenuBegin, SubMenuEnd };

struct PopupMenuEntry {
    PopupRow row;
    int commandId;     // 0 for separators and sub-menu brackets
    const char* text;  // nullptr for separators and SubMenuEnd
};

// Every row of the menu, in order, sub-menus bracketed.
extern const PopupMenuEntry kPopupMenu137[];
extern const int kPopupMenu137Size;

// Whether the item with this command carries a check mark: "Demo Mode" in
// demo mode; in real mode the port item of portNumber (3..6 a COM item, 7 or
// more "Other Port", 1 and 2 none) and "Remote Control" while it is on.
bool PopupItemChecked(int commandId, uint8_t realMode, uint8_t portNumber, uint8_t remoteControl);

// Builds the menu with the check marks of the current host state, without
// showing it. Choosing an item calls onCommand with its command id;
// hostChecked tells the check marks of the CheckItem rows, hostEnabled
// which of our rows can be chosen now (all without it).
std::unique_ptr<QMenu> BuildPopupMenu(QWidget* parent, std::function<void(int)> onCommand,
                                      std::function<bool(int)> hostChecked = {},
                                      std::function<bool(int)> hostEnabled = {});
