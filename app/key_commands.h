// The commands of the front panel's keys and of the keyboard path.
#pragma once

#include <cstdint>

// Normal key set (35 x 35 circles).
constexpr int kCmdBack = 102;
constexpr int kCmdUp = 103;
constexpr int kCmdDown = 104;
constexpr int kCmdSelectPower = 105;
// Turned key set (45 x 45 circles).
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

// In order of creation (left to right on each picture).
constexpr KeySetEntry kNormalKeySet[4] = {
    {kCmdBack, 55, 208, 35},
    {kCmdUp, 140, 208, 35},
    {kCmdDown, 222, 208, 35},
    {kCmdSelectPower, 305, 208, 35},
};
constexpr KeySetEntry kTurnedKeySet[4] = {
    {kCmdTurnedSelectPower, 181, 61, 45},
    {kCmdTurnedUp, 266, 61, 45},
    {kCmdTurnedDown, 346, 61, 45},
    {kCmdTurnedBack, 429, 61, 45},
};

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
