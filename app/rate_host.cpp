#include "app/rate_host.h"

#include <QGuiApplication>
#include <QWindow>
#include <ctime>

#include "app/chart_window.h"
#include "app/host_state.h"
#include "app/link_panel.h"
#include "app/panel_view.h"
#include "app/sound_player.h"
#include "media/sound.h"

namespace {
constexpr int kFlashMs = 250;    // the lamp's blink while the alarm shows
constexpr int kFlashForMs = 1000;  // one second per alarm second
constexpr int kChartGap = 8;       // logical pixels between the panel and the chart

// What a window's frame adds to its size. A window manager tells it only
// once it has framed the window: before the first showing, a guess of a
// title bar and thin sides.
QSize FrameOf(QWidget& window, bool shownBefore) {
    window.winId();  // the native window, whose frame the platform may know already
    QMargins frame = window.windowHandle()->frameMargins();
    if (frame.isNull() && !shownBefore) frame = QMargins(4, 28, 4, 4);
    return QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
}

}  // namespace

RateHost::RateHost(PanelView& panel)
    : panel_(panel), alarm_([this](const QString& text) { panel_.linkPanel()->ShowAlarm(text); }),
      player_(std::make_unique<SoundPlayer>()) {
    flashTimer_.setInterval(kFlashMs);
    QObject::connect(&flashTimer_, &QTimer::timeout, [this] { Flash(); });
    DriverSetSecondObserver(NoteSecond, this);
}

RateHost::~RateHost() { DriverSetSecondObserver(nullptr, nullptr); }

void RateHost::SetSoundOn(bool on) { player_->SetOn(on); }
bool RateHost::soundOn() const { return player_->on(); }

void RateHost::ShowChart() {
    // Built at its first opening: a window never opened costs nothing.
    const bool first = !chart_;
    if (first) {
        chart_ = std::make_unique<ChartWindow>(history_);
        chart_->setWindowIcon(panel_.windowIcon());
    }
    // Beside the panel on the panel's screen; opened again where it was,
    // unless the panel has come to lie under it since.
    if (!chart_->isVisible() && (first || chart_->frameGeometry().intersects(panel_.frameGeometry()))) {
        chart_->setScreen(panel_.screen());
        const QRect area = panel_.AvailableArea();
        const QSize frame = FrameOf(*chart_, !first);
        const QSize wanted = chart_->sizeHint() + frame;
        const QSize minimum = chart_->minimumSizeHint() + frame;
        const QRect panel = panel_.frameGeometry();
        QRect place = PlaceBeside(panel, wanted, minimum, area, kChartGap);
        // No room on any side: the panel goes to the screen's left or top
        // edge if that makes room, rather than lie under the chart (where
        // windows can place themselves: not under Wayland).
        const bool placeable = QGuiApplication::platformName() != QLatin1String("wayland");
        for (const QPoint corner : {QPoint(area.left(), panel.top()), QPoint(panel.left(), area.top()), area.topLeft()}) {
            if (!placeable || !place.intersects(panel)) break;
            const QRect moved(corner, panel.size());
            const QRect there = PlaceBeside(moved, wanted, minimum, area, kChartGap);
            if (there.intersects(moved)) continue;
            panel_.move(corner);
            place = there;
            break;
        }
        chart_->resize(place.size() - frame);
        chart_->move(place.topLeft());  // the frame's corner
    }
    chart_->show();
    chart_->raise();
    chart_->activateWindow();
}

// A second in real mode counts as lost while the panel's lamp says the line
// is; the orientation is the one the reports gave the panel.
void RateHost::NoteSecond(const DriverSecond& second, void* context) {
    auto* self = static_cast<RateHost*>(context);
    const bool lost = self->panel_.linkPanel()->lamp() == PanelLamp::Red;
    self->history_.Add(SampleOf(second, std::time(nullptr), lost, second.realMode && self->panel_.layoutTurned() != 0));
    if (self->listener_) self->listener_(self->history_.Newest());
    self->player_->Play(sound::FromDriverSecond(second));
    self->alarm_.NoteSecond(second);
    if (second.alarmShown) {
        self->flashing_.start();
        if (!self->flashTimer_.isActive()) {
            self->flashTimer_.start();
            self->Flash();
        }
    }
    if (self->chart_) self->chart_->Refresh();
}

void RateHost::Flash() {
    lampLit_ = flashing_.isValid() && flashing_.elapsed() < kFlashForMs && !lampLit_;
    if (!lampLit_ && (!flashing_.isValid() || flashing_.elapsed() >= kFlashForMs)) flashTimer_.stop();
    panel_.SetAlarmLamp(lampLit_);
}
