// What the MQTT publisher sends: the topics, the state JSON and Home
// Assistant's discovery configs. No more than the client needs, so that
// its module (app/optional_module.h) links nothing else.
#include <cmath>
#include <cstring>
#include <ctime>
#include <nlohmann/json.hpp>

#include "mqtt/mqtt_publisher.h"

using nlohmann::json;

namespace {

constexpr std::string_view kModel = "XRV-140+V4";

// JSON numbers the way a dashboard shows them, not float's binary tail
// (0.16 rather than 0.1599999964237213).
double Rounded(double v, double scale) { return std::round(v * scale) / scale; }

std::string IsoTimeWithOffset(std::time_t when) {
    tm local{};
    localtime_r(&when, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    // +hhmm to +hh:mm, as ISO 8601 and Home Assistant read it.
    const std::string_view out = text;
    if (out.size() < 5) return std::string(out);
    return std::string(out.substr(0, out.size() - 2)) + ":" + std::string(out.substr(out.size() - 2));
}

}  // namespace

std::string MqttStateTopic(const std::string& id) { return "geigersim/" + id + "/state"; }
std::string MqttAvailabilityTopic(const std::string& id) { return "geigersim/" + id + "/availability"; }

std::string MqttStateJson(const RateSample& s) {
    json j;
    j["time"] = IsoTimeWithOffset(s.time);
    j["count"] = s.count < 0 ? 0 : s.count;
    j["cpm"] = s.cpm;
    j["dose_rate"] = Rounded(s.doseRate, 1e4);
    j["alarm"] = s.alarmReached;
    j["alarm_on"] = s.alarmCompared;
    if (s.alarmInCpm) {
        j["alarm_level"] = s.alarmLevelCpm;
        j["alarm_unit"] = "CPM";
    } else {
        j["alarm_level"] = Rounded(s.alarmLevelUsv, 1e4);
        j["alarm_unit"] = "µSv/h";
    }
    j["mode"] = s.realMode ? "real" : "demo";
    j["line"] = !s.realMode ? "none" : s.lineLost ? "lost" : "connected";
    j["total_count"] = s.totalCount;
    j["dose"] = Rounded(s.doseUsv, 1e6);
    return j.dump();
}

std::vector<MqttMessage> MqttDiscovery(const std::string& id, const std::string& version) {
    struct Entity {
        const char* component;
        const char* key;
        const char* name;
        const char* value;  // the template that reads it from the state
        const char* unit;
        const char* deviceClass;
        const char* stateClass;
    };
    // Home Assistant has no device class for radiation, so the sensors go by unit alone.
    static const Entity kEntities[] = {
        {"sensor", "cpm", "CPM", "{{ value_json.cpm }}", "CPM", nullptr, "measurement"},
        {"sensor", "dose_rate", "Dose rate", "{{ value_json.dose_rate }}", "µSv/h", nullptr, "measurement"},
        {"sensor", "count", "Counts this second", "{{ value_json.count }}", "counts", nullptr, "measurement"},
        {"sensor", "total_count", "Total count", "{{ value_json.total_count }}", "counts", nullptr, "total_increasing"},
        {"sensor", "dose", "Dose", "{{ value_json.dose }}", "µSv", nullptr, "total_increasing"},
        {"binary_sensor", "alarm", "Alarm", "{{ 'ON' if value_json.alarm else 'OFF' }}", nullptr, "safety", nullptr},
        {"binary_sensor", "line", "Counter line",
         "{{ 'ON' if value_json.line == 'connected' else 'OFF' }}", nullptr, "connectivity", nullptr},
    };
    const json device = {{"identifiers", {"geigersim_" + id}},
                         {"name", "Geiger counter " + id},
                         {"model", kModel},
                         {"sw_version", version}};
    std::vector<MqttMessage> out;
    for (const Entity& e : kEntities) {
        const std::string unique = "geigersim_" + id + "_" + e.key;
        json config = {{"name", e.name},
                       {"unique_id", unique},
                       {"object_id", unique},
                       {"state_topic", MqttStateTopic(id)},
                       {"value_template", e.value},
                       {"availability_topic", MqttAvailabilityTopic(id)},
                       {"device", device}};
        if (e.unit) config["unit_of_measurement"] = e.unit;
        if (e.deviceClass) config["device_class"] = e.deviceClass;
        if (e.stateClass) config["state_class"] = e.stateClass;
        out.push_back({std::string("homeassistant/") + e.component + "/geigersim_" + id + "/" + e.key + "/config",
                       config.dump(), true});
    }
    return out;
}
