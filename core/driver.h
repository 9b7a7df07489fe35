// The one host core: how every host (the window, geigersim-run, the test
// harness, the bench, the fuzzers, the page) starts the device, steps it
// on its 500 ms cadence, presses its keys, and what it decides each
// second. Hosts call these and restate none of their rules; how the device
// is presented is in core/presentation.h, core/panel.h and core/scaled.h.
#pragma once

#include <cstdint>
#include <ctime>

#include "firmware/firmware.h"
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

