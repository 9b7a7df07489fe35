// The guide's words: one for every row of the firmware's menus, and the
// right screen named for screens reached by keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "core/presentation.h"
#include "core/screen_guide.h"
#include "core/screen_words.h"
#include "firmware/device_harness.h"

namespace {

// Every table the device can show, walked from the main menu as the
// firmware links them (Cancel stands in for Timed Count while a count runs).
void Walk(const MenuItem* table, std::set<const MenuItem*>& seen) {
    if (table == nullptr || !seen.insert(table).second) return;
    for (int i = 0; i < 20; ++i) {
        Walk(table[i].child, seen);
        if (table[i].onSelect == MenuExit) break;
    }
}

TEST(ScreenGuide, EveryMenuRowHasWordsAndNoWordsLackARow) {
    std::set<const MenuItem*> tables;
    Walk(MainMenu, tables);
    Walk(CancelMenu, tables);
    int rows = 0;
    for (const MenuItem* table : tables)
        for (int i = 0; i < 20; ++i) {
            ++rows;
            EXPECT_FALSE(GuideRowTitle(table, table[i].text).empty()) << "no words for row " << table[i].text;
            if (table[i].onSelect == MenuExit) break;
        }
    EXPECT_GT(rows, 60);
    // Words for a row that was renamed or removed would never show.
    for (int i = 0; i < kRowWordsCount; ++i) {
        bool found = false;
        for (int r = 0; r < 20 && !found; ++r) {
            found = std::string(kRowWords[i].table[r].text) == kRowWords[i].label;
            if (kRowWords[i].table[r].onSelect == MenuExit) break;
        }
        EXPECT_TRUE(found) << "words for a row no table has: " << kRowWords[i].label;
    }
}

bool HasMark(const ScreenGuide& g, const std::string& name) {
    return std::any_of(g.marks.begin(), g.marks.end(), [&](const GuideMark& m) { return name == m.name; });
}

std::string Current(const ScreenGuide& g) {
    for (const GuideTreeLine& line : g.tree)
        if (line.current) return line.label;
    return "";
}

// Start as the hosts do: the picture handed over is kept for the guide.
void Boot() {
    harness::Start();
    DriverKeepHandedOver();
    EXPECT_EQ(GuideNow().title, "Switched off");
    harness::Press(KeySelect);
    harness::Wait(5);
}

TEST(ScreenGuide, NamesReadingMenuAndTheirMarks) {
    Boot();
    harness::Wait(2);  // the status line's CPM and zoom come with the next second
    ScreenGuide g = GuideNow();
    EXPECT_EQ(g.title, "Reading: graph");
    EXPECT_EQ(Current(g), "Reading screen");
    EXPECT_TRUE(HasMark(g, "Speaker") && HasMark(g, "Battery") && HasMark(g, "Graph zoom")) << GuideText(g);
    ASSERT_NE(GuideMarkAt(g, 107, 3), nullptr);
    EXPECT_STREQ(GuideMarkAt(g, 107, 3)->name, "Speaker");
    EXPECT_STREQ(GuideMarkAt(g, 70, 3)->name, "Graph zoom");  // "AUTO"

    harness::Press(KeySelect);
    harness::Press(KeyDown);
    g = GuideNow();
    EXPECT_EQ(g.title, "Main menu: Display options");
    EXPECT_EQ(g.keys[KeySelect], "Open the \"Display Option\" menu");
    EXPECT_EQ(g.path, (std::vector<std::string>{"Main Menu", "Display Option"}));
    EXPECT_EQ(Current(g), "Display Option");
    EXPECT_TRUE(HasMark(g, "Cursor") && HasMark(g, "More below") && !HasMark(g, "More above"));

    // Alarm's rows lead back to the main menu, and the unit in force is marked.
    harness::Press(KeyUp);
    harness::Press(KeySelect);
    harness::Press(KeyDown);
    harness::Press(KeySelect);
    harness::Press(KeyDown, 2);
    g = GuideNow();
    EXPECT_EQ(g.title, "Alarm menu: Alarm level in uSv/h");
    EXPECT_EQ(g.keys[KeyBack], "Leave this menu for the main menu");
    EXPECT_TRUE(HasMark(g, "(*)")) << GuideText(g);
}

TEST(ScreenGuide, NamesEditorsNoticesAndViewers) {
    Boot();
    harness::Open({0, 1, 1});  // User Option > Alarm > CPM
    ScreenGuide g = GuideNow();
    EXPECT_EQ(g.title, "Alarm level in CPM");
    EXPECT_EQ(g.path.back(), "CPM");
    EXPECT_NE(g.keys[KeyUp].find("20"), std::string::npos);
    EXPECT_NE(g.about.find("closes by itself"), std::string::npos);
    EXPECT_TRUE(HasMark(g, "Value box"));
    harness::Wait(8);  // the box closes
    EXPECT_EQ(GuideNow().title, "Alarm menu: Alarm level in CPM");

    Boot();
    harness::Open({3, 1});  // Timed Count > 1 MinuteCount
    EXPECT_EQ(GuideNow().title, "Notice: timed count started");

    Boot();
    harness::Press(KeyBack);  // the reading mode's name
    EXPECT_EQ(GuideNow().title, "Reading mode: graph");

    Boot();
    harness::Open({2, 2});  // Save Data > History Data: the viewer
    harness::Wait(1);
    g = GuideNow();
    EXPECT_EQ(g.title.rfind("History", 0), 0u) << g.title;
    EXPECT_EQ(Current(g), "History Data");

    Boot();
    harness::Open({5, 1});  // Others > Temperature
    g = GuideNow();
    EXPECT_EQ(g.title, "Temperature");
    EXPECT_EQ(g.path, (std::vector<std::string>{"Main Menu", "Others", "Temperature"}));
}

}  // namespace
