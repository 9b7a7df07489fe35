// The device link's face on the front panel: the lamp's colour from the
// link's state, its tooltip, the watch over a lost line, the count log's
// menu item and the link options of the command line. The window owns one
// and calls it in a few places; the rules themselves are in link/.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "app/panel_render.h"
#include "link/link_status.h"

class QHelpEvent;
class QWidget;
struct LaunchOptions;

PanelLamp LampFor(LinkState state);

class LinkPanel : public QObject {
public:
    // How often the watch runs: well inside the 2 s a lost line may take
    // to show, and the lamp's 2.5 s turn to amber.
    static constexpr int kWatchMs = 250;

    explicit LinkPanel(QWidget* window);

    PanelLamp lamp() const { return lamp_; }
    // The tooltip over the lamp; true when pos (panel pixels) is on it.
    bool ShowToolTip(const QHelpEvent& event, int layout, double zoom = 1.0);
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
    QWidget* window_;
    QTimer watch_;
    PanelLamp lamp_ = PanelLamp::Off;
};

// --trace-link, --log-counts and --port/--baud, in that order, so the trace
// holds the opening; real mode as if chosen in "Other Port". Run once the
// window is up.
void ApplyLinkLaunchOptions(const LaunchOptions& options);

// A notice that does not block (the timers keep running): one non-modal
// box, reused. Replaceable, as message boxes are, so tests record them.
using NoticeFunction = void (*)(QWidget* parent, const QString& text);
NoticeFunction SetNoticeFunction(NoticeFunction fn);
void ShowLinkNotice(QWidget* parent, const QString& text);
