// The guide's words (core/screen_words.cpp): one table per kind of screen,
// read by core/screen_guide.cpp. Plain data; a null text means "as for
// every screen of its kind".
#pragma once

#include "core/screen_guide.h"
#include "firmware/state.h"

// A screen of its own: the reading modes, the viewers, a notice.
struct ScreenWords {
    const char* title;
    const char* about;
    const char* keys[4];  // Back, Up, Down, Select/Power
    const char* back;
};

// A menu row, found by its table and label: what the row is for, and the
// box or screen its Select opens.
struct RowWords {
    const MenuItem* table;
    const char* label;
    const char* title;  // for the row and the box it opens
    const char* about;  // one or two sentences on what it sets or shows
    const char* box;    // what the box shows (null: the row opens no box)
    const char* up;     // Up and Down while the box shows (null: by kind)
    const char* down;
    const char* select; // Select while the box shows (null: by kind)
    const char* closes; // when the box closes ("about 3 seconds after your last key")
};

// A value box told by its text: the reading screen's boxes and the notices.
// `first` is the box's first line, or its beginning when it ends in '*';
// `second` the second line, or null for any.
struct BoxWords {
    bool notice;  // shows over any screen; otherwise one of the reading screen's own
    const char* first;
    const char* second;
    ScreenWords words;
};

extern const RowWords kRowWords[];
extern const int kRowWordsCount;
extern const BoxWords kBoxWords[];
extern const int kBoxWordsCount;

// The reading screen by mode: text, graphic, large font, timed count.
extern const ScreenWords kReadingWords[4];
// Switched off, the start-up logo, the display dark.
extern const ScreenWords kPowerWords[3];
// The reading screen cleared by power saving (the display still on).
extern const ScreenWords kBlankedWords;
extern const ScreenWords kHistoryWords;
extern const ScreenWords kHistoryEndWords;
extern const ScreenWords kNoteWords;
extern const ScreenWords kTemperatureWords;
extern const ScreenWords kGyroscopeWords;
extern const ScreenWords kManufactureWords;

// What a value box is, said once for every box.
extern const char kValueBoxAbout[];

// Marks: where each may show and what it means.
enum class MarkPlace : uint8_t {
    StatusLine,    // every running screen
    ReadingClock,  // the reading screen but the graph
    GraphCpm,      // the graphic reading
    GraphZoom,     // the graphic reading and the history graph
    MenuScreen,    // a menu
    MenuRows,      // a menu's rows (cursor, scroll marks, the unit in force)
    TextReading,
    LargeReading,
    TimedReading,
    History,
    ValueBox,
};
struct MarkWords {
    MarkPlace place;
    GuideMark mark;
    uint8_t code = 0;  // the small-font code the mark is drawn as, or 0 for any ink in its place
};
extern const MarkWords kMarkWords[];
// Marks found by their text where they stand: the unit in force, the
// history's save interval.
extern const GuideMark kUnitInForceMark;
extern const GuideMark kIntervalMark;
extern const int kMarkWordsCount;
