// The host core's front panel: where the LCD and the keys lie on the panel
// artwork, how a click or a keyboard key reaches the firmware, and the
// start hint.
#pragma once

#include <cstdint>

#include "firmware/firmware.h"

// The rules every host with a front panel follows (the window, the web
// page, the runner's panel pictures). In panel pixels of the 524 x 306
// artwork, right and bottom exclusive.

struct DriverRect {
    int x, y, width, height;
};

// The LCD (244 x 64) and the frame around it, 6 pixels left and right, 5
// above, 3 below.
DriverRect DriverLcdRect(uint8_t layout);
DriverRect DriverLcdFrameRect(uint8_t layout);

// A key as drawn on the artwork: the circle inscribed in size x size at
// (x, y), and the key it is drawn as (KeyBack..KeySelect).
struct DriverPanelKey {
    uint8_t drawnKey;
    int x, y, size;
};
// The four keys of a layout, left to right on its artwork.
const DriverPanelKey* DriverPanelKeys(uint8_t layout);
// The drawn key under panel point (x, y) (inside its circle), or -1.
int DriverPanelKeyAt(uint8_t layout, double x, double y);

// The panel's layout now (0 upright, 1 turned): upright at DriverStart,
// the swivel rule applied at each hand-over (DriverApplySwivel), and set
// by real mode's reports, which carry the counter's orientation.
uint8_t DriverLayout();
void DriverSetLayout(uint8_t layout);

// The key the firmware gets for the key drawn as `drawnKey`: while the
// display is swivelled (turned and "Swivel" chosen) the LCD reads upside
// down, so Up and Down swap.
uint8_t DriverKeyForDrawn(uint8_t drawnKey);

// What a click on a panel key did, for the host to finish it.
struct DriverPanelClick {
    uint8_t key;         // what DispatchKey got
    bool sendToCounter;  // the host's remote send applies (the first power click is never sent)
    bool hintEnded;      // the start hint went away with this click: repaint without it
};
// A click on the panel's key drawn as `drawnKey`: the swap, the key event,
// and the first Select/Power click ending the start hint.
DriverPanelClick DriverClickPanelKey(uint8_t drawnKey);
// A click on the panel key that sends `key` now (the drawn key is the
// swap's inverse): a control client's `press`.
DriverPanelClick DriverClickForKey(uint8_t key);
// A press of the key the firmware gets, counted as a click on the panel:
// what a script's `press` replays (a recording writes the key the device
// received, after the swap). Select/Power ends the hint as the first
// click on it does.
void DriverPressAsPanelClick(uint8_t key);
// The drawn key of the last panel click, held down until time moves on
// (a picture taken right after it shows it pressed), or -1.
int DriverPressedKey();
// Whether Select/Power was clicked on the panel (or the device was loaded
// running): later clicks on it are sent to an attached counter.
bool DriverPowerKeySeen();
// The keyboard's way to the keys: the same swap, never sent to a counter,
// never ends the hint. Returns the key the firmware got.
uint8_t DriverPressFromKeyboard(uint8_t drawnKey);

// The keyboard keys that press each panel key, by neutral names ("Left",
// "Backspace", "Up", "Down", "Right", "Space"); hosts translate their own
// key codes to these names.
struct DriverKeyboardKey {
    const char* name;
    uint8_t drawnKey;
};
inline constexpr DriverKeyboardKey kDriverKeyboardKeys[6] = {
    {"Left", KeyBack}, {"Backspace", KeyBack}, {"Up", KeyUp},
    {"Down", KeyDown}, {"Right", KeySelect},   {"Space", KeySelect},
};
// The drawn key a keyboard key presses, or -1 for any other name.
int DriverKeyboardKeyFor(const char* name);

// The hint beside the upright panel's power key until the first click on
// it; on the turned panel that spot is the LCD, so there it waits.
inline constexpr const char kDriverStartHint[] = "<--Click this power button to start";
// Its box's top-left corner, and the x it must stay left of (the case's rim).
inline constexpr int kDriverStartHintX = 345;
inline constexpr int kDriverStartHintY = 222;
inline constexpr int kDriverStartHintRightLimit = 518;
// Whether the hint waits for the first power click (in either layout),
// and whether it shows on a panel in `layout`.
bool DriverStartHintPending();
bool DriverStartHintShown(uint8_t layout);

// What a front panel shows now, for any host to draw: which artwork
// (`layout`), where the LCD and its frame go and the frame's colour,
// whether the LCD picture reads turned, the start hint (at
// kDriverStartHintX/Y, upright only) and the key held down.
struct DriverPanelScene {
    uint8_t layout = 0;
    DriverRect lcd{}, frame{};
    uint32_t frameColour = 0;  // 0xRRGGBB
    bool lcdTurned = false;
    bool hint = false;
    int pressedKey = -1;       // as drawn, or -1
};
DriverPanelScene DriverScene();
