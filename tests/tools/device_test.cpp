#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <set>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "geigersim_version.h"
#include "tools/device/device.h"
#include "tools/device/options.h"

namespace fs = std::filesystem;
using namespace geigerdevice;

namespace {

// The receiving side's reading of a report, written from the report format
// independently of the encoder.
struct Decoded {
    bool valid = false;
    uint32_t count = 0;
    bool turned = false;
};

Decoded Decode(uint8_t b0, uint8_t b1) {
    Decoded d;
    if ((b0 & 0x80) == 0 || b0 == 255) return d;
    d.valid = true;
    d.turned = (b0 & 0x40) != 0;
    d.count = (b0 & 0x3Fu) * 256u + b1;
    return d;
}

std::vector<std::string> Parse(CommandParser& parser, const std::string& bytes) {
    std::vector<std::string> commands;
    parser.Feed(bytes, commands);
    return commands;
}

using Strings = std::vector<std::string>;

// ---- report encoding ------------------------------------------------------

TEST(DeviceReport, KnownBytesAndTheClamp) {
    EXPECT_EQ(EncodeCountReport(300, false), (std::array<uint8_t, 2>{129, 44}));
    EXPECT_EQ(EncodeCountReport(5, true), (std::array<uint8_t, 2>{192, 5}));
    EXPECT_EQ(EncodeCountReport(0, false), (std::array<uint8_t, 2>{128, 0}));
    EXPECT_EQ(EncodeCountReport(16383, false), (std::array<uint8_t, 2>{191, 255}));
    EXPECT_EQ(EncodeCountReport(256, true), (std::array<uint8_t, 2>{193, 0}));
    // Above 14 bits: the largest count, never a wrapped one.
    EXPECT_EQ(EncodeCountReport(1000000, false), (std::array<uint8_t, 2>{191, 255}));
    // Turned, 16128 and up would need a first byte of 255.
    EXPECT_EQ(EncodeCountReport(16127, true), (std::array<uint8_t, 2>{254, 255}));
    EXPECT_EQ(EncodeCountReport(16128, true), (std::array<uint8_t, 2>{254, 255}));
}

TEST(DeviceReport, EveryCountDecodesBackInBothOrientations) {
    for (const bool turned : {false, true}) {
        for (uint32_t count = 0; count <= 17000; ++count) {
            const auto bytes = EncodeCountReport(count, turned);
            const Decoded d = Decode(bytes[0], bytes[1]);
            ASSERT_TRUE(d.valid) << count << (turned ? " turned" : "");
            ASSERT_EQ(d.turned, turned) << count;
            ASSERT_EQ(d.count, std::min(count, turned ? 16127u : 16383u)) << count;
        }
    }
}

// ---- command parser -------------------------------------------------------

TEST(DeviceParser, CommandsRunTogetherAndSplitAnywhere) {
    const std::string stream = "<HEARTBEAT1>><KEY2>><POWEROFF>>";
    CommandParser whole;
    EXPECT_EQ(Parse(whole, stream), (Strings{"HEARTBEAT1", "KEY2", "POWEROFF"}));

    // Every split point, including between the two '>'.
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        CommandParser parser;
        Strings got = Parse(parser, stream.substr(0, cut));
        for (const std::string& c : Parse(parser, stream.substr(cut))) got.push_back(c);
        EXPECT_EQ(got, (Strings{"HEARTBEAT1", "KEY2", "POWEROFF"})) << "cut at " << cut;
    }

    CommandParser bytewise;
    Strings got;
    for (const char ch : stream)
        for (const std::string& c : Parse(bytewise, std::string(1, ch))) got.push_back(c);
    EXPECT_EQ(got, (Strings{"HEARTBEAT1", "KEY2", "POWEROFF"}));
}

TEST(DeviceParser, SkipsGarbageBetweenAndInsideCommands) {
    CommandParser parser;
    EXPECT_EQ(Parse(parser, std::string("\r\nAT\0\xff>><KEY1>>>zz<KEY3>>", 25)), (Strings{"KEY1", "KEY3"}));
    EXPECT_EQ(parser.Skipped(), 11u);  // "\r\nAT\0\xff>>", ">", "zz"

    // A '<' inside an unfinished command starts it afresh.
    CommandParser restart;
    EXPECT_EQ(Parse(restart, "<HEART<KEY0>>"), (Strings{"KEY0"}));
    // A single '>' belongs to the text; only ">>" ends a command.
    CommandParser single;
    EXPECT_EQ(Parse(single, "<A>B>>"), (Strings{"A>B"}));
    // An empty command is still a command (the device calls it unknown).
    CommandParser empty;
    EXPECT_EQ(Parse(empty, "<>>"), (Strings{""}));
    // Text without a closing ">>" yields nothing yet.
    CommandParser open;
    EXPECT_TRUE(Parse(open, "<KEY1>").empty());
    EXPECT_EQ(Parse(open, ">"), (Strings{"KEY1"}));
}

TEST(DeviceParser, OverlongCommandIsDroppedAndParsingRecovers) {
    const std::string body29(29, 'A');  // "<" + 29 + ">>" = 32 bytes, the longest
    CommandParser longest;
    EXPECT_EQ(Parse(longest, "<" + body29 + ">>"), (Strings{body29}));

    CommandParser parser;
    EXPECT_TRUE(Parse(parser, "<" + body29 + "A>>").empty());
    EXPECT_EQ(Parse(parser, "<KEY2>>"), (Strings{"KEY2"}));

    // An endless stream without '<' or ">>" never makes a command, and the
    // one after it still parses.
    CommandParser flood;
    EXPECT_TRUE(Parse(flood, "<" + std::string(100000, 'x')).empty());
    EXPECT_EQ(Parse(flood, "<KEY0>>"), (Strings{"KEY0"}));
}

// ---- the device: heartbeat, power and keys -------------------------------

struct DeviceRun {
    Device device;
    Strings log;
    explicit DeviceRun(std::vector<uint32_t> counts, DeviceConfig config = {})
        : device(config, CountSource::Sequence(std::move(counts))) {}

    void Send(const std::string& bytes, int64_t atMs) { device.Receive(bytes, atMs, log); }
    // Advances in 10 ms steps to `toMs`; returns what was sent on the way.
    std::vector<SentReport> RunTo(int64_t fromMs, int64_t toMs) {
        std::vector<SentReport> sent;
        for (int64_t t = fromMs; t <= toMs; t += 10) device.Advance(t, sent);
        return sent;
    }
};

std::vector<uint32_t> Counts(const std::vector<SentReport>& sent) {
    std::vector<uint32_t> counts;
    for (const SentReport& r : sent) counts.push_back(r.count);
    return counts;
}

TEST(DeviceHeartbeat, ReportsOnlyBetweenHeartbeatOnAndOff) {
    DeviceRun run({7, 8, 9});
    EXPECT_TRUE(run.RunTo(0, 5000).empty());  // off at start
    EXPECT_FALSE(run.device.NextReportMs().has_value());

    run.Send("<HEARTBEAT1>>", 5000);
    EXPECT_EQ(run.device.NextReportMs(), 6000);
    std::vector<SentReport> sent;
    run.device.Advance(5990, sent);
    EXPECT_TRUE(sent.empty());  // not before a full second
    sent = run.RunTo(6000, 8500);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].atMs, 6000);
    EXPECT_EQ(sent[1].atMs, 7000);
    EXPECT_EQ(sent[2].atMs, 8000);
    // The sequence starts at the first report.
    EXPECT_EQ(Counts(sent), (std::vector<uint32_t>{7, 8, 9}));
    EXPECT_EQ(sent[0].bytes, EncodeCountReport(7, false));

    run.Send("<HEARTBEAT0>>", 8500);
    EXPECT_TRUE(run.RunTo(8500, 12000).empty());

    run.Send("<HEARTBEAT1>>", 12000);
    run.Send("<HEARTBEAT1>>", 12700);  // already on: the rhythm stays
    EXPECT_EQ(run.device.NextReportMs(), 13000);
    EXPECT_EQ(Counts(run.RunTo(12000, 13000)), (std::vector<uint32_t>{7}));  // wraps round
    EXPECT_EQ(run.log, (Strings{"heartbeat on", "heartbeat off", "heartbeat on", "heartbeat on (already on)"}));
}

TEST(DeviceHeartbeat, FallingBehindSkipsMissedReportsInsteadOfABurst) {
    DeviceRun run({1, 2, 3});
    run.Send("<HEARTBEAT1>>", 0);
    std::vector<SentReport> sent;
    run.device.Advance(5300, sent);  // stopped for five seconds
    run.device.Advance(5300, sent);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(run.device.NextReportMs(), 6300);
    // Slight lateness keeps the original rhythm.
    DeviceRun late({1});
    late.Send("<HEARTBEAT1>>", 0);
    sent.clear();
    late.device.Advance(1004, sent);
    EXPECT_EQ(late.device.NextReportMs(), 2000);
}

// A wandering clock: each report early or late about its own second.
TEST(DeviceHeartbeat, JitterSendsEachReportAboutItsSecond) {
    DeviceRun run({1}, DeviceConfig{false, 0, 400, 14});
    run.Send("<HEARTBEAT1>>", 0);
    const auto sent = run.RunTo(0, 30'500);
    ASSERT_EQ(sent.size(), 30u);
    std::set<int64_t> offsets;
    for (size_t k = 0; k < sent.size(); ++k) offsets.insert(sent[k].atMs - int64_t(k + 1) * 1000);
    EXPECT_TRUE(*offsets.begin() >= -400 && *offsets.begin() < -200) << *offsets.begin();
    EXPECT_TRUE(*offsets.rbegin() <= 410 && *offsets.rbegin() > 200) << *offsets.rbegin();  // RunTo's 10 ms steps
}

TEST(DeviceHeartbeat, PowerOffStopsReportsUntilTheNextHeartbeatOn) {
    DeviceRun run({4});
    run.Send("<HEARTBEAT1>>", 0);
    EXPECT_EQ(run.RunTo(0, 1500).size(), 1u);
    run.Send("<POWEROFF>>", 1500);
    EXPECT_FALSE(run.device.PoweredOn());
    EXPECT_TRUE(run.RunTo(1500, 6000).empty());
    run.Send("<KEY3>><HEARTBEAT0>>", 6000);  // neither switches it on
    EXPECT_FALSE(run.device.PoweredOn());
    EXPECT_TRUE(run.RunTo(6000, 9000).empty());
    run.Send("<HEARTBEAT1>>", 9000);
    EXPECT_TRUE(run.device.PoweredOn());
    EXPECT_EQ(run.RunTo(9000, 10000).size(), 1u);
    EXPECT_EQ(run.log, (Strings{"heartbeat on", "power off: reports stop until the next <HEARTBEAT1>>",
                                "key select (device is off)", "heartbeat off (device is off)",
                                "heartbeat on (device on again)"}));
}

TEST(DeviceCommands, KeysAndUnknownCommandsAreLogged) {
    DeviceRun run({0});
    run.Send("<KEY0>><KEY1>>noise<KEY2>><KEY3>>", 0);
    run.Send("<KEY4>><key1>><KEY12>><HEARTBEAT>><\x01\xC8>>", 0);
    EXPECT_EQ(run.log, (Strings{"key back", "key up", "key down", "key select", "unknown command <KEY4>>",
                                "unknown command <key1>>", "unknown command <KEY12>>",
                                "unknown command <HEARTBEAT>>", "unknown command <\\x01\\xC8>>"}));
    EXPECT_FALSE(run.device.Reporting());  // keys do not start the reports
    EXPECT_EQ(run.device.SkippedBytes(), 5u);
}

TEST(DeviceOrientation, TurnedAndToggledReports) {
    DeviceRun turned({16383, 300}, DeviceConfig{true, 0});
    turned.Send("<HEARTBEAT1>>", 0);
    const auto sent = turned.RunTo(0, 2000);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[0].turned);
    EXPECT_EQ(sent[0].count, 16127u);  // clamped, and said so
    EXPECT_EQ(sent[0].bytes, (std::array<uint8_t, 2>{254, 255}));
    EXPECT_EQ(sent[1].bytes, (std::array<uint8_t, 2>{0xC1, 44}));

    // Flips every 2 s after start: normal on [0, 2 s), turned on [2 s, 4 s)...
    // Reports at 1.5 s, 2.5 s ... 6.5 s.
    DeviceRun toggled({1}, DeviceConfig{false, 2000});
    EXPECT_FALSE(toggled.device.TurnedAt(1999));
    EXPECT_TRUE(toggled.device.TurnedAt(2000));
    EXPECT_TRUE(toggled.device.TurnedAt(3999));
    EXPECT_FALSE(toggled.device.TurnedAt(4000));
    toggled.Send("<HEARTBEAT1>>", 500);
    std::vector<bool> orientation;
    for (const SentReport& r : toggled.RunTo(500, 6600)) orientation.push_back(r.turned);
    EXPECT_EQ(orientation, (std::vector<bool>{false, true, true, false, false, true}));
    // Starting turned, the toggle starts from turned.
    DeviceRun both({1}, DeviceConfig{true, 1000});
    EXPECT_TRUE(both.device.TurnedAt(500));
    EXPECT_FALSE(both.device.TurnedAt(1500));
}

// ---- count sources --------------------------------------------------------

TEST(DeviceCounts, PoissonMeanAndSpreadOverManySeconds) {
    for (const double cpm : {30.0, 600.0}) {
        CountSource source = CountSource::Poisson(cpm, 12345);
        const int seconds = 20000;
        double sum = 0, sumSquares = 0;
        bool varied = false;
        uint32_t first = source.Next();
        sum += first;
        sumSquares += double(first) * first;
        for (int i = 1; i < seconds; ++i) {
            const uint32_t c = source.Next();
            varied |= c != first;
            sum += c;
            sumSquares += double(c) * c;
        }
        const double mean = sum / seconds;
        const double variance = sumSquares / seconds - mean * mean;
        const double expected = cpm / 60.0;
        EXPECT_NEAR(mean, expected, 0.05 * expected) << cpm << " cpm";
        // A Poisson variance equals its mean; a constant or uniform source fails.
        EXPECT_NEAR(variance, expected, 0.15 * expected) << cpm << " cpm";
        EXPECT_TRUE(varied);
    }
}

TEST(DeviceCounts, SeedDecidesTheSequence) {
    auto draw = [](uint32_t seed) {
        CountSource source = CountSource::Poisson(300, seed);
        std::vector<uint32_t> v;
        for (int i = 0; i < 50; ++i) v.push_back(source.Next());
        return v;
    };
    EXPECT_EQ(draw(7), draw(7));
    EXPECT_NE(draw(7), draw(8));

    CountSource zero = CountSource::Poisson(0, 1);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(zero.Next(), 0u);

    CountSource fixed = CountSource::Sequence({3, 0, 16383});
    std::vector<uint32_t> v;
    for (int i = 0; i < 7; ++i) v.push_back(fixed.Next());
    EXPECT_EQ(v, (std::vector<uint32_t>{3, 0, 16383, 3, 0, 16383, 3}));
}

// ---- options --------------------------------------------------------------

bool ParseArgs(std::vector<const char*> args, Options& options, std::string& error) {
    args.insert(args.begin(), "geigersim-device");
    return ParseOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(DeviceOptions, ValuesAreReadInBothForms) {
    Options o;
    std::string error;
    ASSERT_TRUE(ParseArgs({}, o, error)) << error;
    EXPECT_EQ(o.cpm, 30);
    EXPECT_TRUE(o.counts.empty());
    EXPECT_FALSE(o.seed.has_value());

    Options p;
    ASSERT_TRUE(ParseArgs({"--counts", "7,0,16383", "--seed=42", "--turned", "--toggle-turned-every", "2.5",
                           "--duration=0.25", "--link", "/tmp/x", "--log", "l.txt", "-v", "--jitter", "0.3"},
                          p, error))
        << error;
    EXPECT_EQ(p.counts, (std::vector<uint32_t>{7, 0, 16383}));
    EXPECT_EQ(p.seed, 42u);
    EXPECT_TRUE(p.turned);
    EXPECT_EQ(p.toggleTurnedMs, 2500);
    EXPECT_EQ(p.durationMs, 250);
    EXPECT_EQ(p.link, "/tmp/x");
    EXPECT_EQ(p.log, "l.txt");
    EXPECT_TRUE(p.verbose);
    EXPECT_EQ(p.jitterMs, 300);

    Options q;
    ASSERT_TRUE(ParseArgs({"--cpm", "12.5"}, q, error)) << error;
    EXPECT_EQ(q.cpm, 12.5);
}

TEST(DeviceOptions, BadOptionsAreRefusedWithAMessage) {
    const std::vector<std::vector<const char*>> bad = {
        {"--cpm"},          {"--cpm", "-1"},        {"--cpm", "abc"},         {"--cpm", "nan"},
        {"--counts", ""},   {"--counts", "1,,2"},   {"--counts", "16384"},    {"--counts", "1,x"},
        {"--counts", "-1"}, {"--seed", "4294967296"}, {"--duration", "0"},    {"--duration", "-3"},
        {"--toggle-turned-every", "0"}, {"--link", ""}, {"--bogus"},          {"stray"},
        {"--turned=1"},     {"--cpm", "60", "--counts", "1"}, {"--jitter", "0.5"},
    };
    for (const auto& args : bad) {
        Options o;
        std::string error;
        std::string joined;
        for (const char* a : args) joined += std::string(a) + " ";
        EXPECT_FALSE(ParseArgs(args, o, error)) << joined;
        EXPECT_FALSE(error.empty()) << joined;
    }
}

// ---- the real binary ------------------------------------------------------

fs::path DeviceBinary() {
    const char* run = std::getenv("GEIGERSIM_RUN");
    if (run == nullptr) return {};
    return fs::path(run).parent_path() / "geigersim-device";
}

int64_t MsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count();
}

// Reads exactly `n` bytes within `timeoutMs`; returns what arrived.
std::string ReadFor(int fd, size_t n, int64_t timeoutMs) {
    std::string got;
    const auto start = std::chrono::steady_clock::now();
    while (got.size() < n) {
        const int64_t left = timeoutMs - MsSince(start);
        if (left <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buffer[64];
        const ssize_t r = ::read(fd, buffer, std::min(sizeof buffer, n - got.size()));
        if (r > 0) got.append(buffer, static_cast<size_t>(r));
    }
    return got;
}

std::string Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// Waits for the child up to `timeoutMs`; kills it if it is still there.
int WaitExit(pid_t pid, int64_t timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    while (MsSince(start) < timeoutMs) {
        if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -2;
}

struct Child {
    pid_t pid = -1;
    int out = -1;  // its standard output
};

Child Spawn(const fs::path& bin, const std::vector<std::string>& args) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(bin.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ::execv(bin.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    return {pid, pipeFds[0]};
}

std::string ReadLine(int fd, int64_t timeoutMs) {
    std::string line;
    const auto start = std::chrono::steady_clock::now();
    while (MsSince(start) < timeoutMs) {
        const std::string c = ReadFor(fd, 1, timeoutMs - MsSince(start));
        if (c.empty() || c == "\n") break;
        line += c;
    }
    return line;
}

int RunShell(const std::string& command, std::string* out = nullptr) {
    const fs::path file = fs::temp_directory_path() / ("device_test_out_" + std::to_string(::getpid()));
    const int raw = std::system((command + " >'" + file.string() + "' 2>&1").c_str());
    if (out) *out = Slurp(file);
    fs::remove(file);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(DeviceBinary, HelpBadOptionsAndDuration) {
    const fs::path bin = DeviceBinary();
    ASSERT_TRUE(fs::exists(bin)) << "geigersim-device not built next to geigersim-run: " << bin;
    std::string out;
    EXPECT_EQ(RunShell("'" + bin.string() + "' --help", &out), 0);
    EXPECT_NE(out.find("16127"), std::string::npos) << out;  // the clamp is documented
    EXPECT_NE(out.find("--toggle-turned-every"), std::string::npos);
    EXPECT_EQ(RunShell("'" + bin.string() + "' --cpm -5", &out), 2);
    EXPECT_NE(out.find("--cpm"), std::string::npos) << out;
    EXPECT_EQ(RunShell("'" + bin.string() + "' --frobnicate", &out), 2);
    EXPECT_EQ(RunShell("'" + bin.string() + "' --reappear-after 1", &out), 2);  // nothing to reappear from
    EXPECT_NE(out.find("--vanish-after"), std::string::npos) << out;
    EXPECT_EQ(RunShell("'" + bin.string() + "' --version", &out), 0);
    EXPECT_EQ(out, "geigersim-device " GEIGERSIM_VERSION "\n");

    // --duration ends the run by itself, with status 0.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunShell("timeout 10 '" + bin.string() + "' --duration 0.3", &out), 0) << out;
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_EQ(out.rfind("/dev/", 0), 0u) << out;  // the path comes first
}

TEST(DeviceBinary, ServesReportsAndLogsKeysOnItsTerminal) {
    const fs::path bin = DeviceBinary();
    ASSERT_TRUE(fs::exists(bin)) << "geigersim-device not built next to geigersim-run: " << bin;
    const fs::path dir = fs::temp_directory_path() / ("device_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path logPath = dir / "device.log", linkPath = dir / "counter";

    Child child = Spawn(bin, {"--counts", "7,300", "--turned", "--log", logPath.string(), "--link",
                              linkPath.string(), "--duration", "60"});
    ASSERT_GT(child.pid, 0);
    const std::string path = ReadLine(child.out, 5000);
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << "first line: '" << path << "'";
    EXPECT_EQ(fs::read_symlink(linkPath), fs::path(path));

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << path;
    termios tio{};
    ASSERT_EQ(::tcgetattr(fd, &tio), 0);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);  // raw: no echo of the commands
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200));

    // Split across two writes, with noise in front.
    ASSERT_EQ(::write(fd, "xx<HEART", 8), 8);
    ASSERT_EQ(::write(fd, "BEAT1>>", 7), 7);
    const auto start = std::chrono::steady_clock::now();
    const std::string reports = ReadFor(fd, 4, 2500);
    ASSERT_EQ(reports.size(), 4u) << "after " << MsSince(start) << " ms";
    EXPECT_GE(MsSince(start), 1500);  // one a second, not at once
    const Decoded first = Decode(uint8_t(reports[0]), uint8_t(reports[1]));
    const Decoded second = Decode(uint8_t(reports[2]), uint8_t(reports[3]));
    EXPECT_TRUE(first.valid && first.turned);
    EXPECT_EQ(first.count, 7u);
    EXPECT_TRUE(second.valid && second.turned);
    EXPECT_EQ(second.count, 300u);

    ASSERT_EQ(::write(fd, "<KEY2>>", 7), 7);
    std::string log;
    const auto logStart = std::chrono::steady_clock::now();
    while (MsSince(logStart) < 3000 && (log = Slurp(logPath)).find("key down") == std::string::npos)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_NE(log.find("key down"), std::string::npos) << log;
    EXPECT_NE(log.find("heartbeat on"), std::string::npos) << log;

    ::kill(child.pid, SIGTERM);
    EXPECT_EQ(WaitExit(child.pid, 5000), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(linkPath))) << "link left behind";
    EXPECT_NE(Slurp(logPath).find("stopped by SIGTERM"), std::string::npos);
    ::close(fd);
    ::close(child.out);
    fs::remove_all(dir);
}

// Pulled out and plugged back in: the host's side hangs up, then a new
// terminal is at the same link (the end-to-end test talks to it).
TEST(DeviceBinary, VanishesAndReappearsAtTheSameLink) {
    const fs::path bin = DeviceBinary();
    const fs::path dir = fs::temp_directory_path() / ("device_vanish_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path linkPath = dir / "counter";
    Child child = Spawn(bin, {"--link", linkPath.string(), "--vanish-after", "0.6",
                              "--reappear-after", "0.6", "--duration", "30"});
    ASSERT_GT(child.pid, 0);
    const std::string first = ReadLine(child.out, 5000);
    ASSERT_EQ(first.rfind("/dev/", 0), 0u) << first;
    const int fd = ::open(linkPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    EXPECT_NE(p.revents & POLLHUP, 0) << "no hang-up when the counter vanished";
    char byte;
    const ssize_t r = ::read(fd, &byte, 1);
    EXPECT_TRUE(r == 0 || (r < 0 && errno == EIO)) << r;  // end of file or EIO, by terminal mode
    ::close(fd);

    const std::string second = ReadLine(child.out, 5000);
    ASSERT_EQ(second.rfind("/dev/", 0), 0u) << second;
    EXPECT_EQ(fs::read_symlink(linkPath), fs::path(second));
    ::kill(child.pid, SIGTERM);
    EXPECT_EQ(WaitExit(child.pid, 5000), 0);
    ::close(child.out);
    fs::remove_all(dir);
}

}  // namespace
