// Timed count: presets, scheduling, cancelling, the per-second accounting
// and the duration editor.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "firmware/device_harness.h"
#include "firmware/screen_compare.h"

namespace {

enum Row : uint8_t { kSetSchedule = 0, kOneMinute = 1, kHundredMinutes = 3, kOtherDuration = 6 };

class TimedCountTest : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Boot();
        realMode = 1;  // every second counts fw.realCount
        fw.realCount = 2;
        // Open "Timed Count" from the main menu.
        harness::Press(KeySelect);
        for (int i = 0; i < 3; ++i) harness::Press(KeyDown);
        harness::Press(KeySelect);
    }
    void TearDown() override { realMode = 0; }

    // Cursor onto the row of the shown table, then Select.
    static void Choose(uint8_t row) {
        while (fw.menuCursor < row) harness::Press(KeyDown);
        while (fw.menuCursor > row) harness::Press(KeyUp);
        harness::Press(KeySelect);
    }
    static void Up() { harness::Press(KeyUp); }
    static void Down() { harness::Press(KeyDown); }

    // Lets the open box close by itself.
    static void WaitForClose() {
        for (int i = 0; i < 20 && fw.editing; ++i) harness::HalfSecond();
    }
    static void Seconds(int n) { harness::Wait(2 * n); }
};

// The area shows what `draw` puts there on a cleared LCD; unlike
// screen::ShowsAsIf this leaves the LCD and the record as they were.
template <typename Draw>
::testing::AssertionResult Shows(int x, int y, int w, int h, Draw draw) {
    auto lcd = std::make_unique<LcdBits>(LcdSurface);
    auto saved = std::make_unique<FirmwareState>(fw);
    auto result = screen::ShowsAsIf(x, y, w, h, draw);
    LcdSurface = *lcd;
    fw = *saved;
    return result;
}

::testing::AssertionResult BoxShows(const char* second) {
    return Shows(20, 7, 84, 23, [second] { ShowValueBox2("Timed Count", second); });
}

TEST_F(TimedCountTest, PresetSetsItsDurationAndThePageShowsIt) {
    ASSERT_EQ(fw.menuTable, TimedCountMenu);
    Choose(kHundredMinutes);
    EXPECT_EQ(fw.durationTotal, 6000u);
    EXPECT_EQ(fw.timedRunning, 1);
    EXPECT_TRUE(BoxShows("Started!"));

    // Once the box closes the menu offers only "Cancel"; leaving the menus
    // shows the count's page with the set time.
    WaitForClose();
    EXPECT_EQ(fw.menuTable, CancelMenu);
    harness::Press(KeyBack);
    harness::Press(KeyBack);
    ASSERT_EQ(fw.uiMode, Reading);
    EXPECT_TRUE(Shows(0, 9, 118, 7, [] {
        LcdPutText(0, 9, "Set :");
        LcdPutText(35, 9, "00");
        LcdPutText(50, 9, "Day");
        LcdPutText(70, 9, "01:40:00");
    }));
}

TEST_F(TimedCountTest, ShortScheduleStartsSilentlyOnTheFifthTick) {
    fw.scheduleSeconds = 3;
    Choose(kOneMinute);
    EXPECT_EQ(fw.editing, 0);  // no "is scheduled!" for a few seconds
    EXPECT_EQ(fw.timedScheduled, 1);

    Seconds(4);
    EXPECT_EQ(fw.timedRunning, 0);
    Seconds(1);
    EXPECT_EQ(fw.timedRunning, 1);
    EXPECT_EQ(fw.timedScheduled, 0);
    EXPECT_TRUE(BoxShows("Started!"));
    // The starting second is counted already.
    EXPECT_EQ(fw.elapsedSeconds, 1);
    EXPECT_EQ(fw.timedCounts, 2u);
}

TEST_F(TimedCountTest, LongerScheduleIsAnnouncedAndNoScheduleStartsAtOnce) {
    fw.scheduleMinutes = 1;
    Choose(kOneMinute);
    EXPECT_TRUE(BoxShows("is scheduled!"));
    EXPECT_EQ(fw.timedScheduled, 1);

    // Choosing a preset again while scheduled cancels.
    Choose(kOneMinute);
    EXPECT_TRUE(BoxShows("Canceled!"));
    EXPECT_FALSE(TimedCountActive());

    fw.scheduleMinutes = 0;
    Choose(kOneMinute);
    EXPECT_TRUE(BoxShows("Started!"));
    EXPECT_EQ(fw.timedRunning, 1);
}

TEST_F(TimedCountTest, CancelEndsTheCountAndLeavesTheLargeFontScreen) {
    Choose(kOneMinute);
    Seconds(10);
    WaitForClose();
    ASSERT_EQ(fw.menuTable, CancelMenu);
    Choose(0);
    EXPECT_TRUE(BoxShows("Canceled!"));
    EXPECT_EQ(fw.timedRunning, 0);
    EXPECT_EQ(fw.elapsedSeconds, 0);

    // A second Select while "Canceled!" shows must not start a new count.
    Choose(0);
    EXPECT_FALSE(TimedCountActive());

    WaitForClose();
    EXPECT_EQ(fw.menuTable, TimedCountMenu);
    harness::Press(KeyBack);
    harness::Press(KeyBack);
    EXPECT_EQ(fw.uiMode, Reading);
    EXPECT_EQ(fw.displayMode, 2);
}

TEST_F(TimedCountTest, AverageRoundsTheElapsedTimeToTheNearestMinute) {
    fw.realCount = 1;
    Choose(kHundredMinutes);
    Seconds(30);
    // First minute: the counts so far.
    EXPECT_EQ(fw.timedAverage, 30u);
    Seconds(60);  // 1:30 -> one minute
    EXPECT_EQ(fw.elapsedMinutesTotal, 1u);
    EXPECT_EQ(fw.elapsedTotal, 90u);
    EXPECT_EQ(fw.timedAverage, 90u);
    EXPECT_EQ(fw.timedAverageHundredths, 0);
    Seconds(1);  // 1:31 -> two minutes
    EXPECT_EQ(fw.timedAverage, 45u);
    EXPECT_EQ(fw.timedAverageHundredths, 50);
}

TEST_F(TimedCountTest, CountStopsAtItsDurationAndStaysShown) {
    Choose(kOneMinute);
    Seconds(75);
    EXPECT_EQ(fw.elapsedTotal, 60u);
    EXPECT_EQ(fw.elapsedMinutes, 1);
    EXPECT_EQ(fw.timedCounts, 120u);
    EXPECT_EQ(fw.timedRunning, 1);
    // The clock face stands steadily once the count is over.
    for (int i = 0; i < 2; ++i) {
        Seconds(1);
        EXPECT_TRUE(Shows(88, 0, 6, 7, [] { LcdPutCharAt(88, 0, 129); }));
    }
}

TEST_F(TimedCountTest, HoursPastADayRollIntoDays) {
    fw.durationDays = 2;
    StartOtherDuration();
    for (uint32_t s = 0; s < 86400 + 61; ++s) TimedCountSecond(1);
    EXPECT_EQ(fw.elapsedDays, 1);
    EXPECT_EQ(fw.elapsedHours, 0);
    EXPECT_EQ(fw.elapsedMinutes, 1);
    EXPECT_EQ(fw.elapsedTotal, 86461u);
    EXPECT_EQ(fw.timedAverage, 86461u / 1441u);
}

TEST_F(TimedCountTest, AverageOfALargeCountDoesNotOverflow) {
    fw.durationMinutes = 20;
    StartOtherDuration();
    for (int s = 0; s < 600; ++s) TimedCountSecond(100000);  // 60,000,000 in 10 min
    EXPECT_EQ(fw.timedAverage, 6000000u);
    EXPECT_EQ(fw.timedAverageHundredths, 0);
}

// A count started over a running one (an "Other duration" box closing after
// a short silent schedule has started) counts from nothing, even when the
// old count had already run longer than the new duration.
TEST_F(TimedCountTest, RestartOverARunningCountBeginsAfresh) {
    Choose(kHundredMinutes);
    Seconds(120);
    fw.durationHours = 0;
    fw.durationMinutes = 1;
    StartOtherDuration();
    Seconds(1);
    EXPECT_EQ(fw.elapsedTotal, 1u);
    EXPECT_EQ(fw.timedCounts, 2u);
}

// ---- Duration editor ---------------------------------------------------

bool Underlined(int from, int to) {
    std::string row24 = harness::Row(24), row25 = harness::Row(25);
    for (int x = 10; x < 106; ++x) {
        bool want = x >= from && x <= to;
        if ((row24[x] == '#') != want || (row25[x] == '#') != want) return false;
    }
    return true;
}

TEST_F(TimedCountTest, EditorDrawsTheFieldsAndWalksTheUnderline) {
    fw.scheduleDays = 7;
    fw.scheduleHours = 12;
    fw.scheduleMinutes = 34;
    fw.scheduleSeconds = 56;
    Choose(kSetSchedule);
    EXPECT_EQ(fw.editing, 1);
    EXPECT_TRUE(Shows(8, 10, 100, 14, [] {
        LcdFrameRect(8, 10, 100, 20);
        LcdFrameRect(9, 11, 98, 18);
        LcdPutText(20, 15, "07");
        LcdPutText(35, 15, "Day");
        LcdPutText(55, 15, "12:34:56");
    }));
    EXPECT_TRUE(Underlined(19, 32));
    harness::Press(KeySelect);
    EXPECT_TRUE(Underlined(54, 67));
    harness::Press(KeySelect);
    EXPECT_TRUE(Underlined(72, 85));
    harness::Press(KeySelect);
    EXPECT_TRUE(Underlined(90, 104));
    harness::Press(KeySelect);
    EXPECT_TRUE(Underlined(0, -1));
    EXPECT_EQ(fw.editField, 0);
    // No field shown: Up and Down change nothing.
    Up();
    Down();
    EXPECT_EQ(fw.scheduleDays, 7u);
    EXPECT_EQ(fw.scheduleSeconds, 56);
    EXPECT_EQ(fw.editField, 0);
    harness::Press(KeySelect);  // back to days
    EXPECT_TRUE(Underlined(19, 32));
}

TEST_F(TimedCountTest, DaysStepByBandAndStayWithinAByte) {
    const struct { uint32_t from, up; } cases[] = {
        {0, 1}, {10, 11}, {11, 13}, {19, 21}, {20, 23}, {29, 32}, {30, 35},
        {39, 44}, {40, 41}, {49, 50}, {50, 60}, {99, 109}, {250, 255}, {255, 255},
    };
    for (auto c : cases) {
        fw.scheduleDays = c.from;
        Choose(kSetSchedule);
        Up();
        EXPECT_EQ(fw.scheduleDays, c.up) << "from " << c.from;
        EXPECT_EQ(fw.stepValue, c.up);
        WaitForClose();
    }
    fw.scheduleDays = 0;
    Choose(kSetSchedule);
    Down();
    EXPECT_EQ(fw.scheduleDays, 109u);
    // Three digits start further left, and so does their underline.
    EXPECT_TRUE(Shows(14, 15, 20, 7, [] { LcdPutText(15, 15, "109"); }));
    EXPECT_TRUE(Underlined(14, 32));
}

TEST_F(TimedCountTest, TimeFieldsWrapOrStopAndEditTheirRowsFields) {
    fw.scheduleSeconds = 9;
    Choose(kOtherDuration);  // days
    Down();
    EXPECT_EQ(fw.durationDays, 109u);
    Up();
    EXPECT_EQ(fw.durationDays, 119u);
    harness::Press(KeySelect);  // hours
    Down();
    EXPECT_EQ(fw.durationHours, 23);
    Up();
    EXPECT_EQ(fw.durationHours, 23);
    harness::Press(KeySelect);  // minutes
    Down();
    EXPECT_EQ(fw.durationMinutes, 59);
    Up();
    EXPECT_EQ(fw.durationMinutes, 0);
    harness::Press(KeySelect);  // seconds
    Down();
    Down();
    EXPECT_EQ(fw.durationSeconds, 58);
    EXPECT_TRUE(Shows(55, 15, 48, 7, [] { LcdPutText(55, 15, "23:00:58"); }));
    // The schedule is left alone.
    EXPECT_EQ(fw.scheduleDays, 0u);
    EXPECT_EQ(fw.scheduleSeconds, 9);

    // Closing the box schedules the edited count (9 s: announced).
    WaitForClose();
    EXPECT_EQ(fw.timedScheduled, 1);
    EXPECT_EQ(fw.scheduleTotal, 9u);
    Seconds(10);
    EXPECT_EQ(fw.timedRunning, 1);
    EXPECT_EQ(fw.durationTotal, 119u * 86400u + 23u * 3600u + 58u);
}

}  // namespace
