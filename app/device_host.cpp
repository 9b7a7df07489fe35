// The device behind the panel window: start, cadence, keys and hand-over,
// each through the host core.
#include "app/device_host.h"

#include "core/driver.h"
#include "core/panel.h"
#include "core/presentation.h"
#include "core/snapshot_bytes.h"
#include "firmware/state.h"
#include "serial/count_log.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"

DeviceHost::DeviceHost(const DeviceStart& start, ShowLcdHandler handOver, void* context, std::function<void()> shown)
    : clock_(start.clock.value_or(std::time(nullptr))), seed_(start.seed), handOver_(handOver), context_(context),
      shown_(std::move(shown)) {
    // One timer drives the firmware, by the cadence every host shares.
    halfSecondTimer_.setTimerType(Qt::PreciseTimer);
    halfSecondTimer_.setInterval(500);
    QObject::connect(&halfSecondTimer_, &QTimer::timeout, &halfSecondTimer_, [this] { HalfSecondEvent(); });
    halfSecondTimer_.start();
}

void DeviceHost::Start() {
    DriverStart({clock_, seed_.has_value(), seed_.value_or(0), handOver_, context_});
    DriverKeepHandedOver();
}

void DeviceHost::ReturnToStartState() {
    Start();
    // The replay counts periods from 0; restarting the timer also gives the
    // first period its full 500 ms, as at program start.
    halfSecondTimer_.start();
    shown_();
}

void DeviceHost::ClickKey(uint8_t drawnKey) {
    const DriverPanelClick click = DriverClickPanelKey(drawnKey);
    recorder_.Press(click.key);
    if (click.sendToCounter) SendKeyCommand(click.key);
    if (click.hintEnded) shown_();
}

void DeviceHost::PressKeyboard(uint8_t drawnKey) { recorder_.Press(DriverPressFromKeyboard(drawnKey)); }

void DeviceHost::PressAsClick(uint8_t key) {
    const DriverPanelClick click = DriverClickForKey(key);
    recorder_.Press(click.key);
    if (click.sendToCounter) SendKeyCommand(click.key);
    if (click.hintEnded) shown_();
}

void DeviceHost::HalfSecondEvent() {
    if (restartRequested_ == 1) {
        restartRequested_ = 0;
        ClickKey(KeySelect);
    }
    // Real mode's report timer, started with the heartbeat and stopped by
    // itself once the reader has stopped and the queued counts are handed.
    const auto beforeSecond = [](void* context) {
        auto* self = static_cast<DeviceHost*>(context);
        if (self->reportTimer_) DecodeCountReport();
        SessionRecorder::BeforeSecondTick(&self->recorder_);
    };
    const bool secondTick = DriverPeriod(beforeSecond, this);
    if (secondTick) CountLogAfterSecond();
    recorder_.Period(secondTick);
}

std::string DeviceHost::SaveState() const {
    return SnapshotBytes(DriverHandedOverBits(), realMode != 0 ? CountsQueued() : std::vector<int32_t>{});
}

bool DeviceHost::LoadState(std::string_view bytes, std::string& why, bool& savedInRealMode) {
    LcdBits picture{};
    std::vector<int32_t> queued;
    if (!SnapshotRestore(bytes, picture, queued, why)) return false;
    // Real mode needs a line, which no file brings: its queued counts are
    // dropped with it.
    savedInRealMode = realMode != 0;
    realMode = 0;
    DriverSetHandOver(handOver_, context_);
    DriverSetHandedOver(picture);
    DriverSetLayout(DriverPanelLayout(0));
    shown_();
    return true;
}
