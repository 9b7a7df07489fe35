// Decoding the two-byte count reports, the receive buffer's bound, and the
// names and rates a port can be chosen by.

#include <gtest/gtest.h>

#include <vector>

#include "firmware/state.h"
#include "link/host_link.h"
#include "link/real_mode.h"
#include "link/recording_host.h"

namespace {

class CountReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLink();
        fw.realCount = 77;
        SetLinkHost(&host);
        // A reader that runs, without a thread: the test fills the buffer.
        readerRunning = 1;
        readerStopped = 0;
    }
    void TearDown() override {
        readerRunning = 0;
        readerStopped = 1;
        SetLinkHost(nullptr);
    }
    void Pending(std::vector<uint8_t> bytes) { AppendReceived(bytes.data(), int(bytes.size())); }
    int PendingCount() {
        std::lock_guard<std::mutex> lock(rxLock);
        return rxCount;
    }
    RecordingHost host;
};

struct Report {
    uint8_t b0, b1;
    int32_t count;  // -1: ignored, realCount keeps 77
    int layout;     // -1: SetLayout not called
};

TEST_F(CountReportTest, DecodesMarkerOrientationAndFourteenBitCount) {
    const Report cases[] = {
        {129, 44, 300, 0},     // marker, normal
        {44, 129, 300, 0},     // read from its second byte: exchanged
        {192, 5, 5, 1},        // turned
        {191, 255, 16383, 0},  // the largest count
        {128, 0, 0, 0},
        {254, 255, 16383 - 256, 1},
        {255, 16, -1, -1},     // 255 is no report
        {16, 255, -1, -1},     // exchanged into 255 first: still none
        {18, 52, -1, -1},      // no marker at all
    };
    for (const Report& r : cases) {
        SCOPED_TRACE(testing::Message() << int(r.b0) << ", " << int(r.b1));
        fw.realCount = 77;
        host.layouts.clear();
        Pending({r.b0, r.b1});
        DecodeCountReport();
        EXPECT_EQ(fw.realCount, r.count < 0 ? 77 : r.count);
        if (r.layout < 0) EXPECT_TRUE(host.layouts.empty());
        else EXPECT_EQ(host.layouts, std::vector<int>{r.layout});
        EXPECT_EQ(PendingCount(), 0);
    }
}

TEST_F(CountReportTest, LoneByteWaitsAndExtraBytesAreDropped) {
    Pending({129});
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 0);  // no report this second
    EXPECT_EQ(PendingCount(), 1);
    Pending({44});
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 300);

    Pending({128, 10, 128, 12});
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 10);
    EXPECT_EQ(PendingCount(), 0);
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 0);
}

TEST_F(CountReportTest, TimerStopsOnceTheReaderHasStopped) {
    host.timerRunning = true;
    Pending({129, 44});
    readerStopped = 1;
    DecodeCountReport();
    EXPECT_FALSE(host.timerRunning);
    EXPECT_EQ(fw.realCount, 77);  // nothing decoded
    EXPECT_EQ(PendingCount(), 2);

    host.timerRunning = true;
    readerStopped = 0;
    readerRunning = 0;
    DecodeCountReport();
    EXPECT_FALSE(host.timerRunning);
    EXPECT_EQ(fw.realCount, 77);
}

TEST_F(CountReportTest, ReceiveBufferNeverOverflows) {
    std::vector<uint8_t> flood(3000, 0x55);
    EXPECT_EQ(AppendReceived(flood.data(), 3000), 3000);
    EXPECT_EQ(AppendReceived(flood.data(), 3000), 1096);  // only what fits
    EXPECT_EQ(PendingCount(), kRxBufferSize);
    EXPECT_EQ(AppendReceived(flood.data(), 1), 0);
    EXPECT_EQ(AppendReceived(flood.data(), -5), 0);
    EXPECT_EQ(PendingCount(), kRxBufferSize);
    DecodeCountReport();  // 0x55 0x55: no marker, but the buffer is taken
    EXPECT_EQ(PendingCount(), 0);
    Pending({129, 44});
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 300);
}

TEST(PortNames, ComNamesDevicePathsAndRates) {
    EXPECT_EQ(ParsePortName("COM3").portNumber, 3);
    EXPECT_EQ(ParsePortName("COM3").devicePath, "/dev/ttyS2");
    EXPECT_EQ(ParsePortName(" com12 ").devicePath, "/dev/ttyS11");
    EXPECT_EQ(ParsePortName("/dev/ttyS0").portNumber, 1);
    EXPECT_EQ(ParsePortName("/dev/pts/4").portNumber, kDevicePathPortNumber);
    EXPECT_EQ(ParsePortName("/dev/pts/4").devicePath, "/dev/pts/4");
    EXPECT_EQ(ParsePortName("/dev/ttyUSB0").portNumber, kDevicePathPortNumber);
    EXPECT_EQ(ParsePortName("COM0").portNumber, kDevicePathPortNumber);  // no such COM: a name to try
    EXPECT_EQ(ParsePortName("   ").portNumber, 0);

    EXPECT_EQ(RateForIndex(11), 115200);
    EXPECT_EQ(RateForIndex(2), 1200);
    EXPECT_EQ(RateForIndex(1), 300);  // the rate the list shows
    EXPECT_EQ(RateForIndex(6), 14400);
    EXPECT_EQ(RateForIndex(14), 921600);
    EXPECT_EQ(RateForIndex(15), 115200);
    EXPECT_EQ(RateForIndex(-1), 115200);
}

}  // namespace
