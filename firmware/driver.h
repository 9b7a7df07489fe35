// The one host core: how every host (the window, geigersim-run, the test
// harness, the bench, the fuzzers) starts the device, steps it on its
// 500 ms cadence, presses its keys, and presents what it hands over. Hosts
// call these and restate none of their rules.
#pragma once

#include <cstdint>
#include <ctime>

#include "firmware/firmware.h"
#include "platform/show_lcd.h"

// ---- Start ------------------------------------------------------------------

struct DriverStartOptions {
    std::time_t clock = 0;       // what the clock chip reads, local time
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

// A key click (KeyBack..KeySelect): the firmware runs the bound handler to
// completion and hands the LCD over.
void DriverPress(uint8_t key);

// 500 ms periods run since DriverStart; virtual time is this times 500 ms.
uint64_t DriverHalfTicks();
// ShowLcd calls since DriverStart.
uint64_t DriverHandOvers();

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
