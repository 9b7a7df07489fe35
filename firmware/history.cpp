// History viewer ("History Data") and the note editor ("Note/Location").
//
// The viewer walks the history store with the read position: a step searches
// forward for the next day, hour, minute or location, and the screen then
// shows the time stamp found and the counts that follow it, as a list or as
// a graph. The note editor builds a short text one character at a time; the
// text goes into the store with the next time stamp.
#include <cstdio>
#include <cstring>

#include "firmware/dataflash.h"
#include "firmware/firmware.h"
#include "firmware/flash_record.h"
#include "platform/lcd.h"
#include "platform/show_lcd.h"

namespace {

// ---- Records -----------------------------------------------------------

// What a reader that has taken a record's head passes over or reads on.
constexpr uint8_t kStampRest = kStampLength - kRecordHeadLength;
constexpr uint8_t kWideCountRest = kWideCountLength - kRecordHeadLength;

// ---- Steps ---------------------------------------------------------------

enum HistoryStep : uint8_t {
    NextDay = 0,
    NextHour = 1,
    NextMinute = 2,
    NextLocation = 3,
    PreDay = 4,
    PreHour = 5,
    PreMinute = 6,
    PreLocation = 7,
};
constexpr uint8_t kStepCount = 8;

const char kNextDay[] = "Next Day";
const char kNextHour[] = "Next Hour";
const char kNextMinute[] = "Next Minute";
const char kNextLocation[] = "NextLocation";
const char kPreDay[] = "Pre Day";
const char kPreHour[] = "Pre Hour";
const char kPreMinute[] = "Pre Minute";
const char kPreLocation[] = "Pre Location";
const char* const kStepNames[kStepCount] = {kNextDay, kNextHour,  kNextMinute, kNextLocation,
                                            kPreDay,  kPreHour,   kPreMinute,  kPreLocation};

constexpr uint8_t kStepKeepTicks = 2;
constexpr uint8_t kRunKeepTicks = 0;
// A forward search passes over this much after a time stamp it does not want.
constexpr uint8_t kSkipChunk = 200;
constexpr uint8_t kSkipChunks = 3;
// "Next Minute" moves on by a minute once this many count bytes went by.
constexpr uint8_t kBytesPerMinute = 60;

// ---- Screen ----------------------------------------------------------------

constexpr uint8_t kSamples = 60;
constexpr uint8_t kListLineChars = 17;
constexpr uint8_t kCodeMoreDots = 128;
constexpr uint8_t kCharWidth = 6;
constexpr uint8_t kLastCharX = 117;
constexpr uint8_t kScreenChars = 20;  // 122 pixels of 6-pixel characters
constexpr float kGraphHeight = 16.0f;
constexpr float kLowZoom = 5.0f;
constexpr float kLeastZoom = 0.1f;
constexpr int kGraphTop = 8;
constexpr int kGraphBottom = 31;

// ---- Note editor -------------------------------------------------------------

const char kNoteChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789()-*&#@ ";
constexpr uint8_t kNoteCharCount = sizeof kNoteChars - 1;
static_assert(kNoteCharCount == 44);
constexpr uint8_t kNothingPending = 255;
constexpr uint8_t kAcceptAfter = 2;  // half-second ticks beyond this accept
// Accepting stops at this cursor: the last character is taken only by Select.
constexpr uint8_t kLastAccepted = 15;
// The text buffer holds kNoteMax bytes: the last slot a character may take
// leaves room for the 0 that ends the text.
constexpr uint8_t kLastSlot = kNoteMax - 2;
static_assert(kLastSlot >= kLastAccepted);
const char kNoteTitle[] = "Note/Location";

// The chosen step and the character index share the editors' stepValue.
uint8_t& StepValue() { return fw.stepValue; }

// The step to run. Another editor may have left any value in stepValue; the
// names table has eight entries, so anything else runs "Next Day".
uint8_t CurrentStep() { return StepValue() < kStepCount ? StepValue() : uint8_t{NextDay}; }

bool IsForward(uint8_t step) { return step <= NextLocation; }

// ---- Reading the store -------------------------------------------------------

uint8_t ReadByte() {
    uint8_t b = 0;
    FlashRead(&b, 1);
    return b;
}

// The next count sample at the read position, passing over time stamps and
// notes; 0 once the store has ended.
uint16_t ReadCount() {
    while (!fw.endOfStore) {
        uint8_t b = ReadByte();
        if (IsCountByte(b)) return b;
        if (ReadByte() != kRecordMarker2) continue;  // a lone marker byte is dropped
        switch (ReadByte()) {
            case kRecordTimeStamp:
                FlashAdvance(kStampRest);
                break;
            case kRecordNote:
                FlashAdvance(ReadByte());
                break;
            case kRecordWideCount: {
                uint8_t wide[kWideCountLength] = {};
                FlashRead(wide + kRecordHeadLength, kWideCountRest);
                const uint16_t v = WideCountAt(wide);
                if (v != kNoSample) return v;
                break;
            }
            default:
                break;  // not a record this reader knows: go on byte by byte
        }
    }
    return 0;
}

// After a time stamp that is not wanted, stamps follow each other closely:
// pass over the next stretch rather than look at every one.
void SkipAfterStamp() {
    for (uint8_t i = 0; i < kSkipChunks; ++i)
        if (FlashAdvance(kSkipChunk)) return;
}

TimeStamp ReadStampRest() {
    uint8_t stamp[kStampLength] = {};
    FlashRead(stamp + kRecordHeadLength, kStampRest);
    return TimeStampAt(stamp);
}

bool IsTarget(uint8_t step, const TimeStamp& s) {
    switch (step) {
        case NextDay:
            return s.month <= 12 && s.hour <= 24 && s.day != fw.recDay;
        case NextHour:
            return s.month <= 12 && s.hour <= 24 && s.hour != fw.recHour;
        case NextMinute:
            return s.hour <= 24 && s.minute != fw.recMinute;
        default:
            return false;
    }
}

void TakeStamp(const TimeStamp& s) {
    fw.recYear = s.year;
    fw.recMonth = s.month;
    fw.recDay = s.day;
    fw.recHour = s.hour;
    fw.recMinute = s.minute;
    fw.recSecond = s.second;
    fw.recSaveMode = s.saveMode;
}

// One minute of one-second counts went by without a stamp: the shown time
// moves on by a minute.
void MinuteOn() {
    if (++fw.recMinute > 59) {
        fw.recMinute = 0;
        if (++fw.recHour > 23) {
            fw.recHour = 0;
            ++fw.recDay;
        }
    }
}

// Searches forward for the step's target. For "NextLocation" *nameLength
// receives the length of the note found; its characters come next.
uint8_t SearchForward(uint8_t step, uint8_t* nameLength) {
    uint8_t plainBytes = 0;
    while (!fw.endOfStore) {
        uint8_t b = ReadByte();
        if (b == kErasedByte) {
            b = ReadByte();
            if (b == kErasedByte) {
                FlashSkipErased();
                continue;
            }
        }
        if (IsCountByte(b) || ReadByte() != kRecordMarker2) {
            if (step == NextMinute && ++plainBytes >= kBytesPerMinute) {
                MinuteOn();
                return 1;
            }
            continue;
        }

        plainBytes = 0;
        const uint8_t type = ReadByte();
        if (step == NextLocation) {
            if (type == kRecordTimeStamp) {
                FlashAdvance(kStampRest);
                uint8_t next[kRecordHeadLength] = {};
                FlashRead(next, kRecordHeadLength);
                if (IsRecordAt(next, kRecordNote)) {
                    *nameLength = ReadByte();
                    return 1;
                }
            } else if (type == kRecordNote) {
                *nameLength = ReadByte();
                return 1;
            }
            SkipAfterStamp();
            continue;
        }

        if (type == kRecordTimeStamp) {
            const TimeStamp s = ReadStampRest();
            if (IsTarget(step, s)) {
                TakeStamp(s);
                return 1;
            }
            if (step != NextMinute) SkipAfterStamp();
        } else if (type == kRecordNote) {
            FlashAdvance(ReadByte());
        } else if (type == kRecordWideCount) {
            FlashAdvance(kWideCountRest);
        }
    }
    return 0;
}

// ---- History screen ------------------------------------------------------------

void BindHistoryKeys() {
    BindKey(KeyBack, MenuBack);
    BindKey(KeyUp, HistoryDataUp);
    BindKey(KeyDown, HistoryDataDown);
    BindKey(KeySelect, HistoryDataSelect);
}

void ClearCurrentRecord() {
    fw.recYear = fw.recMonth = fw.recDay = 0;
    fw.recHour = fw.recMinute = fw.recSecond = 0;
}

// The location's name follows at the read position. A name longer than the
// line is read through but drawn only as far as the LCD reaches.
void DrawName(uint8_t length) {
    char name[kScreenChars + 1] = {};
    const uint8_t shown = length < kScreenChars ? length : kScreenChars;
    FlashRead(reinterpret_cast<uint8_t*>(name), shown);
    FlashAdvance(static_cast<uint8_t>(length - shown));
    for (uint8_t i = 0; i < shown; ++i)
        if (name[i] == '\0') name[i] = ' ';  // a 0 would cut the drawn name short
    LcdPutText(3, 9, name);
}

char SaveModeLetter(uint8_t mode) {
    switch (mode) {
        case 1:
            return 'S';
        case 2:
            return 'M';
        case 3:
            return 'H';
        default:
            return '-';
    }
}

// "MM-DD-20YY hh:mm(S)".
void DrawStampLine() {
    if (fw.recMonth == 0) return;
    char line[20];
    FormatDate(fw.recMonth, fw.recDay, fw.recYear, line);
    line[10] = ' ';
    FormatTwoDigits(fw.recHour, line + 11);
    line[13] = ':';
    FormatTwoDigits(fw.recMinute, line + 14);
    line[16] = '(';
    line[17] = SaveModeLetter(fw.recSaveMode);
    line[18] = ')';
    line[19] = '\0';
    LcdPutText(3, 9, line);
}

// Row of a graph sample: 16 pixels span the largest sample at the chosen zoom.
int GraphRow(int32_t sample, float zoom) {
    uint32_t v = static_cast<uint8_t>(sample);
    if (zoom >= 1.0f && sample == 1) v = zoom == 1.0f ? 2u : static_cast<uint32_t>(zoom);
    int y = static_cast<int>(static_cast<float>(kGraphBottom) - static_cast<float>(v / 2) * zoom);
    if (y < kGraphTop) y = kGraphTop;
    if (y > kGraphBottom) y = kGraphBottom;
    return y;
}

// The next minute of counts as a graph; returns the value for the top line.
uint32_t DrawHistoryGraph() {
    uint32_t sum = 0;
    int32_t largest = 0;
    for (int32_t& slot : fw.secondCounts) {
        slot = ReadCount();
        sum += static_cast<uint32_t>(slot);
        if (slot > largest) largest = slot;
    }
    float zoom = largest >= 5 ? kGraphHeight / static_cast<float>(largest) : kLowZoom;
    if (zoom < kLeastZoom) zoom = kLeastZoom;
    fw.graphZoom = zoom;

    for (int k = 0; k + 1 < kSamples; ++k)
        LcdLine(2 + 2 * k, GraphRow(fw.secondCounts[k], zoom), 4 + 2 * k,
                GraphRow(fw.secondCounts[k + 1], zoom));
    if (fw.recSaveMode != 1) sum /= kSamples;

    char label[16];
    std::snprintf(label, sizeof label, "X%0.1f", static_cast<double>(zoom));
    LcdPutText(62, 0, label);
    return sum;
}

// Appends samples "v," until the line holds kListLineChars characters or more.
// Room: 16 characters plus the longest sample "65534," and the 0.
uint8_t BuildListLine(char (&line)[24], uint32_t* sum, uint8_t* count) {
    uint8_t length = 0;
    line[0] = '\0';
    while (length < kListLineChars) {
        const uint16_t v = ReadCount();
        *sum += v;
        ++*count;
        char digits[11];
        FormatDecimal(v, digits);
        for (const char* p = digits; *p != '\0'; ++p) line[length++] = *p;
        line[length++] = ',';
        line[length] = '\0';
    }
    return length;
}

// The counts as two lines of numbers; returns the value for the top line.
uint32_t DrawHistoryList() {
    uint32_t sum = 0;
    uint8_t count = 0;
    char line[24];
    BuildListLine(line, &sum, &count);
    LcdPutText(0, 17, line);
    const uint8_t length = BuildListLine(line, &sum, &count);
    LcdPutText(0, 25, line);
    const unsigned dotsX = kCharWidth * length;
    LcdPutCharAt(static_cast<uint8_t>(dotsX < kLastCharX ? dotsX : kLastCharX), 25, kCodeMoreDots);

    if (fw.recSaveMode == 1) {
        // One-second samples: the value is the minute's count.
        while (count < kSamples) {
            sum += ReadCount();
            ++count;
        }
        return sum;
    }
    return sum / count;
}

void DrawTopValue(uint32_t value) {
    switch (fw.recSaveMode) {
        case 1:
            LcdPutText(0, 0, "'CPM:");
            PutDecimal(30, 0, value);
            break;
        case 2:
        case 3:
            LcdPutText(0, 0, "'ACPM:");
            PutDecimal(36, 0, value);
            break;
        default:
            LcdPutText(30, 0, "-");
            break;
    }
}

void ShowStepName(uint8_t keepTicks) {
    ShowValueBox(kStepNames[CurrentStep()]);
    fw.editorKeepTicks = keepTicks;
}

// ---- Note editor -----------------------------------------------------------------

uint8_t& NoteCharIndex() { return fw.stepValue; }

// Where the character being chosen goes (the cursor, kept inside the text).
uint8_t NoteSlot() { return fw.noteCursor < kLastSlot ? fw.noteCursor : kLastSlot; }

void NoteChoose(uint8_t index) {
    const uint8_t slot = NoteSlot();
    NoteCharIndex() = index;
    fw.noteText[slot] = kNoteChars[index];
    fw.noteText[slot + 1] = '\0';
    LcdPutText(0, 12, fw.noteText);
    fw.noteIdle = 0;
}

}  // namespace

// ---- History viewer ------------------------------------------------------------

void HistoryDataUp(uint8_t) {
    uint8_t step = static_cast<uint8_t>(StepValue() + 1);
    if (step < PreDay || step > PreLocation) step = PreDay;
    StepValue() = step;
    ShowStepName(kStepKeepTicks);
}

void HistoryDataDown(uint8_t) {
    uint8_t step = static_cast<uint8_t>(StepValue() + 1);
    if (step > NextLocation) step = NextDay;
    StepValue() = step;
    ShowStepName(kStepKeepTicks);
}

void HistoryDataSelect(uint8_t) {
    StepValue() = CurrentStep();
    fw.uiMode = HistoryView;
    // The step runs when this box closes (HistoryRedraw).
    ShowStepName(kRunKeepTicks);
    ShowLcd();
}

void HistoryRedraw() {
    BindHistoryKeys();
    LcdFillRect(0, 0, 86, 7, 0);
    LcdFillRect(0, 8, 122, 24, 0);
    fw.endOfStore = 0;

    const uint8_t step = CurrentStep();
    uint8_t nameLength = 0;
    // "Pre" steps show what follows the read position under the last stamp.
    if (IsForward(step)) fw.historyFound = SearchForward(step, &nameLength);

    if (!fw.historyFound) {
        LcdPutText(3, 15, "End of Record!");
        if (IsForward(step)) FlashRewind();  // the next search starts over
        fw.endOfStore = 0;
        ClearCurrentRecord();
        return;
    }

    // A "Pre" location step has no name at the read position: the search
    // that found it has read it already.
    if (step == NextLocation || step == PreLocation)
        DrawName(nameLength);
    else
        DrawStampLine();

    const uint32_t value = fw.displayMode == 1 ? DrawHistoryGraph() : DrawHistoryList();
    DrawTopValue(value);
}

// ---- Note editor -------------------------------------------------------------------

void NoteEditOpen(uint8_t) {
    fw.uiMode = NoteEdit;
    RedrawScreen();
    LcdPutText(0, 0, kNoteTitle);
    std::memset(fw.noteText, 0, sizeof fw.noteText);
    NoteCharIndex() = 0;
    fw.noteCursor = 0;
    fw.noteIdle = 0;
}

void NoteKeyUp(uint8_t) {
    uint8_t index = static_cast<uint8_t>(NoteCharIndex() + 1);
    if (index >= kNoteCharCount) index = 0;
    // The first Up on an empty place shows "A" rather than skipping it.
    if (fw.noteText[NoteSlot()] == '\0' && index == 1) index = 0;
    NoteChoose(index);
}

void NoteKeyDown(uint8_t) {
    uint8_t index = NoteCharIndex();
    index = index == 0 || index >= kNoteCharCount ? kNoteCharCount - 1 : static_cast<uint8_t>(index - 1);
    NoteChoose(index);
}

void NoteEditCommit() {
    if (fw.noteIdle == kNothingPending) return;
    const uint8_t idle = fw.noteIdle++;
    if (idle <= kAcceptAfter || fw.noteCursor >= kLastAccepted) return;
    // Nothing chosen yet (the editor just opened): keep waiting.
    if (NoteCharIndex() == 0 && fw.noteCursor == 0 && fw.noteText[0] != 'A') {
        fw.noteIdle = 0;
        return;
    }
    const uint8_t index = NoteCharIndex() < kNoteCharCount ? NoteCharIndex() : 0;
    fw.noteText[NoteSlot()] = kNoteChars[index];
    ++fw.noteCursor;
    NoteCharIndex() = 0;
    fw.noteIdle = kNothingPending;
}

void NoteEditBlink() {
    fw.noteBlink = !fw.noteBlink;
    if (fw.noteBlink) {
        const int x = kCharWidth * fw.noteCursor;
        LcdLine(x, 19, x + kCharWidth, 19);
        LcdLine(x, 20, x + kCharWidth, 20);
    } else {
        LcdFillRect(0, 19, 104, 2, 0);
    }
}

void NoteKeyBack(uint8_t) {
    if (fw.noteText[0] == '\0') {
        NoteCharIndex() = 0;
        fw.noteCursor = 0;
        // Leave nothing pending: the accept runs in every mode and would
        // otherwise take another editor's stepValue as a character.
        fw.noteIdle = kNothingPending;
        fw.uiMode = Menu;
        RedrawScreen();
        return;
    }
    if (fw.noteCursor > 0 && fw.noteIdle == kNothingPending) --fw.noteCursor;
    const uint8_t slot = NoteSlot();
    fw.noteText[slot] = ' ';
    LcdPutText(0, 12, fw.noteText);
    fw.noteText[slot] = '\0';
    NoteCharIndex() = 0;
    fw.noteIdle = kNothingPending;
}

void NoteKeySelect(uint8_t) {
    if (fw.noteCursor == 0) return;
    const uint8_t slot = NoteSlot();
    uint8_t length = slot;
    // The character at the cursor counts when it is chosen but not yet
    // accepted, or as the last one; an empty place never does.
    if ((fw.noteIdle != kNothingPending || slot >= kLastAccepted) && fw.noteText[slot] != '\0') ++length;
    fw.note[0] = static_cast<char>(length);
    std::memcpy(fw.note + 1, fw.noteText, length);
    fw.note[1 + length] = '\0';
    WriteTimeStamp();
    fw.noteIdle = kNothingPending;
    std::memset(fw.noteText, 0, sizeof fw.noteText);
    fw.uiMode = Menu;
    RedrawScreen();
}
