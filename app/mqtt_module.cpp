// The "mqtt" module: the MQTT publisher over libmosquitto, loaded when
// the first second is to be published (app/mqtt_host.h).
#include "app/module_parts.h"

namespace {

class PublisherClient : public MqttClient {
public:
    PublisherClient(const MqttSettings& settings, const std::string& id, const std::string& version)
        : publisher_(settings, id, version) {}
    bool Start(std::string& error) override { return publisher_.Start(error); }
    void Publish(const RateSample& sample) override { publisher_.Publish(sample); }
    void Stop() override { publisher_.Stop(); }
    MqttStatus Status() const override { return publisher_.Status(); }

private:
    MqttPublisher publisher_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) MqttClient* GeigersimNewMqttClient(const MqttSettings& settings,
                                                                                    const std::string& id,
                                                                                    const std::string& version) {
    return new PublisherClient(settings, id, version);
}
