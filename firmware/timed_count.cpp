// Timed count: the preset and "Cancel" rows, starting or scheduling a count,
// the once-a-second accounting, and the duration editor behind
// "Set Schedule" and "Other duration".
#include "firmware/firmware.h"
#include "platform/lcd.h"

namespace {

// Fields of the duration editor, as `editField` names them.
enum EditField : uint8_t {
    kFieldDays = 2,
    kFieldHours = 3,
    kFieldMinutes = 4,
    kFieldSeconds = 5,
    kFieldNone = 6,
};

// The editor's working copy lives in the first four bytes of the note
// editor's text buffer (the two editors are never open together, and the
// note editor clears its buffer when it opens): seconds, minutes, hours,
// days. Days fit one byte here, which bounds what the editor can set.
enum ScratchIndex : uint8_t { kSeconds = 0, kMinutes = 1, kHours = 2, kDays = 3 };
static_assert(sizeof fw.noteText >= 4, "the duration editor needs four scratch bytes");

uint8_t Scratch(ScratchIndex i) { return static_cast<uint8_t>(fw.noteText[i]); }
void SetScratch(ScratchIndex i, uint8_t v) { fw.noteText[i] = static_cast<char>(v); }

uint32_t TotalSeconds(uint32_t days, uint8_t hours, uint8_t minutes, uint8_t seconds) {
    return days * 86400u + hours * 3600u + minutes * 60u + seconds;
}

uint32_t ScheduleSeconds() {
    return TotalSeconds(fw.scheduleDays, fw.scheduleHours, fw.scheduleMinutes, fw.scheduleSeconds);
}

void ClearElapsed() {
    fw.elapsedDays = 0;
    fw.elapsedHours = 0;
    fw.elapsedMinutes = 0;
    fw.elapsedSeconds = 0;
}

void StartCount() {
    fw.timedCounts = 0;
    fw.timedAverage = 0;
    fw.timedAverageHundredths = 0;
    ClearElapsed();
    // A count restarted over a running one must not inherit its elapsed
    // total, or it could end before it has counted anything.
    fw.elapsedMinutesTotal = 0;
    fw.elapsedTotal = 0;
    fw.timedRunning = 1;
    fw.durationTotal =
        TotalSeconds(fw.durationDays, fw.durationHours, fw.durationMinutes, fw.durationSeconds);
    ShowValueBox2("Timed Count", "Started!");
}

void StartOrSchedule() {
    fw.scheduleTotal = ScheduleSeconds();
    if (fw.scheduleTotal == 0) {
        StartCount();
        fw.timedScheduled = 0;
        return;
    }
    fw.timedScheduled = 1;
    // A delay of a few seconds is not worth a message.
    if (fw.scheduleTotal > 5) ShowValueBox2("Timed Count", "is scheduled!");
    fw.scheduleCounter = 0;
}

void CancelCount() {
    fw.timedRunning = 0;
    fw.timedScheduled = 0;
    fw.elapsedTotal = 0;
    ClearElapsed();
    fw.displayMode = 2;
    ShowValueBox2("Timed Count", "Canceled!");
}

void SetDuration(uint32_t days, uint8_t hours, uint8_t minutes, uint8_t seconds) {
    fw.durationDays = days;
    fw.durationHours = hours;
    fw.durationMinutes = minutes;
    fw.durationSeconds = seconds;
}

// The preset of a row, told by the identity of its label; false for a row
// without one.
bool StorePreset(const char* label) {
    if (label == kLabelOneMinute)
        SetDuration(0, 0, 1, 0);
    else if (label == kLabelTenMinutes)
        SetDuration(0, 0, 10, 0);
    else if (label == kLabelHundredMinutes)
        SetDuration(0, 1, 40, 0);
    else if (label == kLabelTwelveHours)
        SetDuration(0, 12, 0, 0);
    else if (label == kLabelTwentyFourHours)
        SetDuration(1, 0, 0, 0);
    else
        return false;
    return true;
}

// ---- Duration editor ----------------------------------------------------

// "Set Schedule" edits the schedule, every other row the duration.
bool EditsSchedule(uint8_t row) { return MenuRowLabel(row) == kLabelSetSchedule; }

void LoadScratch(bool schedule) {
    uint32_t days = schedule ? fw.scheduleDays : fw.durationDays;
    SetScratch(kDays, static_cast<uint8_t>(days > 255 ? 255 : days));
    SetScratch(kHours, schedule ? fw.scheduleHours : fw.durationHours);
    SetScratch(kMinutes, schedule ? fw.scheduleMinutes : fw.durationMinutes);
    SetScratch(kSeconds, schedule ? fw.scheduleSeconds : fw.durationSeconds);
}

void StoreScratch(bool schedule) {
    if (schedule) {
        fw.scheduleDays = Scratch(kDays);
        fw.scheduleHours = Scratch(kHours);
        fw.scheduleMinutes = Scratch(kMinutes);
        fw.scheduleSeconds = Scratch(kSeconds);
    } else {
        fw.durationDays = Scratch(kDays);
        fw.durationHours = Scratch(kHours);
        fw.durationMinutes = Scratch(kMinutes);
        fw.durationSeconds = Scratch(kSeconds);
    }
}

void Underline(uint8_t from, uint8_t to) {
    LcdLine(from, 24, to, 24);
    LcdLine(from, 25, to, 25);
}

// Opens (or redraws) the editor box with the source's values, underlines
// the field `editField` names and moves `editField` on to the next one.
void DrawDurationEditor(bool schedule) {
    LcdFillRect(8, 10, 100, 20, 0);
    LcdFrameRect(8, 10, 100, 20);
    LcdFrameRect(9, 11, 98, 18);
    fw.editing = 1;
    fw.editorIdleTicks = 0;
    fw.editorKeepTicks = 5;

    LoadScratch(schedule);
    const uint8_t days = Scratch(kDays);
    if (days >= 100)
        PutDecimal(15, 15, days);
    else
        PutTwoDigits(20, 15, days);
    LcdPutText(35, 15, "Day");
    PutTwoDigits(55, 15, Scratch(kHours));
    LcdPutCharAt(67, 15, ':');
    PutTwoDigits(73, 15, Scratch(kMinutes));
    LcdPutCharAt(85, 15, ':');
    PutTwoDigits(91, 15, Scratch(kSeconds));

    uint8_t field = fw.editField;
    if (field < kFieldDays) field = kFieldDays;
    switch (field) {
        case kFieldDays:
            Underline(days >= 100 ? 14 : 19, 32);
            fw.editField = kFieldHours;
            break;
        case kFieldHours:
            Underline(54, 67);
            fw.editField = kFieldMinutes;
            break;
        case kFieldMinutes:
            Underline(72, 85);
            fw.editField = kFieldSeconds;
            break;
        case kFieldSeconds:
            Underline(90, 104);
            fw.editField = kFieldNone;
            break;
        default:
            // Past the last field: nothing underlined, the next Select
            // starts again at days.
            fw.editField = 0;
            break;
    }
}

uint8_t DaysUpStep(uint8_t days) {
    if (days <= 10) return 1;
    if (days <= 19) return 2;
    if (days <= 29) return 3;
    if (days <= 39) return 5;
    if (days <= 49) return 1;
    return 10;
}

uint8_t StepUp(uint8_t field, uint8_t v) {
    switch (field) {
        case kFieldDays: {
            // One byte holds the days: stop at its top rather than wrap.
            unsigned next = v + DaysUpStep(v);
            return static_cast<uint8_t>(next > 255 ? 255 : next);
        }
        case kFieldHours:
            return v >= 23 ? 23 : static_cast<uint8_t>(v + 1);
        default:  // minutes, seconds
            return v >= 59 ? 0 : static_cast<uint8_t>(v + 1);
    }
}

uint8_t StepDown(uint8_t field, uint8_t v) {
    if (v == 0) {
        switch (field) {
            case kFieldDays:
                return 109;
            case kFieldHours:
                return 23;
            default:
                return 59;
        }
    }
    return static_cast<uint8_t>(v - 1);
}

ScratchIndex ScratchOf(uint8_t field) {
    switch (field) {
        case kFieldDays:
            return kDays;
        case kFieldHours:
            return kHours;
        case kFieldMinutes:
            return kMinutes;
        default:
            return kSeconds;
    }
}

void DurationEditStep(uint8_t row, bool up) {
    // `editField` is one ahead of the field shown. With no field shown (the
    // box past its last field, where `editField` is 0, or a box of another
    // row) there is nothing to step, and `editField` stays as it is.
    uint8_t shown = static_cast<uint8_t>(fw.editField - 1);
    if (shown < kFieldDays || shown > kFieldSeconds) return;

    const bool schedule = EditsSchedule(row);
    LoadScratch(schedule);
    const ScratchIndex at = ScratchOf(shown);
    const uint8_t value = up ? StepUp(shown, Scratch(at)) : StepDown(shown, Scratch(at));
    SetScratch(at, value);
    fw.stepValue = value;
    fw.editField = shown;
    StoreScratch(schedule);
    DrawDurationEditor(schedule);
}

}  // namespace

bool TimedCountActive() { return fw.timedRunning != 0 || fw.timedScheduled != 0; }

void TimedCountSecond(int32_t counts) {
    if (fw.timedScheduled) {
        uint32_t noted = fw.scheduleCounter++;
        if (noted > fw.scheduleTotal) {
            // Starting clears the elapsed time and sets the count running.
            StartCount();
            fw.timedScheduled = 0;
            fw.scheduleTotal = ScheduleSeconds();
        }
    }

    if (!fw.timedRunning || fw.elapsedTotal >= fw.durationTotal) return;

    fw.timedCounts += static_cast<uint32_t>(counts);
    if (++fw.elapsedSeconds > 59) {
        fw.elapsedSeconds = 0;
        if (++fw.elapsedMinutes > 59) {
            fw.elapsedMinutes = 0;
            if (++fw.elapsedHours > 23) {
                fw.elapsedHours = 0;
                ++fw.elapsedDays;
            }
        }
    }
    fw.elapsedMinutesTotal = (fw.elapsedDays * 24u + fw.elapsedHours) * 60u + fw.elapsedMinutes;
    fw.elapsedTotal = fw.elapsedMinutesTotal * 60u + fw.elapsedSeconds;

    // Average per minute, the elapsed time rounded to the nearest minute;
    // during the first minute it is simply the counts so far. The hundredfold
    // is 64-bit: a long count at a high rate passes 2^32 / 100 counts.
    uint64_t hundredfold = static_cast<uint64_t>(fw.timedCounts) * 100u;
    if (fw.elapsedMinutesTotal != 0)
        hundredfold /= fw.elapsedSeconds > 30 ? fw.elapsedMinutesTotal + 1 : fw.elapsedMinutesTotal;
    fw.timedAverage = static_cast<uint32_t>(hundredfold / 100);
    fw.timedAverageHundredths = static_cast<uint8_t>(hundredfold % 100);
}

void StartOtherDuration() { StartOrSchedule(); }

void TimedPresetSelect(uint8_t row) {
    fw.scheduleTotal = ScheduleSeconds();
    if (TimedCountActive()) {
        CancelCount();
        return;
    }
    // "Cancel" with nothing to cancel (a second Select while "Canceled!"
    // still shows) must not start a count with the last duration.
    const char* label = MenuRowLabel(row);
    if (!StorePreset(label)) return;
    fw.displayMode = 3;
    StartOrSchedule();
}

void DurationEditSelect(uint8_t row) { DrawDurationEditor(EditsSchedule(row)); }

void DurationEditUp(uint8_t row) { DurationEditStep(row, true); }

void DurationEditDown(uint8_t row) { DurationEditStep(row, false); }
