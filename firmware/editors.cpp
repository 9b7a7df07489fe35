// Setting editors and information screens: every leaf row of the menus that
// is not a timed count or a history function. Each one shows through the
// value box; every step is stored at once and the box's close saves it.
#include <cstdio>

#include "firmware/dataflash.h"
#include "firmware/firmware.h"
#include "platform/clock.h"
#include "platform/lcd.h"
#include "platform/show_lcd.h"

namespace {

const char* const kGraphTypeNames[4] = {"Line Graph", "Bar Chart 1", "Bar Chart 2", "Line & Bar"};
const char* const kLargeFontNames[3] = {"CPM", "uSv/h", "mR/h"};
const char* const kSwivelNames[3] = {"Normal", "Swivel", "Auto"};
const char* const kSaveModeNames[4] = {"OFF", "Every Second", "Every Minute", "Every Hour"};

// Date/Time fields in editing order: label, clock-chip register.
const char* const kDateLabels[6] = {"Year:20  ", "Month:  ", "Date:  ", "Hour:  ", "Minute:  ", "Second:  "};
constexpr uint8_t kClockRegisters[6] = {6, 5, 4, 2, 1, 0};

// Calibration steps per point: counts up and down, dose up and down.
constexpr uint32_t kCountsUp[3] = {10, 100, 1000};
constexpr uint32_t kCountsDown[3] = {1, 10, 100};
constexpr float kDoseUp[3] = {0.1f, 1.0f, 10.0f};
constexpr float kDoseDown[3] = {0.01f, 0.1f, 1.0f};

void Keep(uint8_t ticks) { fw.editorKeepTicks = ticks; }

// A toggle editor steps only when its box is already open.
bool BoxOpen() { return fw.editing == 1; }

void ShowOnOff(uint8_t on) { ShowValueBox(on ? "ON" : "OFF"); }

uint8_t Flip(uint8_t v) { return v != 0 ? 0 : 1; }

int BaudRowOf(uint8_t code) {
    for (int i = 0; i < kBaudRateCount; ++i)
        if (kBaudRates[i].code == code) return i;
    return -1;
}

void SetBacklight(uint8_t on) {
    fw.backlightOn = on;
    HardwareHook(on);
}

// ---- Contrast, backlight ----------------------------------------------

void ShowContrastValue(uint8_t arg) {
    fw.stepValue = arg;
    ShowValueBox("Level:   ");
    PutTwoDigits(75, 15, fw.contrast);
    Keep(5);
}

void ApplyContrast() {
    HardwareHook(kContrastCommand);
    HardwareHook(fw.contrast + 5);
}

void ShowBacklightLevelValue() {
    ShowValueBox("Level:   ");
    PutTwoDigits(75, 15, fw.backlightLevel);
    SetBacklight(1);
    Keep(5);
}

void ShowBacklightTimerValue() {
    uint8_t v = fw.stepValue;
    if (v == 0) {
        ShowValueBox("Light OFF");
        SetBacklight(0);
    } else if (v == 1) {
        ShowValueBox("Light ON");
        SetBacklight(1);
    } else {
        ShowValueBox("Timeout:   ");
        PutTwoDigits(75, 15, v - 1u);
    }
    Keep(5);
}

void SetBacklightTimer(uint8_t v) {
    fw.stepValue = v;
    fw.backlightTimer = v;
    // The device switches the light off for a one-second timeout at once.
    SetBacklight(v != 2);
    ShowBacklightTimerValue();
}

// ---- Threshold and alarm levels ---------------------------------------

uint32_t ThresholdDownStep() {
    switch (fw.thresholdUnit) {
        case 1:
            return 5;
        case 2:
            return 15;
        default:
            return 1;
    }
}

uint32_t AlarmRowUnit() { return MenuRowLabel(fw.menuCursor) == kLabelAlarmUsv ? 1 : 0; }

// ---- Calibration --------------------------------------------------------

int CalibrationPointOfRow() {
    const char* label = MenuRowLabel(fw.menuCursor);
    if (label == kLabelCalibrate2) return 1;
    if (label == kLabelCalibrate3) return 2;
    return 0;
}

void PutCalibrationDose(int point) {
    char text[24];
    std::snprintf(text, sizeof text, "%0.2f", fw.calibration[point].usv);
    LcdPutText(56, 15, text);
}

void ShowCalibrationCounts(int point) {
    char text[16];
    std::snprintf(text, sizeof text, "%04lu", static_cast<unsigned long>(fw.calibration[point].cpm));
    ShowValueBox("CPM:     ");
    LcdPutText(56, 15, text);
    Keep(5);
}

void ShowCalibrationDose(int point) {
    ShowValueBox("uSv:     ");
    PutCalibrationDose(point);
    Keep(5);
}

// ---- Date/Time ----------------------------------------------------------

uint8_t ReadClockField(uint8_t field) {
    switch (field) {
        case 0:
            return RtcYear();
        case 1:
            return RtcMonth();
        case 2:
            return RtcDay();
        case 3:
            return RtcHour();
        case 4:
            return RtcMinute();
        default:
            return RtcSecond();
    }
}

void PutDateDigits() { PutTwoDigits(78, 15, fw.stepValue); }

// Reads the field from the clock, opens the box with it and moves on.
void ShowDateField(uint8_t field) {
    fw.stepValue = ReadClockField(field);
    ShowValueBox(kDateLabels[field]);
    PutDateDigits();
    Keep(6);
    fw.editField = static_cast<uint8_t>(field + 1);
}

uint8_t DateFieldUp(uint8_t field, uint8_t v) {
    ++v;
    switch (field) {
        case 0:
            return v > 99 ? 0 : v;
        case 1:
            return v > 12 ? 1 : v;
        case 2:
            return v > 31 ? 1 : v;
        case 3:
            return v > 23 ? 0 : v;
        default:
            return v > 59 ? 0 : v;
    }
}

// Months and days start at 1: stepping down from the first one goes to the
// last, so the clock is never handed a month or day 0.
uint8_t DateFieldDown(uint8_t field, uint8_t v) {
    switch (field) {
        case 0:
            return v == 0 || v > 99 ? 99 : v - 1;
        case 1:
            return v <= 1 || v > 12 ? 12 : v - 1;
        case 2:
            return v <= 1 || v > 31 ? 31 : v - 1;
        case 3:
            return v == 0 || v > 23 ? 23 : v - 1;
        default:
            return v == 0 || v > 59 ? 59 : v - 1;
    }
}

void DateTimeStep(bool up) {
    // After the seventh Select no field is shown: the box only keeps its
    // last value until it closes.
    if (fw.editField == 0 || fw.editField > 6) {
        PutDateDigits();
        return;
    }
    uint8_t field = static_cast<uint8_t>(fw.editField - 1);
    uint8_t v = up ? DateFieldUp(field, fw.stepValue) : DateFieldDown(field, fw.stepValue);
    HardwareHook(kClockWrite, kClockRegisters[field], v);
    // The clock is the host's and ignores the write, so this shows its own
    // value again.
    ShowDateField(field);
}

}  // namespace

// ---- Editors the reading screens share ---------------------------------

// The menu row "Display Mode": the reading screen's mode step, without
// touching the key bindings (the menu owns the keys here).
void EditDisplayMode(uint8_t) { DisplayModeStep(0); }

// Toggle editor: the first key only shows the unit, later keys within the
// box's life advance it.
void EditLargeFontMode(uint8_t) {
    if (BoxOpen()) fw.largeFontUnit = fw.largeFontUnit >= 2 ? 0 : fw.largeFontUnit + 1;
    ShowValueBox(kLargeFontNames[fw.largeFontUnit <= 2 ? fw.largeFontUnit : 0]);
    Keep(5);
}

void ShowGraphType(uint8_t) {
    ShowValueBox(kGraphTypeNames[fw.graphType <= 3 ? fw.graphType : 0]);
    Keep(5);
}

void StepGraphTypeUp(uint8_t arg) {
    fw.graphType = fw.graphType >= 3 ? 0 : fw.graphType + 1;
    ShowGraphType(arg);
}

void StepGraphTypeDown(uint8_t arg) {
    fw.graphType = (fw.graphType == 0 || fw.graphType > 3) ? 3 : fw.graphType - 1;
    ShowGraphType(arg);
}

void ShowGraphZoom(uint8_t) {
    char text[32];
    if (fw.graphZoom == 0.0f) {
        std::snprintf(text, sizeof text, "Auto ZOOM");
    } else if (fw.graphZoom < 1.0f) {
        std::snprintf(text, sizeof text, "ZOOM = x %0.1f", fw.graphZoom);
    } else {
        if (fw.graphZoom > 5.0f) fw.graphZoom = 5.0f;
        std::snprintf(text, sizeof text, "ZOOM = x %0.0f", fw.graphZoom);
    }
    ShowValueBox(text);
    Keep(5);
}

// The steps are taken in 32-bit float, which is what makes Up run
// 0, 0.2 ... 0.8, 1, 2, 0 and Down 0, 5 ... 1, 0.9 ... 0.2, 0.
void StepGraphZoomUp(uint8_t arg) {
    float zoom = fw.graphZoom;
    if (zoom < 1.0f)
        zoom += 0.2f;
    else
        zoom += 1.0f;
    if (zoom > 2.0f) zoom = 0.0f;
    fw.graphZoom = zoom;
    ShowGraphZoom(arg);
}

void StepGraphZoomDown(uint8_t arg) {
    float zoom = fw.graphZoom;
    if (zoom == 0.0f)
        zoom = 5.0f;
    else if (zoom > 1.0f)
        zoom -= 1.0f;
    else
        zoom -= 0.1f;
    if (zoom < 0.1f) zoom = 0.0f;
    fw.graphZoom = zoom;
    ShowGraphZoom(arg);
}

// ---- Toggle editors ------------------------------------------------------

void EditSpeaker(uint8_t) {
    if (BoxOpen()) fw.speakerOn = Flip(fw.speakerOn);
    ShowValueBox(fw.speakerOn ? "Speaker ON" : "Speaker OFF");
    Keep(5);
}

void EditAlarmOnOff(uint8_t) {
    if (BoxOpen()) fw.alarmOn = Flip(fw.alarmOn);
    ShowValueBox(fw.alarmOn ? "Alarm ON" : "Alarm OFF");
    Keep(5);
}

void EditLedIndicator(uint8_t) {
    if (BoxOpen()) fw.ledIndicatorOn = Flip(fw.ledIndicatorOn);
    ShowOnOff(fw.ledIndicatorOn);
    Keep(5);
}

void EditPowerSaving(uint8_t) {
    if (BoxOpen()) fw.powerSavingOn = Flip(fw.powerSavingOn);
    ShowOnOff(fw.powerSavingOn);
    Keep(5);
}

void EditMotionDetect(uint8_t) {
    if (BoxOpen()) fw.motionDetect = fw.motionDetect >= 2 ? 0 : fw.motionDetect + 1;
    if (fw.motionDetect == 1)
        ShowValueBox("On Backlight");
    else if (fw.motionDetect == 2)
        ShowValueBox2("On Backlight", "& DisplayMode");
    else
        ShowValueBox("OFF");
    Keep(5);
}

void EditSwivelDisplay(uint8_t) {
    if (BoxOpen()) fw.swivelMode = fw.swivelMode >= 2 ? 0 : fw.swivelMode + 1;
    ShowValueBox(kSwivelNames[fw.swivelMode <= 2 ? fw.swivelMode : 0]);
    Keep(5);
}

// The stored flag is the inverse of what the row shows.
void EditReverseDisplay(uint8_t) {
    if (BoxOpen()) fw.reverseFlag = Flip(fw.reverseFlag);
    ShowValueBox(fw.reverseFlag ? "OFF" : "ON");
    Keep(5);
}

void EditBatteryType(uint8_t) {
    if (BoxOpen()) fw.batteryType = Flip(fw.batteryType);
    if (fw.batteryType)
        ShowValueBox2("Non", "Rechargeable");
    else
        ShowValueBox("Rechargeable");
    Keep(5);
}

// Every showing marks the log with the time and the (new) mode, so the
// viewer can tell where the data changes its interval.
void EditSaveMode(uint8_t) {
    if (BoxOpen()) fw.saveMode = fw.saveMode >= 5 ? 0 : fw.saveMode + 1;
    // The threshold modes start counting afresh from now, so the time
    // stamp below is not followed by a second one for a "gap".
    if (fw.saveMode == 4) {
        fw.logLastMark = static_cast<uint32_t>(fw.uptimeMinutes) * 60u + fw.uptimeSeconds;
        fw.logSeconds = 0;
    } else if (fw.saveMode == 5) {
        fw.logLastMark = fw.uptimeMinutes;
        fw.logSeconds = 0;
    }
    WriteTimeStamp();
    if (fw.saveMode == 4)
        ShowValueBox2("Every Second", "Threshold");
    else if (fw.saveMode == 5)
        ShowValueBox2("Every Minute", "Threshold");
    else
        ShowValueBox(kSaveModeNames[fw.saveMode <= 3 ? fw.saveMode : 0]);
    Keep(5);
}

void EditBaudRate(uint8_t) {
    if (BoxOpen()) {
        int row = BaudRowOf(fw.baudCode);
        fw.baudCode = kBaudRates[row < 0 ? kBaudRateCount - 1 : (row + 1) % kBaudRateCount].code;
    }
    int row = BaudRowOf(fw.baudCode);
    if (row < 0) {
        ShowValueBox("Other");
    } else {
        fw.baudReloadHigh = kBaudRates[row].reloadHigh;
        fw.baudReloadLow = kBaudRates[row].reloadLow;
        if (row == kBaudRateCount - 1)
            ShowValueBox2(kBaudRates[row].text, "(Default)");
        else
            ShowValueBox(kBaudRates[row].text);
    }
    Keep(3);
}

// Unlike the other toggles this one does not look at `editing`: the very
// first call flips too, so what it shows first depends on what the previous
// editor left in stepValue.
void EditYesNo(uint8_t) {
    if (fw.stepValue != 0) {
        fw.stepValue = 0;
        ShowValueBox("No");
        Keep(5);
    } else {
        fw.stepValue = 1;
        ShowValueBox("Yes");
        Keep(10);
    }
}

// ---- Stepping editors ----------------------------------------------------

void ShowContrast(uint8_t arg) { ShowContrastValue(arg); }

void StepContrastUp(uint8_t) {
    if (fw.contrast < 40) ++fw.contrast;
    ApplyContrast();
    ShowContrastValue(fw.contrast);
}

void StepContrastDown(uint8_t) {
    if (fw.contrast > 15) --fw.contrast;
    ApplyContrast();
    ShowContrastValue(fw.contrast);
}

void ShowBacklightLevel(uint8_t) { ShowBacklightLevelValue(); }

void StepBacklightLevelUp(uint8_t) {
    if (fw.backlightLevel < 10) ++fw.backlightLevel;
    ShowBacklightLevelValue();
}

void StepBacklightLevelDown(uint8_t) {
    if (fw.backlightLevel > 0) --fw.backlightLevel;
    ShowBacklightLevelValue();
}

void ShowBacklightTimer(uint8_t) {
    fw.stepValue = fw.backlightTimer;
    ShowBacklightTimerValue();
}

void StepBacklightTimerUp(uint8_t) {
    SetBacklightTimer(fw.backlightTimer >= 31 ? 0 : static_cast<uint8_t>(fw.backlightTimer + 1));
}

void StepBacklightTimerDown(uint8_t) {
    SetBacklightTimer(fw.backlightTimer == 0 || fw.backlightTimer > 31 ? 31
                                                                      : static_cast<uint8_t>(fw.backlightTimer - 1));
}

// The threshold is held in counts per minute; the row shows it in its own
// unit and makes that unit the one in force.
void ShowThreshold(uint8_t) {
    const char* label = MenuRowLabel(fw.menuCursor);
    float usv = CpmToDose(fw.thresholdCpm);
    fw.thresholdUsv = usv;
    char text[32];
    if (label == kLabelThresholdUsv) {
        fw.thresholdUnit = 1;
        std::snprintf(text, sizeof text, "%0.2f uSv", usv);
    } else if (label == kLabelThresholdMr) {
        fw.thresholdUnit = 2;
        std::snprintf(text, sizeof text, "%0.2f mR", usv * 0.1);
    } else {
        fw.thresholdUnit = 0;
        std::snprintf(text, sizeof text, "%04lu CPM", static_cast<unsigned long>(fw.thresholdCpm));
    }
    ChooseThresholdMark();
    ShowLcd();
    ShowValueBox(text);
    Keep(5);
}

void StepThresholdUp(uint8_t arg) {
    uint32_t t = fw.thresholdCpm;
    if (t > 10000)
        t += 1000;
    else if (t > 1000)
        t += 100;
    else if (t > 100)
        t += 50;
    else
        t += 10;
    if (t > 65530) t = 0;
    fw.thresholdCpm = t;
    ShowThreshold(arg);
}

void StepThresholdDown(uint8_t arg) {
    uint32_t step = ThresholdDownStep();
    if (fw.thresholdCpm > 0) fw.thresholdCpm = fw.thresholdCpm > step ? fw.thresholdCpm - step : 0;
    ShowThreshold(arg);
}

// Showing makes the row's unit the one in force and moves the "(*)" mark
// to it at once.
void ShowAlarmLevel(uint8_t) {
    fw.alarmUnit = AlarmRowUnit();
    ChooseAlarmMark();
    DrawMenuList();
    ShowLcd();
    char text[32];
    if (fw.alarmUnit == 1)
        std::snprintf(text, sizeof text, "%0.2f uSv", fw.alarmLevelUsv);
    else
        std::snprintf(text, sizeof text, "%04lu CPM", static_cast<unsigned long>(fw.alarmLevelCpm));
    ShowValueBox(text);
    Keep(5);
}

void StepAlarmLevelUp(uint8_t arg) {
    fw.alarmUnit = AlarmRowUnit();
    if (fw.alarmUnit == 1) {
        fw.alarmLevelUsv += 0.1f;
        if (fw.alarmLevelUsv > 10.0f) fw.alarmLevelUsv = 10.0f;
    } else {
        fw.alarmLevelCpm += 20;
        if (fw.alarmLevelCpm > 3000) fw.alarmLevelCpm = 0;
    }
    ShowAlarmLevel(arg);
}

// The dose level never steps down to 0, which every reading would reach.
void StepAlarmLevelDown(uint8_t arg) {
    fw.alarmUnit = AlarmRowUnit();
    if (fw.alarmUnit == 1) {
        if (fw.alarmLevelUsv > 0.0f) {
            fw.alarmLevelUsv -= 0.01f;
            if (fw.alarmLevelUsv < 0.01f) fw.alarmLevelUsv = 0.01f;
        }
    } else if (fw.alarmLevelCpm > 0) {
        --fw.alarmLevelCpm;
    }
    ShowAlarmLevel(arg);
}

// Select walks counts -> dose -> (dose again, box kept) -> counts.
void CalibrateSelect(uint8_t) {
    int point = CalibrationPointOfRow();
    switch (fw.calibPhase) {
        case 0:
            ShowCalibrationCounts(point);
            fw.calibPhase = 1;
            break;
        case 1:
            ShowCalibrationDose(point);
            fw.calibPhase = 2;
            break;
        default:
            PutCalibrationDose(point);
            fw.calibPhase = 0;
            break;
    }
}

void CalibrateUp(uint8_t) {
    int point = CalibrationPointOfRow();
    CalibrationPoint& c = fw.calibration[point];
    if (fw.calibPhase == 1) {
        c.cpm += kCountsUp[point];
        ShowCalibrationCounts(point);
    } else if (fw.calibPhase == 2) {
        c.usv += kDoseUp[point];
        ShowCalibrationDose(point);
    } else {
        PutCalibrationDose(point);  // past the last field: nothing to step
    }
}

// Never steps a part down to 0 or below.
void CalibrateDown(uint8_t) {
    int point = CalibrationPointOfRow();
    CalibrationPoint& c = fw.calibration[point];
    if (fw.calibPhase == 1) {
        if (c.cpm > kCountsDown[point]) c.cpm -= kCountsDown[point];
        ShowCalibrationCounts(point);
    } else if (fw.calibPhase == 2) {
        if (c.usv > kDoseDown[point]) c.usv -= kDoseDown[point];
        ShowCalibrationDose(point);
    } else {
        PutCalibrationDose(point);
    }
}

// Each Select shows the next field: year, month, day, hour, minute, second.
void DateTimeSelect(uint8_t) {
    if (fw.editField >= 6) {
        fw.editField = 0;
        PutDateDigits();
        return;
    }
    ShowDateField(fw.editField);
}

void DateTimeUp(uint8_t) { DateTimeStep(true); }

void DateTimeDown(uint8_t) { DateTimeStep(false); }

// ---- Factory reset -------------------------------------------------------

void ApplyFactorySettings() {
    fw.powerSavingOn = 0;
    fw.saveMode = 1;
    fw.alarmOn = 1;
    fw.speakerOn = 1;
    fw.displayMode = 0;
    fw.backlightTimer = 11;
    fw.graphZoom = 0.0f;
    fw.swivelMode = 2;
    fw.alarmLevelCpm = 100;
    fw.alarmLevelUsv = 0.5f;
    fw.alarmUnit = 0;
    fw.thresholdCpm = 100;
    fw.thresholdUsv = 0.5f;
    fw.thresholdUnit = 0;
    fw.calibration[0] = {60, 0.3f};
    fw.calibration[1] = {240, 1.2f};
    fw.calibration[2] = {1000, 5.0f};
    fw.baudCode = kBaudRates[kBaudRateCount - 1].code;
    fw.baudReloadHigh = kBaudRates[kBaudRateCount - 1].reloadHigh;
    fw.baudReloadLow = kBaudRates[kBaudRateCount - 1].reloadLow;
    fw.motionDetect = 1;
    fw.batteryType = 0;
    fw.maxCpm = 0;
    fw.reservedC = 120;
    fw.reservedB = 60;
    fw.highRateFactor = 10;
    fw.quietHighRateFactor = 10;
    fw.reservedA = 0;
}

void FactoryReset() {
    ShowValueBox2("FactoryReset", "Please wait.");
    ShowLcd();

    FlashEraseAll();

    ApplyFactorySettings();

    WriteTimeStamp();
    SaveSettings();
    LoadSettings();
    ChooseAlarmMark();
    ChooseThresholdMark();
    RedrawScreen();
}

// ---- Information screens -------------------------------------------------

void ShowModel(uint8_t) {
    ShowValueBox("XRV-140+V4");
    Keep(5);
}

void ShowRevision(uint8_t) {
    ShowValueBox("Re 4.00");
    Keep(5);
}

void ShowSerialNumber(uint8_t) {
    static const char kHex[] = "0123456789ABCDEF";
    char text[2 * sizeof fw.serialBytes + 1];
    for (unsigned i = 0; i < sizeof fw.serialBytes; ++i) {
        text[2 * i] = kHex[fw.serialBytes[i] >> 4];
        text[2 * i + 1] = kHex[fw.serialBytes[i] & 0x0F];
    }
    text[sizeof text - 1] = 0;
    ShowValueBox(text);
    Keep(5);
}

// A screen of its own rather than a box; the close redraws the menu.
void ShowManufacture(uint8_t) {
    LcdClear();
    LcdPutText(10, 8, "KV Electronics LLC");
    LcdPutText(10, 16, "Made in USA");
    ShowLcd();
    fw.editing = 1;
    fw.editorIdleTicks = 0;
    Keep(3);
    fw.redrawOnClose = 1;
}

void ShowBatteryVoltage(uint8_t) {
    // The sensor is trusted once two reads in a row agree.
    uint8_t level = ReadBatteryLevel();
    for (int tries = 0; tries < 16; ++tries) {
        uint8_t again = ReadBatteryLevel();
        if (again == level) break;
        level = again;
    }
    if (level >= 43) {
        ShowValueBox("No Battery");
    } else {
        const char text[5] = {static_cast<char>('0' + level / 10), '.', static_cast<char>('0' + level % 10), 'V', 0};
        ShowValueBox(text);
    }
    Keep(3);
}

// Up, Down and Select change the unit; Back stays the menu's and leads to
// the main menu.
void OpenTemperatureScreen(uint8_t) {
    fw.uiMode = Temperature;
    LcdFillRect(0, 8, 122, 25, 0);
    BindKey(KeyUp, TemperatureUnitStep);
    BindKey(KeyDown, TemperatureUnitStep);
    BindKey(KeySelect, TemperatureUnitStep);
    fw.temperatureShown = 1;
    LcdFillRect(0, 0, 86, 7, 0);
    LcdPutText(8, 0, "Temperature");
    // Drawn at once rather than only at the next second tick.
    DrawTemperatureScreen();
}

void TemperatureUnitStep(uint8_t) {
    fw.stepValue = fw.stepValue >= 2 ? 0 : static_cast<uint8_t>(fw.stepValue + 1);
    DrawTemperatureScreen();
}

// No screen: the menu stays and keeps its keys.
void EnterGyroscope(uint8_t) {
    fw.uiMode = Gyroscope;
    fw.stepValue = 0;
}
