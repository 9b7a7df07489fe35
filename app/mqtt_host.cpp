#include "app/mqtt_host.h"

#include <cstdio>

#include "app/module_parts.h"
#include "app/optional_module.h"
#include "geigersim_version.h"

MqttHost::MqttHost(MqttSettings settings) : settings_(std::move(settings)) {}

MqttHost::~MqttHost() { Stop(); }

void MqttHost::NoteSecond(const RateSample& sample, const std::string& portPath) {
    if (publisher_) SayNews();
    if (!sample.realMode && !settings_.demo) return;
    if (!publisher_ && failure_.empty()) {
        std::string id = settings_.id;
        if (id.empty()) id = MqttIdForPort(sample.realMode ? portPath : std::string());
        if (id.empty()) id = "demo";
        std::string why;
        auto make = reinterpret_cast<NewMqttClientFn>(OptionalModuleSymbol(kMqttModule, kNewMqttClient, why));
        std::unique_ptr<MqttClient> publisher(make != nullptr ? make(settings_, id, GEIGERSIM_VERSION) : nullptr);
        if (publisher == nullptr) failure_ = "cannot load the MQTT client: " + why;
        if (publisher != nullptr && publisher->Start(failure_)) publisher_ = std::move(publisher);
        else std::fprintf(stderr, "geigersim: %s\n", failure_.c_str());
    }
    if (publisher_) publisher_->Publish(sample);
}

void MqttHost::SayNews() {
    const MqttStatus status = publisher_->Status();
    if (status.news == newsSaid_) return;
    newsSaid_ = status.news;
    std::fprintf(stderr, "geigersim: MQTT: %s\n", status.text.c_str());
}

std::string MqttHost::Describe() const {
    if (!failure_.empty()) return "MQTT: " + failure_;
    if (!publisher_)
        return "MQTT: " + settings_.url + (settings_.demo ? ": connects at the device's first second"
                                                          : ": connects in real mode (demo mode is not published)");
    return "MQTT: " + publisher_->Status().text;
}

void MqttHost::Stop() {
    if (publisher_) publisher_->Stop();
}
