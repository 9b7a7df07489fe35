#include "app/key_commands.h"

#include "firmware/state.h"

namespace {

struct CommandRow {
    int commandId;
    uint8_t key;
    bool panelKey;
};

constexpr CommandRow kCommands[] = {
    {kCmdBack, KeyBack, true},
    {kCmdTurnedBack, KeyBack, true},
    {kCmdUp, KeyUp, true},
    {kCmdTurnedUp, KeyUp, true},
    {kCmdDown, KeyDown, true},
    {kCmdTurnedDown, KeyDown, true},
    {kCmdSelectPower, KeySelect, true},
    {kCmdTurnedSelectPower, KeySelect, true},
    {kCmdKeyboardBack, KeyBack, false},
    {kCmdKeyboardUp, KeyUp, false},
    {kCmdKeyboardDown, KeyDown, false},
    {kCmdKeyboardSelectPower, KeySelect, false},
};

}  // namespace

int PanelKeyCommand(int layout, uint8_t drawnKey) {
    for (const CommandRow& row : kCommands)
        if (row.panelKey && row.key == drawnKey && ((row.commandId >= kCmdTurnedSelectPower) == (layout != 0)))
            return row.commandId;
    return 0;
}

KeyAction MapKeyCommand(int commandId, bool swapped) {
    for (const CommandRow& row : kCommands) {
        if (row.commandId != commandId) continue;
        KeyAction action;
        action.valid = true;
        action.key = row.key;
        if (swapped && row.key == KeyUp) action.key = KeyDown;
        else if (swapped && row.key == KeyDown) action.key = KeyUp;
        action.panelKey = row.panelKey;
        action.powerKey = row.key == KeySelect;
        return action;
    }
    return KeyAction{};
}

const KeyShortcut* PanelKeyShortcut(int commandId) {
    const KeyAction action = MapKeyCommand(commandId, false);
    if (!action.valid || !action.panelKey || action.key > 3) return nullptr;
    return &kKeyShortcuts[action.key];
}
