// The device link's face on the front panel: the lamp's colour from the
// link's state, its tooltip, the notice line under the LCD, the watch over a
// lost line, the count log's menu item and the link options of the command
// line. The window owns one and calls it in a few places; the rules
// themselves are in link/.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>

#include "media/panel_render.h"
#include "serial/link_status.h"

class QHelpEvent;
class QLabel;
class QWidget;
struct LaunchOptions;

PanelLamp LampFor(LinkState state);

class LinkPanel : public QObject {
public:
    // How often the watch runs: well inside the 2 s a lost line may take
    // to show, and the lamp's 2.5 s turn to amber.
    static constexpr int kWatchMs = 250;
    // How long a notice that needs no answer stays: the line back, and the
    // count log or the trace stopped.
    static constexpr int kBackNoticeMs = 4000;
    static constexpr int kNoticeMs = 15000;

    // zoom: the window's zoom factor now (1 when not given).
    // `zoom` and `layout` tell where the notice line goes (100 % and upright without them).
    explicit LinkPanel(QWidget* window, std::function<double()> zoom = {}, std::function<int()> layout = {});

    PanelLamp lamp() const { return lamp_; }
    // A notice of the link ("Counter disconnected: PATH", "Count log
    // stopped: ..."), in a line on the panel under the LCD: it takes no
    // focus, lets clicks through and covers neither the LCD nor the keys.
    // The lost line's notice stays until reports flow again (or demo mode);
    // the others go by themselves.
    void ShowNotice(const QString& text);
    const QLabel* notice() const { return notice_; }
    // The alarm's sign ("Alarm: 291 CPM, level 100") in the same line, red,
    // while the firmware's alarm is on, whatever the sound; an empty text
    // takes it away. With a notice beside it each takes half the line, the
    // notice the left.
    void ShowAlarm(const QString& text);
    const QLabel* alarmSign() const { return alarm_; }
    // The tooltip over the lamp; true when pos (panel pixels) is on it.
    bool ShowToolTip(const QHelpEvent& event, int layout, double zoom = 1.0);
    // A line the tooltip adds under the link's (the MQTT broker's state).
    void SetToolTipExtra(std::function<std::string()> extra) { toolTipExtra_ = std::move(extra); }
    // "Log Counts to File…": a file to append to, or the log stopped.
    void ToggleCountLog();
    // One run of the watch: ServiceLink, then the lamp repainted if it
    // changed. It runs every kWatchMs while the link may change by itself
    // (real mode, a reader still running) and then rests.
    void Watch();
    // Watches again from kWatchMs on: called after whatever may have
    // changed the link (the menu's commands, the report timer's start, the
    // command line's link options).
    void KeepWatching();

private:
    void PlaceNotice();
    // A passing notice ran out: the lost line's notice again while it is lost.
    void NoticeExpired();

    QWidget* window_;
    std::function<double()> zoom_;
    std::function<int()> layout_;
    QTimer watch_;
    PanelLamp lamp_ = PanelLamp::Off;
    QLabel* notice_;
    QString noticeText_;  // in full; the line may shorten it
    QLabel* alarm_;
    QTimer noticeTimer_;
    bool noticeLost_ = false;  // the notice says the line is lost
    std::function<std::string()> toolTipExtra_;
};

// Where the notice line lies in panel pixels: under the LCD's bezel, above
// the keys of the upright panel (the turned panel has its keys above the LCD).
QRect PanelNoticeRect(int layout);

// --trace-link, --log-counts and --port/--baud, in that order, so the trace
// holds the opening; real mode as if chosen in "Other Port". Run once the
// window is up.
void ApplyLinkLaunchOptions(const LaunchOptions& options);
