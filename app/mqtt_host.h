// The MQTT feed of a host: started by --mqtt, fed each second the device
// ticked, publishing in real mode (in demo mode only with --mqtt-demo),
// saying what befalls the broker on standard error and in a line for the
// lamp's tooltip. Plain C++, so the window and the headless logger share it.
// The client is the "mqtt" module's (app/optional_module.h), loaded when
// the first second is to be published: a run that publishes nothing never
// loads libmosquitto or OpenSSL.
#pragma once

#include <memory>
#include <string>

#include "mqtt/mqtt_publisher.h"

class MqttClient;

class MqttHost {
public:
    explicit MqttHost(MqttSettings settings);
    ~MqttHost();
    MqttHost(const MqttHost&) = delete;
    MqttHost& operator=(const MqttHost&) = delete;

    // Called once a second with the second just ticked, its totals filled
    // (RateHistory's newest sample), and the serial line's path (for the
    // device id when --mqtt-id is not given). The first second to publish
    // connects; nothing here waits on the network.
    void NoteSecond(const RateSample& sample, const std::string& portPath);
    // The broker's state for the lamp's tooltip.
    std::string Describe() const;
    // "offline" to the broker and disconnects; at the program's end.
    void Stop();

private:
    void SayNews();

    MqttSettings settings_;
    std::unique_ptr<MqttClient> publisher_;
    std::string failure_;  // the client could not be set up (or loaded)
    uint64_t newsSaid_ = 0;
};
