// Decoding the two-byte count reports, the queue that hands them to the
// firmware one a second and keeps noise out, the receive buffer's bound, and
// the names and rates a port can be chosen by.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "firmware/state.h"
#include "serial/link_status.h"
#include "serial/real_mode.h"
#include "serial/recording_host.h"
#include "serial/remote_control.h"
#include "serial/report_queue.h"

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
    // Bytes that arrive afterMs after the previous ones (a second by default).
    void Pending(std::vector<uint8_t> bytes, int64_t afterMs = 1000) {
        clock += afterMs;
        AppendReceived(bytes.data(), int(bytes.size()), clock);
    }
    // One report timer event: the count the firmware's second gets.
    int32_t Tick() {
        DecodeCountReport();
        return fw.realCount;
    }
    int PendingCount() {
        std::lock_guard<std::mutex> lock(rxLock);
        return rxCount;
    }
    RecordingHost host;
    int64_t clock = LinkClockMs();
};

struct Report {
    uint8_t b0, b1;
    int32_t count;  // -1: ignored, no count this second
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
        EXPECT_EQ(fw.realCount, std::max(r.count, 0));
        if (r.layout < 0) EXPECT_TRUE(host.layouts.empty());
        else EXPECT_EQ(host.layouts, std::vector<int>{r.layout});
        EXPECT_EQ(PendingCount(), 0);
    }
}

// Every report pending at a tick reaches the firmware, one a second and in
// order, even once the line is gone; a lone byte waits for its partner,
// unless it waited so long that it was a stray.
TEST_F(CountReportTest, EveryPendingReportIsHandedOverInTurn) {
    Pending({129});
    EXPECT_EQ(Tick(), 0);  // no report this second
    EXPECT_EQ(PendingCount(), 1);
    Pending({44}, 20);
    Pending({128, 10, 128, 12});
    EXPECT_EQ(Tick(), 300);
    EXPECT_EQ(Tick(), 10);
    Pending({7});
    Pending({129, 44});
    readerStopped = 1;
    host.timerRunning = true;
    EXPECT_EQ(Tick(), 12);
    EXPECT_EQ(Tick(), 300);
    EXPECT_TRUE(host.timerRunning);
    EXPECT_EQ(Tick(), 0);
    EXPECT_FALSE(host.timerRunning);
    EXPECT_EQ(CurrentLinkStatus().droppedBytes, 1u);  // the stray
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

// The queue's rules on their own, then a megabyte of noise through the
// receive buffer: none of it reaches the firmware, and real reports do again
// once it has passed.
TEST_F(CountReportTest, QueueFoldsAndNoiseStaysOut) {
    ReportQueue q;
    uint64_t taken = 0;
    for (uint64_t seq = 1; seq <= 6; ++seq) q.Push(uint32_t(seq * 10), seq);
    EXPECT_EQ(q.Waiting(), ReportQueue::kMaxWaiting);
    EXPECT_EQ(q.Take(taken), 10u + 20u + 30u);  // folded twice: nothing lost
    EXPECT_EQ(taken, 3u);
    ReportQueue full;
    for (uint64_t seq = 1; seq <= 5; ++seq) full.Push(ReportQueue::kMaxCount, seq);
    EXPECT_EQ(full.Take(taken), ReportQueue::kMaxCount);
    // Two together in the first seconds (one came late) count; twelve in ten seconds do not.
    const int64_t early[] = {1000, 1050, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10500, 10700};
    EXPECT_TRUE(q.Admit(early, 2));
    EXPECT_TRUE(q.Admit(early + 2, 9));
    const int64_t twelfth = 10900;
    EXPECT_FALSE(q.Admit(&twelfth, 1));
    const int64_t soonAfter = 11800, secondAfter = 12800;  // counted from the noise's end
    EXPECT_FALSE(q.Admit(&soonAfter, 1));
    EXPECT_TRUE(q.Admit(&secondAfter, 1));

    std::mt19937 random(14);
    std::vector<uint8_t> chunk(kRxBufferSize);
    int64_t handed = 0;
    for (int s = 0; s < 25; ++s) {
        Pending({129, uint8_t(s)});
        for (int k = 0; s == 5 && k < 256; ++k) {
            TakeReceivedReports();  // as the watch does, then the reader hands 4 KiB more
            for (uint8_t& b : chunk) b = uint8_t(random());
            AppendReceived(chunk.data(), int(chunk.size()), clock + 300);
        }
        handed += Tick();
    }
    // All but the report 0.7 s after the noise, too soon to tell from it.
    EXPECT_EQ(handed, 25 * 256 + 24 * 25 / 2 - (256 + 6));
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
