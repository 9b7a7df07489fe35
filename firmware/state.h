// The one global record of the emulated device.
//
// Every field starts at the value the firmware image holds before any
// setting has been loaded; FirmwareReset() puts the whole record back there.
#pragma once

#include <cstdint>

enum UiMode : int32_t {
    Reading = 0,
    Menu = 1,
    NoteEdit = 2,
    HistoryView = 3,
    Gyroscope = 4,
    Temperature = 5,
};

enum DeviceKey : uint8_t {
    KeyBack = 0,
    KeyUp = 1,
    KeyDown = 2,
    KeySelect = 3,
};

// Every key, menu and editor handler. Menu onSelect handlers receive the
// cursor row; key handlers receive the key number.
using Handler = void (*)(uint8_t arg);

struct KeyBinding {
    uint32_t key;
    Handler handler;
};

struct MenuItem {
    uint8_t index;
    uint8_t chosen;
    Handler reserved;
    const char* text;
    Handler onUp;
    Handler onDown;
    Handler onSelect;
    MenuItem* parent;  // table that Back and this row's "Exit" lead to
    MenuItem* child;   // submenu that Select opens when onSelect is empty
};

struct CalibrationPoint {
    uint32_t cpm;
    float usv;
};

constexpr int kNoteMax = 17;

struct FirmwareState {
    // Start-up holds, cleared by the host once its window exists.
    uint8_t holdAll = 1;
    uint8_t holdOutput = 1;
    uint8_t holdStart = 1;

    // Power and boot.
    uint8_t powered = 0;
    uint8_t bootState = 0;  // 0 off, 1 logo, 2 running
    uint8_t bootHalfTicks = 0;

    // Screen and keys.
    int32_t uiMode = Reading;
    KeyBinding keyTable[4] = {};  // bound by FirmwareReset (Select -> TogglePower)
    uint8_t editing = 0;
    uint8_t editorIdleTicks = 0;
    uint8_t editorKeepTicks = 5;
    uint8_t redrawOnClose = 0;
    uint8_t keyQuiet = 0;

    // Menus.
    MenuItem* menuTable = nullptr;
    uint8_t menuCursor = 0;
    uint8_t menuTop = 0;
    const char* menuTitle = nullptr;
    uint8_t stepValue = 0;
    uint8_t editField = 0;
    uint8_t calibPhase = 0;
    uint8_t temperatureShown = 0;  // the temperature-screen flag

    // Display and power.
    uint8_t displayOn = 1;
    uint8_t backlightOn = 1;
    uint8_t backlightAge = 0;
    uint8_t powerSaveCountdown = 30;
    uint8_t displayTurned = 0;
    uint8_t motionStatus = 0;
    uint8_t previousOrientation = 0;
    uint8_t tapAction = 0;
    uint8_t blinkPhase = 0;
    uint8_t batteryFrame = 0;
    uint8_t lastBatteryReading = 0;
    uint8_t lowBatteryRepeat = 0;
    uint8_t chargerStatus = 0;

    // Measurement.
    int32_t secondCounts[60] = {};
    uint32_t cpm = 0;
    float doseRate = 0.0f;
    uint32_t totalCount = 0;
    uint32_t avgCpmWhole = 0;
    uint8_t avgCpmHundredths = 0;
    uint8_t uptimeSeconds = 0;
    uint8_t uptimeMinutes = 0;
    uint8_t uptimeHours = 0;
    uint8_t uptimeDays = 0;
    int32_t realCount = 0;

    // Timed count.
    uint8_t timedRunning = 0;
    uint8_t timedScheduled = 0;
    uint32_t durationDays = 0;
    uint8_t durationHours = 0;
    uint8_t durationMinutes = 0;
    uint8_t durationSeconds = 0;
    uint32_t durationTotal = 0;
    uint32_t scheduleDays = 0;
    uint8_t scheduleHours = 0;
    uint8_t scheduleMinutes = 0;
    uint8_t scheduleSeconds = 0;
    uint32_t scheduleTotal = 0;
    uint32_t scheduleCounter = 0;
    uint8_t elapsedDays = 0;
    uint8_t elapsedHours = 0;
    uint8_t elapsedMinutes = 0;
    uint8_t elapsedSeconds = 0;
    uint32_t elapsedMinutesTotal = 0;
    uint32_t elapsedTotal = 0;
    uint32_t timedCounts = 0;
    uint32_t timedAverage = 0;
    uint8_t timedAverageHundredths = 0;
    uint8_t timedPage = 0;

    // Logging and DataFlash addresses (high, middle, low).
    uint32_t logSeconds = 0;
    uint32_t logHourSum = 0;
    uint32_t logLastMark = 0;
    uint8_t flashWriteHigh = 0;
    uint8_t flashWriteMiddle = 0;
    uint8_t flashWriteLow = 0;
    uint8_t flashReadHigh = 0;
    uint8_t flashReadMiddle = 0;
    uint8_t flashReadLow = 0;
    uint8_t flashHighMask = 15;
    uint8_t endOfStore = 0;
    // Note: length byte N (at most 17), N characters, then a 0.
    char note[kNoteMax + 2] = {};

    // History viewer: the outcome of the last search and the time stamp it
    // found (the six time fields are 0 until a stamp has been found).
    uint8_t historyFound = 0;
    uint8_t recYear = 0;
    uint8_t recMonth = 0;
    uint8_t recDay = 0;
    uint8_t recHour = 0;
    uint8_t recMinute = 0;
    uint8_t recSecond = 0;
    uint8_t recSaveMode = 1;

    // Note editor: the character being chosen is stepValue; noteIdle counts
    // half-second ticks since the last Up/Down, 255 when nothing is pending.
    uint8_t noteCursor = 0;
    uint8_t noteIdle = 255;
    uint8_t noteBlink = 0;
    char noteText[kNoteMax] = {};

    // Settings (loaded at power-on from the configuration store).
    uint8_t alarmOn = 1;
    uint8_t speakerOn = 1;
    uint8_t displayMode = 0;
    uint8_t powerSavingOn = 0;
    uint8_t backlightTimer = 0;
    uint8_t clockLine = 0;
    uint32_t alarmLevelCpm = 0;
    CalibrationPoint calibration[3] = {{60, 0.3f}, {240, 1.2f}, {1000, 5.0f}};
    uint32_t maxCpm = 0;
    uint32_t infoLine = 0;
    float alarmLevelUsv = 0.0f;
    uint32_t alarmUnit = 1;
    uint32_t thresholdUnit = 0;
    uint32_t thresholdCpm = 0;
    float thresholdUsv = 0.0f;
    uint32_t graphType = 0;
    uint32_t swivelMode = 2;
    uint32_t motionDetect = 0;
    uint8_t batteryType = 0;
    float graphZoom = 0.0f;
    uint8_t reservedB = 60;
    uint8_t reservedA = 1;
    uint8_t largeFontUnit = 0;
    uint8_t ledIndicatorOn = 1;
    uint8_t backlightLevel = 3;
    uint32_t reservedC = 120;
    uint8_t contrast = 21;
    uint32_t saveMode = 1;
    uint8_t highRateFactor = 10;
    uint8_t quietHighRateFactor = 10;
    uint8_t baudCode = 254;
    uint8_t baudReloadHigh = 0;
    uint8_t baudReloadLow = 0;
    uint8_t reverseFlag = 0;
    uint8_t serialBytes[6] = {0x1B, 0x1C, 0x1D, 0x1F, 0x11, 0x12};
};

extern FirmwareState fw;

// 1 while a real counter supplies the counts (written by the host only;
// the count source reads it).
extern uint8_t realMode;

// Puts the record, the LCD surface, the text cursor and DataFlash back to
// their state at program load (used by the runner and the tests).
void FirmwareReset();
