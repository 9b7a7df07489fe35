// The setting editors and information screens, driven through the keys on
// a booted device, as the user reaches them.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "firmware/dataflash.h"
#include "firmware/device_harness.h"
#include "firmware/flash_record.h"
#include "firmware/screen_compare.h"

using screen::ShowsAsIf;

namespace {

using harness::Open;
using harness::Press;

::testing::AssertionResult BoxShows(const char* text) {
    return ShowsAsIf(20, 7, 84, 23, [text] { ShowValueBox(text); });
}

::testing::AssertionResult BoxShows2(const char* first, const char* second) {
    return ShowsAsIf(20, 7, 84, 23, [first, second] { ShowValueBox2(first, second); });
}

// A box with a label and a value drawn at (x, 15) after it.
::testing::AssertionResult BoxShowsAt(const char* label, uint8_t x, const char* value) {
    return ShowsAsIf(20, 7, 84, 23, [label, x, value] {
        ShowValueBox(label);
        LcdPutText(x, 15, value);
    });
}

uint32_t WriteAddress() { return FlashWriteAddress(); }

// Keeps half-second services coming until the box closes; returns how many.
int HalfTicksUntilClosed() {
    int n = 0;
    while (fw.editing && n < 100) {
        harness::HalfSecond();
        ++n;
    }
    return n;
}

class Editors : public ::testing::Test {
protected:
    void SetUp() override { harness::Boot(); }
};

TEST_F(Editors, FactoryResetYesAfterStartUpResetsWhenTheBoxCloses) {
    ASSERT_EQ(fw.stepValue, 0);
    fw.maxCpm = 4321;
    fw.thresholdCpm = 5000;
    fw.note[0] = 0;
    Open({4, 2});
    EXPECT_TRUE(BoxShows("Yes"));
    EXPECT_EQ(fw.editorKeepTicks, 10);
    EXPECT_GT(WriteAddress(), 0x6000u);  // nothing done yet

    // Keep 10: the box stays between 5.5 and 6 seconds.
    EXPECT_EQ(HalfTicksUntilClosed(), 12);
    EXPECT_LT(fw.maxCpm, 100u);
    // Erased and restarted: the reset's own time stamp, then the one the
    // settings load writes; the logger has added its bytes since.
    EXPECT_TRUE(IsTimeStampAt(FlashWriteArea));
    EXPECT_TRUE(IsTimeStampAt(FlashWriteArea + kStampLength));
    EXPECT_LT(WriteAddress(), 40u);
    EXPECT_EQ(fw.flashReadMiddle, 0);
    // The fixed store is loaded again.
    EXPECT_EQ(fw.thresholdCpm, 30u);
    EXPECT_EQ(fw.calibration[0].cpm, 1000u);
    EXPECT_EQ(fw.displayMode, 1);
    // Back on the menu, which is drawn again.
    EXPECT_EQ(fw.uiMode, Menu);
    EXPECT_EQ(fw.menuTable, InitSetupMenu);
    EXPECT_EQ(harness::Row(7), std::string(122, '#'));
    EXPECT_TRUE(ShowsAsIf(6, 25, 78, 7, [] { LcdPutText(6, 25, "Factory Reset"); }));

    // Now stepValue is 1: the next Select shows "No" and nothing happens.
    uint32_t address = WriteAddress();
    Press(KeySelect);
    EXPECT_TRUE(BoxShows("No"));
    EXPECT_EQ(fw.editorKeepTicks, 5);
    fw.maxCpm = 77;
    HalfTicksUntilClosed();
    EXPECT_EQ(fw.maxCpm, 77u);
    EXPECT_GE(WriteAddress(), address);
}

// The box area at the first hand-over after the handler is installed.
std::string firstHandedOver;
void KeepFirstBox(void*) {
    if (firstHandedOver.empty()) firstHandedOver = harness::Area(20, 7, 84, 23);
}

TEST_F(Editors, FactoryResetShowsItsNoticeAndBackBringsItForward) {
    Open({4, 2});
    Press(KeyBack);  // no cancel: the reset runs at the next service
    fw.maxCpm = 4321;
    firstHandedOver.clear();
    DriverSetHandOver(KeepFirstBox, nullptr);
    harness::HalfSecond();
    DriverSetHandOver(harness::CountShowLcd, nullptr);
    EXPECT_EQ(fw.editing, 0);
    EXPECT_LT(fw.maxCpm, 100u);  // cleared; the running minute may have added since
    EXPECT_EQ(firstHandedOver, screen::Drawn(20, 7, 84, 23, [] { ShowValueBox2("FactoryReset", "Please wait."); }));
}

TEST_F(Editors, ThresholdStepsByBandAndByUnitInForce) {
    Open({2, 3, 0});  // Save Data > Threshold > CPM
    EXPECT_EQ(fw.thresholdUnit, 0u);
    EXPECT_TRUE(BoxShows("0030 CPM"));
    const uint32_t from[] = {100, 101, 1000, 1001, 10000, 10001, 65000};
    const uint32_t to[] = {110, 151, 1050, 1101, 10100, 11001, 0};
    for (int i = 0; i < 7; ++i) {
        fw.thresholdCpm = from[i];
        Press(KeyUp);
        EXPECT_EQ(fw.thresholdCpm, to[i]) << from[i];
    }
    EXPECT_TRUE(BoxShows("0000 CPM"));
    Press(KeyDown);  // at 0 it stays
    EXPECT_EQ(fw.thresholdCpm, 0u);
    fw.thresholdCpm = 31;
    Press(KeyDown);
    EXPECT_EQ(fw.thresholdCpm, 30u);
    HalfTicksUntilClosed();

    // "uSv": showing makes it the unit, and Down then takes 5 at a time.
    Press(KeyDown);
    Press(KeySelect);
    EXPECT_EQ(fw.thresholdUnit, 1u);
    EXPECT_EQ(ThresholdMenu[1].chosen, 1);
    EXPECT_EQ(ThresholdMenu[0].chosen, 0);
    fw.thresholdCpm = 3;
    Press(KeyDown);
    EXPECT_EQ(fw.thresholdCpm, 0u);
    EXPECT_TRUE(BoxShows("0.00 uSv"));
    fw.thresholdCpm = 1000;  // point 1 of the store is 1000 CPM = 5 uSv/h
    Press(KeyDown);
    EXPECT_EQ(fw.thresholdCpm, 995u);
    fw.thresholdCpm = 1000;
    Press(KeyUp);  // 1000 is in the +50 band
    EXPECT_FLOAT_EQ(fw.thresholdUsv, CpmToDose(1050));
    HalfTicksUntilClosed();
    EXPECT_TRUE(ShowsAsIf(6, 17, 60, 7, [] { LcdPutText(6, 17, "uSv(*)"); }));

    // "mR" shows a tenth of the dose and takes 15 at a time.
    Press(KeyDown);
    fw.thresholdCpm = 1000;
    Press(KeySelect);
    EXPECT_TRUE(BoxShows("0.50 mR"));
    Press(KeyDown);
    EXPECT_EQ(fw.thresholdCpm, 985u);
}

TEST_F(Editors, AlarmLevelsLimitsAndTheMarkMovingAtOnce) {
    Open({0, 1, 2});  // User Option > Alarm > uSv
    EXPECT_EQ(fw.alarmUnit, 1u);
    EXPECT_EQ(AlarmMenu[2].chosen, 1);
    EXPECT_EQ(AlarmMenu[1].chosen, 0);

    fw.alarmLevelUsv = 0.005f;
    Press(KeyDown);
    EXPECT_FLOAT_EQ(fw.alarmLevelUsv, 0.01f);
    EXPECT_TRUE(BoxShows("0.01 uSv"));
    Press(KeyDown);  // never down to 0, which every reading reaches
    EXPECT_FLOAT_EQ(fw.alarmLevelUsv, 0.01f);
    fw.alarmLevelUsv = 9.95f;
    Press(KeyUp);
    EXPECT_FLOAT_EQ(fw.alarmLevelUsv, 10.0f);
    EXPECT_TRUE(BoxShows("10.00 uSv"));
    fw.alarmLevelUsv = 0.0f;  // as stored: Down leaves it
    Press(KeyDown);
    EXPECT_FLOAT_EQ(fw.alarmLevelUsv, 0.0f);

    HalfTicksUntilClosed();
    EXPECT_TRUE(ShowsAsIf(0, 17, 60, 15, [] {
        LcdPutText(6, 17, "CPM");
        LcdPutText(6, 25, "uSv(*)");
        LcdPutCharAt(0, 25, 126);
    }));

    Press(KeyUp);
    Press(KeySelect);
    EXPECT_EQ(fw.alarmUnit, 0u);
    EXPECT_TRUE(BoxShows("0100 CPM"));
    fw.alarmLevelCpm = 2990;
    Press(KeyUp);
    EXPECT_EQ(fw.alarmLevelCpm, 0u);
    Press(KeyDown);
    EXPECT_EQ(fw.alarmLevelCpm, 0u);
    fw.alarmLevelCpm = 2980;
    Press(KeyUp);
    EXPECT_EQ(fw.alarmLevelCpm, 3000u);
    EXPECT_TRUE(BoxShows("3000 CPM"));
}

TEST_F(Editors, CalibratePointThreeCountsAndDose) {
    Open({4, 1, 2});  // Init Setup > Calibrate > Calibrate 3
    fw.calibration[2] = {1000, 5.0f};
    LcdClear();
    fw.calibPhase = 0;
    fw.editing = 0;
    Press(KeySelect);
    EXPECT_EQ(fw.calibPhase, 1);
    EXPECT_TRUE(BoxShowsAt("CPM:     ", 56, "1000"));
    Press(KeyUp);
    EXPECT_EQ(fw.calibration[2].cpm, 2000u);
    EXPECT_TRUE(BoxShowsAt("CPM:     ", 56, "2000"));
    fw.calibration[2].cpm = 1000;
    Press(KeyDown);
    EXPECT_EQ(fw.calibration[2].cpm, 900u);
    fw.calibration[2].cpm = 100;
    Press(KeyDown);
    EXPECT_EQ(fw.calibration[2].cpm, 100u);

    Press(KeySelect);
    EXPECT_EQ(fw.calibPhase, 2);
    EXPECT_TRUE(BoxShowsAt("uSv:     ", 56, "5.00"));
    Press(KeyUp);
    EXPECT_FLOAT_EQ(fw.calibration[2].usv, 15.0f);
    fw.calibration[2].usv = 1.0f;
    Press(KeyDown);  // not above the step: left
    EXPECT_FLOAT_EQ(fw.calibration[2].usv, 1.0f);
    fw.calibration[2].usv = 5.0f;

    // The third Select redraws without reopening: the box's life goes on.
    harness::HalfSecond();
    uint8_t idle = fw.editorIdleTicks;
    Press(KeySelect);
    EXPECT_EQ(fw.calibPhase, 0);
    EXPECT_EQ(fw.editorIdleTicks, idle);
    Press(KeyUp);  // nothing to step any more
    EXPECT_FLOAT_EQ(fw.calibration[2].usv, 5.0f);
    EXPECT_EQ(fw.calibration[2].cpm, 100u);
    HalfTicksUntilClosed();
    EXPECT_EQ(fw.calibPhase, 0);

    // Point 1 steps by its own amounts.
    Press(KeyUp, 2);
    fw.calibration[0] = {60, 0.3f};
    Press(KeySelect);
    Press(KeyUp);
    EXPECT_EQ(fw.calibration[0].cpm, 70u);
    Press(KeySelect);
    Press(KeyDown);
    EXPECT_NEAR(fw.calibration[0].usv, 0.29f, 1e-6);
}

TEST_F(Editors, BaudRateStepsThroughItsTable) {
    Open({5, 3});  // Others > Comport Baud Rate
    EXPECT_TRUE(BoxShows2("115200 BPS", "(Default)"));
    EXPECT_EQ(fw.editorKeepTicks, 3);
    Press(KeyDown);
    EXPECT_EQ(fw.baudCode, 64);
    EXPECT_TRUE(BoxShows("1200 BPS"));
    EXPECT_EQ(fw.baudReloadHigh, 247);
    EXPECT_EQ(fw.baudReloadLow, 0);
    fw.baudCode = 252;
    Press(KeyUp);
    EXPECT_EQ(fw.baudCode, 254);
    EXPECT_EQ(fw.baudReloadHigh, 255);
    EXPECT_EQ(fw.baudReloadLow, 232);
    EXPECT_TRUE(BoxShows2("115200 BPS", "(Default)"));
    EXPECT_EQ(HalfTicksUntilClosed(), 5);  // keep 3

    // An unknown code shows "Other", keeps its reload bytes, steps to the default.
    fw.baudCode = 7;
    fw.baudReloadHigh = fw.baudReloadLow = 1;
    Press(KeySelect);
    EXPECT_TRUE(BoxShows("Other"));
    EXPECT_EQ(fw.baudReloadHigh, 1);
    Press(KeySelect);
    EXPECT_EQ(fw.baudCode, 254);
}

TEST_F(Editors, ToggleRowsShowFirstThenStep) {
    struct Case {
        std::initializer_list<int> path;
        const char* first;
        const char* second;
    };
    fw.speakerOn = 1;
    fw.ledIndicatorOn = 1;
    fw.powerSavingOn = 0;
    fw.swivelMode = 0;
    fw.reverseFlag = 1;
    fw.alarmOn = 1;
    const Case cases[] = {
        {{0, 0}, "Speaker ON", "Speaker OFF"},  {{0, 2}, "ON", "OFF"},
        {{0, 3}, "OFF", "ON"},                  {{0, 1, 0}, "Alarm ON", "Alarm OFF"},
        {{1, 7}, "Normal", "Swivel"},           {{1, 8}, "OFF", "ON"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        Open(c.path);
        EXPECT_TRUE(BoxShows(c.first));
        Press(KeyUp);
        EXPECT_TRUE(BoxShows(c.second));
        Press(KeyBack);  // closes at the next service
        harness::HalfSecond();
        ASSERT_EQ(fw.editing, 0);
        Press(KeyBack);
        if (fw.uiMode == Menu) Press(KeyBack);
        ASSERT_EQ(fw.uiMode, Reading);
    }
    EXPECT_EQ(fw.speakerOn, 0);
    EXPECT_EQ(fw.ledIndicatorOn, 0);
    EXPECT_EQ(fw.powerSavingOn, 1);
    EXPECT_EQ(fw.alarmOn, 0);
    EXPECT_EQ(fw.swivelMode, 1u);
    EXPECT_EQ(fw.reverseFlag, 0);

    // Wrapping toggles with two-line values.
    fw.motionDetect = 1;
    Open({0, 4});
    EXPECT_TRUE(BoxShows("On Backlight"));
    Press(KeyDown);
    EXPECT_TRUE(BoxShows2("On Backlight", "& DisplayMode"));
    Press(KeySelect);
    EXPECT_EQ(fw.motionDetect, 0u);
    EXPECT_TRUE(BoxShows("OFF"));
    HalfTicksUntilClosed();
    Press(KeyBack);
    Press(KeyDown, 5);
    Press(KeySelect);
    Press(KeySelect);
    ASSERT_EQ(fw.menuTable, BatteryMenu);
    Press(KeySelect);
    EXPECT_TRUE(BoxShows("Rechargeable"));
    Press(KeySelect);
    EXPECT_EQ(fw.batteryType, 1);
    EXPECT_TRUE(BoxShows2("Non", "Rechargeable"));
}

TEST_F(Editors, SaveModeMarksTheLogEachTimeItShows) {
    Open({2, 0});
    EXPECT_TRUE(BoxShows("Every Second"));
    const char* const single[] = {nullptr, nullptr, "Every Minute", "Every Hour"};
    for (uint32_t mode = 2; mode <= 6; ++mode) {
        uint32_t before = WriteAddress();
        fw.uptimeMinutes = 7;
        fw.uptimeSeconds = 9;
        fw.logSeconds = 33;
        Press(KeyUp);
        EXPECT_EQ(WriteAddress(), before + 12) << mode;
        uint32_t expected = mode % 6;
        EXPECT_EQ(fw.saveMode, expected);
        EXPECT_EQ(FlashWriteArea[(before + 11) & 0xFFFF], expected);  // the stamp's mode byte
        if (expected == 4) {
            EXPECT_TRUE(BoxShows2("Every Second", "Threshold"));
            EXPECT_EQ(fw.logLastMark, 7u * 60 + 9);
            EXPECT_EQ(fw.logSeconds, 0u);
        } else if (expected == 5) {
            EXPECT_TRUE(BoxShows2("Every Minute", "Threshold"));
            EXPECT_EQ(fw.logLastMark, 7u);
            EXPECT_EQ(fw.logSeconds, 0u);
        } else if (expected == 0) {
            EXPECT_TRUE(BoxShows("OFF"));
        } else {
            EXPECT_TRUE(BoxShows(single[expected]));
            EXPECT_EQ(fw.logSeconds, 33u);
        }
    }
}

TEST_F(Editors, ContrastAndBacklightSteppers) {
    Open({1, 3});  // Display Option > Contrast
    EXPECT_EQ(fw.stepValue, 3);  // the cursor row
    EXPECT_TRUE(BoxShowsAt("Level:   ", 75, "20"));
    fw.contrast = 40;
    Press(KeyUp);
    EXPECT_EQ(fw.contrast, 40);
    EXPECT_EQ(fw.stepValue, 40);
    fw.contrast = 15;
    Press(KeyDown);
    EXPECT_EQ(fw.contrast, 15);
    Press(KeyUp);
    EXPECT_TRUE(BoxShowsAt("Level:   ", 75, "16"));
    HalfTicksUntilClosed();

    Press(KeyUp, 2);  // Backlight Timer
    fw.backlightTimer = 31;
    Press(KeySelect);
    EXPECT_TRUE(BoxShowsAt("Timeout:   ", 75, "30"));
    Press(KeyUp);
    EXPECT_EQ(fw.backlightTimer, 0);
    EXPECT_EQ(fw.backlightOn, 0);
    EXPECT_TRUE(BoxShows("Light OFF"));
    Press(KeyDown);
    EXPECT_EQ(fw.backlightTimer, 31);
    EXPECT_EQ(fw.backlightOn, 1);
    fw.backlightTimer = 3;
    Press(KeyDown);
    EXPECT_EQ(fw.backlightTimer, 2);
    EXPECT_EQ(fw.backlightOn, 0);
    Press(KeyDown);
    EXPECT_TRUE(BoxShows("Light ON"));
    EXPECT_EQ(fw.backlightOn, 1);
    HalfTicksUntilClosed();

    Press(KeyDown);  // Backlight Level
    fw.backlightLevel = 10;
    Press(KeySelect);
    Press(KeyUp);
    EXPECT_EQ(fw.backlightLevel, 10);
    EXPECT_TRUE(BoxShowsAt("Level:   ", 75, "10"));
    fw.backlightLevel = 0;
    Press(KeyDown);
    EXPECT_EQ(fw.backlightLevel, 0);
}

TEST_F(Editors, DateTimeWalksTheFieldsAndReReadsTheFrozenClock) {
    Open({4, 0});  // Init Setup > Date/Time: 2026-03-07 09:05:30
    EXPECT_TRUE(BoxShowsAt("Year:20  ", 78, "26"));
    EXPECT_EQ(fw.editorKeepTicks, 6);
    Press(KeyUp);  // handed to the clock, which keeps its own time
    EXPECT_EQ(fw.stepValue, 26);
    EXPECT_EQ(fw.editField, 1);
    EXPECT_TRUE(BoxShowsAt("Year:20  ", 78, "26"));
    const char* const labels[] = {"Month:  ", "Date:  ", "Hour:  ", "Minute:  ", "Second:  "};
    const char* const values[] = {"03", "07", "09", "05", "30"};
    for (int i = 0; i < 5; ++i) {
        Press(KeySelect);
        EXPECT_TRUE(BoxShowsAt(labels[i], 78, values[i])) << labels[i];
    }
    Press(KeyDown);
    EXPECT_TRUE(BoxShowsAt("Second:  ", 78, "30"));
    // The seventh Select starts over without a box of its own.
    harness::HalfSecond();
    uint8_t idle = fw.editorIdleTicks;
    Press(KeySelect);
    EXPECT_EQ(fw.editField, 0);
    EXPECT_EQ(fw.editorIdleTicks, idle);
    Press(KeySelect);
    EXPECT_TRUE(BoxShowsAt("Year:20  ", 78, "26"));
}

TEST_F(Editors, InformationScreens) {
    Open({6, 0});
    EXPECT_TRUE(BoxShows("XRV-140+V4"));
    Press(KeyDown);  // the box takes no steps
    EXPECT_EQ(fw.menuCursor, 0);
    HalfTicksUntilClosed();
    Press(KeyDown);
    Press(KeySelect);
    EXPECT_TRUE(BoxShows("Re 4.00"));
    HalfTicksUntilClosed();
    Press(KeyDown);
    Press(KeySelect);
    EXPECT_TRUE(BoxShows("1B1C1D1F1112"));
    HalfTicksUntilClosed();

    Press(KeyDown);
    Press(KeySelect);  // "Manufacture": a screen of its own
    EXPECT_TRUE(ShowsAsIf(0, 0, 122, 32, [] {
        LcdPutText(10, 8, "KV Electronics LLC");
        LcdPutText(10, 16, "Made in USA");
    }));
    EXPECT_EQ(fw.editing, 1);
    EXPECT_EQ(HalfTicksUntilClosed(), 5);  // keep 3
    EXPECT_EQ(fw.redrawOnClose, 0);
    EXPECT_EQ(harness::Row(7), std::string(122, '#'));
    EXPECT_TRUE(ShowsAsIf(6, 25, 66, 7, [] { LcdPutText(6, 25, "Manufacture"); }));

    Press(KeyBack);
    Press(KeyDown, 5);
    Press(KeySelect);
    Press(KeySelect);
    Press(KeyDown);
    Press(KeySelect);  // Others > Battery > Battery: the platform reads 85
    EXPECT_TRUE(BoxShows("No Battery"));
    EXPECT_EQ(fw.editorKeepTicks, 3);
}

TEST_F(Editors, TemperatureScreenOwnsUpDownAndSelect) {
    Open({5, 1});
    EXPECT_EQ(fw.uiMode, Temperature);
    EXPECT_EQ(fw.temperatureShown, 1);
    EXPECT_EQ(fw.keyTable[KeyBack].handler, MenuBack);
    EXPECT_EQ(fw.keyTable[KeyUp].handler, TemperatureUnitStep);
    EXPECT_EQ(fw.keyTable[KeySelect].handler, TemperatureUnitStep);
    EXPECT_TRUE(ShowsAsIf(0, 0, 86, 7, [] { LcdPutText(8, 0, "Temperature"); }));
    fw.stepValue = 0;
    Press(KeyUp);
    EXPECT_EQ(fw.stepValue, 1);
    std::string fahrenheit = harness::Area(0, 8, 122, 24);
    Press(KeyDown);
    Press(KeySelect);
    EXPECT_EQ(fw.stepValue, 0);
    EXPECT_NE(harness::Area(0, 8, 122, 24), fahrenheit);
    harness::Wait(2);
    EXPECT_TRUE(ShowsAsIf(0, 0, 86, 7, [] { LcdPutText(8, 0, "Temperature"); }));

    Press(KeyBack);
    EXPECT_EQ(fw.uiMode, Menu);
    EXPECT_EQ(fw.menuTable, MainMenu);
    EXPECT_EQ(fw.temperatureShown, 0);
    EXPECT_EQ(fw.keyTable[KeyUp].handler, MenuUp);
}

TEST_F(Editors, GyroscopeKeepsTheMenuAndItsKeys) {
    Open({5, 2});
    EXPECT_EQ(fw.uiMode, Gyroscope);
    EXPECT_EQ(fw.stepValue, 0);
    EXPECT_TRUE(ShowsAsIf(6, 25, 54, 7, [] { LcdPutText(6, 25, "Gyroscope"); }));

    // A box opened from here is cleared again when it closes.
    Press(KeyDown);
    Press(KeySelect);
    ASSERT_EQ(fw.editing, 1);
    HalfTicksUntilClosed();
    EXPECT_TRUE(ShowsAsIf(0, 8, 122, 24, [] {
        LcdPutText(6, 9, "Temperature");
        LcdPutText(6, 17, "Gyroscope");
        LcdPutText(6, 25, "Comport Baud Rate");
        LcdPutCharAt(0, 25, 126);
        LcdPutCharAt(117, 9, 130);
        LcdPutCharAt(117, 25, 131);
    }));

    Press(KeyBack);
    EXPECT_EQ(fw.uiMode, Menu);
    EXPECT_EQ(fw.menuTable, MainMenu);
}

}  // namespace
