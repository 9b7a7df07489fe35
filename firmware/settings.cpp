// The configuration store and the settings that live in it.
//
// The device keeps its settings in a byte-addressed EEPROM, multi-byte values
// most significant byte first, floats as their IEEE-754 bytes. Here the store
// is a fixed image and writes go to the no-op hardware hook.
#include <cstring>

#include "firmware/dataflash.h"
#include "firmware/firmware.h"
#include "platform/clock.h"

namespace {

// Command byte of the EEPROM, only for the hook calls.
constexpr uint8_t kEepromWrite = 0xA0;

using StoreReader = uint8_t (*)(uint16_t address);

uint8_t Read8(StoreReader read, uint16_t address) { return read(address); }

uint16_t Read16(StoreReader read, uint16_t address) {
    return static_cast<uint16_t>((read(address) << 8) | read(static_cast<uint16_t>(address + 1)));
}

// A float whose four bytes are all 0xFF is erased and takes the fallback.
float ReadFloat(StoreReader read, uint16_t address, float fallback) {
    uint32_t bits = 0;
    for (uint16_t i = 0; i < 4; ++i) bits = (bits << 8) | read(static_cast<uint16_t>(address + i));
    if (bits == 0xFFFFFFFFu) return fallback;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

using StoreWriter = void (*)(uint16_t address, uint8_t value);

void EepromWrite(uint16_t address, uint8_t value) { HardwareHook(kEepromWrite, address, value); }

void Write8(StoreWriter write, uint16_t address, uint8_t value) { write(address, value); }

void Write16(StoreWriter write, uint16_t address, uint32_t value) {
    write(address, static_cast<uint8_t>(value >> 8));
    write(static_cast<uint16_t>(address + 1), static_cast<uint8_t>(value));
}

void WriteFloat(StoreWriter write, uint16_t address, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (uint16_t i = 0; i < 4; ++i)
        write(static_cast<uint16_t>(address + i), static_cast<uint8_t>(bits >> (24 - 8 * i)));
}

// An unknown code becomes the default rate.
void ApplyBaudCode() {
    int row = kBaudRateCount - 1;
    for (int i = 0; i < kBaudRateCount; ++i)
        if (kBaudRates[i].code == fw.baudCode) row = i;
    fw.baudCode = kBaudRates[row].code;
    fw.baudReloadHigh = kBaudRates[row].reloadHigh;
    fw.baudReloadLow = kBaudRates[row].reloadLow;
}

}  // namespace

const BaudRate kBaudRates[kBaudRateCount] = {
    {64, 247, 0, "1200 BPS"},     {160, 251, 128, "2400 BPS"},  {208, 253, 192, "4800 BPS"},
    {232, 254, 224, "9600 BPS"},  {240, 255, 64, "14400 BPS"},  {244, 255, 112, "19200 BPS"},
    {248, 255, 160, "28800 BPS"}, {250, 255, 184, "38400 BPS"}, {252, 255, 208, "57600 BPS"},
    {254, 255, 232, "115200 BPS"},
};

namespace {

// The device's store: fixed bytes, every other address 0.
uint8_t FixedStoreRead(uint16_t address) {
    switch (address) {
        case 1:
        case 2:
        case 3:
        case 32:
            return 1;
        case 7:
            return 100;
        case 8:
            return 3;
        case 9:
            return 0xE8;
        case 10:
            return 0x40;
        case 11:
            return 0xA0;
        case 63:
            return 30;
        default:
            return 0;
    }
}

ConfigStore gStore = ConfigStore::Fixed;
// A load that only fills the record: no marks drawn, no time stamp logged.
bool gRecordOnly = false;

// The store as Factory Reset leaves it: the fixed store's settings as a
// power-on loads them, the factory values over them, written back as
// SaveSettings writes. Built once, on a scratch copy of the record.
uint8_t gFactoryImage[kConfigStoreSize];
bool gFactoryImageBuilt = false;

void WriteFactoryImage(uint16_t address, uint8_t value) {
    if (address < kConfigStoreSize) gFactoryImage[address] = value;
}

FirmwareState gSavedRecord;

void BuildFactoryImage() {
    gSavedRecord = fw;
    for (uint16_t a = 0; a < kConfigStoreSize; ++a) gFactoryImage[a] = FixedStoreRead(a);
    gRecordOnly = true;
    LoadSettingsFrom(FixedStoreRead);
    gRecordOnly = false;
    ApplyFactorySettings();
    SaveSettingsTo(WriteFactoryImage);
    fw = gSavedRecord;
    gFactoryImageBuilt = true;
}

}  // namespace

void SetConfigStore(ConfigStore store) {
    if (store == ConfigStore::Factory && !gFactoryImageBuilt) BuildFactoryImage();
    gStore = store;
}

ConfigStore ConfigStoreInUse() { return gStore; }

uint8_t ConfigRead(uint16_t address) {
    if (gStore == ConfigStore::Factory) return address < kConfigStoreSize ? gFactoryImage[address] : 0;
    return FixedStoreRead(address);
}

void LoadSettings() { LoadSettingsFrom(ConfigRead); }

void LoadSettingsFrom(uint8_t (*read)(uint16_t address)) {
    (void)Read8(read, 0);  // format byte of the store; nothing depends on it

    fw.alarmOn = Read8(read, 1) != 0;
    fw.speakerOn = Read8(read, 2) != 0;
    if (!gRecordOnly) DrawAlarmSpeakerMarks();
    HardwareHook(fw.speakerOn ? 1 : 0);

    fw.displayMode = Read8(read, 3);
    if (fw.displayMode > 2) fw.displayMode = 1;
    fw.powerSavingOn = Read8(read, 44) != 0;

    fw.backlightTimer = Read8(read, 4);
    if (fw.backlightTimer > 31) fw.backlightTimer = 31;
    if (fw.backlightTimer == 0) fw.backlightOn = 0;

    fw.clockLine = Read8(read, 5);
    if (fw.clockLine >= 8) fw.clockLine = 0;

    fw.alarmLevelCpm = Read16(read, 6);
    if (fw.alarmLevelCpm == 0xFFFF) fw.alarmLevelCpm = 100;

    static constexpr uint32_t kCpmFallback[3] = {60, 240, 1000};
    static constexpr float kUsvFallback[3] = {0.3f, 1.2f, 5.0f};
    for (uint16_t i = 0; i < 3; ++i) {
        uint16_t base = static_cast<uint16_t>(8 + 6 * i);
        fw.calibration[i].cpm = Read16(read, base);
        if (fw.calibration[i].cpm == 0xFFFF) fw.calibration[i].cpm = kCpmFallback[i];
        fw.calibration[i].usv = ReadFloat(read, static_cast<uint16_t>(base + 2), kUsvFallback[i]);
    }

    fw.maxCpm = Read16(read, 49);
    if (fw.maxCpm >= 0xFFF0) fw.maxCpm = 0;
    fw.infoLine = Read8(read, 26);
    if (fw.infoLine > 8) fw.infoLine = 0;
    fw.alarmLevelUsv = ReadFloat(read, 27, 0.5f);
    fw.alarmUnit = Read8(read, 31);
    if (fw.alarmUnit > 2) fw.alarmUnit = 0;
    fw.thresholdUnit = Read8(read, 64);
    if (fw.thresholdUnit > 3) fw.thresholdUnit = 0;
    fw.thresholdCpm = Read16(read, 62);
    if (fw.thresholdCpm >= 0xFFF0) fw.thresholdCpm = 100;
    fw.thresholdUsv = ReadFloat(read, 65, 0.5f);
    fw.graphType = Read8(read, 59);
    if (fw.graphType > 3) fw.graphType = 0;
    fw.swivelMode = Read8(read, 33);
    if (fw.swivelMode > 2) fw.swivelMode = 0;
    fw.motionDetect = Read8(read, 55);
    if (fw.motionDetect >= 3) fw.motionDetect = 0;

    fw.batteryType = Read8(read, 56) != 0;
    HardwareHook(fw.batteryType);

    fw.graphZoom = ReadFloat(read, 34, 0.0f);
    fw.reservedB = Read8(read, 51);
    fw.reservedA = Read8(read, 45);
    switch (fw.reservedA) {
        case 1:
        case 2:
        case 4:
            break;
        case 3:
            fw.reservedC = 0;
            break;
        default:
            fw.reservedA = 1;
            break;
    }
    fw.largeFontUnit = Read8(read, 52);
    if (fw.largeFontUnit > 2) fw.largeFontUnit = 0;

    fw.ledIndicatorOn = Read8(read, 60) != 0;
    HardwareHook(fw.ledIndicatorOn);

    fw.backlightLevel = Read8(read, 53);
    if (fw.backlightLevel > 10) fw.backlightLevel = 5;
    fw.reservedC = Read16(read, 46);
    if (fw.reservedC >= 2048) fw.reservedC = 120;

    fw.contrast = Read8(read, 48);
    if (fw.contrast > 48 || fw.contrast < 21) fw.contrast = 20;
    HardwareHook(kContrastCommand);
    HardwareHook(fw.contrast + 5);

    fw.saveMode = Read8(read, 32);
    if (fw.saveMode > 6) fw.saveMode = 1;
    fw.highRateFactor = Read8(read, 61);
    if (fw.highRateFactor == 0 || fw.highRateFactor == 0xFF) fw.highRateFactor = 10;
    fw.quietHighRateFactor = Read8(read, 58);
    if (fw.quietHighRateFactor == 0 || fw.quietHighRateFactor == 0xFF) fw.quietHighRateFactor = 10;

    // Every power-on with logging enabled marks the log with the time.
    if (fw.saveMode != 0 && !gRecordOnly) FlashAppendTimeStamp();

    fw.baudCode = Read8(read, 57);
    ApplyBaudCode();
}

void SaveSettingsTo(void (*write)(uint16_t address, uint8_t value)) {
    Write8(write, 1, fw.alarmOn);
    Write8(write, 2, fw.speakerOn);
    Write8(write, 3, fw.displayMode);
    Write8(write, 44, fw.powerSavingOn);
    Write8(write, 4, fw.backlightTimer);
    Write8(write, 5, fw.clockLine);
    Write16(write, 6, fw.alarmLevelCpm);
    for (uint16_t i = 0; i < 3; ++i) {
        uint16_t base = static_cast<uint16_t>(8 + 6 * i);
        Write16(write, base, fw.calibration[i].cpm);
        WriteFloat(write, static_cast<uint16_t>(base + 2), fw.calibration[i].usv);
    }
    Write16(write, 49, fw.maxCpm);
    Write8(write, 26, static_cast<uint8_t>(fw.infoLine));
    WriteFloat(write, 27, fw.alarmLevelUsv);
    Write8(write, 31, static_cast<uint8_t>(fw.alarmUnit));
    Write8(write, 64, static_cast<uint8_t>(fw.thresholdUnit));
    Write16(write, 62, fw.thresholdCpm);
    WriteFloat(write, 65, fw.thresholdUsv);
    Write8(write, 59, static_cast<uint8_t>(fw.graphType));
    Write8(write, 33, static_cast<uint8_t>(fw.swivelMode));
    Write8(write, 55, static_cast<uint8_t>(fw.motionDetect));
    Write8(write, 56, fw.batteryType);
    WriteFloat(write, 34, fw.graphZoom);
    Write8(write, 51, fw.reservedB);
    Write8(write, 45, fw.reservedA);
    Write8(write, 52, fw.largeFontUnit);
    Write8(write, 60, fw.ledIndicatorOn);
    Write8(write, 53, fw.backlightLevel);
    Write16(write, 46, fw.reservedC);
    Write8(write, 48, fw.contrast);
    Write8(write, 32, static_cast<uint8_t>(fw.saveMode));
    Write8(write, 61, fw.highRateFactor);
    Write8(write, 58, fw.quietHighRateFactor);
    Write8(write, 57, fw.baudCode);
}

void SaveSettings() {
    SaveSettingsTo(EepromWrite);

    // The clock chip takes the date and time back, year first.
    HardwareHook(kClockWrite, 6, RtcYear());
    HardwareHook(kClockWrite, 5, RtcMonth());
    HardwareHook(kClockWrite, 4, RtcDay());
    HardwareHook(kClockWrite, 2, RtcHour());
    HardwareHook(kClockWrite, 1, RtcMinute());
    HardwareHook(kClockWrite, 0, RtcSecond());
}
