// Menu tree, navigation, redraw bindings and the value box.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "firmware/device_harness.h"

namespace {

// A running device showing the reading screen, set up without the start-up
// sequence so that the menus are tested on their own.
void StartRunning() {
    harness::Start();
    fw.powered = 1;
    fw.bootState = 2;
    fw.uiMode = Reading;
    RedrawScreen();
}

using harness::Open;
using harness::Press;

int RowCount(const MenuItem* table) {
    int n = 0;
    while (table[n].text != nullptr && std::strcmp(table[n].text, "Exit") != 0) ++n;
    return n + 1;
}

// What `text` drawn at (x, y) looks like, compared with what the LCD shows
// there; the LCD is left as it was.
bool ShowsText(int x, int y, const char* text) {
    int w = 6 * static_cast<int>(std::strlen(text));
    std::string actual = harness::Area(x, y, w, 7);
    auto saved = std::make_unique<LcdBits>(LcdSurface);
    LcdFillRect(x, y, w, 7, 0);
    LcdPutText(x, y, text);
    std::string expected = harness::Area(x, y, w, 7);
    LcdSurface = *saved;
    return actual == expected;
}

bool HasInk(int x, int y, int w, int h) {
    return harness::Area(x, y, w, h).find('#') != std::string::npos;
}

// The LCD primitives draw: the status rule spans the whole width.
void ExpectLcdDrawn() { ASSERT_EQ(harness::Row(7), std::string(122, '#')); }

struct TableSpec {
    const MenuItem* table;
    std::vector<const char*> labels;
};

TEST(MenuTables, LabelsRowNumbersAndExitRows) {
    const TableSpec tables[] = {
        {MainMenu, {"User Option", "Display Option", "Save Data", "Timed Count", "Init Setup", "Others",
                    "About", "Exit"}},
        {UserOptionMenu, {"Speaker", "Alarm", "LED Indicator", "Power Saving", "Motion Detect",
                          "Reset Total Count", "Exit"}},
        {AlarmMenu, {"On/Off", "CPM", "uSv", "Exit"}},
        {DisplayOptionMenu, {"Display Mode", "Backlight Timer", "Backlight Level", "Contrast",
                             "Large Font Mode", "Graph Type", "Graphic Zoom", "Swivel Display",
                             "Reverse Display", "Exit"}},
        {SaveDataMenu, {"Save Mode", "Note/Location", "History Data", "Threshold", "Erase Saved Data", "Exit"}},
        {ThresholdMenu, {"CPM", "uSv", "mR", "Exit"}},
        {TimedCountMenu, {"Set Schedule", "1 MinuteCount", "10 Minutes Count", "100 Minutes Count",
                          "12 Hours Count", "24 Hours Count", "Other duration", "Exit"}},
        {CancelMenu, {"Cancel", "Exit"}},
        {InitSetupMenu, {"Date/Time", "Calibrate", "Factory Reset", "Exit"}},
        {CalibrateMenu, {"Calibrate 1", "Calibrate 2", "Calibrate 3", "Exit"}},
        {OthersMenu, {"Battery", "Temperature", "Gyroscope", "Comport Baud Rate", "Exit"}},
        {BatteryMenu, {"Battery Type", "Battery", "Exit"}},
        {AboutMenu, {"Model", "Revision", "Serial #", "Manufacture", "Exit"}},
    };
    for (const TableSpec& t : tables) {
        ASSERT_EQ(RowCount(t.table), static_cast<int>(t.labels.size())) << t.labels[0];
        for (size_t i = 0; i < t.labels.size(); ++i) {
            EXPECT_STREQ(t.table[i].text, t.labels[i]);
            EXPECT_EQ(t.table[i].index, i) << t.labels[i];
            bool last = i + 1 == t.labels.size();
            EXPECT_EQ(t.table[i].onSelect == MenuExit, last) << t.labels[i];
        }
    }
}

TEST(MenuTables, ParentAndChildLinks) {
    struct Link {
        const MenuItem* row;
        const MenuItem* parent;
        const MenuItem* child;
    };
    const Link links[] = {
        {&MainMenu[0], nullptr, UserOptionMenu},  {&MainMenu[1], nullptr, DisplayOptionMenu},
        {&MainMenu[2], nullptr, SaveDataMenu},    {&MainMenu[3], nullptr, TimedCountMenu},
        {&MainMenu[4], nullptr, InitSetupMenu},   {&MainMenu[5], nullptr, OthersMenu},
        {&MainMenu[6], nullptr, AboutMenu},       {&MainMenu[7], nullptr, nullptr},
        {&UserOptionMenu[1], MainMenu, AlarmMenu}, {&UserOptionMenu[6], MainMenu, nullptr},
        {&AlarmMenu[0], MainMenu, nullptr},       {&AlarmMenu[3], MainMenu, nullptr},
        {&SaveDataMenu[3], MainMenu, ThresholdMenu}, {&ThresholdMenu[0], SaveDataMenu, nullptr},
        {&ThresholdMenu[3], SaveDataMenu, nullptr}, {&CancelMenu[0], MainMenu, nullptr},
        {&InitSetupMenu[1], MainMenu, CalibrateMenu}, {&CalibrateMenu[0], InitSetupMenu, nullptr},
        {&CalibrateMenu[2], InitSetupMenu, nullptr}, {&CalibrateMenu[3], MainMenu, nullptr},
        {&OthersMenu[0], nullptr, BatteryMenu},   {&OthersMenu[1], MainMenu, nullptr},
        {&OthersMenu[4], MainMenu, nullptr},      {&BatteryMenu[0], OthersMenu, nullptr},
        {&BatteryMenu[2], OthersMenu, nullptr},   {&AboutMenu[4], MainMenu, nullptr},
    };
    for (const Link& l : links) {
        EXPECT_EQ(l.row->parent, l.parent) << l.row->text;
        EXPECT_EQ(l.row->child, l.child) << l.row->text;
    }
    // Rows with the same words are different rows.
    EXPECT_NE(AlarmMenu[1].text, ThresholdMenu[0].text);
    EXPECT_NE(AlarmMenu[2].text, ThresholdMenu[1].text);
    EXPECT_NE(OthersMenu[0].text, BatteryMenu[1].text);
}

TEST(DispatchKey, HoldsOffKeysAndRunsTheBoundHandlerWithItsNumber) {
    static int calls;
    static uint8_t lastArg;
    calls = 0;
    harness::Start();
    for (uint32_t k = 0; k < 4; ++k)
        fw.keyTable[k].handler = [](uint8_t arg) { ++calls; lastArg = arg; };

    fw.holdOutput = 1;
    harness::Press(KeyDown);
    fw.holdOutput = 0;
    fw.holdStart = 1;
    harness::Press(KeyDown);
    fw.holdStart = 0;
    harness::Press(7);  // no such key
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(fw.keyQuiet, 0);
    EXPECT_EQ(harness::showLcdCalls, 0);

    harness::Press(KeyDown);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(lastArg, KeyDown);
    EXPECT_EQ(fw.keyQuiet, 3);
    EXPECT_EQ(harness::showLcdCalls, 1);

    // A key that finds the display off only wakes it.
    fw.displayOn = 0;
    fw.keyQuiet = 0;
    harness::Press(KeyUp);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(fw.keyQuiet, 0);
}

TEST(RedrawScreen, StatusMarksAndHolds) {
    StartRunning();
    OpenMainMenu(0);
    ExpectLcdDrawn();
    EXPECT_TRUE(HasInk(100, 0, 5, 7));  // alarm
    EXPECT_TRUE(HasInk(106, 0, 5, 7));  // speaker
    EXPECT_TRUE(ShowsText(20, 0, "Main Menu"));

    fw.speakerOn = 0;
    fw.alarmOn = 0;
    RedrawScreen();
    EXPECT_FALSE(HasInk(100, 0, 11, 7));

    // While the output is held the screen is only cleared.
    fw.holdOutput = 1;
    RedrawScreen();
    EXPECT_EQ(harness::Row(7), std::string(122, '.'));
}

TEST(RedrawScreen, GyroscopeBindings) {
    StartRunning();
    Open({5});
    fw.uiMode = Gyroscope;
    fw.stepValue = 1;
    RedrawScreen();
    EXPECT_EQ(fw.keyTable[KeyUp].handler, nullptr);
    EXPECT_EQ(fw.keyTable[KeyDown].handler, nullptr);
    EXPECT_EQ(fw.keyTable[KeySelect].handler, MenuSelect);  // left as it was
    fw.stepValue = 0;
    RedrawScreen();
    EXPECT_EQ(fw.keyTable[KeySelect].handler, nullptr);

    Press(KeyBack);
    EXPECT_EQ(fw.uiMode, Menu);
    EXPECT_EQ(fw.keyTable[KeyDown].handler, MenuDown);
}

TEST(MenuNavigation, DisplayOptionScrollsAndMarksFollow) {
    StartRunning();
    Open({1});
    ASSERT_EQ(fw.menuTable, DisplayOptionMenu);
    EXPECT_EQ(fw.menuTitle, MainMenu[1].text);
    ExpectLcdDrawn();

    auto check = [](int cursor, int top) {
        SCOPED_TRACE(cursor);
        EXPECT_EQ(fw.menuCursor, cursor);
        EXPECT_EQ(fw.menuTop, top);
        for (int line = 0; line < 3; ++line) {
            EXPECT_TRUE(ShowsText(6, 9 + 8 * line, DisplayOptionMenu[top + line].text));
            EXPECT_EQ(HasInk(0, 9 + 8 * line, 5, 7), cursor - top == line);
        }
        EXPECT_EQ(HasInk(117, 9, 5, 7), top > 0);   // more above
        EXPECT_EQ(HasInk(117, 25, 5, 7), top < 7);  // more below until "Exit" shows
    };

    check(0, 0);
    for (int row = 1; row <= 9; ++row) {
        Press(KeyDown);
        check(row, row < 3 ? 0 : row - 2);
    }
    Press(KeyDown);  // no wrap past "Exit"
    check(9, 7);
    for (int row = 8; row >= 0; --row) {
        Press(KeyUp);
        check(row, row < 7 ? row : 7);
    }
    Press(KeyUp);  // no wrap above the first row
    check(0, 0);
}

TEST(MenuNavigation, CancelTableHasTwoLinesOnly) {
    StartRunning();
    fw.timedScheduled = 1;
    Open({3});
    ASSERT_EQ(fw.menuTable, CancelMenu);
    EXPECT_EQ(fw.menuTitle, MainMenu[3].text);
    ExpectLcdDrawn();
    EXPECT_TRUE(ShowsText(6, 9, "Cancel"));
    EXPECT_TRUE(ShowsText(6, 17, "Exit"));
    EXPECT_FALSE(HasInk(0, 24, 122, 8));
    Press(KeyDown, 3);
    EXPECT_EQ(fw.menuCursor, 1);

    // Without a count the same row leads to the timed-count presets.
    Press(KeyBack);
    fw.timedScheduled = 0;
    Press(KeyDown, 3);
    Press(KeySelect);
    EXPECT_EQ(fw.menuTable, TimedCountMenu);
}

TEST(MenuNavigation, BackAndExitDestinationsOfIrregularTables) {
    StartRunning();
    // Alarm goes straight back to the main menu.
    Open({0, 1});
    ASSERT_EQ(fw.menuTable, AlarmMenu);
    Press(KeyDown, 2);
    Press(KeyBack);
    EXPECT_EQ(fw.menuTable, MainMenu);
    EXPECT_EQ(fw.menuTitle, kTitleMainMenu);
    EXPECT_EQ(fw.menuCursor, 0);

    // Calibrate: a point leads to Init Setup, "Exit" to the main menu.
    Press(KeyDown, 4);
    Press(KeySelect);
    Press(KeyDown);
    Press(KeySelect);
    ASSERT_EQ(fw.menuTable, CalibrateMenu);
    Press(KeyBack);
    EXPECT_EQ(fw.menuTable, InitSetupMenu);
    EXPECT_EQ(fw.menuTitle, MainMenu[4].text);
    EXPECT_TRUE(ShowsText(20, 0, "Init Setup"));
    Press(KeyDown);
    Press(KeySelect);
    Press(KeyDown, 3);
    Press(KeySelect);
    EXPECT_EQ(fw.menuTable, MainMenu);
    EXPECT_EQ(fw.menuTitle, kTitleMainMenu);

    // Battery table returns to Others; "Battery" in Others leaves the menus.
    Press(KeyDown, 5);
    Press(KeySelect);
    Press(KeySelect);
    ASSERT_EQ(fw.menuTable, BatteryMenu);
    EXPECT_EQ(fw.menuTitle, OthersMenu[0].text);
    Press(KeyDown);
    Press(KeyBack);
    EXPECT_EQ(fw.menuTable, OthersMenu);
    EXPECT_EQ(fw.menuTitle, MainMenu[5].text);
    fw.temperatureShown = 1;
    Press(KeyBack);
    EXPECT_EQ(fw.uiMode, Reading);
    EXPECT_EQ(fw.menuTable, nullptr);
    EXPECT_EQ(fw.temperatureShown, 0);
    EXPECT_EQ(fw.keyTable[KeySelect].handler, OpenMainMenu);

    Open({5});
    Press(KeyDown, 2);
    Press(KeyBack);
    EXPECT_EQ(fw.menuTable, MainMenu);

    // Threshold returns to Save Data under its own title.
    Press(KeyDown, 2);
    Press(KeySelect);
    Press(KeyDown, 3);
    Press(KeySelect);
    ASSERT_EQ(fw.menuTable, ThresholdMenu);
    Press(KeyBack);
    EXPECT_EQ(fw.menuTable, SaveDataMenu);
    EXPECT_EQ(fw.menuTitle, MainMenu[2].text);

    // The main menu's "Exit" leaves the menus with cursor and top reset.
    Press(KeyBack);
    Press(KeyDown, 7);
    Press(KeySelect);
    EXPECT_EQ(fw.uiMode, Reading);
    EXPECT_EQ(fw.menuCursor, 0);
    EXPECT_EQ(fw.menuTop, 0);
}

TEST(MenuNavigation, BackFromHistoryClearsSecondCountsOnlyInGraphicMode) {
    for (uint8_t mode : {0, 1}) {
        StartRunning();
        Open({2});
        fw.uiMode = HistoryView;
        fw.displayMode = mode;
        fw.secondCounts[10] = 4;
        MenuBack(KeyBack);
        EXPECT_EQ(fw.secondCounts[10], mode == 1 ? 0 : 4);
        EXPECT_EQ(fw.uiMode, Menu);
        EXPECT_EQ(fw.menuTable, MainMenu);
    }
}

TEST(UnitMarks, RowInForceDrawnWithStar) {
    StartRunning();
    fw.alarmUnit = 0;
    Open({0, 1});
    ExpectLcdDrawn();
    EXPECT_TRUE(ShowsText(6, 17, "CPM(*)"));
    EXPECT_TRUE(ShowsText(6, 25, "uSv   "));
    fw.alarmUnit = 1;
    DrawMenuList();
    EXPECT_TRUE(ShowsText(6, 17, "CPM   "));
    EXPECT_TRUE(ShowsText(6, 25, "uSv(*)"));

    // The alarm unit marks nothing in the Threshold table, which has its own.
    fw.alarmUnit = 0;
    fw.thresholdUnit = 2;
    fw.menuTable = ThresholdMenu;
    DrawMenuList();
    EXPECT_TRUE(ShowsText(6, 9, "CPM   "));
    EXPECT_TRUE(ShowsText(6, 17, "uSv   "));
    EXPECT_TRUE(ShowsText(6, 25, "mR(*)"));
    fw.thresholdUnit = 0;
    fw.menuTop = 1;
    fw.menuCursor = 1;
    DrawMenuList();
    EXPECT_TRUE(ShowsText(6, 9, "uSv   "));
    EXPECT_TRUE(ShowsText(6, 17, "mR   "));
    EXPECT_TRUE(ShowsText(6, 25, "Exit"));
}

TEST(UnitMarks, ChosenFlagsFollowUnitInForce) {
    harness::Start();
    fw.alarmUnit = 0;
    ChooseAlarmMark();
    EXPECT_EQ(AlarmMenu[1].chosen, 1);
    EXPECT_EQ(AlarmMenu[2].chosen, 0);
    fw.alarmUnit = 1;
    ChooseAlarmMark();
    EXPECT_EQ(AlarmMenu[1].chosen, 0);
    EXPECT_EQ(AlarmMenu[2].chosen, 1);

    for (uint32_t unit = 0; unit < 3; ++unit) {
        fw.thresholdUnit = unit;
        ChooseThresholdMark();
        for (uint32_t row = 0; row < 3; ++row) EXPECT_EQ(ThresholdMenu[row].chosen, row == unit);
    }
}

TEST(ValueBox, GeometryAndCentring) {
    StartRunning();
    ShowValueBox("Yes");
    EXPECT_EQ(fw.editing, 1);
    EXPECT_EQ(fw.editorIdleTicks, 0);
    ExpectLcdDrawn();
    EXPECT_EQ(harness::Row(29).substr(19, 86), "." + std::string(84, '#') + ".");
    EXPECT_EQ(harness::Row(8).substr(20, 84), "#" + std::string(82, '#') + "#");
    EXPECT_EQ(harness::Row(12).substr(19, 86), ".##" + std::string(80, '.') + "##.");
    EXPECT_TRUE(ShowsText(53, 15, "Yes"));  // 20 + (84 - 18) / 2

    fw.editorIdleTicks = 4;
    ShowValueBox2("On Backlight", "& DisplayMode");
    EXPECT_EQ(fw.editorIdleTicks, 0);
    EXPECT_TRUE(ShowsText(26, 11, "On Backlight"));
    EXPECT_TRUE(ShowsText(23, 19, "& DisplayMode"));

    // Wider than the screen: starts at the left edge instead of wrapping.
    LcdClear();
    ShowValueBox("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_TRUE(ShowsText(0, 15, "ABCDEFGHIJKLMNOPQRST"));
}

// Selects "Reset Total Count" in User Option.
void OpenResetTotalCount() {
    StartRunning();
    Open({0});
    Press(KeyDown, 5);
    fw.totalCount = 500;
}

TEST(YesNo, EveryCallFlipsAndOnlyYesCommits) {
    OpenResetTotalCount();
    Press(KeySelect);
    EXPECT_EQ(fw.stepValue, 1);
    EXPECT_EQ(fw.editorKeepTicks, 10);
    EXPECT_TRUE(ShowsText(53, 15, "Yes"));
    Press(KeyUp);  // steps the open box, the cursor stays
    EXPECT_EQ(fw.stepValue, 0);
    EXPECT_EQ(fw.editorKeepTicks, 5);
    EXPECT_EQ(fw.menuCursor, 5);
    EXPECT_TRUE(ShowsText(56, 15, "No"));

    CloseValueBox();
    EXPECT_EQ(fw.totalCount, 500u);
    EXPECT_EQ(fw.editing, 0);
    EXPECT_TRUE(ShowsText(6, 25, "Reset Total Count"));

    Press(KeySelect);
    EXPECT_EQ(fw.stepValue, 1);
    CloseValueBox();
    EXPECT_EQ(fw.totalCount, 0u);
    EXPECT_EQ(fw.editorKeepTicks, 5);
}

TEST(ValueBoxLife, ClosesOnSeventhServiceWithKeepFive) {
    StartRunning();
    Open({1});
    fw.editField = 3;
    fw.calibPhase = 2;
    ShowValueBox("Auto");
    for (int tick = 1; tick <= 6; ++tick) {
        harness::HalfSecond();
        ASSERT_EQ(fw.editing, 1) << tick;
    }
    harness::HalfSecond();
    EXPECT_EQ(fw.editing, 0);
    EXPECT_EQ(fw.editField, 0);
    EXPECT_EQ(fw.calibPhase, 0);
    EXPECT_TRUE(ShowsText(6, 9, "Display Mode"));
}

TEST(ValueBoxLife, BackCommitsAtTheNextTick) {
    OpenResetTotalCount();
    Press(KeySelect);
    ASSERT_EQ(fw.stepValue, 1);
    Press(KeyBack);
    EXPECT_EQ(fw.editing, 1);
    EXPECT_EQ(fw.menuTable, UserOptionMenu);
    EXPECT_EQ(fw.totalCount, 500u);
    harness::HalfSecond();
    EXPECT_EQ(fw.editing, 0);
    EXPECT_EQ(fw.totalCount, 0u);
    EXPECT_EQ(fw.menuTable, UserOptionMenu);
}

TEST(ValueBoxLife, CloseRefreshesTimedCountTableAndHonoursRedrawFlag) {
    StartRunning();
    Open({3});
    Press(KeyDown, 2);
    fw.timedRunning = 1;
    ShowValueBox("x");
    CloseValueBox();
    EXPECT_EQ(fw.menuTable, CancelMenu);
    EXPECT_EQ(fw.menuCursor, 0);

    fw.redrawOnClose = 1;
    fw.editing = 1;
    LcdClear();
    CloseValueBox();
    EXPECT_EQ(fw.redrawOnClose, 0);
    EXPECT_EQ(harness::Row(7), std::string(122, '#'));
}

TEST(MenuTables, EveryRowLeadsSomewhere) {
    const MenuItem* const tables[] = {MainMenu,      UserOptionMenu, AlarmMenu,     DisplayOptionMenu, SaveDataMenu,
                                      ThresholdMenu, TimedCountMenu, CancelMenu,    InitSetupMenu,     CalibrateMenu,
                                      OthersMenu,    BatteryMenu,    AboutMenu};
    for (const MenuItem* table : tables) {
        for (int i = 0; i < RowCount(table); ++i) {
            const MenuItem& row = table[i];
            EXPECT_TRUE((row.onSelect != nullptr) != (row.child != nullptr)) << row.text;
            // Up and Down only reach a row through an open box, which only
            // Select opens.
            if (row.onUp != nullptr || row.onDown != nullptr) {
                EXPECT_NE(row.onSelect, nullptr) << row.text;
            }
        }
    }

    // Rows served by handlers that live elsewhere.
    EXPECT_EQ(SaveDataMenu[1].onSelect, NoteEditOpen);
    EXPECT_EQ(SaveDataMenu[1].onUp, nullptr);
    EXPECT_EQ(SaveDataMenu[1].onDown, nullptr);
    EXPECT_EQ(SaveDataMenu[2].onSelect, HistoryDataSelect);
    EXPECT_EQ(SaveDataMenu[2].onUp, HistoryDataUp);
    EXPECT_EQ(SaveDataMenu[2].onDown, HistoryDataDown);
    for (int row : {0, 6}) {
        EXPECT_EQ(TimedCountMenu[row].onSelect, DurationEditSelect);
        EXPECT_EQ(TimedCountMenu[row].onUp, DurationEditUp);
        EXPECT_EQ(TimedCountMenu[row].onDown, DurationEditDown);
    }
    for (int row = 1; row <= 5; ++row) EXPECT_EQ(TimedCountMenu[row].onSelect, TimedPresetSelect);
    EXPECT_EQ(CancelMenu[0].onSelect, TimedPresetSelect);
    EXPECT_EQ(TimedCountMenu[0].text, kLabelSetSchedule);
    EXPECT_EQ(TimedCountMenu[6].text, kLabelOtherDuration);
    EXPECT_EQ(CancelMenu[0].text, kLabelCancel);

    // Toggle rows step with every key.
    for (const MenuItem* row : {&UserOptionMenu[0], &DisplayOptionMenu[0], &InitSetupMenu[2], &OthersMenu[3]}) {
        EXPECT_EQ(row->onUp, row->onSelect) << row->text;
        EXPECT_EQ(row->onDown, row->onSelect) << row->text;
    }
}

TEST(RedrawScreen, NoteEditorOwnsAllFourKeys) {
    StartRunning();
    Open({2});
    fw.uiMode = NoteEdit;
    RedrawScreen();
    EXPECT_EQ(fw.keyTable[KeyBack].handler, NoteKeyBack);
    EXPECT_EQ(fw.keyTable[KeyUp].handler, NoteKeyUp);
    EXPECT_EQ(fw.keyTable[KeyDown].handler, NoteKeyDown);
    EXPECT_EQ(fw.keyTable[KeySelect].handler, NoteKeySelect);
    // Nothing but the status line: the note editor draws its own text.
    EXPECT_FALSE(HasInk(0, 8, 122, 24));
}

TEST(DeviceMenus, WiredEditorsStepFromTheDisplayOptionMenu) {
    harness::Boot();
    ASSERT_EQ(fw.bootState, 2);
    Open({1});
    ASSERT_EQ(fw.menuTable, DisplayOptionMenu);

    // "Graph Type": Select shows, Up and Down step while the box is open.
    uint32_t type = fw.graphType;
    Press(KeyDown, 5);
    Press(KeySelect);
    EXPECT_EQ(fw.editing, 1);
    EXPECT_EQ(fw.graphType, type);
    Press(KeyUp);
    EXPECT_EQ(fw.graphType, (type + 1) % 4);
    Press(KeyDown, 2);
    EXPECT_EQ(fw.graphType, (type + 3) % 4);
    EXPECT_EQ(fw.menuCursor, 5);  // the keys went to the editor

    // Back closes it at the next service and the list comes back.
    Press(KeyBack);
    harness::HalfSecond();
    EXPECT_EQ(fw.editing, 0);
    EXPECT_EQ(fw.menuTable, DisplayOptionMenu);
    EXPECT_TRUE(ShowsText(6, 25, "Graph Type"));

    // "Display Mode" keeps its box for about a second only.
    Press(KeyUp, 5);
    Press(KeySelect);
    EXPECT_EQ(fw.editing, 1);
    harness::Wait(2);
    EXPECT_EQ(fw.editing, 0);
    EXPECT_TRUE(ShowsText(6, 9, "Display Mode"));
}

}  // namespace
