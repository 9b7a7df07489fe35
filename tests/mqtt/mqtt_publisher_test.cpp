// The MQTT feed's inputs and its state message: broker addresses, the login
// file (what a start must refuse), device ids, and the run's totals as the
// state carries them. The broker's side is tests/app/mqtt_end_to_end_test.sh.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "mqtt/mqtt_publisher.h"

namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("mqtt_test." + std::to_string(getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary) << text;
        return (path / name).string();
    }
};

}  // namespace

TEST(MqttOptions, BrokerAddresses) {
    struct Case {
        const char* url;
        const char* host;  // null: refused
        int port;
        bool tls;
    };
    const Case cases[] = {
        {"mqtt://broker.local", "broker.local", 1883, false}, {"mqtts://h:8884/", "h", 8884, true},
        {"mqtts://h", "h", 8883, true},        {"mqtt://[::1]:65535", "::1", 65535, false},
        {"mqtt://h:0", nullptr, 0, false},     {"mqtt://h:65536", nullptr, 0, false},
        {"mqtt://h:", nullptr, 0, false},      {"http://h", nullptr, 0, false},
        {"mqtt://", nullptr, 0, false},        {"mqtt://user:pw@h", nullptr, 0, false},
        {"mqtt://h/topic", nullptr, 0, false}, {"mqtt://::1", nullptr, 0, false},
    };
    for (const Case& c : cases) {
        MqttSettings s;
        std::string error;
        const bool ok = ParseMqttUrl(c.url, s, error);
        ASSERT_EQ(ok, c.host != nullptr) << c.url << ": " << error;
        if (!ok) {
            EXPECT_EQ(error.rfind(std::string("--mqtt '") + c.url + "': ", 0), 0u) << error;
            continue;
        }
        EXPECT_EQ(s.host, c.host) << c.url;
        EXPECT_EQ(s.port, c.port) << c.url;
        EXPECT_EQ(s.tls, c.tls) << c.url;
    }
}

TEST(MqttOptions, LoginFile) {
    TempDir dir;
    MqttSettings s;
    std::string error;
    ASSERT_TRUE(ReadMqttAuth(dir.Write("a", "geiger\r\ns3cret pass\r\n"), s, error)) << error;
    EXPECT_EQ(s.user, "geiger");
    EXPECT_EQ(s.password, "s3cret pass");
    ASSERT_TRUE(ReadMqttAuth(dir.Write("b", "only-user"), s, error)) << error;
    EXPECT_EQ(s.password, "");

    const std::string fifo = (dir.path / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string refused[] = {
        dir.Write("empty", ""), dir.Write("three", "u\np\nmore\n"), dir.Write("big", std::string(5000, 'x')),
        (dir.path / "missing").string(), dir.path.string(), fifo};
    for (const std::string& path : refused) {
        error.clear();
        EXPECT_FALSE(ReadMqttAuth(path, s, error)) << path;
        EXPECT_EQ(error.rfind("--mqtt-auth '", 0), 0u) << error;
    }
}

TEST(MqttOptions, DeviceIds) {
    EXPECT_TRUE(ValidMqttId("usb-FTDI_A10K-if00"));
    for (const std::string& id : std::vector<std::string>{"", "a/b", "a+", "#", std::string(65, 'a')})
        EXPECT_FALSE(ValidMqttId(id)) << id;
    EXPECT_EQ(MqttIdForPort(""), "");
    EXPECT_EQ(MqttIdForPort("/nowhere/usb-My Counter:1.0"), "usb-My_Counter_1_0");
    EXPECT_TRUE(ValidMqttId(MqttIdForPort("/nowhere/" + std::string(80, '#') + "-serial42")));
}

// The totals a sample carries: counts and dose of every second but the
// lost ones, kept by the history and sent in the state.
TEST(MqttState, CarriesTheSecondAndTheRunsTotals) {
    RateHistory history;
    auto add = [&](int32_t count, float doseRate, bool lost) {
        RateSample s;
        s.time = 1'700'000'000;
        s.realMode = true;
        s.count = count;
        s.cpm = 42;
        s.doseRate = doseRate;
        s.lineLost = lost;
        history.Add(s);
    };
    add(3, 0.36f, false);
    add(0, 7.2f, true);
    add(5, 0.72f, false);
    const nlohmann::json state = nlohmann::json::parse(MqttStateJson(history.Newest()));
    EXPECT_EQ(state["count"], 5);
    EXPECT_DOUBLE_EQ(state["dose_rate"].get<double>(), 0.72);
    EXPECT_EQ(state["total_count"], 8);
    EXPECT_DOUBLE_EQ(state["dose"].get<double>(), 0.0003);  // (0.36 + 0.72) / 3600
    EXPECT_EQ(state["line"], "connected");
    history.Clear();
    add(2, 0.0f, false);
    EXPECT_EQ(history.Newest().totalCount, 2u);
}
