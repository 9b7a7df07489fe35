// The window's ear and eye on the device's seconds: takes each second tick
// through the core's seam, plays its clicks and alarm ("Sound", --mute),
// flashes the panel's lamp for an alarm the speaker setting keeps quiet,
// shows every alarm's sign and notification whatever the sound, and keeps the rate's history for the chart window ("Chart…", --chart).
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/alarm_notice.h"
#include "core/driver.h"
#include "media/rate_history.h"

class ChartWindow;
class PanelView;
class SoundPlayer;

class RateHost {
public:
    explicit RateHost(PanelView& panel);
    ~RateHost();
    RateHost(const RateHost&) = delete;
    RateHost& operator=(const RateHost&) = delete;

    void SetSoundOn(bool on);
    bool soundOn() const;
    // Opens the chart window, or raises it.
    void ShowChart();
    const RateHistory& history() const { return history_; }
    const AlarmNotice& alarm() const { return alarm_; }
    // A loaded device's time is its own: the chart starts over from it, and
    // an alarm's sign waits for its next second.
    void ClearHistory() {
        history_.Clear();
        alarm_.End();
    }
    // Told of each second after the history took it, with its totals (the MQTT feed).
    void SetSecondListener(std::function<void(const RateSample&)> listener) { listener_ = std::move(listener); }

private:
    static void NoteSecond(const DriverSecond& second, void* context);
    void Flash();

    PanelView& panel_;
    RateHistory history_;
    AlarmNotice alarm_;
    std::unique_ptr<SoundPlayer> player_;
    std::unique_ptr<ChartWindow> chart_;
    std::function<void(const RateSample&)> listener_;
    QTimer flashTimer_;
    QElapsedTimer flashing_;  // since the alarm second that the lamp shows
    bool lampLit_ = false;
};
