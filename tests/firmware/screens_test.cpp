#include <gtest/gtest.h>

#include <cstring>

#include "firmware/device_harness.h"
#include "firmware/screen_compare.h"
#include "platform/images.h"

using screen::AnyInk;
using screen::Drawn;
using screen::ShowsAsIf;

namespace {

class Screens : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Start();  // clock at 2026-03-07 09:05:30
        fw.calibration[0] = {1000, 5.0f};
        fw.calibration[1] = {0, 0.0f};
        fw.calibration[2] = {0, 0.0f};
        fw.bootState = 2;
        fw.uiMode = Reading;
        LcdClear();
    }
    static void FillSlots(int32_t v) {
        for (int32_t& s : fw.secondCounts) s = v;
    }
};

// ---- Number formats -----------------------------------------------------

TEST(NumberFormats, DecimalAndTwoDigitRule) {
    char text[12];
    FormatDecimal(0, text);
    EXPECT_STREQ(text, "0");
    FormatDecimal(1204, text);
    EXPECT_STREQ(text, "1204");
    FormatDecimal(4294967295u, text);
    EXPECT_STREQ(text, "4294967295");

    char two[3] = {0, 0, 0};
    const std::pair<uint32_t, const char*> cases[] = {
        {0, "00"}, {7, "07"}, {10, "10"}, {59, "59"}, {99, "99"}, {100, "90"}, {255, "95"}};
    for (const auto& [v, expected] : cases) {
        FormatTwoDigits(v, two);
        EXPECT_STREQ(two, expected) << v;
    }
}

// ---- Text mode ------------------------------------------------------------

TEST_F(Screens, TextModeLinesAndDoseFormats) {
    fw.displayMode = 0;
    fw.cpm = 30;
    fw.totalCount = 1234;
    struct Case {
        uint32_t infoLine;
        float dose;
        const char* text;
    };
    const Case cases[] = {
        {0, 0.15f, "0.15uSv/h"},
        {0, 100.0f, "100.00uSv/h"},  // 100 does not exceed 100
        {1, 100.5f, "100.5uSv/h"},
        {4, 0.15f, "0.015mR/h"},
        {5, 150.0f, "15.00mR/h"},  // compared in uSv/h
    };
    for (const Case& c : cases) {
        fw.infoLine = c.infoLine;
        fw.doseRate = c.dose;
        LcdClear();
        ReadingRedraw();
        std::string shown = harness::Area(0, 12, 122, 7);
        EXPECT_EQ(shown, Drawn(0, 12, 122, 7, [&] {
                      LcdPutText(0, 12, "CPM:");
                      LcdPutText(25, 12, "30");
                      LcdPutText(61, 12, c.text);
                  }))
            << c.text;
    }
    // infoLine 4 shows the total count on the third line.
    fw.infoLine = 4;
    LcdClear();
    ReadingRedraw();
    std::string third = harness::Area(0, 24, 122, 8);
    EXPECT_EQ(third, Drawn(0, 24, 122, 8, [] {
                  LcdPutText(0, 24, "Total Count:");
                  LcdPutText(72, 24, "1234");
              }));
}

TEST_F(Screens, ShorterDoseTextLeavesNoStaleTail) {
    fw.displayMode = 0;
    fw.doseRate = 10.0f;
    ReadingRedraw();
    fw.doseRate = 9.99f;
    ReadingSecondUpdate();
    EXPECT_TRUE(ShowsAsIf(61, 12, 61, 7, [] { LcdPutText(61, 12, "9.99uSv/h"); }));
}

TEST_F(Screens, AverageAndMaximumLines) {
    fw.displayMode = 0;
    fw.infoLine = 2;
    fw.avgCpmWhole = 12;
    fw.avgCpmHundredths = 5;
    ReadingRedraw();
    EXPECT_TRUE(ShowsAsIf(0, 24, 122, 8, [] {
                  LcdPutText(0, 24, "Average CPM:");
                  LcdPutText(72, 24, "12");
                  LcdPutText(84, 24, ".05");
              }));

    fw.infoLine = 3;
    fw.maxCpm = 987;
    LcdClear();
    ReadingSecondUpdate();
    EXPECT_TRUE(ShowsAsIf(0, 24, 122, 8, [] {
                  LcdPutText(0, 24, "Maximum CPM:");
                  LcdPutText(72, 24, "987");
              }));
}

TEST_F(Screens, RunningTimeLine) {
    fw.displayMode = 0;
    fw.infoLine = 1;
    fw.uptimeDays = 2;
    fw.uptimeHours = 3;
    fw.uptimeMinutes = 45;
    fw.uptimeSeconds = 6;
    ReadingRedraw();
    EXPECT_TRUE(ShowsAsIf(0, 24, 122, 8, [] {
                  LcdPutText(1, 24, "Elp.:");
                  LcdPutText(30, 24, "02 Day 03:45:06");
              }));
}

TEST_F(Screens, CpmLineShowsDashesFromSixteenBitsOn) {
    fw.cpm = 65536;
    DrawCpmLine(0, 12);
    EXPECT_TRUE(ShowsAsIf(0, 12, 62, 7, [] {
                  LcdPutText(0, 12, "CPM:");
                  LcdPutText(25, 12, "------");
              }));
    fw.cpm = 65535;
    DrawCpmLine(0, 12);
    EXPECT_TRUE(ShowsAsIf(0, 12, 62, 7, [] {
                  LcdPutText(0, 12, "CPM:");
                  LcdPutText(25, 12, "65535");
              }));
}

// ---- Status bar -------------------------------------------------------------

TEST_F(Screens, StatusClockDateTimeAndWhereItIsHidden) {
    fw.displayMode = 0;
    fw.clockLine = 0;
    DrawStatusClock();
    EXPECT_TRUE(ShowsAsIf(0, 0, 88, 7, [] { LcdPutText(5, 0, "03-07-2026"); }));
    fw.clockLine = 1;
    DrawStatusClock();
    EXPECT_TRUE(ShowsAsIf(0, 0, 88, 7, [] { LcdPutText(5, 0, "09:05:30"); }));

    for (int hidden = 0; hidden < 2; ++hidden) {
        fw.displayMode = hidden == 0 ? 1 : 0;
        fw.uiMode = hidden == 0 ? Reading : Menu;
        LcdClear();
        LcdFillRect(0, 0, 88, 7, 1);
        DrawStatusClock();
        EXPECT_EQ(harness::Area(0, 0, 88, 7).find('.'), std::string::npos);
    }
}

TEST_F(Screens, StatusIconsFollowTheSettings) {
    fw.speakerOn = 1;
    fw.alarmOn = 1;
    fw.saveMode = 1;
    DrawStatusIcons();
    EXPECT_TRUE(ShowsAsIf(88, 0, 24, 7, [] {
                  LcdPutGlyphAt(94, 0, 7);
                  LcdPutCharAt(100, 0, 94);
                  LcdPutCharAt(106, 0, 96);
              }));
    fw.speakerOn = 0;
    fw.saveMode = 0;
    DrawStatusIcons();
    EXPECT_TRUE(ShowsAsIf(88, 0, 24, 7, [] { LcdPutCharAt(100, 0, 94); }));
}

TEST_F(Screens, TimedCountMarkBlinksWhileRunningAndStaysWhenDone) {
    auto markShown = [] { return AnyInk(harness::Area(88, 0, 5, 7)); };
    fw.timedScheduled = 1;
    DrawStatusIcons();
    EXPECT_TRUE(markShown());
    DrawStatusIcons();
    EXPECT_TRUE(markShown());

    fw.timedScheduled = 0;
    fw.timedRunning = 1;
    fw.durationTotal = 60;
    fw.elapsedTotal = 10;
    DrawStatusIcons();
    bool first = markShown();
    DrawStatusIcons();
    EXPECT_NE(first, markShown());

    fw.elapsedTotal = 60;
    DrawStatusIcons();
    EXPECT_TRUE(markShown());
    DrawStatusIcons();
    EXPECT_TRUE(markShown());

    fw.timedRunning = 0;
    DrawStatusIcons();
    EXPECT_FALSE(markShown());
}

// ---- Graphic mode -----------------------------------------------------------

TEST_F(Screens, LineGraphRowsForZeroAndOneCount) {
    fw.graphType = 0;
    fw.graphZoom = 0;
    FillSlots(1);  // peak 1: scale 10, row 31 - 10 = 21
    DrawGraph();
    std::string row21 = harness::Row(21);
    for (int x = 2; x <= 120; ++x) EXPECT_EQ(row21[x], '#') << x;
    EXPECT_EQ(row21[0], '.');
    EXPECT_FALSE(AnyInk(harness::Row(20)));
    EXPECT_FALSE(AnyInk(harness::Row(31)));

    FillSlots(0);
    DrawGraph();  // clears the old graph first
    EXPECT_FALSE(AnyInk(harness::Row(21)));
    EXPECT_EQ(harness::Row(31)[60], '#');
}

TEST_F(Screens, AutomaticScaleTruncatesRows) {
    fw.graphType = 0;
    FillSlots(1);
    fw.secondCounts[40] = 10;  // peak 10: scale 3.2, so 1 count is row 27.8 -> 27
    DrawGraph();
    EXPECT_EQ(harness::Row(27)[4], '#');
    EXPECT_FALSE(AnyInk(harness::Row(28).substr(0, 60)));

    FillSlots(3);  // peak 3: scale 7, row 10
    DrawGraph();
    EXPECT_EQ(harness::Row(10)[10], '#');
}

TEST_F(Screens, GraphStaysInsideTheReadingArea) {
    fw.graphZoom = 5.0f;
    for (uint32_t type = 0; type < 4; ++type) {
        fw.graphType = type;
        LcdClear();
        FillSlots(200);
        fw.secondCounts[30] = 0;
        DrawGraph();
        EXPECT_FALSE(AnyInk(harness::Area(0, 0, 122, 8))) << type;
        // The line of "line and bar" is limited with its bar first: row 10.
        EXPECT_TRUE(AnyInk(harness::Row(type == 3 ? 10 : 8))) << type;
    }
}

TEST_F(Screens, BarChartsAndLineAndBar) {
    FillSlots(1);
    fw.graphType = 1;  // bars 1 wide from row 21 down to the base line
    DrawGraph();
    std::string row25 = harness::Row(25);
    EXPECT_EQ(row25[2], '#');
    EXPECT_EQ(row25[3], '.');
    EXPECT_EQ(harness::Row(31)[1], '#');

    fw.graphType = 2;  // 2 wide
    DrawGraph();
    EXPECT_EQ(harness::Row(25)[3], '#');

    fw.graphType = 3;  // scale 5: bar from row 26, line at row 15
    DrawGraph();
    EXPECT_EQ(harness::Row(27)[4], '#');
    EXPECT_EQ(harness::Row(25)[4], '.');
    EXPECT_EQ(harness::Row(15)[50], '#');
    EXPECT_FALSE(AnyInk(harness::Row(16)));
}

// The graph segment by segment in the device's own order (base line with
// every bar, each segment its own line): the picture and cursor DrawGraph
// leaves must be the same for every type, an unknown one included.
void DeviceOrderGraph(uint32_t type, float scale) {
    LcdFillRect(0, 8, 122, 24, 0);
    auto row = [&](int i) {
        float r = 31.0f - static_cast<float>(fw.secondCounts[i] & 0xFF) * scale;
        return static_cast<int>(r < -1000.0f ? -1000.0f : r > 1000.0f ? 1000.0f : r);
    };
    auto limit = [](int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; };
    for (int k = 1; k <= 59; ++k) {
        const int x = 2 * k;
        int a = row(k - 1);
        int b = row(k);
        if (type == 1 || type == 2) {
            b = limit(b, 8, 31);
            LcdLine(0, 31, 122, 31);
            LcdFillRect(x, b, type, 31 - b, 1);
        } else if (type == 3) {
            a = limit(a, 21, 31);
            b = limit(b, 21, 31);
            LcdLine(0, 31, 122, 31);
            LcdFillRect(x + 2, b, 1, 31 - b, 1);
            LcdLine(x, limit(a - 11, 8, 20), x + 2, limit(b - 11, 8, 20));
        } else {
            LcdLine(x, limit(a, 8, 31), x + 2, limit(b, 8, 31));
        }
    }
}

TEST_F(Screens, GraphMatchesTheDevicesDrawingOrder) {
    uint32_t seed = 7;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (uint32_t type : {0u, 1u, 2u, 3u, 9u}) {
        for (float zoom : {0.7f, 3.2f, 5.0f, 10.0f}) {
            for (int32_t& slot : fw.secondCounts) slot = static_cast<int32_t>(next() % 9 == 0 ? next() : next() % 5);
            fw.graphType = type;
            fw.graphZoom = zoom;
            static LcdPicture device, drawn;
            DeviceOrderGraph(type, zoom);
            const LcdCursor deviceCursor = textCursor;
            LcdExpand(LcdSurface, device);
            LcdClear();
            DrawGraph();
            LcdExpand(LcdSurface, drawn);
            ASSERT_EQ(std::memcmp(&device, &drawn, sizeof drawn), 0) << "type " << type << ", zoom " << zoom;
            EXPECT_EQ(textCursor.x, deviceCursor.x) << type;
            EXPECT_EQ(textCursor.y, deviceCursor.y) << type;
        }
    }
}

TEST_F(Screens, GraphicSecondUpdateShowsCpmAndZoomLabel) {
    fw.displayMode = 1;
    fw.cpm = 30;
    fw.graphZoom = 1.0f;
    ReadingSecondUpdate();
    EXPECT_TRUE(ShowsAsIf(0, 0, 88, 7, [] {
                  LcdPutText(0, 0, "CPM:");
                  LcdPutText(25, 0, "30");
                  LcdPutText(62, 0, "X1.0");
              }));
    fw.graphZoom = 0.0f;
    LcdClear();
    ReadingSecondUpdate();
    EXPECT_TRUE(ShowsAsIf(62, 0, 26, 7, [] { LcdPutText(62, 0, "AUTO"); }));

    // Nothing is drawn while a value box is open.
    fw.editing = 1;
    LcdClear();
    ReadingSecondUpdate();
    EXPECT_FALSE(AnyInk(harness::Area(0, 0, 122, 32)));
}

// ---- Large font -------------------------------------------------------------

TEST_F(Screens, LargeReadingIsCentredWithItsUnit) {
    fw.displayMode = 2;
    fw.largeFontUnit = 0;
    fw.cpm = 30;
    ReadingRedraw();
    // Independent of the drawing code: w = 22, u = 32, so the text starts at
    // (128 - 32 - 22) / 2 = 37 and the unit at (22 - 32 + 128) / 2 = 59.
    // The top band of a large 3 starts with column byte 0x70 (rows 4..6).
    EXPECT_FALSE(AnyInk(harness::Area(0, 8, 37, 24)));
    EXPECT_EQ(harness::Row(13)[37], '#');
    EXPECT_EQ(harness::Row(12)[37], '.');
    EXPECT_EQ(harness::Row(20)[59], '#');
    EXPECT_FALSE(AnyInk(harness::Area(57, 8, 2, 24)));

    EXPECT_TRUE(ShowsAsIf(0, 8, 122, 24, [] {
                  LcdPutLargeText(37, 9, "30");
                  LcdDrawImage(kUnitCpm, 59, 15);
              }));

    struct Case {
        uint8_t unit;
        float dose;
        const char* text;
        const uint8_t* picture;
    };
    const Case cases[] = {
        {1, 0.15f, "0.15", kUnitUsvh},     // w 44, u 39
        {1, 150.0f, "150.0", kUnitUsvh},   // w 55
        {2, 0.15f, "0.015", kUnitMrh},     // w 55, u 35
        {2, 150.0f, "15.00", kUnitMrh},
    };
    for (const Case& c : cases) {
        fw.largeFontUnit = c.unit;
        fw.doseRate = c.dose;
        LcdClear();
        ReadingRedraw();
        int w = 11 * static_cast<int>(std::strlen(c.text));
        int u = c.picture[0];
        EXPECT_TRUE(ShowsAsIf(0, 8, 122, 24, [&] {
                      LcdPutLargeText(static_cast<uint8_t>((128 - u - w) / 2), 9, c.text);
                      LcdDrawImage(c.picture, static_cast<uint8_t>((w - u + 128) / 2), 15);
                  }))
            << c.text;
    }
}

// ---- Timed count pages --------------------------------------------------------

TEST_F(Screens, TimedCountPages) {
    fw.displayMode = 3;
    fw.timedRunning = 1;
    fw.durationHours = 1;
    fw.durationMinutes = 40;
    fw.elapsedMinutes = 2;
    fw.elapsedSeconds = 5;
    fw.timedCounts = 61;
    fw.timedAverage = 30;
    fw.timedAverageHundredths = 7;

    fw.timedPage = 0;
    ReadingRedraw();
    EXPECT_TRUE(ShowsAsIf(0, 8, 122, 24, [] {
                  LcdPutText(0, 9, "Set :");
                  LcdPutText(35, 9, "00");
                  LcdPutText(50, 9, "Day");
                  LcdPutText(70, 9, "01:40:00");
                  LcdPutText(0, 17, "Elp.:");
                  LcdPutText(35, 17, "00");
                  LcdPutText(50, 17, "Day");
                  LcdPutText(70, 17, "00:02:05");
                  LcdPutText(0, 25, "Count:");
                  LcdPutText(37, 25, "61");
                  LcdPutCharAt(117, 25, 131);
              }));

    fw.timedPage = 3;
    LcdClear();
    ReadingRedraw();
    EXPECT_FLOAT_EQ(fw.doseRate, 0.15f);
    EXPECT_TRUE(ShowsAsIf(0, 8, 122, 24, [] {
                  LcdPutText(0, 9, "Average CPM:");
                  LcdPutText(72, 9, "30.07");
                  LcdPutCharAt(117, 9, 130);
                  LcdPutText(0, 17, "Average: 0.15 uSv/h");
                  LcdPutText(0, 25, "Average: 0.015 mR/h");
              }));
}

TEST_F(Screens, ScheduledCountShowsZerosAndLongDurations) {
    fw.displayMode = 7;  // anything past 2 is the timed-count screen
    fw.timedScheduled = 1;
    fw.durationDays = 123;
    fw.elapsedSeconds = 9;
    fw.timedCounts = 55;
    fw.timedAverage = 4;
    fw.timedPage = 0;
    ReadingRedraw();
    EXPECT_EQ(fw.timedCounts, 0u);
    EXPECT_EQ(fw.elapsedSeconds, 0);
    EXPECT_EQ(fw.timedAverage, 0u);
    EXPECT_TRUE(ShowsAsIf(0, 9, 70, 7, [] {
                  LcdPutText(0, 9, "Set :");
                  LcdPutText(30, 9, "123");
                  LcdPutText(50, 9, "Day");
              }));
}

TEST_F(Screens, TimedPageKeysAreLimited) {
    fw.timedPage = 0;
    ReadingTimedUp(KeyUp);
    EXPECT_EQ(fw.timedPage, 0);
    for (int i = 0; i < 5; ++i) ReadingTimedDown(KeyDown);
    EXPECT_EQ(fw.timedPage, 3);
    ReadingTimedUp(KeyUp);
    EXPECT_EQ(fw.timedPage, 2);
}

// ---- Temperature ----------------------------------------------------------------

TEST_F(Screens, TemperatureInCelsiusAndFahrenheit) {
    fw.uiMode = Temperature;
    fw.stepValue = 0;
    DrawTemperatureScreen();
    // "25.1": w 44, u 17 -> text at 33, picture at 77 + 2.
    EXPECT_TRUE(ShowsAsIf(0, 8, 122, 24, [] {
                  LcdPutLargeText(33, 9, "25.1");
                  LcdDrawImage(kDegreesCelsius, 79, 15);
              }));
    fw.stepValue = 2;
    LcdClear();
    DrawTemperatureScreen();
    EXPECT_TRUE(ShowsAsIf(0, 8, 122, 24, [] {
                  LcdPutLargeText(33, 9, "77.1");
                  LcdDrawImage(kDegreesFahrenheit, 79, 15);
              }));
}

// ---- Keys and the display-mode step ---------------------------------------------

TEST_F(Screens, ReadingKeysFollowTheDisplayMode) {
    struct Case {
        uint8_t mode;
        Handler up;
        Handler down;
    };
    const Case cases[] = {
        {0, ReadingTextUp, ReadingTextDown},
        {1, StepGraphZoomUp, StepGraphTypeUp},
        {2, EditLargeFontMode, EditLargeFontMode},
        {3, ReadingTimedUp, ReadingTimedDown},
    };
    for (const Case& c : cases) {
        fw.displayMode = c.mode;
        BindReadingKeys();
        EXPECT_EQ(fw.keyTable[KeyBack].handler, ReadingBack);
        EXPECT_EQ(fw.keyTable[KeyUp].handler, c.up);
        EXPECT_EQ(fw.keyTable[KeyDown].handler, c.down);
        EXPECT_EQ(fw.keyTable[KeySelect].handler, OpenMainMenu);
        for (uint32_t k = 0; k < 4; ++k) EXPECT_EQ(fw.keyTable[k].key, k);
    }
}

TEST_F(Screens, TextModeUpAndDown) {
    fw.displayMode = 0;
    fw.infoLine = 6;
    ReadingTextUp(KeyUp);
    EXPECT_EQ(fw.infoLine, 7u);
    ReadingTextUp(KeyUp);
    EXPECT_EQ(fw.infoLine, 0u);
    EXPECT_TRUE(AnyInk(harness::Area(0, 24, 122, 8)));  // redrawn

    fw.clockLine = 0;
    ReadingTextDown(KeyDown);
    EXPECT_EQ(fw.clockLine, 1);
    EXPECT_TRUE(ShowsAsIf(0, 0, 88, 7, [] { LcdPutText(5, 0, "09:05:30"); }));
    ReadingTextDown(KeyDown);
    EXPECT_EQ(fw.clockLine, 0);
    fw.clockLine = 5;  // a stray stored value still leads back to a clock
    ReadingTextDown(KeyDown);
    EXPECT_LE(fw.clockLine, 1);
}

TEST_F(Screens, BackShowsTheModeFirstThenSteps) {
    fw.displayMode = 0;
    BindReadingKeys();
    ReadingBack(KeyBack);
    EXPECT_EQ(fw.displayMode, 0);  // no box was open: only shown
    EXPECT_EQ(fw.editorKeepTicks, 0);
    fw.editing = 1;
    ReadingBack(KeyBack);
    EXPECT_EQ(fw.displayMode, 1);
    EXPECT_EQ(fw.keyTable[KeyUp].handler, StepGraphZoomUp);
    ReadingBack(KeyBack);
    EXPECT_EQ(fw.displayMode, 2);
    ReadingBack(KeyBack);
    EXPECT_EQ(fw.displayMode, 0);  // no timed count: wraps after large font
    EXPECT_EQ(fw.keyTable[KeyUp].handler, ReadingTextUp);
}

TEST_F(Screens, TimedCountModeOnlyWhileACountIsActive) {
    fw.editing = 1;
    fw.timedRunning = 1;
    fw.displayMode = 2;
    DisplayModeStep(1);
    EXPECT_EQ(fw.displayMode, 3);
    EXPECT_EQ(fw.keyTable[KeyDown].handler, ReadingTimedDown);
    DisplayModeStep(1);
    EXPECT_EQ(fw.displayMode, 0);

    // A leftover timed-count mode without a count shows as text mode.
    fw.timedRunning = 0;
    fw.editing = 0;
    fw.displayMode = 3;
    DisplayModeStep(0);
    EXPECT_EQ(fw.displayMode, 0);
}

TEST_F(Screens, TapActionStepsOnlyOnTheReadingScreen) {
    fw.tapAction = 1;
    fw.displayMode = 0;
    fw.editorKeepTicks = 5;
    DisplayModeStep(1);
    EXPECT_EQ(fw.displayMode, 1);  // steps without an open box

    fw.uiMode = Menu;
    fw.editorKeepTicks = 5;
    fw.keyTable[KeyUp].handler = MenuUp;
    DisplayModeStep(1);
    EXPECT_EQ(fw.displayMode, 1);
    EXPECT_EQ(fw.editorKeepTicks, 5);  // nothing at all
    EXPECT_EQ(fw.keyTable[KeyUp].handler, MenuUp);
}

TEST_F(Screens, MenuDisplayModeStepKeepsTheKeys) {
    fw.uiMode = Menu;
    fw.keyTable[KeyUp].handler = MenuUp;
    fw.editing = 1;
    fw.displayMode = 0;
    EditDisplayMode(0);
    EXPECT_EQ(fw.displayMode, 1);
    EXPECT_EQ(fw.keyTable[KeyUp].handler, MenuUp);
    EXPECT_EQ(fw.editorKeepTicks, 0);
}

}  // namespace
