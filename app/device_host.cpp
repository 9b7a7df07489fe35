// The device behind the panel window: start, cadence, keys and hand-over,
// each through the host core.
#include "app/device_host.h"

#include "app/key_commands.h"
#include "app/panel_view.h"
#include "core/driver.h"
#include "core/panel.h"
#include "core/presentation.h"
#include "core/snapshot_bytes.h"
#include "firmware/state.h"
#include "platform/clock.h"
#include "serial/count_log.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"

DeviceHost::DeviceHost(PanelView& panel, ShowLcdHandler handOver, void* context)
    : panel_(panel), handOver_(handOver), context_(context) {
    // One timer drives the firmware, by the cadence every host shares.
    halfSecondTimer_.setTimerType(Qt::PreciseTimer);
    halfSecondTimer_.setInterval(500);
    QObject::connect(&halfSecondTimer_, &QTimer::timeout, &halfSecondTimer_, [this] { HalfSecondEvent(); });
    halfSecondTimer_.start();
}

void DeviceHost::Start() {
    unsigned seed = 0;
    const bool seedFixed = RandomSeedFixed(seed);
    DriverStart({rtcSnapshot, seedFixed, seed, handOver_, context_});
}

void DeviceHost::ReturnToStartState() {
    Start();
    // The replay counts periods from 0; restarting the timer also gives the
    // first period its full 500 ms, as at program start.
    halfSecondTimer_.start();
    powerKeySeen_ = 0;
    panel_.ShowStartState();
}

void DeviceHost::OnKeyCommand(int commandId) {
    const KeyAction action = MapKeyCommand(commandId, DriverDisplaySwivelled());
    if (!action.valid) return;
    if (!action.panelKey) {
        PressKey(action.key);
        return;
    }
    if (!action.powerKey) {
        SendKeyCommand(action.key);
        PressKey(action.key);
        return;
    }
    // The first Select/Power click only switches the simulated device on; the
    // attached device is told about every later one.
    if (powerKeySeen_ == 1) SendKeyCommand(action.key);
    PressKey(action.key);
    powerKeySeen_ = 1;
    // The first power click ends the hint in either layout: once the device
    // is on, the hint must not come back when the panel turns upright again.
    panel_.EndStartHint();
}

void DeviceHost::PressAsClick(uint8_t key) {
    // The swivel's swap is its own inverse: the drawn key that sends `key`.
    OnKeyCommand(PanelKeyCommand(panel_.layoutTurned(), DriverKeyForDrawn(key)));
}

void DeviceHost::PressKey(uint8_t key) {
    recorder_.Press(key);
    DriverPress(key);
}

void DeviceHost::HalfSecondEvent() {
    if (restartRequested_ == 1) {
        restartRequested_ = 0;
        OnKeyCommand(kCmdSelectPower);
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

void DeviceHost::ApplySwivel() {
    const uint8_t layout = DriverPanelLayout(panel_.layoutTurned());
    if (layout != panel_.layoutTurned()) panel_.SetLayout(layout);
}

void DeviceHost::HandOver() {
    // The panel turns before the picture is placed, so it lands in the new layout.
    ApplySwivel();
    panel_.ShowHandOver();
}

std::string DeviceHost::SaveState() const {
    return SnapshotBytes(panel_.handedOverBits(), realMode != 0 ? CountsQueued() : std::vector<int32_t>{});
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
    powerKeySeen_ = DriverFrameLit() ? 1 : 0;
    panel_.ShowLoaded(picture, DriverPanelLayout(0), powerKeySeen_ == 0);
    return true;
}
