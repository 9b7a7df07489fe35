#include "app/link_panel.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <QWidget>
#include <algorithm>

#include "app/file_choice.h"
#include "app/host_state.h"
#include "app/launch_options.h"
#include "firmware/state.h"
#include "serial/count_log.h"
#include "serial/link_trace.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"

namespace {

// The notice's text in panel pixels at 100 %.
constexpr int kNoticeTextPixels = 11;

bool Starts(const QString& text, std::string_view prefix) {
    return text.startsWith(QLatin1String(prefix.data(), qsizetype(prefix.size())));
}

// Whether the link may change by itself: in real mode, or while a reader
// still runs. Otherwise only the window's own commands change it.
bool LinkMayChange() { return realMode == 1 || readerRunning == 1; }

void SayCannotLogCounts(const std::string& error) {
    ShowMessageBox(QStringLiteral("Cannot log counts: %1").arg(QString::fromStdString(error)), QStringLiteral("error"));
}

}  // namespace

QRect PanelNoticeRect(int layout) {
    // The bezel reaches 31 pixels beyond the LCD at either side and 30 below it.
    const QRect lcd = PanelLcdRect(layout);
    return QRect(lcd.left() - 31, lcd.top() + lcd.height() + 34, lcd.width() + 62, 24);
}

PanelLamp LampFor(LinkState state) {
    switch (state) {
        case LinkState::Off: return PanelLamp::Off;
        case LinkState::Receiving: return PanelLamp::Green;
        case LinkState::Quiet: return PanelLamp::Amber;
        case LinkState::Lost: return PanelLamp::Red;
    }
    return PanelLamp::Off;
}

LinkPanel::LinkPanel(QWidget* window, std::function<double()> zoom, std::function<int()> layout)
    : QObject(window), window_(window), zoom_(std::move(zoom)), layout_(std::move(layout)), notice_(new QLabel(window)),
      alarm_(new QLabel(window)) {
    watch_.setInterval(kWatchMs);
    connect(&watch_, &QTimer::timeout, this, [this] { Watch(); });
    if (LinkMayChange()) watch_.start();

    notice_->setObjectName(QStringLiteral("linkNotice"));
    notice_->setAlignment(Qt::AlignCenter);
    notice_->setFocusPolicy(Qt::NoFocus);
    // Clicks and drags reach the panel beneath, as if the line were not there.
    notice_->setAttribute(Qt::WA_TransparentForMouseEvents);
    notice_->hide();
    alarm_->setObjectName(QStringLiteral("alarmSign"));
    alarm_->setAlignment(Qt::AlignCenter);
    alarm_->setFocusPolicy(Qt::NoFocus);
    alarm_->setAttribute(Qt::WA_TransparentForMouseEvents);
    alarm_->hide();  // styled when it first shows: a window without an alarm never parses a style sheet
    noticeTimer_.setSingleShot(true);
    connect(&noticeTimer_, &QTimer::timeout, this, [this] { NoticeExpired(); });
}

void LinkPanel::ShowNotice(const QString& text) {
    noticeLost_ = Starts(text, kLineLostNotice);
    const bool back = Starts(text, kLineBackNotice);
    noticeText_ = text;
    notice_->setAccessibleName(text);
    notice_->setStyleSheet(back ? QStringLiteral("QLabel { background: #e2f4d8; color: #1c3a12; "
                                                 "border: 1px solid #6a9c55; border-radius: 4px; }")
                                : QStringLiteral("QLabel { background: #fff4c2; color: #3a2c00; "
                                                 "border: 1px solid #b8962c; border-radius: 4px; }"));
    if (noticeLost_) noticeTimer_.stop();
    else noticeTimer_.start(back ? kBackNoticeMs : kNoticeMs);
    notice_->show();
    PlaceNotice();
    notice_->raise();
}

void LinkPanel::NoticeExpired() {
    const LinkStatus status = CurrentLinkStatus();
    if (realMode == 1 && status.lost) {
        ShowNotice(QString::fromStdString(std::string(kLineLostNotice) + status.path));
    } else {
        notice_->hide();
        PlaceNotice();
    }
}

void LinkPanel::ShowAlarm(const QString& text) {
    if (!text.isEmpty() && alarm_->styleSheet().isEmpty())
        alarm_->setStyleSheet(QStringLiteral("QLabel { background: #c8201c; color: white; font-weight: bold; "
                                             "border: 1px solid #7a0f0c; border-radius: 4px; }"));
    alarm_->setAccessibleName(text);
    alarm_->setProperty("fullText", text);
    alarm_->setVisible(!text.isEmpty());
    PlaceNotice();
    if (!text.isEmpty()) alarm_->raise();
}

void LinkPanel::PlaceNotice() {
    const double zoom = zoom_ ? zoom_() : 1.0;
    const QRect line = ScaledPanelRect(PanelNoticeRect(layout_ ? layout_() : 0), zoom);
    const bool both = !alarm_->isHidden() && !notice_->isHidden();
    const int gap = both ? int(4 * zoom) : 0;
    // The link's notice keeps its place at the left; the alarm takes the right.
    const QRect noticeArea = both ? QRect(line.left(), line.top(), (line.width() - gap) / 2, line.height()) : line;
    const QRect alarmArea = both ? QRect(noticeArea.right() + 1 + gap, line.top(),
                                         line.right() - noticeArea.right() - gap, line.height())
                                 : line;
    QFont font = notice_->font();
    font.setPixelSize(std::max(8, int(kNoticeTextPixels * zoom + 0.5)));
    // A long path gives way in its middle: both its ends tell which device it is.
    const auto place = [&](QLabel* label, const QString& text, const QRect& area) {
        const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideMiddle, area.width() - int(10 * zoom));
        if (label->geometry() == area && label->text() == shown && label->font().pixelSize() == font.pixelSize())
            return;
        QFont own = label->font();
        own.setPixelSize(font.pixelSize());
        label->setFont(own);
        label->setText(shown);
        label->setGeometry(area);
    };
    place(notice_, noticeText_, noticeArea);
    place(alarm_, alarm_->property("fullText").toString(), alarmArea);
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
    // The lost line's notice goes once reports flow again, or in demo mode.
    if (noticeLost_ && (lamp == PanelLamp::Green || lamp == PanelLamp::Off)) {
        noticeLost_ = false;
        notice_->hide();
        PlaceNotice();
    }
    if (notice_->isVisible() || !alarm_->isHidden()) PlaceNotice();  // after a turn or a zoom
    if (lamp == lamp_) return;
    lamp_ = lamp;
    window_->update();
}

bool LinkPanel::ShowToolTip(const QHelpEvent& event, int layout, double zoom) {
    const QRect onScreen = ScaledPanelRect(PanelLampRect(layout).adjusted(-3, -3, 3, 3), zoom);
    if (!onScreen.contains(event.pos())) return false;
    const int64_t now = LinkClockMs();
    std::string text = DescribeLink(CurrentLinkState(now), CurrentLinkStatus(), now);
    if (toolTipExtra_) text += "\n" + toolTipExtra_();
    QToolTip::showText(event.globalPos(), QString::fromStdString(text), window_, onScreen);
    return true;
}

void LinkPanel::ToggleCountLog() {
    if (CountLogActive()) {
        StopCountLog();
        return;
    }
    const QString path = AskSavePath(window_, QStringLiteral("Log Counts to File"), QStringLiteral("counts.csv"),
                                     QStringLiteral("CSV files (*.csv);;All files (*)"),
                                     QFileDialog::DontConfirmOverwrite);  // it appends
    if (path.isEmpty()) return;
    std::string error;
    if (!StartCountLog(path.toStdString(), error)) {
        SayCannotLogCounts(error);
        return;
    }
    // Demo counts are made up: the log waits for a counter's reports.
    if (realMode == 0)
        ShowMessageBox(QStringLiteral("Counts are logged in real mode only. %1 is open: its lines follow once real "
                                      "mode starts (\"Real Mode\" in this menu).")
                           .arg(QString::fromStdString(CountLogPath())),
                       QStringLiteral("Log Counts to File"));
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
