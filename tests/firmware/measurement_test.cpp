#include <gtest/gtest.h>

#include <cmath>

#include "firmware/device_harness.h"

namespace {

// The points the device loads from its configuration store.
void UseStoredCalibration() {
    fw.calibration[0] = {1000, 5.0f};
    fw.calibration[1] = {0, 0.0f};
    fw.calibration[2] = {0, 0.0f};
}

class Measurement : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Start();
        realMode = 1;  // deterministic counts from realCount
        fw.realCount = 0;
    }
    void TearDown() override { realMode = 0; }
};

TEST_F(Measurement, DoseWithStoredCalibration) {
    UseStoredCalibration();
    EXPECT_EQ(CpmToDose(0), 0.0f);
    EXPECT_FLOAT_EQ(CpmToDose(1), 0.005f);
    EXPECT_FLOAT_EQ(CpmToDose(30), 0.15f);
    EXPECT_FLOAT_EQ(CpmToDose(999), 4.995f);
    EXPECT_EQ(CpmToDose(1000), 5.0f);
    EXPECT_NEAR(CpmToDose(1001), 3.3367, 0.0001);
    EXPECT_NEAR(CpmToDose(65536), 65536.0 / 300.0, 0.001);
    EXPECT_NEAR(CpmToDose(4294967295u), 4294967295.0 / 300.0, 1.0);
}

TEST_F(Measurement, DoseWithPowerOnDefaultsHasOneSlope) {
    // (60, 0.3), (240, 1.2), (1000, 5.0): every segment is 0.005 per CPM.
    for (uint32_t n : {1u, 59u, 61u, 100u, 239u, 241u, 500u, 999u})
        EXPECT_NEAR(CpmToDose(n), 0.005 * n, 1e-5) << n;
    // A point itself returns its stored float unchanged.
    EXPECT_EQ(CpmToDose(60), 0.3f);
    EXPECT_EQ(CpmToDose(240), 1.2f);
    EXPECT_EQ(CpmToDose(1000), 5.0f);
    EXPECT_NEAR(CpmToDose(1001), 1001.0 / 300.0, 1e-4);
}

TEST_F(Measurement, DoseSegmentsAreSlopesThroughTheOrigin) {
    fw.calibration[0] = {100, 1.0f};
    fw.calibration[1] = {200, 1.5f};
    fw.calibration[2] = {400, 3.5f};
    // (1.5 - 1.0) / (200 - 100) x 150, not an interpolation (1.25).
    EXPECT_FLOAT_EQ(CpmToDose(150), 0.75f);
    EXPECT_FLOAT_EQ(CpmToDose(300), 3.0f);  // (3.5 - 1.5) / 200 x 300
    EXPECT_FLOAT_EQ(CpmToDose(50), 0.5f);
}

TEST_F(Measurement, DoseStaysFiniteForDegenerateCalibrations) {
    const CalibrationPoint cases[][3] = {
        {{0, 0.0f}, {0, 0.0f}, {0, 0.0f}},
        {{0, 1.0f}, {5, 2.0f}, {5, 3.0f}},
        {{100, 1.0f}, {100, 2.0f}, {100, 3.0f}},
        {{7, 0.1f}, {8, 0.2f}, {9, 0.3f}},
        {{0, 0.0f}, {0, 0.0f}, {10, 0.5f}},
    };
    for (const auto& points : cases) {
        for (int k = 0; k < 3; ++k) fw.calibration[k] = points[k];
        for (uint32_t n = 0; n < 120; ++n) EXPECT_TRUE(std::isfinite(CpmToDose(n))) << n;
    }
    // Equal neighbouring points: n at the point returns that point's value.
    fw.calibration[0] = {100, 1.0f};
    fw.calibration[1] = {100, 2.0f};
    EXPECT_EQ(CpmToDose(100), 1.0f);
}

TEST_F(Measurement, ShiftSumTotalAndMaximum) {
    for (int i = 0; i < 60; ++i) fw.secondCounts[i] = i;  // 0 drops out
    fw.totalCount = 10;
    fw.maxCpm = 5000;
    fw.realCount = 7;
    MeasureSecond();
    EXPECT_EQ(fw.secondCounts[0], 1);
    EXPECT_EQ(fw.secondCounts[58], 59);
    EXPECT_EQ(fw.secondCounts[59], 7);
    EXPECT_EQ(fw.cpm, 1770u + 7);  // 1 + ... + 59, then 7
    EXPECT_EQ(fw.totalCount, 17u);
    EXPECT_EQ(fw.maxCpm, 5000u);  // only grows
    EXPECT_FLOAT_EQ(fw.doseRate, CpmToDose(fw.cpm));

    fw.maxCpm = 100;
    MeasureSecond();
    EXPECT_EQ(fw.maxCpm, fw.cpm);
}

TEST_F(Measurement, TotalCountWraps) {
    fw.totalCount = 0xFFFFFFFFu;
    fw.realCount = 2;
    MeasureSecond();
    EXPECT_EQ(fw.totalCount, 1u);
}

TEST_F(Measurement, AverageRoundsTheRunningTimeToWholeMinutes) {
    fw.totalCount = 45;
    fw.uptimeMinutes = 1;
    fw.uptimeSeconds = 30;  // still 1 minute
    MeasureSecond();
    EXPECT_EQ(fw.avgCpmWhole, 45u);
    EXPECT_EQ(fw.avgCpmHundredths, 0);

    fw.uptimeSeconds = 31;  // rounds up to 2 minutes
    MeasureSecond();
    EXPECT_EQ(fw.avgCpmWhole, 22u);
    EXPECT_EQ(fw.avgCpmHundredths, 50);

    fw.uptimeDays = 1;  // 1441 minutes + 1
    fw.totalCount = 1442 * 3 + 1;
    MeasureSecond();
    EXPECT_EQ(fw.avgCpmWhole, 3u);
    EXPECT_EQ(fw.avgCpmHundredths, 0);
}

TEST_F(Measurement, AverageInTheFirstMinuteIsTheCpm) {
    fw.secondCounts[10] = 12;
    fw.totalCount = 999;
    fw.realCount = 3;
    MeasureSecond();
    EXPECT_EQ(fw.cpm, 15u);
    EXPECT_EQ(fw.avgCpmWhole, 15u);
    EXPECT_EQ(fw.avgCpmHundredths, 0);
}

TEST_F(Measurement, AverageProductWrapsAtThirtyTwoBits) {
    fw.totalCount = 50000000;  // x 100 passes 2^32
    fw.uptimeMinutes = 7;
    MeasureSecond();
    uint32_t expected = static_cast<uint32_t>(50000000u * 100u) / 7u;
    EXPECT_EQ(fw.avgCpmWhole, expected / 100);
    EXPECT_EQ(fw.avgCpmHundredths, expected % 100);
}

TEST_F(Measurement, HighRateCorrectionsInRealMode) {
    fw.realCount = 200;
    MeasureSecond();  // cpm was 0: no correction yet
    EXPECT_EQ(fw.cpm, 200u);
    EXPECT_GT(fw.cpm, 100u);

    MeasureSecond();  // factor 10 is 1.0
    EXPECT_EQ(fw.secondCounts[59], 200);
    EXPECT_EQ(fw.cpm, 400u);

    fw.highRateFactor = 15;
    MeasureSecond();
    EXPECT_EQ(fw.secondCounts[59], 300);
    EXPECT_EQ(fw.totalCount, 700u);

    // The quiet factor applies only with the speaker off, after the first.
    fw.quietHighRateFactor = 20;
    MeasureSecond();
    EXPECT_EQ(fw.secondCounts[59], 300);
    fw.speakerOn = 0;
    MeasureSecond();
    EXPECT_EQ(fw.secondCounts[59], 600);

    // Truncated toward zero: 7 x 1.1 is 7.7.
    fw.speakerOn = 1;
    fw.highRateFactor = 11;
    fw.realCount = 7;
    MeasureSecond();
    EXPECT_EQ(fw.secondCounts[59], 7);
}

TEST_F(Measurement, HugeCountWithFactorSaturatesInsteadOfOverflowing) {
    fw.cpm = 1000;
    fw.highRateFactor = 255;
    fw.realCount = INT32_MAX;
    MeasureSecond();
    EXPECT_EQ(fw.secondCounts[59], INT32_MAX);
}

TEST(MeasurementDemo, CountsAreZeroOrOne) {
    harness::Start();
    RandomSeed(7);
    int seen[2] = {0, 0};
    for (int i = 0; i < 400; ++i) {
        int32_t n = NextSecondCount();
        ASSERT_TRUE(n == 0 || n == 1) << n;
        ++seen[n];
    }
    EXPECT_GT(seen[0], 100);
    EXPECT_GT(seen[1], 100);
}

// A set rate gives counts around its mean, the same ones for the same seed,
// at a counter's rates and at rates far past e^-mean's range.
TEST(MeasurementDemo, RateGivesCountsAroundItsMeanFromTheSeed) {
    harness::Start();
    for (const uint32_t cpm : {40u, 120000u}) {
        SetDemoRate(cpm);
        RandomSeed(7);
        int64_t sum = 0;
        int32_t first[5];
        for (int i = 0; i < 3000; ++i) {
            const int32_t n = NextSecondCount();
            if (i < 5) first[i] = n;
            sum += n;
        }
        EXPECT_NEAR(sum / 3000.0 * 60, cpm, cpm * 0.05) << cpm;
        RandomSeed(7);
        for (const int32_t n : first) EXPECT_EQ(NextSecondCount(), n) << cpm;
    }
    SetDemoRate(kDemoRateMax + 1);
    EXPECT_EQ(DemoRate(), kDemoRateMax);
    SetDemoRate(0);
}

}  // namespace
