#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "firmware/dataflash.h"
#include "firmware/device_harness.h"
#include "firmware/flash_record.h"

namespace {

uint32_t Written() { return FlashWriteAddress(); }

std::vector<uint8_t> Bytes(uint32_t from, uint32_t to) {
    return std::vector<uint8_t>(FlashWriteArea + from, FlashWriteArea + to);
}

bool IsStampAt(uint32_t at) { return IsTimeStampAt(FlashWriteArea + at); }

// Device running, logging from write address 0, every slot holding `perSecond`.
void StartLogging(uint32_t mode, int32_t perSecond) {
    harness::Start();
    fw.saveMode = mode;
    fw.uptimeMinutes = 1;
    fw.uptimeSeconds = 1;
    for (int32_t& s : fw.secondCounts) s = perSecond;
}

// Advances the running time the way the tick does, then logs.
void LogSecond() {
    if (++fw.uptimeSeconds > 59) {
        fw.uptimeSeconds = 0;
        if (++fw.uptimeMinutes > 59) fw.uptimeMinutes = 0;
    }
    LogData();
}

}  // namespace

// 0x55 alone would read as a marker, and 0xFFFF as no value: both go into
// records a reader takes back as the count written.
TEST(LogData, CountRecords) {
    const int32_t counts[] = {5, 0x54, 0x55, 0x56, 255, 256, 300, 0xFFFE, 0xFFFF, 70000, -1};
    const std::vector<std::vector<uint8_t>> expected = {
        {5}, {0x54}, {0x55, 0xAA, 1, 0, 0x55}, {0x56}, {255}, {0x55, 0xAA, 1, 1, 0}, {0x55, 0xAA, 1, 1, 0x2C},
        {0x55, 0xAA, 1, 0xFF, 0xFE}, {0x55, 0xAA, 1, 0xFF, 0xFE}, {0x55, 0xAA, 1, 0xFF, 0xFE}, {0}};
    for (size_t i = 0; i < expected.size(); ++i) {
        StartLogging(1, 0);
        fw.secondCounts[59] = counts[i];
        LogData();
        EXPECT_EQ(Bytes(0, Written()), expected[i]) << counts[i];
    }
}

TEST(LogData, EverySecondStampsEveryThreeMinutes) {
    StartLogging(1, 1);
    fw.uptimeMinutes = 2;
    fw.uptimeSeconds = 58;
    LogSecond();  // 2:59
    EXPECT_EQ(Written(), 1u);
    LogSecond();  // 3:00: the count, then the stamp
    EXPECT_EQ(Written(), 14u);
    EXPECT_TRUE(IsStampAt(2));
    EXPECT_EQ(FlashWriteArea[13], 1) << "stamp carries the save mode";

    std::strcpy(fw.note, "\x02" "Hi");
    fw.uptimeMinutes = 5;
    fw.uptimeSeconds = 59;
    LogSecond();  // 6:00, now with the note record
    EXPECT_EQ(Written(), 14u + 1 + 12 + 6);
}

TEST(LogData, EveryMinuteWritesTheMinuteSum) {
    StartLogging(2, 2);  // 120 counts a minute
    for (int i = 0; i < 59; ++i) LogData();
    EXPECT_EQ(Written(), 0u);
    LogData();
    EXPECT_EQ(Bytes(0, Written()), (std::vector<uint8_t>{120}));
    for (int i = 60; i < 3599; ++i) LogData();
    EXPECT_EQ(Written(), 59u);
    LogData();  // 3600: stamp before this minute's count
    EXPECT_TRUE(IsStampAt(59));
    EXPECT_EQ(FlashWriteArea[71], 120);
    EXPECT_EQ(Written(), 72u);
}

TEST(LogData, EveryHourWritesTheAverageAfterAnHour) {
    StartLogging(3, 5);  // 300 counts a minute
    for (int i = 0; i < 3600; ++i) LogData();
    EXPECT_EQ(Written(), 0u);
    EXPECT_EQ(fw.logHourSum, 60u * 300u);
    LogData();
    // (60 minute sums + the current one) / 60 = 305
    EXPECT_EQ(Bytes(0, 5), (std::vector<uint8_t>{0x55, 0xAA, 1, 0x01, 0x31}));
    EXPECT_TRUE(IsStampAt(5));
    EXPECT_EQ(fw.logSeconds, 0u);
    EXPECT_EQ(fw.logHourSum, 0u);
}

TEST(LogData, ThresholdEverySecond) {
    StartLogging(4, 0);
    fw.thresholdCpm = 30;
    fw.secondCounts[59] = 29;
    for (int i = 0; i < 5; ++i) LogSecond();
    EXPECT_EQ(Written(), 0u) << "below the threshold nothing is written";

    fw.secondCounts[58] = 1;  // now at the threshold
    LogSecond();
    EXPECT_TRUE(IsStampAt(0)) << "a gap before the first record";
    EXPECT_EQ(FlashWriteArea[12], 29);
    LogSecond();
    EXPECT_EQ(Written(), 14u) << "consecutive seconds need no stamp";

    fw.uptimeSeconds += 5;  // a gap in the record
    LogSecond();
    EXPECT_TRUE(IsStampAt(14));
    EXPECT_EQ(Written(), 27u);
}

TEST(LogData, ThresholdEveryMinute) {
    StartLogging(5, 1);
    fw.thresholdCpm = 60;
    fw.uptimeMinutes = 4;
    LogData();  // the first second at the threshold writes at once, after a stamp
    EXPECT_TRUE(IsStampAt(0));
    EXPECT_EQ(FlashWriteArea[12], 60);
    EXPECT_EQ(fw.logLastMark, 4u);
    for (int i = 0; i < 58; ++i) LogData();
    EXPECT_EQ(Written(), 13u);
    fw.uptimeMinutes = 5;
    LogData();  // logSeconds 60: next record, no gap
    EXPECT_EQ(Written(), 14u);

    fw.secondCounts[0] = 0;  // below: the run restarts
    LogData();
    EXPECT_EQ(fw.logSeconds, 0u);
}

TEST(LogData, OffOrViewingWritesNothing) {
    StartLogging(0, 3);
    for (int i = 0; i < 4000; ++i) LogSecond();
    EXPECT_EQ(Written(), 0u);
    StartLogging(1, 3);
    fw.uiMode = HistoryView;
    LogSecond();
    EXPECT_EQ(Written(), 0u);
}
