// The commands of the front panel's keys and of the keyboard path.
#pragma once

#include <cstdint>

#include "core/panel.h"

// Normal key set.
constexpr int kCmdBack = 102;
constexpr int kCmdUp = 103;
constexpr int kCmdDown = 104;
constexpr int kCmdSelectPower = 105;
// Turned key set.
constexpr int kCmdTurnedSelectPower = 107;
constexpr int kCmdTurnedUp = 108;
constexpr int kCmdTurnedDown = 109;
constexpr int kCmdTurnedBack = 110;
// Keyboard path: never sent to a real device, never clears the start hint.
constexpr int kCmdKeyboardBack = 1000;
constexpr int kCmdKeyboardUp = 1001;
constexpr int kCmdKeyboardDown = 1002;
constexpr int kCmdKeyboardSelectPower = 1003;

struct KeySetEntry {
    int commandId;
    int x;
    int y;
    int size;  // width and height of the circle
};

// The command of the key drawn as `drawnKey` (KeyBack..KeySelect) in a layout.
int PanelKeyCommand(int layout, uint8_t drawnKey);

// A layout's key set where the host core places its keys, in order of
// creation (left to right on each picture).
inline KeySetEntry PanelKeyEntry(int layout, int index) {
    const DriverPanelKey& k = DriverPanelKeys(static_cast<uint8_t>(layout))[index];
    return {PanelKeyCommand(layout, k.drawnKey), k.x, k.y, k.size};
}
inline const KeySetEntry kNormalKeySet[4] = {PanelKeyEntry(0, 0), PanelKeyEntry(0, 1), PanelKeyEntry(0, 2),
                                             PanelKeyEntry(0, 3)};
inline const KeySetEntry kTurnedKeySet[4] = {PanelKeyEntry(1, 0), PanelKeyEntry(1, 1), PanelKeyEntry(1, 2),
                                             PanelKeyEntry(1, 3)};

struct KeyAction {
    bool valid = false;     // the command is a key at all
    uint8_t key = 0;        // DeviceKey for DispatchKey and for the send
    bool panelKey = false;  // a panel button: may send, Select/Power clears the hint
    bool powerKey = false;  // Select/Power
};

// Which key a command means. swapped: the display is swivelled, so Up and
// Down exchange their key numbers (the picture of the LCD is upside down).
KeyAction MapKeyCommand(int commandId, bool swapped);

// The keyboard keys that drive each panel key, for tooltips, the About box
// and the README; keyPressEvent of the window binds the same keys.
struct KeyShortcut {
    uint8_t key;           // DeviceKey
    const char* name;      // the key as the panel names it
    const char* keyboard;  // the keys that press it
};
constexpr KeyShortcut kKeyShortcuts[4] = {
    {0, "Back", "Left arrow or Backspace"},
    {1, "Up", "Up arrow"},
    {2, "Down", "Down arrow"},
    {3, "Select/Power", "Right arrow or Space"},
};
// The shortcut row of a panel key's command (either key set); nullptr for
// anything else. Named as the key is drawn: the picture's Up key is "Up"
// even while the swivelled display swaps what it does, as the Up arrow's.
const KeyShortcut* PanelKeyShortcut(int commandId);
