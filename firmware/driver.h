// The one host core: how every host (the window, geigersim-run, the test
// harness, the bench, the fuzzers) starts the device, steps it on its
// 500 ms cadence, presses its keys, and presents what it hands over. Hosts
// call these and restate none of their rules.
#pragma once

#include <cstdint>
#include <ctime>

#include "firmware/firmware.h"
#include "platform/lcd.h"
#include "platform/show_lcd.h"

// ---- Start ------------------------------------------------------------------

struct DriverStartOptions {
    std::time_t clock = 0;       // what the clock chip reads (platform/clock.h)
    bool seedFixed = false;      // demo counts from `seed` instead of the time
    uint32_t seed = 0;
    ShowLcdHandler handOver = nullptr;  // the host's side of ShowLcd; may be null
    void* context = nullptr;            // handed to `handOver`
};

// Program start, as the window's initialisation leaves it: record, LCD and
// DataFlash at load, clock and seed as given, holds released, swivel
// "Normal", device unpowered, no period run. Called once per fresh device
// (the window at start and before a recording, the runner per run).
void DriverStart(const DriverStartOptions& options);

// What the window's initialisation leaves the record in: swivel "Normal"
// and the three start-up holds released. Part of DriverStart; on its own
// only for hosts that set the record up themselves.
void FirmwareHostStart();

// Swaps the host's side of the hand-over (a test that captures one
// picture, a host going away).
void DriverSetHandOver(ShowLcdHandler handOver, void* context);
// Whether the hand-over goes to `context` (a window going away lets go of it).
bool DriverHandsOverTo(const void* context);

// ---- Cadence ------------------------------------------------------------------

// The two services a timer period runs; hosts that observe the calls pass
// their own, everyone else the firmware's.
struct FirmwareServices {
    void (*halfSecondService)();
    void (*secondTick)();
};
inline constexpr FirmwareServices kFirmwareServices{FirmwareHalfSecondService, FirmwareSecondTick};

// One 500 ms timer period. Every period runs the half-second service; every
// second period also runs `beforeSecond` (the host's once-a-second input,
// e.g. a real count; may be null) and then the second tick right after the
// service. Returns true for a second period. The window calls it from its
// 500 ms timer, the runner once per virtual 500 ms.
bool DriverPeriod(void (*beforeSecond)(void* context) = nullptr, void* context = nullptr,
                  const FirmwareServices& services = kFirmwareServices);
// The same on a counter of the caller's (0 before the first period).
bool FirmwareTimerPeriod(uint64_t& halfTicks, void (*beforeSecond)(void* context) = nullptr,
                         void* context = nullptr, const FirmwareServices& services = kFirmwareServices);

// ---- What the device's speaker and LED do ------------------------------------
// The firmware's buzzer and LED calls have no effect; a host that wants to
// play or show them observes each second tick that ran through this seam,
// which reads what the firmware decided that second.

struct DriverSecond {
    uint64_t second;       // seconds since DriverStart, 1 for the first tick
    int32_t count;         // the count of the second, as the device took it
    uint32_t cpm;
    float doseRate;        // uSv/h
    bool doseInMr;         // the reading shows mR/h (else uSv/h)
    bool realMode;
    bool clicks;           // the speaker clicks the count (powered, speaker on, not muted by power saving)
    bool alarmSounds;      // the alarm tone sounds (level reached, speaker on)
    bool alarmShown;       // level reached with the speaker off: the LED alone
    bool alarmCompared;    // the alarm step ran (alarm on, not in the history)
    bool alarmInCpm;       // the level compares CPM (else the dose rate)
    uint32_t alarmLevelCpm;
    float alarmLevelUsv;
};
// What the firmware decided in the second tick that just ran.
DriverSecond DriverSecondNow(uint64_t second);

// Called after each second tick that ran (the device is on and booted), with
// `context`; null to stop. Kept across DriverStart.
using DriverSecondObserver = void (*)(const DriverSecond& second, void* context);
void DriverSetSecondObserver(DriverSecondObserver observer, void* context);

// A key click (KeyBack..KeySelect): the firmware runs the bound handler to
// completion and hands the LCD over.
void DriverPress(uint8_t key);

// 500 ms periods run since DriverStart; virtual time is this times 500 ms.
uint64_t DriverHalfTicks();
// ShowLcd calls since DriverStart.
uint64_t DriverHandOvers();
// Key presses and 500 ms periods begun since DriverStart: two hand-overs
// under the same count came from one firmware call, the first of them a
// screen the window shows only for an instant.
uint64_t DriverSteps();
// Puts the core's counts back as a loaded snapshot holds them (a lit
// frame ends the start hint, as the power key's press did).
void DriverSetTime(uint64_t halfTicks, uint64_t handOvers, bool frameLit);

// ---- Presentation -------------------------------------------------------------

// The frame around the LCD turns lit with the first hand-over, which comes
// while the device is still off (the power key's own), and stays lit.
bool DriverFrameLit();

// The panel's layout (0 upright, 1 turned) after the swivel rule: in demo
// mode choosing "Swivel" turns the panel for good; otherwise it stays as
// it is (in real mode the counter's reports decide). Hosts apply it when
// the LCD is handed over and when the count source changes.
uint8_t DriverPanelLayout(uint8_t layout);

// Whether the display is swivelled: "Swivel" chosen and the device turned.
// The LCD picture then reads upside down on the upright panel, and the
// panel's Up and Down keys swap their key numbers.
bool DriverDisplaySwivelled();

// Whether the LCD picture reads turned on a panel in `layout`: swivelled
// while the panel is upright (in the turned layout the panel is upside
// down already, so the LCD reads upright).
bool DriverLcdReadsTurned(uint8_t layout);

// ---- Panel and keys ---------------------------------------------------------
// The rules every host with a front panel follows (the window, the web
// page): where the LCD and the keys lie on the panel artwork, how a key
// click reaches the firmware, when the start hint shows, and which picture
// the LCD shows. In panel pixels of the 524 x 306 artwork, right and bottom
// exclusive.

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
// A press of the key the firmware gets, counted as a click on the panel:
// what a script's `press` replays (a recording writes the key the device
// received, after the swap). Select/Power ends the hint as the first
// click on it does.
void DriverPressAsPanelClick(uint8_t key);
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
bool DriverStartHintShown(uint8_t layout);

// The frame's grey: unlit until the first hand-over, then lit (0xRRGGBB).
uint32_t DriverFrameColour();

// The LCD picture as the host shows it: the surface as of the last
// hand-over. A host that wants it asks once after DriverStart; from then on
// each hand-over that follows drawing keeps a copy, and the serial moves.
void DriverKeepHandedOver();
uint64_t DriverHandedOverSerial();
// That picture (244 x 64) as presented on a panel in `layout`: turned by 180
// degrees while it reads turned there.
void DriverPresentedLcd(uint8_t layout, LcdPicture& out);

// ---- Scaled presentation ----------------------------------------------------
// A host that draws the panel larger (zoom, a HiDPI screen) keeps every LCD
// pixel a square of whole device pixels. `scale` is device pixels per panel
// pixel: the zoom times the screen's device pixel ratio.

// Device pixels per LCD pixel at `scale`: 2 at 1, never below 1. The
// nearest whole size, for the window's zoom levels.
int DriverLcdPixelSize(double scale);
// The largest whole size at which the LCD stays inside its place on the
// panel, never below 1: for a panel zoomed to any width (the web page),
// where the nearest size could spill the LCD over the bezel. The same as
// DriverLcdPixelSize wherever 2 * scale is whole.
int DriverLcdPixelSizeToFit(double scale);
// The LCD's place in device pixels at `scale`, centred on the scaled LCD
// rectangle; at scale 1 exactly DriverLcdRect. Without `pixelSize`, at
// DriverLcdPixelSize(scale).
DriverRect DriverScaledLcdRect(uint8_t layout, double scale);
DriverRect DriverScaledLcdRect(uint8_t layout, double scale, int pixelSize);
// The frame's place in device pixels: around DriverScaledLcdRect with the
// margins of DriverLcdFrameRect in LCD pixels; at scale 1 exactly DriverLcdFrameRect.
DriverRect DriverScaledFrameRect(uint8_t layout, double scale);
DriverRect DriverScaledFrameRect(uint8_t layout, double scale, int pixelSize);
// A 244 x 64 picture with every LCD pixel `pixelSize` device pixels square,
// into `out`: (122 * pixelSize) x (32 * pixelSize) pixels 0xRRGGBB, row by
// row. An odd size cannot split the 2 x 2 blocks evenly, so each LCD pixel
// then takes its top-left screen pixel, as the LCD reads.
void DriverScaleLcd(const LcdPicture& picture, int pixelSize, uint32_t* out);
