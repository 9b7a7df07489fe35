// The guide to the device for a newcomer: for the screen shown now, a title
// a reader understands, what it shows, what each of the four keys does
// there, the marks on it, where it sits in the menu tree (walked from the
// firmware's own tables) and how to get back. One table of words serves
// every host: the window's guide, the page's, the tour's captions.
#pragma once

#include <string>
#include <vector>

#include "core/device_screen.h"
#include "platform/lcd.h"

// A mark or part of the LCD and what it means, with the LCD pixels it
// covers (right and bottom exclusive), for hosts' tooltips.
struct GuideMark {
    const char* name;     // "Speaker"
    const char* meaning;  // a sentence or two
    int x, y, width, height;
};

// One line of the menu tree as the guide shows it: the reading screen, the
// main menu and its rows, with the submenus on the way to this screen
// opened.
struct GuideTreeLine {
    int depth = 0;       // 0 the reading screen, 1 the main menu, 2 its rows, ...
    std::string label;   // as the device shows it
    bool onPath = false; // on the way from the reading screen to this screen
    bool current = false;  // this screen, or the row that opened it
};

struct ScreenGuide {
    std::string title;  // "Alarm level in CPM"
    std::string about;  // what the screen shows, for a newcomer
    std::string keys[4];  // what Back, Up, Down and Select/Power do here
    std::string back;   // how to get back
    std::vector<std::string> path;  // "Main Menu", "User Option", "Alarm", "CPM"
    std::vector<GuideTreeLine> tree;
    std::vector<GuideMark> marks;  // the marks on the screen now, top to bottom
};

// The guide to `screen` showing `shown` (the picture as handed over: a
// value box is told by its text). Hosts call it at each hand-over while
// their guide is open.
ScreenGuide GuideFor(const DeviceScreen& screen, const LcdPicture& shown);
// The same for the device now: CurrentScreen() and the picture handed over last.
ScreenGuide GuideNow();

// The mark under LCD pixel (x, y) of the guide's screen, or null.
const GuideMark* GuideMarkAt(const ScreenGuide& guide, int x, int y);

// The names of the four keys as the panel labels them.
inline constexpr const char* kGuideKeyNames[4] = {"Back", "Up", "Down", "Select/Power"};

// The row's words for a newcomer: its title (empty when the table has none
// for it, which a test catches). For hosts that list the rows.
std::string GuideRowTitle(const MenuItem* table, const char* label);

// The guide as plain text, for hosts without formatting and for tests.
std::string GuideText(const ScreenGuide& guide);
