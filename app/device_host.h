// The device behind the panel window: starts it, runs its 500 ms timer and
// real mode's report timer, turns the panel's key clicks into key events
// (and key commands for an attached counter), and takes its LCD hand-overs.
// Every rule it applies comes from the host core (firmware/driver.h) or the
// key table (app/key_commands.h); it restates none.
#pragma once

#include <QTimer>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/session_recorder.h"
#include "platform/show_lcd.h"

class PanelView;

class DeviceHost {
public:
    // Hands the LCD over to `handOver` with `context`, which passes it on to
    // HandOver; the panel shows what is handed over.
    DeviceHost(PanelView& panel, ShowLcdHandler handOver, void* context);
    DeviceHost(const DeviceHost&) = delete;
    DeviceHost& operator=(const DeviceHost&) = delete;

    // A fresh device: the start clock and seed kept, unpowered.
    void Start();
    // The device and the panel as the window's start leaves them; the 500 ms
    // timer starts its first period anew.
    void ReturnToStartState();

    // A key command (102-105, 107-110 from the panel keys, 1000-1003 from
    // the keyboard path); anything else does nothing.
    void OnKeyCommand(int commandId);
    // The firmware gets `key` (KeyBack..KeySelect) as by a click on the
    // panel key that sends it now: a control client's `press`.
    void PressAsClick(uint8_t key);
    // Select/Power is pressed, as by a click, at the next 500 ms event.
    void RequestRestart() { restartRequested_ = 1; }
    // One event of the 500 ms timer: the requested press, then one period.
    void HalfSecondEvent();
    // The LCD hand-over: the panel turns if the swivel rule says so, then
    // shows the picture.
    void HandOver();
    // Demo mode's swivel rule, applied where the layout may change: at each
    // hand-over and after a menu command.
    void ApplySwivel();

    // The device as snapshot bytes: the panel's picture as of the last
    // hand-over and, in real mode, the counts still queued.
    std::string SaveState() const;
    // Puts the device back from snapshot bytes and shows it at once: the
    // loaded picture, frame and layout; a device that was ever switched on
    // (its frame lit) has had its first power click. The hand-over comes
    // back to this window. A device saved in real mode goes on in demo mode
    // (`savedInRealMode` tells): no file brings the line real mode needs.
    // False with `why` set, nothing changed, for bytes this version does
    // not read. The caller leaves real mode first.
    bool LoadState(std::string_view bytes, std::string& why, bool& savedInRealMode);

    // Real mode's report timer. It runs with the firmware's second, right
    // before it, so each queued count is handed over exactly once.
    void StartReportTimer() { reportTimer_ = true; }
    void StopReportTimer() { reportTimer_ = false; }
    bool reportTimerActive() const { return reportTimer_; }

    SessionRecorder& recorder() { return recorder_; }
    const SessionRecorder& recorder() const { return recorder_; }
    uint8_t powerKeySeen() const { return powerKeySeen_; }
    uint8_t restartRequested() const { return restartRequested_; }

private:
    // A key event, recorded.
    void PressKey(uint8_t key);

    PanelView& panel_;
    ShowLcdHandler handOver_;
    void* context_;
    QTimer halfSecondTimer_;
    bool reportTimer_ = false;  // decodes in HalfSecondEvent, before the firmware's second
    SessionRecorder recorder_;
    uint8_t powerKeySeen_ = 0;      // set by the first Select/Power click
    uint8_t restartRequested_ = 0;  // the "Restart" switch, until the first period
};
