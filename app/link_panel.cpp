#include "app/link_panel.h"

#include <QFileDialog>
#include <QHelpEvent>
#include <QMessageBox>
#include <QPointer>
#include <QToolTip>
#include <QWidget>

#include "app/host_state.h"
#include "app/launch_options.h"
#include "firmware/state.h"
#include "link/count_log.h"
#include "link/host_link.h"
#include "link/link_trace.h"
#include "link/real_mode.h"

namespace {

void RealNotice(QWidget* parent, const QString& text) {
    static QPointer<QMessageBox> box;
    if (box.isNull()) {
        box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Counter link"), text, QMessageBox::Ok, parent);
        box->setModal(false);
        box->setAttribute(Qt::WA_DeleteOnClose);
        // The panel keeps the keyboard: Escape still ends the program.
        box->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    box->setText(text);
    box->show();
}

NoticeFunction gNotice = RealNotice;

// Whether the link may change by itself: in real mode, or while a reader
// still runs. Otherwise only the window's own commands change it.
bool LinkMayChange() { return realMode == 1 || readerRunning == 1; }

void SayCannotLogCounts(const std::string& error) {
    ShowMessageBox(QStringLiteral("Cannot log counts: %1").arg(QString::fromStdString(error)), QStringLiteral("error"));
}

}  // namespace

NoticeFunction SetNoticeFunction(NoticeFunction fn) {
    NoticeFunction previous = gNotice;
    gNotice = fn != nullptr ? fn : RealNotice;
    return previous;
}

void ShowLinkNotice(QWidget* parent, const QString& text) { gNotice(parent, text); }

PanelLamp LampFor(LinkState state) {
    switch (state) {
        case LinkState::Off: return PanelLamp::Off;
        case LinkState::Receiving: return PanelLamp::Green;
        case LinkState::Quiet: return PanelLamp::Amber;
        case LinkState::Lost: return PanelLamp::Red;
    }
    return PanelLamp::Off;
}

LinkPanel::LinkPanel(QWidget* window) : QObject(window), window_(window) {
    watch_.setInterval(kWatchMs);
    connect(&watch_, &QTimer::timeout, this, [this] { Watch(); });
    if (LinkMayChange()) watch_.start();
}

void LinkPanel::KeepWatching() {
    if (!watch_.isActive()) watch_.start();
}

void LinkPanel::Watch() {
    const int64_t now = LinkClockMs();
    ServiceLink(now);
    // Four wake-ups a second cost a resting window more than all else it
    // does, so in demo mode the watch rests until KeepWatching.
    if (!LinkMayChange()) watch_.stop();
    const PanelLamp lamp = LampFor(CurrentLinkState(now));
    if (lamp == lamp_) return;
    lamp_ = lamp;
    window_->update();
}

bool LinkPanel::ShowToolTip(const QHelpEvent& event, int layout, double zoom) {
    const QRect onScreen = ScaledPanelRect(PanelLampRect(layout).adjusted(-3, -3, 3, 3), zoom);
    if (!onScreen.contains(event.pos())) return false;
    const int64_t now = LinkClockMs();
    const std::string text = DescribeLink(CurrentLinkState(now), CurrentLinkStatus(), now);
    QToolTip::showText(event.globalPos(), QString::fromStdString(text), window_, onScreen);
    return true;
}

void LinkPanel::ToggleCountLog() {
    if (CountLogActive()) {
        StopCountLog();
        return;
    }
    const QString path = QFileDialog::getSaveFileName(window_, QStringLiteral("Log Counts to File"),
                                                      QStringLiteral("counts.csv"),
                                                      QStringLiteral("CSV files (*.csv);;All files (*)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);  // it appends
    if (path.isEmpty()) return;
    std::string error;
    if (!StartCountLog(path.toStdString(), error)) SayCannotLogCounts(error);
}

void ApplyLinkLaunchOptions(const LaunchOptions& options) {
    std::string error;
    if (!options.traceLink.isEmpty() && !StartLinkTrace(options.traceLink.toStdString(), error))
        ShowMessageBox(QStringLiteral("Cannot trace the link: %1").arg(QString::fromStdString(error)),
                       QStringLiteral("error"));
    if (!options.logCounts.isEmpty() && !StartCountLog(options.logCounts.toStdString(), error))
        SayCannotLogCounts(error);
    if (options.port.isEmpty()) return;
    PortSettings chosen = portSettings;
    if (const int index = IndexForRate(options.baud); index >= 0) chosen.rateIndex = index;
    chosen.devicePath = options.port.toStdString();  // "COM3" is told apart as the dialog's field does
    ChooseOtherPort(chosen);
}
