// The link at a glance and a line that goes away: the lamp's states, the
// loss of a pseudo-terminal with its notice and the retries that pick the
// counter up again; the count log and the trace.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "firmware/state.h"
#include "serial/count_log.h"
#include "serial/link_status.h"
#include "serial/link_trace.h"
#include "serial/link_wait.h"
#include "serial/pty_device.h"
#include "serial/real_mode.h"
#include "serial/recording_host.h"
#include "serial/remote_control.h"
#include "serial/serial_port.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
    std::stringstream s;
    s << std::ifstream(p).rdbuf();
    return s.str();
}

TEST(LinkLamp, StatesFollowModeLineAndReportAge) {
    LinkStatus s;
    EXPECT_EQ(StateOf(0, true, s, 0), LinkState::Off);
    EXPECT_EQ(StateOf(1, true, s, 0), LinkState::Quiet);  // open, nothing yet
    s.lastReportMs = 10'000;
    EXPECT_EQ(StateOf(1, true, s, 12'499), LinkState::Receiving);
    EXPECT_EQ(StateOf(1, true, s, 12'500), LinkState::Quiet);
    EXPECT_EQ(StateOf(1, false, s, 10'001), LinkState::Lost);
    s.lost = true;
    EXPECT_EQ(StateOf(0, false, s, 10'001), LinkState::Off);
}

class LinkLossTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLink();
        SetLinkHost(&host);
        dir = fs::temp_directory_path() / ("link_status_test_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        ResetLink();
        StopCountLog();
        StopLinkTrace();
        SetLinkHost(nullptr);
        fs::remove_all(dir);
    }
    // The counter's stable name, as /dev/serial/by-id gives one.
    void Point(const fs::path& link, const PtyDevice& d) {
        fs::remove(link);
        fs::create_symlink(d.path(), link);
    }
    RecordingHost host;
    fs::path dir;
};

TEST_F(LinkLossTest, LostLineIsClosedAnnouncedRetriedAndPickedUpAgain) {
    PtyDevice first;
    const fs::path name = dir / "usb-counter";
    Point(name, first);
    PortSettings chosen;
    chosen.devicePath = name.string();
    chosen.rateIndex = 5;  // 9600
    ChooseOtherPort(chosen);
    ASSERT_EQ(first.Read(13), "<HEARTBEAT1>>");
    first.Write({0x12, 0x34});  // no marker: ignored
    ASSERT_TRUE(WaitFor([] { return Pending(2); }));
    DecodeCountReport();
    const int64_t t0 = LinkClockMs();
    EXPECT_EQ(CurrentLinkState(t0), LinkState::Quiet);

    // A report received just before the cable goes: it still counts.
    first.Write({130, 1});
    ASSERT_TRUE(WaitFor([] { return Pending(2); }));
    first.Vanish();
    ASSERT_TRUE(WaitFor([] { return readerStopped == 1; })) << "the reader did not leave on hang-up";
    ServiceLink(t0);
    ASSERT_EQ(host.notices, std::vector<std::string>{"Counter disconnected: " + name.string()});
    EXPECT_TRUE(host.messages.empty());  // nothing modal
    EXPECT_FALSE(serialPort.IsOpen());
    EXPECT_EQ(CurrentLinkState(t0), LinkState::Lost);
    EXPECT_TRUE(host.timerRunning);  // to hand over what came before the loss
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 512 + 1);
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 0);  // then nothing while the line is gone
    EXPECT_FALSE(host.timerRunning);

    PtyDevice second;
    Point(name, second);
    ServiceLink(t0 + 999);
    EXPECT_FALSE(serialPort.IsOpen());  // once a second
    ServiceLink(t0 + 1000);
    EXPECT_EQ(serialPort.DevicePath(), name.string());  // the stable name, not the pts behind it
    EXPECT_EQ(second.Read(13), "<HEARTBEAT1>>");
    EXPECT_TRUE(host.timerRunning);
    EXPECT_EQ(host.notices.size(), 1u);  // nothing more until reports flow
    second.Write({192, 5});
    ASSERT_TRUE(WaitFor([] { return Pending(2); }));
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 5);
    EXPECT_EQ(host.notices.back(), "Counter reconnected: " + name.string());
    EXPECT_EQ(CurrentLinkState(LinkClockMs()), LinkState::Receiving);
    const LinkStatus s = CurrentLinkStatus();
    EXPECT_EQ(s.reports, 2u);  // kept over the reconnection
    EXPECT_EQ(s.ignoredPairs, 1u);
    EXPECT_EQ(DescribeLink(LinkState::Receiving, s, s.lastReportMs + 7400),
              name.string() + " at 9600 bit/s\nReports received: 2\nPairs ignored: 1\n"
                              "Bytes dropped: 0\nLast valid report: 7 s ago");

    // "Demo Mode" ends the retries.
    second.Vanish();
    ASSERT_TRUE(WaitFor([] { return readerStopped == 1; }));
    ServiceLink(t0 + 2000);
    ChooseDemoMode();
    PtyDevice third;
    Point(name, third);
    ServiceLink(t0 + 10'000);
    EXPECT_FALSE(serialPort.IsOpen());
    EXPECT_EQ(host.notices.size(), 3u);
}

TEST_F(LinkLossTest, FullBufferCountsTheBytesItDrops) {
    std::vector<uint8_t> flood(kRxBufferSize + 100, 0x81);
    EXPECT_EQ(AppendReceived(flood.data(), int(flood.size())), kRxBufferSize);
    EXPECT_EQ(CurrentLinkStatus().droppedBytes, 100u);
}

// The log's lines: a header once, each report with the CPM, alarm and dose
// of the second that took it, whether the device counted it, and a line for
// a second's noise; a daily name writes today's file.
TEST_F(LinkLossTest, CountLogHasAHeaderOnceAndALinePerReportWithTheCpmAfterIt) {
    const fs::path csv = dir / "c-%Y-%m-%d.csv";
    std::string error;
    ASSERT_TRUE(StartCountLog(csv.string(), error)) << error;
    EXPECT_EQ(CountLogPath(), CountLogFileName(csv.string(), std::time(nullptr)));
    EXPECT_EQ(CountLogFileName("/l/%Y-%m-%d/c-%Y-%m-%d.csv", 1772884800), "/l/2026-03-07/c-2026-03-07.csv");
    NoteCountForLog(7, false, 1);
    NoteCountForLog(300, true, 2);
    NoteCountForLog(5, false, 3);
    NoteCountsTaken(0, true);
    CountLogAfterSecond();
    EXPECT_EQ(Slurp(CountLogPath()), kCountLogHeader);  // waits for the firmware's second that takes it
    fw.cpm = 42;
    fw.doseRate = 36.0f;  // 0.01 uSv a second
    fw.alarmOn = 1;
    fw.alarmUnit = 0;
    fw.alarmLevelCpm = 40;  // reached
    NoteCountsTaken(2, true);
    NoteNoiseForLog(3);
    CountLogAfterSecond();
    fw.cpm = 47;
    StopCountLog();  // what still waits is written as the log stops, not counted
    ASSERT_TRUE(StartCountLog(csv.string(), error)) << error;  // appends, no second header
    NoteCountForLog(16383, false, 4);
    NoteCountsTaken(4, false);  // the device still off
    CountLogAfterSecond();
    const std::string written = CountLogPath();
    StopCountLog();
    const std::regex row(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,(\d+,[01],\d+,[01],[01]),(\d+\.\d{6}),(\d+))");
    std::istringstream lines(Slurp(written).substr(std::string(kCountLogHeader).size()));
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, row)) << line;
        rows.push_back(m[1].str() + " " + m[2].str() + " " + m[3].str());
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"7,0,42,1,1 0.010000 0", "300,1,42,1,1 0.010000 0",
                                              "0,0,42,0,0 0.010000 3", "5,0,47,0,0 0.010000 0",
                                              "16383,0,47,0,0 0.000000 0"}));
    EXPECT_FALSE(StartCountLog((dir / "no" / "c.csv").string(), error));

    // A write that fails stops the log with a notice.
    ::signal(SIGPIPE, SIG_IGN);
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int readEnd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_TRUE(StartCountLog(fifo.string(), error)) << error;
    ::close(readEnd);
    NoteCountForLog(1, false, 5);
    NoteCountsTaken(5, true);
    CountLogAfterSecond();
    EXPECT_FALSE(CountLogActive());
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].rfind("Count log stopped: " + fifo.string() + ": ", 0), 0u) << host.notices[0];
}

TEST_F(LinkLossTest, TraceHoldsEveryByteBothWays) {
    const uint8_t bytes[] = {0x3C, 0x00, 0x41, 0xFF};
    EXPECT_EQ(TraceLine("T", TraceDirection::Received, bytes, 4),
              "T recv 3C 00 41 FF" + std::string(37, ' ') + "|<.A.|\n");
    const fs::path trace = dir / "trace.txt";
    std::string error;
    ASSERT_TRUE(StartLinkTrace(trace.string(), error)) << error;
    PtyDevice d;
    PortSettings chosen;
    chosen.devicePath = d.path();
    ChooseOtherPort(chosen);
    ASSERT_EQ(d.Read(13), "<HEARTBEAT1>>");
    d.Write(std::vector<uint8_t>(20, 'U'));
    ASSERT_TRUE(WaitFor([] { return Pending(20); }));
    StopLinkTrace();
    const std::string text = Slurp(trace);
    EXPECT_NE(text.find(" sent 3C 48 45 41 52 54 42 45 41 54 31 3E 3E" + std::string(10, ' ') + "|<HEARTBEAT1>>|"),
              std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), 'U'), 20) << text;  // in lines of at most 16
}

}  // namespace
