// The device behind the panel window: starts it, runs its 500 ms timer and
// real mode's report timer, hands the panel's clicks and keyboard keys to
// the host core (and key commands to an attached counter), and records.
// Every rule of how the device is keyed, turned, hinted and framed is the
// core's (core/panel.h, core/presentation.h); the host tells the window
// when what the core presents may have changed.
#pragma once

#include <QTimer>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/session_recorder.h"
#include "platform/show_lcd.h"

// What the device starts with: the clock chip's time (default: the
// program's start) and a fixed seed for the demo counts (default: the
// time at power-on).
struct DeviceStart {
    std::optional<std::time_t> clock;
    std::optional<uint32_t> seed;
};

class DeviceHost {
public:
    // Hands the LCD over to `handOver` with `context`; `shown` is called
    // when what the core presents changed outside a hand-over (`whole`: the
    // whole panel, e.g. the hint went).
    DeviceHost(const DeviceStart& start, ShowLcdHandler handOver, void* context, std::function<void()> shown);
    DeviceHost(const DeviceHost&) = delete;
    DeviceHost& operator=(const DeviceHost&) = delete;

    // A fresh device: the start clock and seed kept, unpowered.
    void Start();
    // The device as the window's start leaves it; the 500 ms timer starts
    // its first period anew.
    void ReturnToStartState();
    // The demo counts from `seed` from the next start on (a recording).
    void FixSeed(uint32_t seed) { seed_ = seed; }
    std::time_t startClock() const { return clock_; }

    // A click on the panel key drawn as `drawnKey`.
    void ClickKey(uint8_t drawnKey);
    // The keyboard key that presses the panel key drawn as `drawnKey`.
    void PressKeyboard(uint8_t drawnKey);
    // The firmware gets `key` (KeyBack..KeySelect) as by a click on the
    // panel key that sends it now: a control client's `press`.
    void PressAsClick(uint8_t key);
    // Select/Power is pressed, as by a click, at the next 500 ms event.
    void RequestRestart() { restartRequested_ = 1; }
    // One event of the 500 ms timer: the requested press, then one period.
    void HalfSecondEvent();

    // The device as snapshot bytes: the picture as of the last hand-over
    // and, in real mode, the counts still queued.
    std::string SaveState() const;
    // Puts the device back from snapshot bytes and shows it at once. The
    // hand-over comes back to this window. A device saved in real mode goes
    // on in demo mode (`savedInRealMode` tells): no file brings the line
    // real mode needs. False with `why` set, nothing changed, for bytes
    // this version does not read. The caller leaves real mode first.
    bool LoadState(std::string_view bytes, std::string& why, bool& savedInRealMode);

    // Real mode's report timer. It runs with the firmware's second, right
    // before it, so each queued count is handed over exactly once.
    void StartReportTimer() { reportTimer_ = true; }
    void StopReportTimer() { reportTimer_ = false; }
    bool reportTimerActive() const { return reportTimer_; }

    SessionRecorder& recorder() { return recorder_; }
    const SessionRecorder& recorder() const { return recorder_; }
    uint8_t restartRequested() const { return restartRequested_; }

private:
    std::time_t clock_;
    std::optional<uint32_t> seed_;
    ShowLcdHandler handOver_;
    void* context_;
    std::function<void()> shown_;
    QTimer halfSecondTimer_;
    bool reportTimer_ = false;  // decodes in HalfSecondEvent, before the firmware's second
    SessionRecorder recorder_;
    uint8_t restartRequested_ = 0;  // the "Restart" switch, until the first period
};
