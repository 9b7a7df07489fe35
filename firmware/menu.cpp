// The menu tree, its navigation, the screen redraw with its key bindings,
// and the value box every editor opens.
//
// Rows are recognised by the identity of their label text: every label is
// its own array, so two rows reading "CPM" are still told apart.
#include <cstdio>

#include "firmware/firmware.h"
#include "platform/lcd.h"

const char kTitleMainMenu[] = "Main Menu";

// Labels that editors and the timed count recognise their rows by.
const char kLabelAlarmCpm[] = "CPM";
const char kLabelAlarmUsv[] = "uSv";
const char kLabelThresholdCpm[] = "CPM";
const char kLabelThresholdUsv[] = "uSv";
const char kLabelThresholdMr[] = "mR";
const char kLabelCalibrate1[] = "Calibrate 1";
const char kLabelCalibrate2[] = "Calibrate 2";
const char kLabelCalibrate3[] = "Calibrate 3";
const char kLabelSetSchedule[] = "Set Schedule";
const char kLabelOneMinute[] = "1 MinuteCount";
const char kLabelTenMinutes[] = "10 Minutes Count";
const char kLabelHundredMinutes[] = "100 Minutes Count";
const char kLabelTwelveHours[] = "12 Hours Count";
const char kLabelTwentyFourHours[] = "24 Hours Count";
const char kLabelOtherDuration[] = "Other duration";
const char kLabelCancel[] = "Cancel";

namespace {

// Every table ends with a row using this label; the drawing and the cursor
// code find the end of a table by it.
const char kExit[] = "Exit";

// Main menu.
const char kUserOption[] = "User Option";
const char kDisplayOption[] = "Display Option";
const char kSaveData[] = "Save Data";
const char kTimedCount[] = "Timed Count";
const char kInitSetup[] = "Init Setup";
const char kOthers[] = "Others";
const char kAbout[] = "About";

// User Option.
const char kSpeaker[] = "Speaker";
const char kAlarm[] = "Alarm";
const char kLedIndicator[] = "LED Indicator";
const char kPowerSaving[] = "Power Saving";
const char kMotionDetect[] = "Motion Detect";
const char kResetTotalCount[] = "Reset Total Count";

// Alarm.
const char kAlarmOnOff[] = "On/Off";

// Display Option.
const char kDisplayMode[] = "Display Mode";
const char kBacklightTimer[] = "Backlight Timer";
const char kBacklightLevel[] = "Backlight Level";
const char kContrast[] = "Contrast";
const char kLargeFontMode[] = "Large Font Mode";
const char kGraphType[] = "Graph Type";
const char kGraphicZoom[] = "Graphic Zoom";
const char kSwivelDisplay[] = "Swivel Display";
const char kReverseDisplay[] = "Reverse Display";

// Save Data.
const char kSaveMode[] = "Save Mode";
const char kNoteLocation[] = "Note/Location";
const char kHistoryData[] = "History Data";
const char kThreshold[] = "Threshold";
const char kEraseSavedData[] = "Erase Saved Data";

// Init Setup and Calibrate.
const char kDateTime[] = "Date/Time";
const char kCalibrate[] = "Calibrate";
const char kFactoryReset[] = "Factory Reset";

// Others and Battery.
const char kOthersBattery[] = "Battery";
const char kTemperature[] = "Temperature";
const char kGyroscope[] = "Gyroscope";
const char kComportBaudRate[] = "Comport Baud Rate";
const char kBatteryType[] = "Battery Type";
const char kBatteryVoltage[] = "Battery";

// About.
const char kModel[] = "Model";
const char kRevision[] = "Revision";
const char kSerial[] = "Serial #";
const char kManufacture[] = "Manufacture";

// The drawing and cursor code look at no more rows than this for "Exit".
constexpr uint8_t kMaxRows = 20;

}  // namespace

// Row builders: a row that opens a submenu, a row with an editor, a toggle
// row (Select, Up and Down run the same step), and the closing "Exit".
#define SUBMENU(i, text, parent, child) {i, 0, nullptr, text, nullptr, nullptr, nullptr, parent, child}
#define EDIT(i, text, up, down, select, parent) {i, 0, nullptr, text, up, down, select, parent, nullptr}
#define TOGGLE(i, text, step, parent) EDIT(i, text, step, step, step, parent)
#define EXIT_ROW(i, parent) {i, 0, nullptr, kExit, nullptr, nullptr, MenuExit, parent, nullptr}

MenuItem MainMenu[] = {
    SUBMENU(0, kUserOption, nullptr, UserOptionMenu),
    SUBMENU(1, kDisplayOption, nullptr, DisplayOptionMenu),
    SUBMENU(2, kSaveData, nullptr, SaveDataMenu),
    SUBMENU(3, kTimedCount, nullptr, TimedCountMenu),
    SUBMENU(4, kInitSetup, nullptr, InitSetupMenu),
    SUBMENU(5, kOthers, nullptr, OthersMenu),
    SUBMENU(6, kAbout, nullptr, AboutMenu),
    EXIT_ROW(7, nullptr),
};

MenuItem UserOptionMenu[] = {
    TOGGLE(0, kSpeaker, EditSpeaker, MainMenu),
    SUBMENU(1, kAlarm, MainMenu, AlarmMenu),
    TOGGLE(2, kLedIndicator, EditLedIndicator, MainMenu),
    TOGGLE(3, kPowerSaving, EditPowerSaving, MainMenu),
    TOGGLE(4, kMotionDetect, EditMotionDetect, MainMenu),
    TOGGLE(5, kResetTotalCount, EditYesNo, MainMenu),
    EXIT_ROW(6, MainMenu),
};

// Back and "Exit" here skip User Option and go straight to the main menu.
MenuItem AlarmMenu[] = {
    TOGGLE(0, kAlarmOnOff, EditAlarmOnOff, MainMenu),
    EDIT(1, kLabelAlarmCpm, StepAlarmLevelUp, StepAlarmLevelDown, ShowAlarmLevel, MainMenu),
    EDIT(2, kLabelAlarmUsv, StepAlarmLevelUp, StepAlarmLevelDown, ShowAlarmLevel, MainMenu),
    EXIT_ROW(3, MainMenu),
};

MenuItem DisplayOptionMenu[] = {
    TOGGLE(0, kDisplayMode, EditDisplayMode, MainMenu),
    EDIT(1, kBacklightTimer, StepBacklightTimerUp, StepBacklightTimerDown, ShowBacklightTimer, MainMenu),
    EDIT(2, kBacklightLevel, StepBacklightLevelUp, StepBacklightLevelDown, ShowBacklightLevel, MainMenu),
    EDIT(3, kContrast, StepContrastUp, StepContrastDown, ShowContrast, MainMenu),
    TOGGLE(4, kLargeFontMode, EditLargeFontMode, MainMenu),
    EDIT(5, kGraphType, StepGraphTypeUp, StepGraphTypeDown, ShowGraphType, MainMenu),
    EDIT(6, kGraphicZoom, StepGraphZoomUp, StepGraphZoomDown, ShowGraphZoom, MainMenu),
    TOGGLE(7, kSwivelDisplay, EditSwivelDisplay, MainMenu),
    TOGGLE(8, kReverseDisplay, EditReverseDisplay, MainMenu),
    EXIT_ROW(9, MainMenu),
};

// "Note/Location" has no step of its own: Up and Down are ignored while it
// is chosen.
MenuItem SaveDataMenu[] = {
    TOGGLE(0, kSaveMode, EditSaveMode, MainMenu),
    EDIT(1, kNoteLocation, nullptr, nullptr, NoteEditOpen, MainMenu),
    EDIT(2, kHistoryData, HistoryDataUp, HistoryDataDown, HistoryDataSelect, MainMenu),
    SUBMENU(3, kThreshold, MainMenu, ThresholdMenu),
    TOGGLE(4, kEraseSavedData, EditYesNo, MainMenu),
    EXIT_ROW(5, MainMenu),
};

MenuItem ThresholdMenu[] = {
    EDIT(0, kLabelThresholdCpm, StepThresholdUp, StepThresholdDown, ShowThreshold, SaveDataMenu),
    EDIT(1, kLabelThresholdUsv, StepThresholdUp, StepThresholdDown, ShowThreshold, SaveDataMenu),
    EDIT(2, kLabelThresholdMr, StepThresholdUp, StepThresholdDown, ShowThreshold, SaveDataMenu),
    EXIT_ROW(3, SaveDataMenu),
};

MenuItem TimedCountMenu[] = {
    EDIT(0, kLabelSetSchedule, DurationEditUp, DurationEditDown, DurationEditSelect, MainMenu),
    EDIT(1, kLabelOneMinute, nullptr, nullptr, TimedPresetSelect, MainMenu),
    EDIT(2, kLabelTenMinutes, nullptr, nullptr, TimedPresetSelect, MainMenu),
    EDIT(3, kLabelHundredMinutes, nullptr, nullptr, TimedPresetSelect, MainMenu),
    EDIT(4, kLabelTwelveHours, nullptr, nullptr, TimedPresetSelect, MainMenu),
    EDIT(5, kLabelTwentyFourHours, nullptr, nullptr, TimedPresetSelect, MainMenu),
    EDIT(6, kLabelOtherDuration, DurationEditUp, DurationEditDown, DurationEditSelect, MainMenu),
    EXIT_ROW(7, MainMenu),
};

MenuItem CancelMenu[] = {
    EDIT(0, kLabelCancel, nullptr, nullptr, TimedPresetSelect, MainMenu),
    EXIT_ROW(1, MainMenu),
};

MenuItem InitSetupMenu[] = {
    EDIT(0, kDateTime, DateTimeUp, DateTimeDown, DateTimeSelect, MainMenu),
    SUBMENU(1, kCalibrate, MainMenu, CalibrateMenu),
    TOGGLE(2, kFactoryReset, EditYesNo, MainMenu),
    EXIT_ROW(3, MainMenu),
};

// The points lead back to Init Setup, but "Exit" goes to the main menu.
MenuItem CalibrateMenu[] = {
    EDIT(0, kLabelCalibrate1, CalibrateUp, CalibrateDown, CalibrateSelect, InitSetupMenu),
    EDIT(1, kLabelCalibrate2, CalibrateUp, CalibrateDown, CalibrateSelect, InitSetupMenu),
    EDIT(2, kLabelCalibrate3, CalibrateUp, CalibrateDown, CalibrateSelect, InitSetupMenu),
    EXIT_ROW(3, MainMenu),
};

// "Battery" has no parent, so Back on it leaves the menus altogether.
MenuItem OthersMenu[] = {
    SUBMENU(0, kOthersBattery, nullptr, BatteryMenu),
    EDIT(1, kTemperature, nullptr, nullptr, OpenTemperatureScreen, MainMenu),
    EDIT(2, kGyroscope, nullptr, nullptr, EnterGyroscope, MainMenu),
    TOGGLE(3, kComportBaudRate, EditBaudRate, MainMenu),
    EXIT_ROW(4, MainMenu),
};

MenuItem BatteryMenu[] = {
    TOGGLE(0, kBatteryType, EditBatteryType, OthersMenu),
    EDIT(1, kBatteryVoltage, nullptr, nullptr, ShowBatteryVoltage, OthersMenu),
    EXIT_ROW(2, OthersMenu),
};

MenuItem AboutMenu[] = {
    EDIT(0, kModel, nullptr, nullptr, ShowModel, MainMenu),
    EDIT(1, kRevision, nullptr, nullptr, ShowRevision, MainMenu),
    EDIT(2, kSerial, nullptr, nullptr, ShowSerialNumber, MainMenu),
    EDIT(3, kManufacture, nullptr, nullptr, ShowManufacture, MainMenu),
    EXIT_ROW(4, MainMenu),
};

#undef TOGGLE
#undef SUBMENU
#undef EDIT
#undef EXIT_ROW

namespace {

// Index of the table's first "Exit" row, or kMaxRows when there is none
// within reach. Every table ends with "Exit", so the search never runs past
// a table's end.
uint8_t ExitRow(const MenuItem* table) {
    if (table == nullptr) return kMaxRows;
    for (uint8_t i = 0; i < kMaxRows; ++i)
        if (table[i].text == kExit) return i;
    return kMaxRows;
}

// True when the row is the unit row whose level is in force, which the
// list marks with "(*)".
bool IsUnitInForce(const MenuItem* table, const char* text) {
    if (table == AlarmMenu)
        return (text == kLabelAlarmCpm && fw.alarmUnit == 0) || (text == kLabelAlarmUsv && fw.alarmUnit == 1);
    if (table == ThresholdMenu)
        return (text == kLabelThresholdCpm && fw.thresholdUnit == 0) ||
               (text == kLabelThresholdUsv && fw.thresholdUnit == 1) ||
               (text == kLabelThresholdMr && fw.thresholdUnit == 2);
    return false;
}

// Left edge that centres a text in the value box. A text wider than the
// screen starts at the left edge rather than wrapping to the far right.
uint8_t BoxTextX(const char* text) {
    int width = LcdTextWidth(text, 6);
    int x = 20 + (84 - width) / 2;
    return x < 0 ? 0 : static_cast<uint8_t>(x);
}

void DrawValueBoxFrame() {
    LcdFillRect(20, 7, 84, 23, 0);
    LcdFrameRect(20, 7, 84, 23);
    LcdFrameRect(21, 8, 82, 21);
}

void SetChosen(MenuItem* row, uint8_t chosen) {
    if (row != nullptr) row->chosen = chosen;
}

MenuItem* FindRow(MenuItem* table, const char* text) {
    uint8_t exit = ExitRow(table);
    for (uint8_t i = 0; i <= exit && i < kMaxRows; ++i)
        if (table[i].text == text) return &table[i];
    return nullptr;
}

MenuItem* ShownRow(uint8_t row) {
    if (fw.menuTable == nullptr) return nullptr;
    if (row > ExitRow(fw.menuTable)) return nullptr;
    return &fw.menuTable[row];
}

}  // namespace

// Gyroscope mode has no screen; Back returns to the menu it came from.
void GyroscopeBack(uint8_t) {
    fw.uiMode = Menu;
    RedrawScreen();
}

MenuItem* CurrentMenuRow() { return ShownRow(fw.menuCursor); }

const char* MenuRowLabel(uint8_t row) {
    const MenuItem* shown = ShownRow(row);
    return shown != nullptr ? shown->text : nullptr;
}

void RedrawScreen() {
    LcdClear();
    if (fw.holdAll || fw.holdOutput) return;

    DrawBatteryIcon();
    if (fw.speakerOn) LcdPutCharAt(106, 0, 96);
    if (fw.alarmOn) LcdPutCharAt(100, 0, 94);
    LcdLine(0, 7, 121, 7);

    switch (fw.uiMode) {
        case Reading:
            BindReadingKeys();
            ReadingRedraw();
            break;
        case Menu:
            BindKey(KeyBack, MenuBack);
            BindKey(KeyUp, MenuUp);
            BindKey(KeyDown, MenuDown);
            BindKey(KeySelect, MenuSelect);
            DrawMenuList();
            break;
        case NoteEdit:
            // The note editor draws its own text.
            BindKey(KeyBack, NoteKeyBack);
            BindKey(KeyUp, NoteKeyUp);
            BindKey(KeyDown, NoteKeyDown);
            BindKey(KeySelect, NoteKeySelect);
            break;
        case Gyroscope:
            BindKey(KeyBack, GyroscopeBack);
            BindKey(KeyUp, nullptr);
            BindKey(KeyDown, nullptr);
            if (fw.stepValue == 0) BindKey(KeySelect, nullptr);
            break;
        default:
            // History viewer and temperature screen keep their bindings.
            break;
    }
}

void OpenMainMenu(uint8_t) {
    // Cursor and top stay as they are: leaving the menus already reset them.
    fw.uiMode = Menu;
    fw.menuTable = MainMenu;
    fw.menuTitle = kTitleMainMenu;
    RedrawScreen();
}

void DrawMenuList() {
    MenuItem* table = fw.menuTable;
    if (table == nullptr) return;
    LcdFillRect(0, 8, 122, 25, 0);
    LcdPutText(20, 0, fw.menuTitle != nullptr ? fw.menuTitle : "");

    uint8_t last = ExitRow(table);
    for (uint8_t line = 0; line < 3; ++line) {
        unsigned row = fw.menuTop + line;
        if (row > last) break;  // a short table has no further line
        const char* text = table[row].text;
        char label[32];
        snprintf(label, sizeof label, IsUnitInForce(table, text) ? "%s(*)" : "%s", text);
        LcdPutText(6, static_cast<uint8_t>(9 + 8 * line), label);
    }
    DrawMenuMarks();
}

void DrawMenuMarks() {
    if (fw.menuTable == nullptr) return;
    LcdPutCharAt(0, 9, ' ');
    LcdPutCharAt(0, 17, ' ');
    LcdPutCharAt(0, 25, ' ');
    unsigned line = static_cast<uint8_t>(fw.menuCursor - fw.menuTop);
    if (line <= 2) LcdPutCharAt(0, static_cast<uint8_t>(9 + 8 * line), 126);
    if (fw.menuTop > 0) LcdPutCharAt(117, 9, 130);
    if (ExitRow(fw.menuTable) > fw.menuTop + 2) LcdPutCharAt(117, 25, 131);
}

void MenuUp(uint8_t) {
    MenuItem* row = CurrentMenuRow();
    if (fw.editing) {
        if (row != nullptr && row->onUp != nullptr) row->onUp(fw.menuCursor);
        return;
    }
    if (row == nullptr || fw.menuCursor == 0) return;
    --fw.menuCursor;
    if (fw.menuCursor < fw.menuTop) {
        --fw.menuTop;
        DrawMenuList();
    } else {
        DrawMenuMarks();
    }
}

void MenuDown(uint8_t) {
    MenuItem* row = CurrentMenuRow();
    if (fw.editing) {
        if (row != nullptr && row->onDown != nullptr) row->onDown(fw.menuCursor);
        return;
    }
    if (row == nullptr || row->onSelect == MenuExit) return;
    if (fw.menuCursor >= ExitRow(fw.menuTable)) return;
    ++fw.menuCursor;
    if (fw.menuCursor - fw.menuTop > 2) {
        ++fw.menuTop;
        DrawMenuList();
    } else {
        DrawMenuMarks();
    }
}

void MenuSelect(uint8_t) {
    MenuItem* row = CurrentMenuRow();
    if (row == nullptr) return;
    // An open editor takes a further Select as one more step.
    if (row->onSelect != nullptr) {
        row->onSelect(fw.menuCursor);
        return;
    }
    if (row->child == nullptr) return;
    fw.menuTitle = row->text;
    fw.menuTable = row->child;
    fw.menuTop = 0;
    fw.menuCursor = 0;
    TimedCountSwitch();
    RedrawScreen();
}

void TimedCountSwitch() {
    if (fw.menuTable != TimedCountMenu && fw.menuTable != CancelMenu) return;
    fw.menuTable = TimedCountActive() ? CancelMenu : TimedCountMenu;
    fw.menuTop = 0;
    fw.menuCursor = 0;
}

void MenuBack(uint8_t arg) {
    // The history graph borrowed the per-second counts; give the reading
    // graph a clean start.
    if (fw.uiMode == HistoryView && fw.displayMode == 1)
        for (int32_t& slot : fw.secondCounts) slot = 0;
    MenuExit(arg);
}

void MenuExit(uint8_t) {
    fw.temperatureShown = 0;

    if (fw.editing) {
        // Back never cancels: the box closes with its commit at the next tick.
        fw.editorIdleTicks = static_cast<uint8_t>(fw.editorKeepTicks + 1);
        RedrawScreen();
        return;
    }

    MenuItem* row = CurrentMenuRow();
    MenuItem* parent = row != nullptr ? row->parent : nullptr;
    if (parent != nullptr) {
        if (parent == MainMenu) {
            fw.menuTitle = kTitleMainMenu;
        } else {
            // The parent's title is the label of the main-menu row opening it.
            for (uint8_t i = 0; i < ExitRow(MainMenu); ++i)
                if (MainMenu[i].child == parent) fw.menuTitle = MainMenu[i].text;
        }
        fw.menuTable = parent;
        fw.uiMode = Menu;
        fw.menuCursor = 0;
        fw.menuTop = 0;
        RedrawScreen();
        return;
    }

    fw.uiMode = Reading;
    fw.menuTable = nullptr;
    fw.menuCursor = 0;
    fw.menuTop = 0;
    fw.editing = 0;
    fw.editorIdleTicks = 0;
    RedrawScreen();
}

void ShowValueBox(const char* text) {
    if (text == nullptr) text = "";
    DrawValueBoxFrame();
    LcdPutText(BoxTextX(text), 15, text);
    fw.editing = 1;
    fw.editorIdleTicks = 0;
}

void ShowValueBox2(const char* first, const char* second) {
    if (first == nullptr) first = "";
    if (second == nullptr) second = "";
    DrawValueBoxFrame();
    LcdPutText(BoxTextX(first), 11, first);
    LcdPutText(BoxTextX(second), 19, second);
    fw.editing = 1;
    fw.editorIdleTicks = 0;
}

void CloseValueBox() {
    if (fw.redrawOnClose) {
        fw.redrawOnClose = 0;
        RedrawScreen();
    } else {
        switch (fw.uiMode) {
            case Menu: {
                const char* text = MenuRowLabel(fw.menuCursor);
                if (text == kFactoryReset && fw.stepValue == 1) {
                    FactoryReset();
                } else if (text == kEraseSavedData && fw.stepValue == 1) {
                    EraseSavedData();
                } else if (text == kResetTotalCount && fw.stepValue == 1) {
                    fw.totalCount = 0;
                } else if (text == kLabelOtherDuration) {
                    StartOtherDuration();
                }
                TimedCountSwitch();
                DrawMenuList();
                break;
            }
            case HistoryView:
                HistoryRedraw();
                break;
            case Gyroscope:
                // The menu stays on the LCD in this mode; without this a box
                // opened from it would stay on the screen for good.
                DrawMenuList();
                break;
            case Temperature:
                break;  // the once-a-second tick redraws the temperature screen
            default:  // Reading, NoteEdit
                ReadingRedraw();
                break;
        }
    }
    SaveSettings();
    HardwareHook(0, 0);
    fw.editorKeepTicks = 5;
    fw.editorIdleTicks = 0;
    fw.editing = 0;
    fw.editField = 0;
    fw.calibPhase = 0;
}

void ChooseAlarmMark() {
    SetChosen(FindRow(AlarmMenu, kLabelAlarmCpm), fw.alarmUnit == 0);
    SetChosen(FindRow(AlarmMenu, kLabelAlarmUsv), fw.alarmUnit != 0);
}

void ChooseThresholdMark() {
    SetChosen(FindRow(ThresholdMenu, kLabelThresholdCpm), fw.thresholdUnit == 0);
    SetChosen(FindRow(ThresholdMenu, kLabelThresholdUsv), fw.thresholdUnit == 1);
    SetChosen(FindRow(ThresholdMenu, kLabelThresholdMr), fw.thresholdUnit == 2);
}
