#include <gtest/gtest.h>

#include <cstring>

#include "firmware/dataflash.h"
#include "firmware/device_harness.h"

namespace {

uint8_t gStore[128];
uint8_t StoreRead(uint16_t address) { return address < sizeof gStore ? gStore[address] : 0xFF; }

void Put16(uint16_t address, uint16_t v) {
    gStore[address] = static_cast<uint8_t>(v >> 8);
    gStore[address + 1] = static_cast<uint8_t>(v);
}

void PutFloat(uint16_t address, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    for (int i = 0; i < 4; ++i) gStore[address + i] = static_cast<uint8_t>(bits >> (24 - 8 * i));
}

uint32_t WriteAddress() { return FlashWriteAddress(); }

}  // namespace

TEST(Settings, FixedStoreGivesThePowerOnSettings) {
    harness::Start();
    LoadSettings();
    EXPECT_EQ(fw.alarmOn, 1);
    EXPECT_EQ(fw.speakerOn, 1);
    EXPECT_EQ(fw.displayMode, 1);
    EXPECT_EQ(fw.backlightTimer, 0);
    EXPECT_EQ(fw.backlightOn, 0) << "a zero backlight timer switches the backlight flag off";
    EXPECT_EQ(fw.alarmLevelCpm, 100u);
    EXPECT_EQ(fw.calibration[0].cpm, 1000u);
    EXPECT_FLOAT_EQ(fw.calibration[0].usv, 5.0f);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(fw.calibration[i].cpm, 0u);
        EXPECT_EQ(fw.calibration[i].usv, 0.0f);
    }
    EXPECT_EQ(fw.alarmUnit, 0u);
    EXPECT_EQ(fw.thresholdCpm, 30u);
    EXPECT_EQ(fw.swivelMode, 0u);
    EXPECT_EQ(fw.ledIndicatorOn, 0);
    EXPECT_EQ(fw.backlightLevel, 0);
    EXPECT_EQ(fw.reservedA, 1) << "0 is normalised to 1";
    EXPECT_EQ(fw.reservedC, 0u);
    EXPECT_EQ(fw.contrast, 20);
    EXPECT_EQ(fw.saveMode, 1u);
    EXPECT_EQ(fw.highRateFactor, 10);
    EXPECT_EQ(fw.quietHighRateFactor, 10);
    EXPECT_EQ(fw.baudCode, 254);
    EXPECT_EQ(fw.baudReloadHigh, 255);
    EXPECT_EQ(fw.baudReloadLow, 232);
}

TEST(Settings, PowerOnStampUsesTheClockAndSaveMode) {
    harness::Start();  // clock: 2026-03-07 09:05:30
    LoadSettings();
    const uint8_t expected[12] = {0x55, 0xAA, 0x00, 26, 3, 7, 9, 5, 30, 0x55, 0xAA, 1};
    EXPECT_EQ(0, std::memcmp(FlashWriteArea, expected, 12));
    EXPECT_EQ(WriteAddress(), 12u) << "no note record at power-on";
}

TEST(Settings, ErasedStoreTakesEveryFallback) {
    harness::Start();
    std::memset(gStore, 0xFF, sizeof gStore);
    LoadSettingsFrom(StoreRead);
    EXPECT_EQ(fw.displayMode, 1);
    EXPECT_EQ(fw.backlightTimer, 31);
    EXPECT_EQ(fw.backlightOn, 1);
    EXPECT_EQ(fw.clockLine, 0);
    EXPECT_EQ(fw.alarmLevelCpm, 100u);
    const uint32_t cpm[3] = {60, 240, 1000};
    const float usv[3] = {0.3f, 1.2f, 5.0f};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(fw.calibration[i].cpm, cpm[i]);
        EXPECT_FLOAT_EQ(fw.calibration[i].usv, usv[i]);
    }
    EXPECT_EQ(fw.maxCpm, 0u);
    EXPECT_EQ(fw.infoLine, 0u);
    EXPECT_FLOAT_EQ(fw.alarmLevelUsv, 0.5f);
    EXPECT_EQ(fw.alarmUnit, 0u);
    EXPECT_EQ(fw.thresholdUnit, 0u);
    EXPECT_EQ(fw.thresholdCpm, 100u);
    EXPECT_FLOAT_EQ(fw.thresholdUsv, 0.5f);
    EXPECT_EQ(fw.graphType, 0u);
    EXPECT_EQ(fw.swivelMode, 0u);
    EXPECT_EQ(fw.motionDetect, 0u);
    EXPECT_EQ(fw.batteryType, 1);
    EXPECT_EQ(fw.graphZoom, 0.0f);
    EXPECT_EQ(fw.reservedA, 1);
    EXPECT_EQ(fw.largeFontUnit, 0);
    EXPECT_EQ(fw.ledIndicatorOn, 1);
    EXPECT_EQ(fw.backlightLevel, 5);
    EXPECT_EQ(fw.reservedC, 120u);
    EXPECT_EQ(fw.contrast, 20);
    EXPECT_EQ(fw.saveMode, 1u);
    EXPECT_EQ(fw.highRateFactor, 10);
    EXPECT_EQ(fw.quietHighRateFactor, 10);
    EXPECT_EQ(fw.baudReloadLow, 232) << "0xFF is no known rate code";
}

TEST(Settings, ValuesAreReadMostSignificantByteFirstAndKeptInRange) {
    harness::Start();
    std::memset(gStore, 0, sizeof gStore);
    Put16(6, 0x1234);
    Put16(8, 0xFFFE);
    PutFloat(10, 2.5f);
    PutFloat(27, 0.25f);
    Put16(49, 0xFFEF);
    Put16(62, 0xFFF0);
    Put16(46, 2047);
    gStore[4] = 7;
    gStore[48] = 48;
    gStore[32] = 6;
    gStore[3] = 3;
    gStore[61] = 0xFE;
    gStore[58] = 0;
    gStore[57] = 64;
    LoadSettingsFrom(StoreRead);
    EXPECT_EQ(fw.alarmLevelCpm, 0x1234u);
    EXPECT_EQ(fw.calibration[0].cpm, 0xFFFEu) << "only 0xFFFF counts as erased";
    EXPECT_FLOAT_EQ(fw.calibration[0].usv, 2.5f);
    EXPECT_FLOAT_EQ(fw.alarmLevelUsv, 0.25f);
    EXPECT_EQ(fw.maxCpm, 0xFFEFu);
    EXPECT_EQ(fw.thresholdCpm, 100u);
    EXPECT_EQ(fw.reservedC, 2047u);
    EXPECT_EQ(fw.backlightTimer, 7);
    EXPECT_EQ(fw.backlightOn, 1);
    EXPECT_EQ(fw.contrast, 48);
    EXPECT_EQ(fw.saveMode, 6u);
    EXPECT_EQ(fw.displayMode, 1);
    EXPECT_EQ(fw.highRateFactor, 0xFE);
    EXPECT_EQ(fw.quietHighRateFactor, 10);
    EXPECT_EQ(fw.baudReloadHigh, 247);
    EXPECT_EQ(fw.baudReloadLow, 0);

    gStore[48] = 49;
    gStore[32] = 7;
    gStore[45] = 9;
    gStore[57] = 100;  // no such rate code
    LoadSettingsFrom(StoreRead);
    EXPECT_EQ(fw.contrast, 20);
    EXPECT_EQ(fw.saveMode, 1u);
    EXPECT_EQ(fw.reservedA, 1);
    EXPECT_EQ(fw.baudCode, 254);
    EXPECT_EQ(fw.baudReloadHigh, 255);
    EXPECT_EQ(fw.baudReloadLow, 232);
}

TEST(Settings, SaveModeOffWritesNoStampAndSavingStoresNothing) {
    harness::Start();
    std::memset(gStore, 0, sizeof gStore);
    LoadSettingsFrom(StoreRead);
    EXPECT_EQ(WriteAddress(), 0u);

    LoadSettings();
    fw.alarmOn = 0;
    fw.contrast = 40;
    SaveSettings();
    LoadSettings();
    EXPECT_EQ(fw.alarmOn, 1);
    EXPECT_EQ(fw.contrast, 20);
}

// Power-on with the factory store loads what Factory Reset stores, and
// choosing that store leaves the running device as it was.
TEST(Settings, FactoryStoreLoadsWhatFactoryResetStores) {
    harness::Boot();
    harness::Press(KeySelect);
    const FirmwareState before = fw;
    const LcdBits lcd = LcdSurface;
    const uint32_t logged = WriteAddress();
    SetConfigStore(ConfigStore::Factory);
    EXPECT_EQ(std::memcmp(&before, &fw, sizeof fw), 0);
    EXPECT_EQ(std::memcmp(&lcd, &LcdSurface, sizeof lcd), 0);
    EXPECT_EQ(WriteAddress(), logged);

    harness::Start();
    LoadSettings();
    EXPECT_EQ(fw.displayMode, 0) << "text";
    EXPECT_EQ(fw.backlightTimer, 11);
    EXPECT_EQ(fw.swivelMode, 2u);
    EXPECT_EQ(fw.thresholdCpm, 100u);
    EXPECT_FLOAT_EQ(fw.alarmLevelUsv, 0.5f);
    EXPECT_EQ(fw.calibration[1].cpm, 240u);
    EXPECT_FLOAT_EQ(fw.calibration[1].usv, 1.2f);
    EXPECT_EQ(fw.motionDetect, 1u);
    EXPECT_EQ(fw.contrast, 20) << "what the reset leaves alone loads as from the fixed store";
    SetConfigStore(ConfigStore::Fixed);
    LoadSettings();
    EXPECT_EQ(fw.thresholdCpm, 30u);
}
