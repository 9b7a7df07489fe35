#include <gtest/gtest.h>

#include <cstring>

#include "firmware/dataflash.h"
#include "firmware/device_harness.h"
#include "firmware/flash_record.h"

namespace {

// The power key as the unpowered device binds it.
void PressPower() { fw.keyTable[KeySelect].handler(KeySelect); }

void BootToRunning() {
    harness::Start();
    PressPower();
    harness::Wait(5);
}

std::time_t Year2000() {
    std::tm t{};
    t.tm_year = 100; t.tm_mon = 5; t.tm_mday = 1; t.tm_hour = 12;
    return timegm(&t);
}

}  // namespace

TEST(PowerOn, NothingHappensBeforeThePowerKey) {
    harness::Start();
    harness::Wait(10);
    EXPECT_EQ(fw.bootState, 0);
    EXPECT_EQ(harness::showLcdCalls, 0);
    EXPECT_EQ(harness::Row(10).find_first_not_of('-'), std::string::npos) << "the LCD stays unlit";
    EXPECT_EQ(fw.keyTable[KeyUp].handler, nullptr);
}

TEST(PowerOn, LogoFirstThenRunningAtTheFifthService) {
    harness::Start();
    PressPower();
    harness::HalfSecond();
    EXPECT_EQ(fw.bootState, 1);
    EXPECT_EQ(harness::showLcdCalls, 1);
    EXPECT_EQ(fw.holdStart, 0);
    EXPECT_EQ(fw.keyTable[KeyBack].handler, ReadingBack);
    EXPECT_EQ(fw.keyTable[KeyUp].handler, ReadingTextUp);
    EXPECT_EQ(fw.keyTable[KeyDown].handler, ReadingTextDown);
    EXPECT_EQ(fw.keyTable[KeySelect].handler, OpenMainMenu);
    EXPECT_EQ(fw.displayMode, 1) << "settings are loaded";

    harness::Wait(3);
    EXPECT_EQ(fw.bootState, 1);
    EXPECT_EQ(harness::showLcdCalls, 1);
    EXPECT_EQ(fw.uptimeSeconds, 0) << "the second tick waits for the running state";
    harness::HalfSecond();
    EXPECT_EQ(fw.bootState, 2);
    EXPECT_EQ(harness::showLcdCalls, 2);
    harness::Wait(2);
    EXPECT_EQ(fw.uptimeSeconds, 1);
    EXPECT_EQ(harness::showLcdCalls, 4);
}

// What the host was handed at the first LCD hand-over (power-on clears the
// surface right after, while the window keeps showing the logo).
std::string gLogoOutside, gLogoInside;
void CaptureLogo(void*) {
    if (++harness::showLcdCalls > 1) return;
    gLogoOutside = harness::Area(0, 0, 122, 4) + harness::Area(0, 4, 2, 28) + harness::Area(118, 4, 4, 28);
    gLogoInside = harness::Area(2, 4, 116, 28);
}

TEST(PowerOn, LogoIsHandedOverAtTwoFour) {
    harness::Start();
    DriverSetHandOver(CaptureLogo, nullptr);
    PressPower();
    harness::HalfSecond();
    ASSERT_EQ(harness::showLcdCalls, 1);
    EXPECT_EQ(gLogoOutside.find('#'), std::string::npos);
    EXPECT_EQ(gLogoOutside.find('-'), std::string::npos) << "the LCD was cleared";
    EXPECT_NE(gLogoInside.find('#'), std::string::npos);
}

TEST(PowerOn, StampsTheLogAndFindsTheEndOfStoredData) {
    harness::Start();
    for (uint32_t a = 0; a < kHistoryImageEnd; ++a) FlashReadArea[a] = 0;
    PressPower();
    harness::HalfSecond();
    EXPECT_TRUE(IsTimeStampAt(FlashWriteArea));
    EXPECT_EQ(FlashWriteArea[kStampModeAt], 1);
    EXPECT_EQ(fw.flashWriteMiddle, 0x60);
    EXPECT_EQ(fw.flashWriteLow, 0x18);
}

TEST(PowerOn, HoldsStopTheServices) {
    harness::Start();
    fw.holdAll = 1;
    PressPower();
    harness::Wait(6);
    EXPECT_EQ(fw.bootState, 0);

    harness::Start();
    fw.holdOutput = 1;
    PressPower();
    harness::Wait(8);
    EXPECT_EQ(fw.bootState, 2);
    EXPECT_EQ(harness::showLcdCalls, 1) << "only the logo is handed over";
}

TEST(HalfSecond, SwivelModeFixesTheOrientation) {
    BootToRunning();
    fw.swivelMode = 1;
    harness::HalfSecond();
    EXPECT_EQ(fw.displayTurned, 1);
    fw.swivelMode = 2;
    harness::HalfSecond();
    EXPECT_EQ(fw.displayTurned, 0) << "the sensor reads upright";
    fw.swivelMode = 1;
    fw.uiMode = Gyroscope;
    harness::HalfSecond();
    EXPECT_EQ(fw.displayTurned, 0) << "no sensor reads in the gyroscope screen";
}

TEST(HalfSecond, ValueBoxClosesOnTheSeventhService) {
    BootToRunning();
    fw.editing = 1;
    fw.editorIdleTicks = 0;
    fw.editorKeepTicks = 5;
    for (int i = 0; i < 6; ++i) FirmwareHalfSecondService();
    EXPECT_EQ(fw.editing, 1);
    EXPECT_EQ(fw.editorIdleTicks, 6);
    FirmwareHalfSecondService();
    EXPECT_EQ(fw.editing, 0);
    EXPECT_EQ(fw.editorIdleTicks, 0);
}

TEST(SecondTick, RunningTimeAndTenMinuteRefresh) {
    BootToRunning();
    fw.uptimeSeconds = 0;
    fw.displayOn = 0;
    for (int i = 0; i < 599; ++i) FirmwareSecondTick();
    EXPECT_EQ(fw.displayOn, 0);
    FirmwareSecondTick();
    EXPECT_EQ(fw.uptimeMinutes, 10);
    EXPECT_EQ(fw.displayOn, 1);

    fw.powerSavingOn = 1;
    fw.displayOn = 0;
    for (int i = 0; i < 600; ++i) FirmwareSecondTick();
    EXPECT_EQ(fw.uptimeMinutes, 20);
    EXPECT_EQ(fw.displayOn, 0) << "no refresh with power saving on";

    fw.uptimeDays = 255;
    fw.uptimeHours = 23;
    fw.uptimeMinutes = 59;
    fw.uptimeSeconds = 59;
    FirmwareSecondTick();
    EXPECT_EQ(fw.uptimeDays + fw.uptimeHours + fw.uptimeMinutes + fw.uptimeSeconds, 0);
}

TEST(SecondTick, BacklightAndKeyQuietCountDown) {
    BootToRunning();
    fw.backlightTimer = 5;
    fw.keyQuiet = 3;
    EXPECT_FALSE(WakeDisplay());
    EXPECT_EQ(fw.backlightAge, 2);
    for (int i = 0; i < 4; ++i) FirmwareSecondTick();
    EXPECT_EQ(fw.backlightAge, 6);
    EXPECT_EQ(fw.keyQuiet, 0);
    FirmwareSecondTick();
    EXPECT_EQ(fw.backlightAge, 50) << "backlight switched off";

    fw.displayOn = 0;
    fw.powerSavingOn = 1;
    fw.powerSaveCountdown = 4;
    EXPECT_TRUE(WakeDisplay());
    EXPECT_EQ(fw.powerSaveCountdown, 30);
}

TEST(SecondTick, LoggingPausesOnlyOverTheSaveDataRow) {
    BootToRunning();
    fw.saveMode = 1;
    fw.uiMode = Menu;
    fw.menuTable = MainMenu;
    fw.menuCursor = 2;
    fw.editing = 1;
    uint8_t before = fw.flashWriteLow;
    FirmwareSecondTick();
    EXPECT_EQ(fw.flashWriteLow, before);
    fw.menuCursor = 1;
    FirmwareSecondTick();
    EXPECT_EQ(fw.flashWriteLow, before + 1);
    fw.menuCursor = 200;  // past the table's end: no row, so no pause
    FirmwareSecondTick();
    EXPECT_EQ(fw.flashWriteLow, before + 2);
}

TEST(SecondTick, GyroscopeCountsTheScratchDown) {
    BootToRunning();
    fw.uiMode = Gyroscope;
    fw.stepValue = 1;
    fw.noteText[2] = 2;
    fw.noteText[3] = 1;
    FirmwareSecondTick();
    EXPECT_EQ(fw.noteText[2], 1);
    FirmwareSecondTick();
    FirmwareSecondTick();
    EXPECT_EQ(fw.noteText[2], 0) << "stops at 0";

    fw.noteText[2] = static_cast<char>(200);  // the scratch bytes are unsigned
    FirmwareSecondTick();
    EXPECT_EQ(static_cast<uint8_t>(fw.noteText[2]), 199);

    fw.noteText[3] = 2;
    FirmwareSecondTick();
    fw.noteText[3] = 1;
    fw.stepValue = 0;
    FirmwareSecondTick();
    fw.stepValue = 1;
    fw.uiMode = Menu;
    FirmwareSecondTick();
    EXPECT_EQ(static_cast<uint8_t>(fw.noteText[2]), 199) << "only in the gyroscope screen, armed, with step 1";
}

TEST(ClockCheck, ValidClockNeverAsksToSetIt) {
    BootToRunning();
    for (int i = 0; i < 10; ++i) FirmwareSecondTick();
    EXPECT_EQ(fw.editing, 0);
}

TEST(ClockCheck, YearZeroAsksOutsideTheMenu) {
    harness::Start(Year2000());
    PressPower();
    harness::Wait(5);
    fw.uiMode = Menu;
    ClockCheck();
    EXPECT_EQ(fw.editing, 0);
    fw.uiMode = Reading;
    ClockCheck();
    EXPECT_EQ(fw.editing, 1) << "\"Please set\" opens a value box";
}
