#include "app/rate_host.h"

#include <ctime>

#include "app/chart_window.h"
#include "app/link_panel.h"
#include "app/panel_view.h"
#include "app/sound_player.h"
#include "media/sound.h"

namespace {
constexpr int kFlashMs = 250;    // the lamp's blink while the alarm shows
constexpr int kFlashForMs = 1000;  // one second per alarm second
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
    if (!chart_) chart_ = std::make_unique<ChartWindow>(history_);
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
