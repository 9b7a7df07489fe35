#include "app/headless_device.h"

#include <QCoreApplication>
#include <cstdio>
#include <memory>

#include "app/control_server.h"
#include "app/launch_checks.h"
#include "app/launch_options.h"
#include "app/link_panel.h"
#include "app/mqtt_host.h"
#include "app/stop_signals.h"
#include "core/panel.h"
#include "core/presentation.h"
#include "firmware/state.h"
#include "media/rate_history.h"
#include "serial/count_log.h"
#include "serial/link_status.h"
#include "serial/link_trace.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"
#include "platform/clock.h"

namespace {

void Say(const std::string& text) { std::fprintf(stderr, "geigersim: %s\n", text.c_str()); }

// The control socket against the headless device: presses, waits on real
// time, the LCD as the core presents it. Pictures and snapshots are the
// window's.
class HeadlessControlHost : public geigerrun::ControlHost {
public:
    explicit HeadlessControlHost(HeadlessDevice& device) : device_(device) {}

    std::string Refusal(const geigerrun::Command& cmd) const override {
        if (cmd.op != geigerrun::Op::Real) return ControlHost::Refusal(cmd);
        return "the headless device takes real counts from its serial port (--port)";
    }
    void Step(const script::Step& step) override {
        if (step.kind == script::StepKind::Demo) {
            if (step.demoRate != script::kKeepDemoRate) SetDemoRate(step.demoRate);
            ChooseDemoMode();
        }
        if (step.kind != script::StepKind::Press) return;
        for (uint16_t i = 0; i < step.times; ++i) {
            const DriverPanelClick click = DriverClickForKey(step.key);
            if (click.sendToCounter) SendKeyCommand(click.key);
        }
    }
    void Wait(uint64_t halfSeconds, std::function<void()> done) override {
        QTimer::singleShot(std::chrono::milliseconds(halfSeconds * 500), Qt::PreciseTimer, &device_, std::move(done));
    }
    const LcdPicture& Presented() const override {
        DriverPresentedLcd(DriverLayout(), presented_);
        return presented_;
    }
    bool WritePicture(const std::string&, int, bool, std::ostream&, std::string& error) override {
        error = "the headless device draws no pictures: use lcd or text";
        return false;
    }
    bool Save(const std::string&, std::ostream&, std::string& error) override {
        error = "the headless device keeps no snapshots: save the state from the window";
        return false;
    }
    bool Load(const std::string&, std::string& error) override {
        error = "the headless device keeps no snapshots: load the state in the window";
        return false;
    }

private:
    HeadlessDevice& device_;
    mutable LcdPicture presented_{};
};

}  // namespace

HeadlessDevice::HeadlessDevice(std::time_t clock, bool seedFixed, uint32_t seed) {
    DriverStart({clock, seedFixed, seed, nullptr, nullptr});
    DriverKeepHandedOver();
    DriverSetSecondObserver(NoteSecond, this);
    SetLinkHost(this);
    halfSecond_.setTimerType(Qt::PreciseTimer);
    halfSecond_.setInterval(500);
    connect(&halfSecond_, &QTimer::timeout, this, [this] { HalfSecondEvent(); });
    halfSecond_.start();
    // The lost line's watch and retries, as the window's lamp runs them.
    watch_.setInterval(LinkPanel::kWatchMs);
    connect(&watch_, &QTimer::timeout, this, [] {
        ServiceLink(LinkClockMs());
        const std::string traceError = TakeLinkTraceError();
        if (!traceError.empty()) Say("link trace stopped: " + traceError);
    });
    watch_.start();
}

HeadlessDevice::~HeadlessDevice() {
    DriverSetSecondObserver(nullptr, nullptr);
    if (CurrentLinkHost() == this) SetLinkHost(nullptr);
}

void HeadlessDevice::AddSecondListener(std::function<void(const DriverSecond&)> listener) {
    listeners_.push_back(std::move(listener));
}

void HeadlessDevice::ShowMessage(const char* text, const char* caption) {
    Say(caption != nullptr && *caption != '\0' ? std::string(caption) + ": " + text : std::string(text));
}

void HeadlessDevice::ShowNotice(const char* text) { Say(text); }

void HeadlessDevice::ShowDetailedMessage(const char* text, const char* caption, const char* informative) {
    (void)caption;
    Say(std::string(text) + ": " + (informative != nullptr ? informative : ""));
}

void HeadlessDevice::HalfSecondEvent() {
    // Switched on at once: a logger has nobody to press the power key.
    if (!powerPressed_) {
        powerPressed_ = true;
        DriverClickPanelKey(KeySelect);
    }
    // Reports that come during the start-up logo wait in the queue for the
    // booted device (folded if more than four), so a logger counts them all.
    const auto beforeSecond = [](void* context) {
        if (static_cast<HeadlessDevice*>(context)->reportTimer_ && fw.bootState == 2) DecodeCountReport();
    };
    if (DriverPeriod(beforeSecond, this)) CountLogAfterSecond();
}

void HeadlessDevice::NoteSecond(const DriverSecond& second, void* context) {
    auto* self = static_cast<HeadlessDevice*>(context);
    self->alarm_.NoteSecond(second);
    for (const auto& listener : self->listeners_) listener(second);
}

int RunHeadless(const LaunchOptions& options) {
    HeadlessDevice device(options.clock ? *options.clock : RtcHostNow(), options.seed.has_value(),
                          options.seed.value_or(0));
    StopSignals stop([] { QCoreApplication::quit(); });
    std::string error;
    if (!StartLaunchFiles(options, error)) {
        Say(error);
        return 2;
    }
    HeadlessControlHost controlHost(device);
    std::unique_ptr<ControlServer> control;
    if (!options.control.isEmpty()) {
        control = std::make_unique<ControlServer>(controlHost);
        control->SetQuitHandler([] { QCoreApplication::quit(); });
        QString why;
        if (!control->Listen(options.control, why)) {
            ShutdownLink();
            Say(why.toStdString());
            return 2;
        }
    }
    if (!StartLaunchPort(options, error)) {
        ShutdownLink();
        Say(error);
        return 2;
    }
    // The MQTT feed: the second's totals from a history of its own, a second
    // counted as lost while the line is.
    RateHistory history;
    std::unique_ptr<MqttHost> mqtt;
    if (options.mqtt.enabled()) {
        mqtt = std::make_unique<MqttHost>(options.mqtt);
        device.AddSecondListener([&](const DriverSecond& second) {
            const bool lost = CurrentLinkState(LinkClockMs()) == LinkState::Lost;
            history.Add(SampleOf(second, std::time(nullptr), lost, second.realMode && DriverLayout() != 0));
            mqtt->NoteSecond(history.Newest(), CurrentLinkStatus().path);
        });
    }
    QCoreApplication::exec();
    if (mqtt) mqtt->Stop();  // "offline" while the broker may still be there
    // As "Exit": the reader stops before the port closes, every report
    // decoded is logged, the files close; the socket's file goes with the server.
    EndLinkRetries();
    ShutdownLink();
    StopLinkTrace();
    return 0;
}
