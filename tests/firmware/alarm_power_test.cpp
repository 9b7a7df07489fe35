#include <gtest/gtest.h>

#include "firmware/device_harness.h"
#include "firmware/screen_compare.h"
#include "platform/images.h"

using screen::AnyInk;
using screen::ShowsAsIf;

namespace {

// Like ShowsAsIf, but leaves the LCD and the value-box state as they were,
// so the device can run on after the comparison.
template <typename Draw>
::testing::AssertionResult StillShows(int x, int y, int w, int h, Draw draw) {
    static LcdBits saved;
    saved = LcdSurface;
    const uint8_t editing = fw.editing;
    const uint8_t idle = fw.editorIdleTicks;
    ::testing::AssertionResult result = ShowsAsIf(x, y, w, h, draw);
    LcdSurface = saved;
    fw.editing = editing;
    fw.editorIdleTicks = idle;
    return result;
}

// The battery icon's place in the status bar.
::testing::AssertionResult BatteryShows(int picture) {
    return StillShows(112, 0, 10, 6, [picture] { LcdDrawImage(kBatteryLevel[picture], 112, 0); });
}

::testing::AssertionResult BoxShows(const char* first, const char* second) {
    return StillShows(20, 7, 84, 23, [&] { ShowValueBox2(first, second); });
}

class Battery : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Start();
        fw.bootState = 2;
        LcdClear();
    }
};

// ---- Battery icon ------------------------------------------------------------

TEST_F(Battery, RechargeableCellAnimatesOnePicturePerDrawing) {
    const int expected[] = {1, 2, 3, 4, 5, 6, 7, 0, 1};
    for (int picture : expected) {
        DrawBatteryIcon();
        EXPECT_TRUE(BatteryShows(picture)) << picture;
    }
    // A frame out of range starts the cycle again instead of reading past
    // the eight pictures.
    fw.batteryFrame = 200;
    DrawBatteryIcon();
    EXPECT_EQ(fw.batteryFrame, 0);
    EXPECT_TRUE(BatteryShows(0));
}

TEST_F(Battery, LevelModeNeedsTwoEqualReadingsAndShowsFullAtEightPointFiveVolts) {
    fw.batteryType = 1;
    DrawBatteryIcon();
    EXPECT_FALSE(AnyInk(harness::Area(112, 0, 10, 6))) << "first reading: nothing drawn";
    EXPECT_EQ(fw.lastBatteryReading, 85);
    for (int i = 0; i < 20; ++i) {
        DrawBatteryIcon();
        EXPECT_TRUE(BatteryShows(7));
    }
    EXPECT_EQ(fw.editing, 0) << "no low-battery notice at 85";
    EXPECT_EQ(fw.lowBatteryRepeat, 0);

    // The charger's level bit selects the level display for a rechargeable
    // cell as well: the animation frame does not move.
    fw.batteryType = 0;
    fw.chargerStatus = 0x10;
    LcdClear();
    DrawBatteryIcon();
    EXPECT_TRUE(BatteryShows(7));
    EXPECT_EQ(fw.batteryFrame, 0);
}

TEST_F(Battery, LevelPicturesByReading) {
    const std::pair<uint8_t, int> cases[] = {{42, 7}, {38, 7}, {37, 6}, {36, 4}, {35, 3},
                                             {34, 1}, {33, 0}, {0, 0},  {255, 7}};
    for (const auto& [reading, picture] : cases) {
        fw.lowBatteryRepeat = 0;
        LcdClear();
        DrawBatteryLevel(reading);
        DrawBatteryLevel(reading);
        EXPECT_TRUE(BatteryShows(picture)) << int(reading);
    }
}

TEST_F(Battery, LowBatteryNoticeOncePerFiveLowReadings) {
    DrawBatteryLevel(30);  // first reading only stored
    for (int i = 0; i < 4; ++i) {
        DrawBatteryLevel(30);
        EXPECT_EQ(fw.editing, 0) << i;
    }
    fw.editing = 1;  // a box already open keeps open: its close clock restarts
    fw.editorIdleTicks = 6;
    DrawBatteryLevel(30);
    EXPECT_EQ(fw.editorIdleTicks, 0);
    EXPECT_EQ(fw.lowBatteryRepeat, 0);
    EXPECT_TRUE(StillShows(20, 7, 84, 23, [] { ShowValueBox("Battery Low!"); }));
    EXPECT_TRUE(BatteryShows(0));

    fw.editing = 0;
    for (int i = 0; i < 4; ++i) DrawBatteryLevel(30);
    EXPECT_EQ(fw.editing, 0);
    DrawBatteryLevel(30);
    EXPECT_EQ(fw.editing, 1);

    // A changed reading is not acted on and does not count as low.
    fw.editing = 0;
    fw.lowBatteryRepeat = 4;
    DrawBatteryLevel(31);
    EXPECT_EQ(fw.editing, 0);
    EXPECT_EQ(fw.lowBatteryRepeat, 4);
}

// ---- Alarm -----------------------------------------------------------------------

TEST(Alarm, ThresholdIsReachedAtTheLevelInEitherUnit) {
    harness::Start();
    fw.alarmLevelCpm = 100;
    fw.alarmLevelUsv = 0.5f;

    fw.alarmUnit = 0;
    fw.doseRate = 99.0f;  // the dose does not count in CPM units
    fw.cpm = 99;
    EXPECT_FALSE(AlarmThresholdReached());
    fw.cpm = 100;
    EXPECT_TRUE(AlarmThresholdReached());

    for (uint32_t unit : {1u, 2u}) {
        fw.alarmUnit = unit;
        fw.cpm = 100000;  // nor the CPM in dose units
        fw.doseRate = 0.49f;
        EXPECT_FALSE(AlarmThresholdReached()) << unit;
        fw.doseRate = 0.5f;
        EXPECT_TRUE(AlarmThresholdReached()) << unit;
    }
}

// ---- Power saving ----------------------------------------------------------------

class PowerSaving : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Boot();
        // Text mode: Down only flips the clock line, so keys open no box.
        fw.displayMode = 0;
        RedrawScreen();
        fw.powerSavingOn = 1;
        WakeDisplay();
    }
    static void Seconds(int n) { harness::Wait(2 * n); }
};

TEST_F(PowerSaving, NoticeAtTheTwentyEighthSecondThenBlankAfterTheThirtyFirst) {
    Seconds(27);
    EXPECT_EQ(fw.editing, 0);
    EXPECT_EQ(fw.powerSaveCountdown, 3);
    Seconds(1);
    EXPECT_EQ(fw.editing, 1);
    EXPECT_TRUE(BoxShows("Going In", "Power Saving"));

    Seconds(2);
    EXPECT_TRUE(BoxShows("Going In", "Power Saving")) << "not cleared at the 30th second";
    harness::HalfSecond();  // the 31st tick, the notice still open
    EXPECT_EQ(fw.powerSaveCountdown, 255);
    // Cleared: the rule and the notice are gone; only what the tick draws
    // every second (clock and status marks) is back.
    EXPECT_FALSE(AnyInk(harness::Row(7)));
    EXPECT_FALSE(AnyInk(harness::Area(0, 8, 122, 24)));
    EXPECT_TRUE(AnyInk(harness::Area(0, 0, 88, 7)));

    // The reading comes back with the notice's close; the display stays on.
    harness::HalfSecond();
    EXPECT_EQ(fw.displayOn, 1);
    EXPECT_EQ(fw.editing, 0);
    EXPECT_TRUE(AnyInk(harness::Area(0, 8, 122, 24)));
    EXPECT_FALSE(AnyInk(harness::Row(7))) << "the rule waits for a full redraw";

    // The countdown runs on from 255: the notice again 253 s after the clearing.
    Seconds(252);
    EXPECT_EQ(fw.editing, 0);
    EXPECT_EQ(fw.powerSaveCountdown, 3);
    Seconds(1);
    EXPECT_EQ(fw.powerSaveCountdown, 2);
    EXPECT_TRUE(BoxShows("Going In", "Power Saving"));
}

TEST_F(PowerSaving, AKeyRestartsTheCountdownAndStillActs) {
    Seconds(20);
    harness::Press(KeyDown);
    EXPECT_EQ(fw.powerSaveCountdown, 30);
    EXPECT_EQ(fw.clockLine, 1) << "the key is not spent on waking";
    Seconds(27);
    EXPECT_EQ(fw.editing, 0);
    Seconds(1);
    EXPECT_TRUE(BoxShows("Going In", "Power Saving"));

    // After the blanking a key wakes and acts at once, and the countdown
    // starts over.
    Seconds(3);
    ASSERT_EQ(fw.powerSaveCountdown, 255);
    Seconds(2);  // let the notice close
    harness::Press(KeyDown);
    EXPECT_EQ(fw.powerSaveCountdown, 30);
    EXPECT_EQ(fw.clockLine, 0);
}

TEST_F(PowerSaving, OffLeavesTheCountdownAndShowsNothing) {
    fw.powerSavingOn = 0;
    fw.powerSaveCountdown = 3;  // left over from a time with power saving on
    Seconds(300);
    EXPECT_EQ(fw.powerSaveCountdown, 3);
    EXPECT_EQ(fw.editing, 0);
    EXPECT_TRUE(AnyInk(harness::Row(7)));
    fw.powerSaveCountdown = 2;
    PowerSavingSecond();
    EXPECT_EQ(fw.editing, 0);
    fw.powerSaveCountdown = 0;
    PowerSavingSecond();
    EXPECT_TRUE(AnyInk(harness::Row(7))) << "no blanking";
}

}  // namespace
