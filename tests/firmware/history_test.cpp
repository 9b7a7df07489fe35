#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "firmware/dataflash.h"
#include "firmware/device_harness.h"
#include "firmware/flash_record.h"
#include "firmware/screen_compare.h"

namespace {

// The demo image: "SCHOOL" (10 bytes), then the first stamp (12 bytes), then
// that stamp's counts.
constexpr uint32_t kFirstSamples = 22;

// The LCD as the last step left it. Expectations are drawn on a cleared LCD,
// so every comparison reads this copy rather than the surface.
std::string gShown[kLcdHeight];

void Capture() {
    for (int y = 0; y < kLcdHeight; ++y) gShown[y] = harness::Row(y);
}

::testing::AssertionResult Shows(int x, int y, int w, int h, const std::function<void()>& draw) {
    std::string shown;
    for (int row = y; row < y + h; ++row) shown += gShown[row].substr(x, w) + '\n';
    const std::string expected = screen::Drawn(x, y, w, h, draw);
    if (shown == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "shown:\n" << shown << "expected:\n" << expected;
}

uint32_t ReadAddress() { return fw.flashReadHigh << 16 | fw.flashReadMiddle << 8 | fw.flashReadLow; }

uint32_t SumOfImage(uint32_t from, uint32_t n) {
    uint32_t sum = 0;
    for (uint32_t a = from; a < from + n; ++a) sum += FlashReadArea[a];
    return sum;
}

// Running device in the given reading mode, on the reading screen.
void BootIn(uint8_t displayMode) {
    harness::Boot();
    fw.displayMode = displayMode;
    RedrawScreen();
}

// Main menu -> "Save Data" -> "History Data", Select: the step's box opens.
void SelectHistoryData() {
    harness::Press(KeySelect);
    harness::Press(KeyDown);
    harness::Press(KeyDown);
    harness::Press(KeySelect);
    harness::Press(KeyDown);
    harness::Press(KeyDown);
    harness::Press(KeySelect);
}

// ... and the box closes on the step's result.
void OpenHistory() {
    SelectHistoryData();
    harness::Wait(2);
    Capture();
}

// A step from within the viewer: Select reruns it once its box closes.
void RunStep(uint8_t step) {
    fw.stepValue = step;
    harness::Press(KeySelect);
    harness::Wait(2);
    Capture();
}

::testing::AssertionResult TopLine(const char* text) {
    return Shows(0, 9, 122, 7, [&] { LcdPutText(3, 9, text); });
}

::testing::AssertionResult ValueShows(const char* label, uint8_t x, uint32_t value) {
    char digits[11];
    FormatDecimal(value, digits);
    return Shows(0, 0, x + 6 * static_cast<int>(std::strlen(digits)), 7, [&] {
        LcdPutText(0, 0, label);
        LcdPutText(x, 0, digits);
    });
}

// A read area of our own: the bytes given, erased after them.
void ReadAreaHolds(const std::vector<uint8_t>& bytes) {
    std::memset(FlashReadArea, 0xFF, kFlashAreaSize);
    std::memcpy(FlashReadArea, bytes.data(), bytes.size());
}

std::vector<uint8_t> StampBytes(uint8_t day, uint8_t hour, uint8_t minute, uint8_t mode) {
    std::vector<uint8_t> bytes(kStampLength);
    PutTimeStamp({11, 12, day, hour, minute, 0, mode}, bytes.data());
    return bytes;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace

TEST(HistoryViewer, NextDayFromTheStartShowsTheFirstStampAndItsMinute) {
    for (uint8_t mode : {0, 1}) {
        SCOPED_TRACE(mode == 1 ? "graph" : "list");
        BootIn(mode);
        OpenHistory();
        ASSERT_EQ(fw.uiMode, HistoryView);
        EXPECT_EQ(fw.historyFound, 1);
        EXPECT_TRUE(TopLine("12-03-2011 02:07(S)"));
        EXPECT_EQ(ReadAddress(), kFirstSamples + 60) << "one minute of one-second counts";
        const uint32_t cpm = SumOfImage(kFirstSamples, 60);
        EXPECT_TRUE(ValueShows("'CPM:", 30, cpm));

        if (mode == 1) {
            for (int i = 0; i < 60; ++i) EXPECT_EQ(fw.secondCounts[i], FlashReadArea[kFirstSamples + i]) << i;
            EXPECT_FLOAT_EQ(fw.graphZoom, 5.0f) << "counts below 5 draw at zoom 5";
            EXPECT_TRUE(Shows(62, 0, 24, 7, [] { LcdPutText(62, 0, "X5.0"); }));
            // A count of 1 stands 10 rows above a 0 at zoom 5.
            EXPECT_EQ(gShown[21].find('#') != std::string::npos, cpm > 0);
        } else {
            std::string first, second;
            for (int i = 0; i < 9; ++i) first += std::to_string(FlashReadArea[kFirstSamples + i]) + ",";
            for (int i = 9; i < 18; ++i) second += std::to_string(FlashReadArea[kFirstSamples + i]) + ",";
            EXPECT_TRUE(Shows(0, 16, 122, 16, [&] {
                LcdPutText(0, 17, first.c_str());
                LcdPutText(0, 25, second.c_str());
                LcdPutCharAt(108, 25, 128);
            }));
        }
    }
}

TEST(HistoryViewer, NextDayWalksTheDaysAndComesRoundAgain) {
    BootIn(0);
    OpenHistory();
    std::vector<int> days = {fw.recDay};
    for (int i = 0; i < 5; ++i) {
        RunStep(0);
        ASSERT_EQ(fw.historyFound, 1);
        days.push_back(fw.recDay);
    }
    // The last session runs past midnight into the 10th; after the image the
    // reader passes the erased flash and comes round to its start.
    EXPECT_EQ(days, (std::vector<int>{3, 4, 7, 9, 10, 3}));
    EXPECT_EQ(fw.recMonth, 12);
    EXPECT_EQ(fw.recYear, 11);

    // A stamp that is not wanted makes the search pass over the next 600
    // bytes, and a stamp lying there with them.
    BootIn(0);
    std::vector<uint8_t> image = StampBytes(5, 10, 0, 1);
    Append(image, std::vector<uint8_t>(100, 0));
    Append(image, StampBytes(5, 10, 1, 1));
    Append(image, std::vector<uint8_t>(100, 0));
    Append(image, StampBytes(6, 8, 0, 1));
    Append(image, std::vector<uint8_t>(700, 0));
    Append(image, StampBytes(7, 8, 0, 1));
    Append(image, std::vector<uint8_t>(100, 0));
    ReadAreaHolds(image);
    OpenHistory();
    EXPECT_EQ(fw.recDay, 5);
    RunStep(0);
    EXPECT_EQ(fw.recDay, 7);
}

TEST(HistoryViewer, NextLocationEndsTheRecordAndTheNextSearchStartsOver) {
    BootIn(0);
    OpenHistory();
    RunStep(3);  // "NextLocation": the demo names are no notes
    EXPECT_EQ(fw.historyFound, 0);
    EXPECT_TRUE(Shows(0, 8, 122, 24, [] { LcdPutText(3, 15, "End of Record!"); }));
    EXPECT_EQ(ReadAddress(), 0u);
    EXPECT_EQ(fw.endOfStore, 0);
    EXPECT_EQ(fw.recDay, 0);
    EXPECT_EQ(fw.recMonth, 0);

    RunStep(7);  // a "Pre" step does not search, nor rewind
    EXPECT_TRUE(Shows(0, 8, 122, 24, [] { LcdPutText(3, 15, "End of Record!"); }));

    RunStep(0);
    EXPECT_TRUE(TopLine("12-03-2011 02:07(S)"));
}

TEST(HistoryViewer, LeavingTheGraphClearsTheSlotsAndKeepsTheZoom) {
    BootIn(1);
    FlashReadArea[kFirstSamples + 5] = 8;  // largest count 8: zoom 16 / 8
    OpenHistory();
    EXPECT_FLOAT_EQ(fw.graphZoom, 2.0f);
    EXPECT_TRUE(Shows(62, 0, 24, 7, [] { LcdPutText(62, 0, "X2.0"); }));
    EXPECT_EQ(fw.secondCounts[5], 8);

    harness::Press(KeyBack);
    EXPECT_EQ(fw.uiMode, Menu);
    EXPECT_EQ(fw.menuTable, MainMenu);
    for (int32_t slot : fw.secondCounts) EXPECT_EQ(slot, 0);
    EXPECT_FLOAT_EQ(fw.graphZoom, 2.0f);

}

TEST(HistoryViewer, StepChoiceAndAnyStoredStepValue) {
    BootIn(0);
    OpenHistory();
    fw.stepValue = 0;
    for (int expected : {4, 5, 6, 7, 4}) {
        harness::Press(KeyUp);
        EXPECT_EQ(fw.stepValue, expected);
    }
    for (int expected : {0, 1, 2, 3, 0}) {
        harness::Press(KeyDown);
        EXPECT_EQ(fw.stepValue, expected);
    }
    EXPECT_EQ(fw.editorKeepTicks, 2);

    // A value left by another editor runs "Next Day" under its own name.
    BootIn(0);
    fw.stepValue = 200;
    SelectHistoryData();
    Capture();
    EXPECT_TRUE(Shows(22, 9, 80, 19, [] { ShowValueBox("Next Day"); }));
    harness::Wait(2);
    Capture();
    EXPECT_EQ(fw.stepValue, 0);
    EXPECT_TRUE(TopLine("12-03-2011 02:07(S)"));
}

TEST(HistoryViewer, HourMinuteAndPreSteps) {
    BootIn(0);
    OpenHistory();  // 02:07:15, counts up to 02:08:15 shown
    RunStep(2);     // no stamp within the next 60 counts: one minute on
    EXPECT_TRUE(TopLine("12-03-2011 02:08(S)"));
    EXPECT_EQ(ReadAddress(), kFirstSamples + 180u);

    const uint32_t before = ReadAddress();
    RunStep(6);  // "Pre Minute" shows the next counts under the same time
    EXPECT_TRUE(TopLine("12-03-2011 02:08(S)"));
    EXPECT_EQ(ReadAddress(), before + 60);

    RunStep(1);
    EXPECT_TRUE(TopLine("12-03-2011 03:03(S)"));  // every third stamp is looked at

    // The minute carries into the hour and the day.
    BootIn(0);
    std::vector<uint8_t> image = StampBytes(9, 23, 59, 1);
    Append(image, std::vector<uint8_t>(200, 1));
    ReadAreaHolds(image);
    OpenHistory();
    RunStep(2);
    EXPECT_TRUE(TopLine("12-10-2011 00:00(S)"));
}

TEST(HistoryViewer, CountReaderPassesOverRecords) {
    // Minute mode: the value is the average of the samples read.
    BootIn(0);
    std::vector<uint8_t> image = StampBytes(5, 10, 0, 2);
    Append(image, {3, 0x55, 0xAA, 1, 0x01, 0x2C});        // 3, then 300
    Append(image, {0x55, 0xAA, 1, 0xFF, 0xFF});           // no sample
    Append(image, {0x55, 0xAA, 2, 3, 'A', 'B', 'C'});     // a note
    Append(image, {0x55, 0x07});                          // lone marker: dropped with its follower
    Append(image, {0x55, 0xAA, 5, 2, 'X', 'Y'});          // unknown type: the rest read as counts
    Append(image, std::vector<uint8_t>(30, 4));
    ReadAreaHolds(image);
    OpenHistory();
    EXPECT_TRUE(TopLine("12-05-2011 10:00(M)"));
    EXPECT_TRUE(Shows(0, 16, 122, 16, [] {
        LcdPutText(0, 17, "3,300,2,88,89,4,4,");
        LcdPutText(0, 25, "4,4,4,4,4,4,4,4,4,");
        LcdPutCharAt(108, 25, 128);
    }));
    const uint32_t average = (3 + 300 + 2 + 88 + 89 + 4 * 11) / 16;
    EXPECT_TRUE(ValueShows("'ACPM:", 36, average));

}

TEST(HistoryViewer, NextLocationShowsANoteAndReadsOnAfterIt) {
    BootIn(0);
    std::vector<uint8_t> image = StampBytes(5, 10, 0, 1);
    Append(image, std::vector<uint8_t>(700, 0));  // past the skip after the first stamp
    Append(image, StampBytes(5, 11, 0, 1));
    const std::string name = "A NAME LONGER THAN ANY LINE ON THE LCD";
    Append(image, {0x55, 0xAA, 2, static_cast<uint8_t>(name.size())});
    Append(image, std::vector<uint8_t>(name.begin(), name.end()));
    Append(image, std::vector<uint8_t>(60, 1));
    ReadAreaHolds(image);
    fw.stepValue = 3;
    OpenHistory();
    ASSERT_EQ(fw.historyFound, 1);
    EXPECT_TRUE(TopLine(name.substr(0, 20).c_str()));
    EXPECT_EQ(ReadAddress(), image.size()) << "the whole name is passed over";
    EXPECT_TRUE(ValueShows("'CPM:", 30, 60));
}

// ---- Note editor ------------------------------------------------------------

namespace {

// Main menu -> "Save Data" -> "Note/Location".
void OpenNoteEditor() {
    harness::Press(KeySelect);
    harness::Press(KeyDown);
    harness::Press(KeyDown);
    harness::Press(KeySelect);
    harness::Press(KeyDown);
    harness::Press(KeySelect);
}

void Presses(uint8_t key, int n) {
    for (int i = 0; i < n; ++i) harness::Press(key);
}

// Chooses the character (from a fresh place) and waits until it is accepted.
void TypeAccepted(char c) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789()-*&#@ ";
    const int index = static_cast<int>(std::strchr(kChars, c) - kChars);
    Presses(KeyUp, index == 0 ? 1 : index + 1);  // the first Up shows "A"
    harness::Wait(4);
}

std::string Note() { return std::string(fw.note + 1, static_cast<uint8_t>(fw.note[0])); }

}  // namespace

TEST(NoteEditor, ChooseAcceptDeleteAndStore) {
    harness::Boot();
    OpenNoteEditor();
    ASSERT_EQ(fw.uiMode, NoteEdit);
    harness::Wait(10);
    EXPECT_EQ(fw.noteCursor, 0) << "nothing chosen, nothing accepted";

    Presses(KeyUp, 5);
    EXPECT_STREQ(fw.noteText, "E");
    Capture();
    harness::Wait(3);
    EXPECT_EQ(fw.noteCursor, 0) << "still pending after 1.5 s";
    harness::Wait(1);
    EXPECT_EQ(fw.noteCursor, 1);
    EXPECT_EQ(fw.noteIdle, 255);

    harness::Press(KeyBack);  // deletes the "E"
    EXPECT_EQ(fw.noteCursor, 0);
    EXPECT_STREQ(fw.noteText, "");
    EXPECT_FALSE(screen::AnyInk(harness::Area(0, 12, 30, 7)));
    EXPECT_TRUE(Shows(0, 0, 80, 7, [] { LcdPutText(0, 0, "Note/Location"); }));
    EXPECT_TRUE(Shows(0, 12, 30, 7, [] { LcdPutText(0, 12, "E"); }));

    Presses(KeyDown, 1);  // from "A" down to the space, then on to "@"
    Presses(KeyDown, 1);
    EXPECT_STREQ(fw.noteText, "@");
    harness::Wait(4);
    const uint32_t written = fw.flashWriteMiddle << 8 | fw.flashWriteLow;
    harness::Press(KeySelect);
    EXPECT_EQ(Note(), "@");
    EXPECT_EQ(fw.uiMode, Menu);
    EXPECT_STREQ(fw.noteText, "");
    // The stamp carries the note record.
    const uint8_t record[5] = {0x55, 0xAA, 2, 1, '@'};
    EXPECT_EQ(0, std::memcmp(FlashWriteArea + written + 12, record, 5));
}

TEST(NoteEditor, FirstUpGivesAWhichIsAcceptedToo) {
    harness::Boot();
    OpenNoteEditor();
    harness::Press(KeyUp);
    EXPECT_STREQ(fw.noteText, "A");
    harness::Wait(4);
    EXPECT_EQ(fw.noteCursor, 1);
    harness::Press(KeyUp);  // the place after "A" is empty again: "A" once more
    harness::Press(KeySelect);
    EXPECT_EQ(Note(), "AA") << "a pending character is stored by Select";
}

TEST(NoteEditor, SixteenCharactersAtMostTheLastTakenBySelect) {
    harness::Boot();
    OpenNoteEditor();
    const std::string typed = "MAIN STREET 12(";
    for (char c : typed) TypeAccepted(c);
    EXPECT_EQ(fw.noteCursor, 15);
    EXPECT_EQ(std::string(fw.noteText), typed);

    Presses(KeyUp, 2);  // "B" at the last place, never accepted by waiting
    harness::Wait(10);
    EXPECT_EQ(fw.noteCursor, 15);
    harness::Press(KeySelect);
    EXPECT_EQ(Note(), typed + "B");

    // Select with the last place still empty stores only what was typed.
    harness::Press(KeySelect);
    ASSERT_EQ(fw.uiMode, NoteEdit);
    for (char c : typed) TypeAccepted(c);
    harness::Press(KeySelect);
    EXPECT_EQ(Note(), typed);
}

TEST(NoteEditor, BackLeavesOnlyFromAnEmptyTextAndLeavesNothingPending) {
    harness::Boot();
    OpenNoteEditor();
    harness::Press(KeyUp);
    harness::Press(KeyUp);  // "B" pending
    harness::Press(KeyBack);
    EXPECT_EQ(fw.uiMode, NoteEdit) << "the first Back deletes";
    harness::Press(KeyBack);
    EXPECT_EQ(fw.uiMode, Menu);
    EXPECT_EQ(fw.menuTable, SaveDataMenu);

    // Open and leave at once: no character may be taken later from another
    // editor's step value.
    harness::Press(KeySelect);
    harness::Press(KeyBack);
    ASSERT_EQ(fw.uiMode, Menu);
    fw.stepValue = 1;
    harness::Wait(10);
    EXPECT_EQ(fw.stepValue, 1);
    EXPECT_EQ(fw.noteCursor, 0);
    EXPECT_STREQ(fw.noteText, "");
}
