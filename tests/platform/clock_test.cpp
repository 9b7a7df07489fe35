#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// Each test may move the snapshot; the one taken at program start is put
// back afterwards so the start-up value can be checked in any order.
class ClockTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = rtcSnapshot; }
    void TearDown() override {
        RtcSetSnapshot(saved_);
        RandomSetSeedOverride(false, 0);
    }
    std::time_t saved_ = 0;
};

TEST_F(ClockTest, SnapshotIsTakenAtProgramStart) {
    const std::time_t now = std::time(nullptr);
    EXPECT_GT(rtcSnapshot, 0);
    EXPECT_LE(rtcSnapshot, now);
    EXPECT_GT(rtcSnapshot, now - 600);
}

TEST_F(ClockTest, FieldsOfAFixedSnapshotNeverAdvance) {
    RtcSetSnapshot(LocalTime(2026, 12, 31, 23, 59, 58));
    for (int read = 0; read < 2; ++read) {
        EXPECT_EQ(RtcYear(), 26);
        EXPECT_EQ(RtcMonth(), 12);
        EXPECT_EQ(RtcDay(), 31);
        EXPECT_EQ(RtcHour(), 23);
        EXPECT_EQ(RtcMinute(), 59);
        EXPECT_EQ(RtcSecond(), 58);
    }

    RtcSetSnapshot(LocalTime(2000, 1, 2, 0, 0, 7));
    EXPECT_EQ(RtcYear(), 0);  // the year the firmware treats as "clock not set"
    EXPECT_EQ(RtcMonth(), 1);
    EXPECT_EQ(RtcDay(), 2);
    EXPECT_EQ(RtcHour(), 0);
    EXPECT_EQ(RtcSecond(), 7);
}

TEST_F(ClockTest, SeedOverrideAndTimeSeed) {
    RandomSetSeedOverride(true, 1234);
    EXPECT_EQ(RandomSeedNow(), 1234u);
    RandomSetSeedOverride(false, 1234);
    const unsigned before = static_cast<unsigned>(std::time(nullptr));
    const unsigned seed = RandomSeedNow();
    const unsigned after = static_cast<unsigned>(std::time(nullptr));
    EXPECT_GE(seed, before);
    EXPECT_LE(seed, after);
}

TEST_F(ClockTest, BatteryAndTemperatureReadFixedValues) {
    for (int read = 0; read < 3; ++read) {
        EXPECT_EQ(ReadBatteryLevel(), 85);
        uint8_t whole = 0;
        uint8_t tenths = 0;
        EXPECT_EQ(ReadTemperature(&whole, &tenths), 0);
        EXPECT_EQ(whole, 25);
        EXPECT_EQ(tenths, 1);
    }
}

}  // namespace

// The demo counts' generator is glibc's rand, so the runner, the window and
// the web page (another C library) draw the same counts for a seed.
TEST(RandomTest, DrawsWhatTheCLibraryDraws) {
#ifdef __GLIBC__
    for (unsigned seed : {0u, 1u, 7u, 1741338330u, 0x80000005u, 0xFFFFFFFFu}) {
        std::srand(seed);
        RandomSeed(seed);
        for (int i = 0; i < 1000; ++i) ASSERT_EQ(RandomNext(), std::rand()) << "seed " << seed << ", draw " << i;
    }
#else
    GTEST_SKIP() << "the reference is glibc's rand";
#endif
}
