// The readings on an MQTT broker, for Home Assistant and dashboards: the
// command line's broker address, login file and device id, the messages
// (state once a second, retained discovery configs, availability with a
// last will) and the publisher that sends them from a thread of its own,
// so a broker that goes away never holds up the caller. Plain C++ over
// libmosquitto.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/bounded_read.h"
#include "media/rate_history.h"

struct mosquitto;

struct MqttSettings {
    std::string url;   // as given, for messages: mqtt://HOST[:PORT] or mqtts://...
    std::string host;
    int port = 0;
    bool tls = false;  // mqtts: checked against the system's CA store
    std::string user;  // empty: no login
    std::string password;
    std::string id;    // the DEVICE of the topics; empty: from the serial port
    bool demo = false; // publish in demo mode too

    bool enabled() const { return !host.empty(); }
};

// The login file holds at most this much: a user name line and a password line.
inline constexpr FileKind kMqttAuthFile{4096, "a login file (a user name and a password)"};

// Each fills `settings` or says what is wrong, prefixed by the option.
bool ParseMqttUrl(std::string_view url, MqttSettings& settings, std::string& error);
// The file's first line is the user name, its second the password (a
// trailing CR is dropped). Regular files only: a FIFO would hang the start.
bool ReadMqttAuth(const std::string& path, MqttSettings& settings, std::string& error);
// An id goes into topics and Home Assistant's ids: letters, digits, '_'
// and '-', 1 to 64 of them.
bool ValidMqttId(std::string_view id);
// A stable id for the counter on `portPath`: the /dev/serial/by-id name
// that leads to it (it stays when the adapter moves to another ttyUSB),
// else the port's own name, made valid for topics. "" for no port.
std::string MqttIdForPort(const std::string& portPath);

struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retain = false;
};

// The topics of device `id`.
std::string MqttStateTopic(const std::string& id);
std::string MqttAvailabilityTopic(const std::string& id);
// One second as the state message's JSON. `sample` carries the run's
// totals (RateHistory::Add keeps them).
std::string MqttStateJson(const RateSample& sample);
// Home Assistant's discovery configs of device `id`, retained.
std::vector<MqttMessage> MqttDiscovery(const std::string& id, const std::string& version);

enum class MqttLinkState : uint8_t { Connecting, Connected, Retrying, Stopped };

struct MqttStatus {
    MqttLinkState state = MqttLinkState::Connecting;
    std::string text;      // what the lamp's tooltip says of the broker
    uint64_t news = 0;     // grows when `text` says something new worth a line on stderr
};

class MqttPublisher {
public:
    // The first retry waits this long, each further one twice as long up to the last.
    static constexpr int kFirstRetrySeconds = 1;
    static constexpr int kLastRetrySeconds = 32;
    // How long a clean stop waits for the broker to take "offline".
    static constexpr int kStopWaitMs = 2000;

    MqttPublisher(MqttSettings settings, std::string id, std::string version);
    ~MqttPublisher();  // Stop()
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Starts the thread, which connects and keeps reconnecting. False with
    // `error` when the client cannot be set up at all.
    bool Start(std::string& error);
    // The newest second, called once a second by the host; it goes out at
    // once while connected, and on the return of the broker otherwise.
    // Never blocks on the network.
    void Publish(const RateSample& sample);
    // "offline" to the broker (while connected), then disconnects.
    void Stop();
    MqttStatus Status() const;
    const std::string& id() const { return id_; }

private:
    void Run();
    int Serve();  // one connection, until it ends or the stop; the loop's last result
    void SetStatus(MqttLinkState state, std::string text, bool news);
    static void OnConnect(mosquitto* client, void* self, int rc);
    static void OnDisconnect(mosquitto* client, void* self, int rc);
    static void OnPublish(mosquitto* client, void* self, int mid);

    MqttSettings settings_;
    std::string id_;
    std::string version_;
    mosquitto* client_ = nullptr;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::string pending_;  // the newest state not yet sent
    MqttStatus status_;
    // Touched by the thread only (the callbacks run inside its loop).
    bool connected_ = false;
    bool refused_ = false;  // the broker refused the login this time
    bool cameUp_ = false;   // this connection was accepted
    int offlineMid_ = -1;
    bool offlineSent_ = false;
};
