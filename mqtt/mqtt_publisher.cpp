// The publisher's thread: connects, sends availability, discovery and the
// newest state, and on any failure waits and connects again, twice as long
// each time. Every libmosquitto call happens on this thread; the host only
// hands over the newest state under a lock. Its own loop rather than
// mosquitto_loop_forever, which gives up for good after a failed name
// lookup or TLS handshake: a home network's hiccup must not end publishing.
#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "mqtt/mqtt_publisher.h"

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr int kLoopWaitMs = 100;  // how soon a new state or the stop is seen
constexpr const char* kSystemCaPath = "/etc/ssl/certs";

std::once_flag gLibraryOnce;

std::string FailureText(int rc, int savedErrno) {
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(savedErrno);
    if (rc == MOSQ_ERR_EAI) return "cannot look the host up";
    if (rc == MOSQ_ERR_NO_CONN || rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_SUCCESS) return "connection lost";
    if (rc == MOSQ_ERR_TLS) return "TLS handshake failed (is the broker's certificate trusted and for this host?)";
    return mosquitto_strerror(rc);
}

}  // namespace

MqttPublisher::MqttPublisher(MqttSettings settings, std::string id, std::string version)
    : settings_(std::move(settings)), id_(std::move(id)), version_(std::move(version)) {}

MqttPublisher::~MqttPublisher() {
    Stop();
    if (client_) mosquitto_destroy(client_);
}

bool MqttPublisher::Start(std::string& error) {
    std::call_once(gLibraryOnce, [] { mosquitto_lib_init(); });
    const std::string clientId = "geigersim-" + id_;
    client_ = mosquitto_new(clientId.c_str(), true, this);
    const std::string will = MqttAvailabilityTopic(id_);
    int rc = client_ ? MOSQ_ERR_SUCCESS : MOSQ_ERR_NOMEM;
    if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_will_set(client_, will.c_str(), 7, "offline", 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !settings_.user.empty())
        rc = mosquitto_username_pw_set(client_, settings_.user.c_str(), settings_.password.c_str());
    // The system's CA store as a directory: with MOSQ_OPT_TLS_USE_OS_CERTS
    // alone, libmosquitto 2.0.11 refuses every try after the first.
    if (rc == MOSQ_ERR_SUCCESS && settings_.tls)
        rc = mosquitto_tls_set(client_, nullptr, kSystemCaPath, nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        error = settings_.url + ": " + mosquitto_strerror(rc);
        return false;
    }
    mosquitto_connect_callback_set(client_, OnConnect);
    mosquitto_disconnect_callback_set(client_, OnDisconnect);
    mosquitto_publish_callback_set(client_, OnPublish);
    SetStatus(MqttLinkState::Connecting, "connecting to " + settings_.url, false);
    thread_ = std::thread([this] { Run(); });
    return true;
}

void MqttPublisher::Publish(const RateSample& sample) {
    std::string json = MqttStateJson(sample);
    std::lock_guard lock(mutex_);
    pending_ = std::move(json);
}

void MqttPublisher::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && !thread_.joinable()) return;
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

MqttStatus MqttPublisher::Status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void MqttPublisher::SetStatus(MqttLinkState state, std::string text, bool news) {
    std::lock_guard lock(mutex_);
    if (news && text != status_.text) ++status_.news;
    status_.state = state;
    status_.text = std::move(text);
}

void MqttPublisher::Run() {
    int retrySeconds = kFirstRetrySeconds;
    for (;;) {
        refused_ = false;
        cameUp_ = false;
        int rc = mosquitto_connect_async(client_, settings_.host.c_str(), settings_.port, kKeepAliveSeconds);
        int savedErrno = errno;
        if (rc == MOSQ_ERR_SUCCESS) {
            rc = Serve();
            savedErrno = errno;
            connected_ = false;
        }
        {
            std::unique_lock lock(mutex_);
            if (stopping_) break;
        }
        // A connection that came up at all starts the back-off over.
        if (cameUp_) retrySeconds = kFirstRetrySeconds;
        if (!refused_) {
            const std::string why = FailureText(rc, savedErrno);
            SetStatus(MqttLinkState::Retrying, settings_.url + ": " + why + "; retrying", true);
        }
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::seconds(retrySeconds), [this] { return stopping_; });
        if (stopping_) break;
        retrySeconds = std::min(retrySeconds * 2, kLastRetrySeconds);
    }
    connected_ = false;
    SetStatus(MqttLinkState::Stopped, "stopped", false);
}

int MqttPublisher::Serve() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point stopDeadline{};
    bool disconnecting = false;
    for (;;) {
        const int rc = mosquitto_loop(client_, kLoopWaitMs, 1);
        if (rc != MOSQ_ERR_SUCCESS || refused_) return rc;
        std::string state;
        bool stopping;
        {
            std::lock_guard lock(mutex_);
            stopping = stopping_;
            if (connected_ && !stopping) state.swap(pending_);
        }
        if (!state.empty()) {
            const std::string topic = MqttStateTopic(id_);
            mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(state.size()), state.data(), 0, false);
        }
        if (!stopping) continue;
        // A clean stop: the last will would not be sent, so "offline" goes out
        // ourselves, and the stop waits a moment for the broker to take it.
        if (!connected_) return MOSQ_ERR_SUCCESS;
        if (stopDeadline == Clock::time_point{}) {
            stopDeadline = Clock::now() + std::chrono::milliseconds(kStopWaitMs);
            const std::string topic = MqttAvailabilityTopic(id_);
            mosquitto_publish(client_, &offlineMid_, topic.c_str(), 7, "offline", 1, true);
        }
        if (!disconnecting && (offlineSent_ || Clock::now() > stopDeadline)) {
            disconnecting = true;
            mosquitto_disconnect(client_);
        }
        if (Clock::now() > stopDeadline + std::chrono::milliseconds(kStopWaitMs)) return MOSQ_ERR_SUCCESS;
    }
}

void MqttPublisher::OnConnect(mosquitto* client, void* context, int rc) {
    auto* self = static_cast<MqttPublisher*>(context);
    if (rc != 0) {
        // Said once; the retries that follow say nothing new.
        self->refused_ = true;
        const std::string why = rc == 4   ? "login refused (bad user name or password)"
                                : rc == 5 ? "login refused (not authorised)"
                                          : std::string("refused by the broker (") + mosquitto_connack_string(rc) + ")";
        self->SetStatus(MqttLinkState::Retrying, self->settings_.url + ": " + why + "; retrying", true);
        return;
    }
    self->connected_ = true;
    self->cameUp_ = true;
    const std::string availability = MqttAvailabilityTopic(self->id_);
    mosquitto_publish(client, nullptr, availability.c_str(), 6, "online", 1, true);
    for (const MqttMessage& m : MqttDiscovery(self->id_, self->version_))
        mosquitto_publish(client, nullptr, m.topic.c_str(), static_cast<int>(m.payload.size()), m.payload.data(), 1,
                          m.retain);
    self->SetStatus(MqttLinkState::Connected,
                    "publishing to " + self->settings_.url + " as " + MqttStateTopic(self->id_), true);
    // The newest state goes out with the next turn of the loop; what the
    // broker missed meanwhile is not sent again.
}

void MqttPublisher::OnDisconnect(mosquitto*, void* context, int) {
    static_cast<MqttPublisher*>(context)->connected_ = false;
}

void MqttPublisher::OnPublish(mosquitto*, void* context, int mid) {
    auto* self = static_cast<MqttPublisher*>(context);
    if (mid == self->offlineMid_) self->offlineSent_ = true;
}
