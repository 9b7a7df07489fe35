// Routines of the emulated firmware. All of them act on the global `fw`
// record and the LCD surface; none allocates or fails.
#pragma once

#include <cstdint>

#include "firmware/state.h"

// ---- Main loop and settings -------------------------------------------
void FirmwarePowerOn();
void FirmwareHalfSecondService();
void FirmwareSecondTick();
bool WakeDisplay();

void TogglePower(uint8_t arg);
uint8_t ConfigRead(uint16_t address);
// What the configuration store holds: the device's fixed bytes, or the
// values Factory Reset stores, so that power-on loads those (for pictures
// of a device as it leaves the factory). A substitute, like the sensors'.
enum class ConfigStore : uint8_t { Fixed, Factory };
constexpr uint16_t kConfigStoreSize = 72;  // bytes; the last setting ends at 68
void SetConfigStore(ConfigStore store);
ConfigStore ConfigStoreInUse();
// The values Factory Reset stores, put into the record.
void ApplyFactorySettings();
void LoadSettings();
// LoadSettings over any store image (the device's is fixed; tests use others).
void LoadSettingsFrom(uint8_t (*read)(uint16_t address));
void SaveSettings();
// The settings' bytes as SaveSettings writes them, into any store (the
// device's goes to the EEPROM; tests capture them).
void SaveSettingsTo(void (*write)(uint16_t address, uint8_t value));
// Stands for every hardware action of the device; has no effect here.
inline void HardwareHook(...) {}
// Command bytes several hook calls share.
constexpr uint8_t kClockWrite = 0xD0;       // clock chip: write a register
constexpr uint8_t kContrastCommand = 0x81;  // LCD controller: set the contrast
// "Please set" / "date & time" when the clock reads an impossible value.
void ClockCheck();

// The serial rates: code byte, the two rate-register bytes and the text the
// editor shows, in stepping order; the last row is the default.
struct BaudRate {
    uint8_t code;
    uint8_t reloadHigh;
    uint8_t reloadLow;
    const char* text;
};
constexpr int kBaudRateCount = 10;
extern const BaudRate kBaudRates[kBaudRateCount];

// ---- Keys, menus and the value box -----------------------------------
void DispatchKey(uint8_t key);
// Binds `handler` to one of the four panel keys.
void BindKey(uint8_t key, Handler handler);
void RedrawScreen();
void OpenMainMenu(uint8_t arg);
void MenuUp(uint8_t arg);
void MenuDown(uint8_t arg);
void MenuSelect(uint8_t arg);
void MenuBack(uint8_t arg);
void MenuExit(uint8_t arg);
void DrawMenuList();
void DrawMenuMarks();
void TimedCountSwitch();
void ShowValueBox(const char* text);
void ShowValueBox2(const char* first, const char* second);
// Closes the open value box with its commit action (the half-second
// service calls it once the box has been idle long enough).
void CloseValueBox();
// Marks the Alarm unit row in force (after settings are loaded).
void ChooseAlarmMark();
void ChooseThresholdMark();

// Back on the gyroscope screen (it has no screen of its own).
void GyroscopeBack(uint8_t arg);

// The menu tables (each ends with its "Exit" row).
extern MenuItem MainMenu[];
extern MenuItem UserOptionMenu[];
extern MenuItem AlarmMenu[];
extern MenuItem DisplayOptionMenu[];
extern MenuItem SaveDataMenu[];
extern MenuItem ThresholdMenu[];
extern MenuItem TimedCountMenu[];
extern MenuItem CancelMenu[];
extern MenuItem InitSetupMenu[];
extern MenuItem CalibrateMenu[];
extern MenuItem OthersMenu[];
extern MenuItem BatteryMenu[];
extern MenuItem AboutMenu[];
// Title texts; the menu code compares these by identity.
extern const char kTitleMainMenu[];
// Row labels, for handlers that serve several rows and tell them apart by
// the label's identity (two rows reading "CPM" are different rows).
extern const char kLabelAlarmCpm[];
extern const char kLabelAlarmUsv[];
extern const char kLabelThresholdCpm[];
extern const char kLabelThresholdUsv[];
extern const char kLabelThresholdMr[];
extern const char kLabelCalibrate1[];
extern const char kLabelCalibrate2[];
extern const char kLabelCalibrate3[];
extern const char kLabelSetSchedule[];
extern const char kLabelOneMinute[];
extern const char kLabelTenMinutes[];
extern const char kLabelHundredMinutes[];
extern const char kLabelTwelveHours[];
extern const char kLabelTwentyFourHours[];
extern const char kLabelOtherDuration[];
extern const char kLabelCancel[];
// The row under the menu cursor, or none (no table, or the cursor is past
// the table's "Exit").
MenuItem* CurrentMenuRow();
// The label of row `row` of the shown table, or none (no table, or the row
// lies past the table's "Exit"), so a stray row number never reads outside
// a table.
const char* MenuRowLabel(uint8_t row);

// ---- Counts, CPM and dose --------------------------------------------
int32_t NextSecondCount();
uint32_t SumLastMinute();
float CpmToDose(uint32_t cpm);
// The per-second measurement step (shift, corrections, sums, dose, max).
void MeasureSecond();

// ---- Reading screens -------------------------------------------------
void DrawStatusIcons();
void DrawStatusClock();
void DrawCpmLine(uint8_t x, uint8_t y);
void ReadingRedraw();        // full redraw of the reading area
void ReadingSecondUpdate();  // per-second update of the current mode
void DrawGraph();
void DrawTemperatureScreen();
void BindReadingKeys();      // keys of the reading screen for displayMode
void DisplayModeStep(uint8_t rebind);
void ReadingBack(uint8_t arg);  // Back on the reading screen: DisplayModeStep(1)
void ReadingTextUp(uint8_t arg);    // text mode Up: next infoLine
void ReadingTextDown(uint8_t arg);  // text mode Down: date <-> time
void ReadingTimedUp(uint8_t arg);   // timed-count mode: previous page
void ReadingTimedDown(uint8_t arg); // timed-count mode: next page
// The alarm (x 100) and speaker (x 106) marks of the status bar.
void DrawAlarmSpeakerMarks();
void ShowPleaseSetNotice();
// Formats v in decimal without leading zeros into out (at least 11 bytes).
void FormatDecimal(uint32_t v, char* out);
// Two characters of the two-digit rule ('9' tens for values of 100 or more).
void FormatTwoDigits(uint32_t v, char* out);
// "MM-DD-20YY" by the two-digit rule: ten characters, no terminating 0.
void FormatDate(uint8_t month, uint8_t day, uint8_t year, char* out);
// FormatDecimal and FormatTwoDigits drawn as text at (x, y).
void PutDecimal(uint8_t x, uint8_t y, uint32_t v);
void PutTwoDigits(uint8_t x, uint8_t y, uint32_t v);

// ---- Setting editors used by the reading screens ---------------------
void EditDisplayMode(uint8_t arg);
void EditLargeFontMode(uint8_t arg);
void StepGraphZoomUp(uint8_t arg);
void StepGraphZoomDown(uint8_t arg);
void StepGraphTypeUp(uint8_t arg);
void StepGraphTypeDown(uint8_t arg);
void ShowGraphZoom(uint8_t arg);
void ShowGraphType(uint8_t arg);

// ---- Setting editors and information screens of the menus -------------
// Toggle editors: the same handler for Select, Up and Down; the first key
// shows the value, later keys within the box's life step it.
void EditSpeaker(uint8_t arg);
void EditAlarmOnOff(uint8_t arg);
void EditLedIndicator(uint8_t arg);
void EditPowerSaving(uint8_t arg);
void EditMotionDetect(uint8_t arg);
void EditSwivelDisplay(uint8_t arg);
void EditReverseDisplay(uint8_t arg);
void EditBatteryType(uint8_t arg);
void EditSaveMode(uint8_t arg);
void EditBaudRate(uint8_t arg);
// "Factory Reset", "Erase Saved Data", "Reset Total Count": every call
// flips the choice in stepValue; CloseValueBox acts on a "Yes".
void EditYesNo(uint8_t arg);
// Stepping editors: Select shows, Up and Down step and show.
void ShowContrast(uint8_t arg);
void StepContrastUp(uint8_t arg);
void StepContrastDown(uint8_t arg);
void ShowBacklightLevel(uint8_t arg);
void StepBacklightLevelUp(uint8_t arg);
void StepBacklightLevelDown(uint8_t arg);
void ShowBacklightTimer(uint8_t arg);
void StepBacklightTimerUp(uint8_t arg);
void StepBacklightTimerDown(uint8_t arg);
// The three Threshold rows and the two Alarm level rows (the row's label
// picks the unit).
void ShowThreshold(uint8_t arg);
void StepThresholdUp(uint8_t arg);
void StepThresholdDown(uint8_t arg);
void ShowAlarmLevel(uint8_t arg);
void StepAlarmLevelUp(uint8_t arg);
void StepAlarmLevelDown(uint8_t arg);
// "Calibrate 1..3" (the row's label picks the point).
void CalibrateSelect(uint8_t arg);
void CalibrateUp(uint8_t arg);
void CalibrateDown(uint8_t arg);
void DateTimeSelect(uint8_t arg);
void DateTimeUp(uint8_t arg);
void DateTimeDown(uint8_t arg);
// Information screens.
void ShowModel(uint8_t arg);
void ShowRevision(uint8_t arg);
void ShowSerialNumber(uint8_t arg);
void ShowManufacture(uint8_t arg);
void ShowBatteryVoltage(uint8_t arg);
void OpenTemperatureScreen(uint8_t arg);
void TemperatureUnitStep(uint8_t arg);
void EnterGyroscope(uint8_t arg);

// ---- Alarm, power saving and battery ---------------------------------
void DrawBatteryIcon();
// The charger's report of the battery's level (bit 0x10 of its status
// byte), which turns the icon's charging animation into a steady level.
// Nothing of the device's sets it: geigersim-run's `battery ... steady` does.
void SetChargerLevelReport(bool on);
bool ChargerLevelReport();
// The level display of the battery icon for one battery reading (tenths of
// a volt), with the low-battery notice; DrawBatteryIcon passes the sensor's.
void DrawBatteryLevel(uint8_t reading);
// True when the measurement is at or above the alarm level of alarmUnit.
bool AlarmThresholdReached();
void AlarmSecond();
void PowerSavingSecond();

// ---- Timed count -------------------------------------------------------
bool TimedCountActive();  // running or scheduled
void TimedCountSecond(int32_t counts);
void StartOtherDuration();
// Select on a preset row ("1 MinuteCount" .. "24 Hours Count") or "Cancel".
void TimedPresetSelect(uint8_t row);
// The duration editor of "Set Schedule" and "Other duration" (the row's
// label picks the fields it edits).
void DurationEditSelect(uint8_t row);
void DurationEditUp(uint8_t row);
void DurationEditDown(uint8_t row);

// ---- Logging, DataFlash, history and notes -----------------------------
void LogData();
void WriteTimeStamp();
void EraseSavedData();
void FactoryReset();
void HistoryRedraw();
void NoteEditBlink();
void NoteEditCommit();
// "History Data": Select runs the chosen step, Up/Down choose it.
void HistoryDataSelect(uint8_t row);
void HistoryDataUp(uint8_t row);
void HistoryDataDown(uint8_t row);
// "Note/Location" opens the note editor; its four keys while it is open.
void NoteEditOpen(uint8_t row);
void NoteKeyBack(uint8_t key);
void NoteKeyUp(uint8_t key);
void NoteKeyDown(uint8_t key);
void NoteKeySelect(uint8_t key);
