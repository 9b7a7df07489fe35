// The link at a glance and a line that goes away: the lamp's states, the
// tooltip's counters, the loss of a pseudo-terminal with its notice and the
// retries that pick the counter up again; the count log and the trace.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "firmware/state.h"
#include "link/count_log.h"
#include "link/host_link.h"
#include "link/link_status.h"
#include "link/link_trace.h"
#include "link/pty_device.h"
#include "link/real_mode.h"
#include "link/recording_host.h"
#include "link/serial_port.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

template <class Pred>
bool WaitFor(Pred done, int ms = 3000) {
    for (int i = 0; i < ms / 5; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

int Pending() {
    std::lock_guard<std::mutex> lock(rxLock);
    return rxCount;
}

TEST(LinkLamp, StatesFollowModeLineAndReportAge) {
    LinkStatus s;
    EXPECT_EQ(StateOf(0, true, s, 0), LinkState::Off);
    EXPECT_EQ(StateOf(1, true, s, 0), LinkState::Quiet);  // open, nothing yet
    s.lastReportMs = 10'000;
    EXPECT_EQ(StateOf(1, true, s, 12'499), LinkState::Receiving);
    EXPECT_EQ(StateOf(1, true, s, 12'500), LinkState::Quiet);
    EXPECT_EQ(StateOf(1, false, s, 10'001), LinkState::Lost);  // the chosen port did not open
    s.lost = true;
    EXPECT_EQ(StateOf(1, true, s, 10'001), LinkState::Lost);
    EXPECT_EQ(StateOf(0, false, s, 10'001), LinkState::Off);

    s = LinkStatus{};
    s.path = "/dev/serial/by-id/usb-x";
    s.rate = 9600;
    s.reports = 12;
    s.ignoredPairs = 3;
    s.droppedBytes = 4000;
    s.lastReportMs = 1000;
    EXPECT_EQ(DescribeLink(LinkState::Quiet, s, 8500),
              "/dev/serial/by-id/usb-x at 9600 bit/s\nReports received: 12\nPairs ignored: 3\n"
              "Bytes dropped: 4000\nLast valid report: 7 s ago");
    s.lost = true;
    s.lastReportMs = -1;
    const std::string lost = DescribeLink(LinkState::Lost, s, 8500);
    EXPECT_NE(lost.find("(disconnected, retrying)"), std::string::npos) << lost;
    EXPECT_NE(lost.find("Last valid report: none"), std::string::npos) << lost;
}

class LinkLossTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLink();
        fw.realCount = 0;
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
    auto first = std::make_unique<PtyDevice>();
    ASSERT_TRUE(first->ok());
    const fs::path name = dir / "usb-counter";
    Point(name, *first);
    PortSettings chosen;
    chosen.devicePath = name.string();
    chosen.rateIndex = 5;  // 9600
    ChooseOtherPort(chosen);
    ASSERT_EQ(first->Read(13), "<HEARTBEAT1>>");
    first->Write({129, 44, 0x12, 0x34});
    ASSERT_TRUE(WaitFor([] { return Pending() == 4; }));
    DecodeCountReport();
    first->Write({0x12, 0x34});  // no marker: ignored
    ASSERT_TRUE(WaitFor([] { return Pending() == 2; }));
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 300);
    const int64_t t0 = LinkClockMs();
    EXPECT_EQ(CurrentLinkState(t0), LinkState::Receiving);

    first->Vanish();
    ASSERT_TRUE(WaitFor([] { return readerStopped == 1; })) << "the reader did not leave on hang-up";
    EXPECT_EQ(lineLostByReader.load(), 1);
    DecodeCountReport();  // a tick before the watch noticed: no stale count
    EXPECT_EQ(fw.realCount, 0);
    fw.realCount = 300;
    ServiceLink(t0);
    ASSERT_EQ(host.notices, std::vector<std::string>{"Counter disconnected: " + name.string()});
    EXPECT_TRUE(host.messages.empty());  // nothing modal
    EXPECT_FALSE(serialPort.IsOpen());
    EXPECT_EQ(fw.realCount, 0);
    EXPECT_EQ(realMode, 1);
    EXPECT_EQ(CurrentLinkState(t0), LinkState::Lost);
    ServiceLink(t0 + 500);  // nothing there yet, and not yet a second
    EXPECT_EQ(host.notices.size(), 1u);

    PtyDevice second;
    ASSERT_TRUE(second.ok());
    Point(name, second);
    ServiceLink(t0 + 999);
    EXPECT_FALSE(serialPort.IsOpen());
    ServiceLink(t0 + 1000);
    ASSERT_TRUE(serialPort.IsOpen());
    EXPECT_EQ(serialPort.DevicePath(), name.string());  // the stable name, not the pts behind it
    EXPECT_EQ(second.Read(13), "<HEARTBEAT1>>");
    EXPECT_TRUE(host.timerRunning);
    EXPECT_EQ(CurrentLinkState(LinkClockMs()), LinkState::Quiet);
    second.Write({192, 5});
    ASSERT_TRUE(WaitFor([] { return Pending() == 2; }));
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 5);
    EXPECT_EQ(CurrentLinkState(LinkClockMs()), LinkState::Receiving);
    const LinkStatus s = CurrentLinkStatus();
    EXPECT_EQ(s.reports, 2u);  // kept over the reconnection
    EXPECT_EQ(s.ignoredPairs, 1u);
    EXPECT_EQ(s.rate, 9600);

    // "Demo Mode" ends the retries.
    second.Vanish();
    ASSERT_TRUE(WaitFor([] { return readerStopped == 1; }));
    ServiceLink(t0 + 2000);
    EXPECT_EQ(host.notices.size(), 2u);
    ChooseDemoMode();
    PtyDevice third;
    Point(name, third);
    ServiceLink(t0 + 10'000);
    EXPECT_FALSE(serialPort.IsOpen());
    EXPECT_EQ(third.Read(0, 50), "");
    EXPECT_EQ(CurrentLinkState(t0 + 10'000), LinkState::Off);
}

TEST_F(LinkLossTest, FullBufferCountsTheBytesItDrops) {
    std::vector<uint8_t> flood(kRxBufferSize + 100, 0x81);
    EXPECT_EQ(AppendReceived(flood.data(), int(flood.size())), kRxBufferSize);
    EXPECT_EQ(AppendReceived(flood.data(), 7), 0);
    EXPECT_EQ(CurrentLinkStatus().droppedBytes, 107u);
}

TEST_F(LinkLossTest, CountLogHasAHeaderOnceAndALinePerReportWithTheCpmAfterIt) {
    const fs::path csv = dir / "c.csv";
    std::string error;
    ASSERT_TRUE(StartCountLog(csv.string(), error)) << error;
    NoteCountForLog(7, false);
    NoteCountForLog(300, true);
    EXPECT_EQ(Slurp(csv), kCountLogHeader);  // waits for the firmware's second
    fw.cpm = 42;
    CountLogAfterSecond();
    CountLogAfterSecond();  // nothing new
    StopCountLog();
    ASSERT_TRUE(StartCountLog(csv.string(), error)) << error;  // appends, no second header
    NoteCountForLog(16383, false);
    CountLogAfterSecond();
    StopCountLog();

    std::istringstream lines(Slurp(csv));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line + "\n", kCountLogHeader);
    const std::regex row(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,(\d+),([01]),(\d+))");
    std::vector<std::string> rows;
    while (std::getline(lines, line)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, row)) << line;
        rows.push_back(m[1].str() + "," + m[2].str() + "," + m[3].str());
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"7,0,42", "300,1,42", "16383,0,42"}));

    EXPECT_FALSE(StartCountLog((dir / "no" / "such.csv").string(), error));
    EXPECT_NE(error.find("no/such.csv: "), std::string::npos) << error;
}

TEST_F(LinkLossTest, FailedLogWriteStopsTheLogWithANotice) {
    ::signal(SIGPIPE, SIG_IGN);
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int readEnd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);
    std::string error;
    ASSERT_TRUE(StartCountLog(fifo.string(), error)) << error;
    ::close(readEnd);  // now every write fails
    NoteCountForLog(1, false);
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
    std::vector<uint8_t> many(20, 0x55);
    d.Write(many);
    ASSERT_TRUE(WaitFor([] { return Pending() == 20; }));
    ShutdownLink();
    StopLinkTrace();
    const std::string text = Slurp(trace);
    EXPECT_NE(text.find(" sent 3C 48 45 41 52 54 42 45 41 54 31 3E 3E" + std::string(10, ' ') + "|<HEARTBEAT1>>|"),
              std::string::npos)
        << text;
    // Received bytes in lines of 16, then the rest.
    size_t recv = 0, bytesSeen = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find(" recv ");
        if (at == std::string::npos) continue;
        ++recv;
        bytesSeen += size_t(std::count(line.begin(), line.end(), 'U'));
    }
    EXPECT_EQ(bytesSeen, 20u) << text;
    EXPECT_GE(recv, 2u);
    EXPECT_NE(text.find("opened " + d.path()), std::string::npos);
}

}  // namespace
