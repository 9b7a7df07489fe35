// The reading screens: status bar, the text, graphic, large-font and
// timed-count readings, the temperature screen, their keys and the
// display-mode step.
#include <cstdio>
#include <cstring>

#include "firmware/firmware.h"
#include "platform/clock.h"
#include "platform/images.h"
#include "platform/lcd.h"

namespace {

constexpr uint8_t kCodeSpace = 32;
constexpr uint8_t kCodeBell = 94;
constexpr uint8_t kCodeSpeaker = 96;
constexpr uint8_t kCodeClockFace = 129;
constexpr uint8_t kCodeUpMark = 130;
constexpr uint8_t kCodeDownMark = 131;
constexpr int8_t kGlyphSaving = 7;  // arrow onto a line
constexpr int8_t kGlyphBlank = 0;

uint8_t DecimalLength(uint32_t v) {
    uint8_t n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

// "Average CPM:", the whole part at x 72 and ".hh" right after it.
void DrawAverageLine(uint8_t y, uint32_t whole, uint8_t hundredths) {
    LcdPutText(0, y, "Average CPM:");
    PutDecimal(72, y, whole);
    char frac[4] = {'.', 0, 0, 0};
    FormatTwoDigits(hundredths % 100, frac + 1);
    LcdPutText(static_cast<uint8_t>(72 + 6 * DecimalLength(whole)), y, frac);
}

void DrawDoseText() {
    char text[32];
    float usv = fw.doseRate;
    if ((fw.infoLine & 4) == 0)
        std::snprintf(text, sizeof text, usv > 100 ? "%0.1fuSv/h" : "%0.2fuSv/h", usv);
    else
        std::snprintf(text, sizeof text, usv > 100 ? "%0.2fmR/h" : "%0.3fmR/h", usv * 0.1);
    LcdPutText(61, 12, text);
    // A shorter text than last second's would otherwise leave the old tail
    // standing (e.g. "9.99uSv/hh" after "10.00uSv/h").
    unsigned end = 61u + 6u * static_cast<unsigned>(std::strlen(text));
    if (end < kLcdWidth) LcdFillRect(static_cast<uint8_t>(end), 12, static_cast<uint8_t>(kLcdWidth - end), 7, 0);
}

// The third text line; `full` is set by the full redraw, which alone
// clears the running-time layout first.
void DrawThirdLine(bool full) {
    switch (fw.infoLine % 4) {
    case 0:
        LcdFillRect(0, 24, 120, 8, 0);
        LcdPutText(0, 24, "Total Count:");
        LcdPutText(72, 24, "        ");
        PutDecimal(72, 24, fw.totalCount);
        break;
    case 1:
        if (full) LcdFillRect(0, 24, 120, 8, 0);
        LcdPutText(1, 24, "Elp.:");
        PutTwoDigits(30, 24, fw.uptimeDays);
        LcdPutText(42, 24, " Day ");
        PutTwoDigits(72, 24, fw.uptimeHours);
        LcdPutText(84, 24, ":");
        PutTwoDigits(90, 24, fw.uptimeMinutes);
        LcdPutText(102, 24, ":");
        PutTwoDigits(108, 24, fw.uptimeSeconds);
        break;
    case 2:
        LcdFillRect(0, 24, 120, 8, 0);
        DrawAverageLine(24, fw.avgCpmWhole, fw.avgCpmHundredths);
        break;
    default:
        LcdFillRect(0, 24, 120, 8, 0);
        LcdPutText(0, 24, "Maximum CPM:");
        PutDecimal(72, 24, fw.maxCpm);
        break;
    }
}

void DrawTextReading() {
    DrawStatusClock();
    LcdPutText(0, 12, "CPM:");
    LcdPutText(25, 12, "      ");
    PutDecimal(25, 12, fw.cpm);
    DrawDoseText();
    DrawThirdLine(true);
}

// Text centred with a unit picture beside it, as the large reading and the
// temperature screen lay them out.
void DrawLargeWithPicture(const char* text, const uint8_t* picture, int pictureShift) {
    int w = 11 * static_cast<int>(std::strlen(text));
    int u = picture[0];
    LcdPutLargeText(static_cast<uint8_t>((128 - u - w) / 2), 9, text);
    LcdDrawImage(picture, static_cast<uint8_t>((w - u + 128) / 2 + pictureShift), 15);
}

void DrawLargeReading() {
    char text[24];
    const uint8_t* picture;
    switch (fw.largeFontUnit) {
    case 1:
        std::snprintf(text, sizeof text, fw.doseRate > 100 ? "%0.1f" : "%0.2f", fw.doseRate);
        picture = kUnitUsvh;
        break;
    case 2:
        std::snprintf(text, sizeof text, fw.doseRate > 100 ? "%0.2f" : "%0.3f", fw.doseRate * 0.1);
        picture = kUnitMrh;
        break;
    default:
        FormatDecimal(fw.cpm, text);
        picture = kUnitCpm;
        break;
    }
    DrawLargeWithPicture(text, picture, 0);
}

// "Set :" / "Elp.:" lines of the timed-count pages.
void DrawDurationLine(uint8_t y, const char* label, uint32_t days, uint8_t hours, uint8_t minutes,
                      uint8_t seconds) {
    LcdPutText(0, y, label);
    if (days >= 100)
        PutDecimal(30, y, days);
    else
        PutTwoDigits(35, y, days);
    LcdPutText(50, y, "Day");
    PutTwoDigits(70, y, hours);
    LcdPutText(82, y, ":");
    PutTwoDigits(88, y, minutes);
    LcdPutText(100, y, ":");
    PutTwoDigits(106, y, seconds);
}

void DrawElapsedLine(uint8_t y) {
    DrawDurationLine(y, "Elp.:", fw.elapsedDays, fw.elapsedHours, fw.elapsedMinutes, fw.elapsedSeconds);
}

void DrawCountLine(uint8_t y) {
    LcdPutText(0, y, "Count:");
    PutDecimal(37, y, fw.timedCounts);
}

void DrawTimedAverageLine(uint8_t y) {
    DrawAverageLine(y, fw.timedAverage, fw.timedAverageHundredths);
}

float TimedAverageDose() {
    fw.doseRate = CpmToDose(fw.timedAverage);
    return fw.doseRate;
}

void DrawTimedDoseUsv(uint8_t y, float usv) {
    char text[40];
    std::snprintf(text, sizeof text, usv > 100 ? "Average: %0.1f uSv/h" : "Average: %0.2f uSv/h", usv);
    LcdPutText(0, y, text);
}

void DrawTimedCountPage() {
    if (fw.timedScheduled) {
        // Nothing has been counted yet: show zeros, not the last count's.
        fw.elapsedDays = fw.elapsedHours = fw.elapsedMinutes = fw.elapsedSeconds = 0;
        fw.timedAverage = 0;
        fw.timedAverageHundredths = 0;
        fw.timedCounts = 0;
    }
    switch (fw.timedPage) {
    case 0:
        DrawDurationLine(9, "Set :", fw.durationDays, fw.durationHours, fw.durationMinutes,
                         fw.durationSeconds);
        DrawElapsedLine(17);
        DrawCountLine(25);
        break;
    case 1:
        DrawElapsedLine(9);
        DrawCountLine(17);
        DrawTimedAverageLine(25);
        break;
    case 2:
        DrawCountLine(9);
        DrawTimedAverageLine(17);
        DrawTimedDoseUsv(25, TimedAverageDose());
        break;
    default: {
        DrawTimedAverageLine(9);
        float usv = TimedAverageDose();
        DrawTimedDoseUsv(17, usv);
        char text[40];
        std::snprintf(text, sizeof text, usv > 100 ? "Average: %0.2f mR/h" : "Average: %0.3f mR/h",
                      usv * 0.1);
        LcdPutText(0, 25, text);
        break;
    }
    }
    if (fw.timedPage >= 1) LcdPutCharAt(117, 9, kCodeUpMark);
    if (fw.timedPage <= 2) LcdPutCharAt(117, 25, kCodeDownMark);
}

void DrawZoomLabel() {
    char text[24];
    if (fw.graphZoom != 0.0f)
        std::snprintf(text, sizeof text, "X%0.1f", fw.graphZoom);
    else
        std::snprintf(text, sizeof text, "AUTO");
    LcdPutText(62, 0, text);
}

// 31 - value x scale, truncated toward zero; kept finite and small so the
// conversion is defined even for a nonsensical zoom.
int GraphRow(int32_t slot, float scale) {
    float row = 31.0f - static_cast<float>(slot & 0xFF) * scale;
    if (!(row > -1000.0f)) row = -1000.0f;
    if (row > 1000.0f) row = 1000.0f;
    return static_cast<int>(row);
}

int Limit(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

}  // namespace

void FormatDecimal(uint32_t v, char* out) {
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    char reversed[11];
    int n = 0;
    do {
        reversed[n++] = kDigits[v % 10];
        v /= 10;
    } while (v != 0);
    for (int i = 0; i < n; ++i) out[i] = reversed[n - 1 - i];
    out[n] = 0;
}

void FormatTwoDigits(uint32_t v, char* out) {
    uint32_t tens = v / 10;
    out[0] = tens >= 10 ? '9' : static_cast<char>('0' + tens);
    out[1] = static_cast<char>('0' + (tens != 0 ? v % 10 : v));
}

void FormatDate(uint8_t month, uint8_t day, uint8_t year, char* out) {
    FormatTwoDigits(month, out);
    out[2] = '-';
    FormatTwoDigits(day, out + 3);
    out[5] = '-';
    out[6] = '2';
    out[7] = '0';
    FormatTwoDigits(year, out + 8);
}

void PutDecimal(uint8_t x, uint8_t y, uint32_t v) {
    char text[12];
    FormatDecimal(v, text);
    LcdPutText(x, y, text);
}

void PutTwoDigits(uint8_t x, uint8_t y, uint32_t v) {
    char text[3];
    FormatTwoDigits(v, text);
    text[2] = 0;
    LcdPutText(x, y, text);
}

void DrawAlarmSpeakerMarks() {
    LcdPutCharAt(100, 0, fw.alarmOn == 1 ? kCodeBell : kCodeSpace);
    LcdPutCharAt(106, 0, fw.speakerOn == 1 ? kCodeSpeaker : kCodeSpace);
}

void DrawStatusIcons() {
    fw.blinkPhase = !fw.blinkPhase;
    DrawAlarmSpeakerMarks();
    LcdPutGlyphAt(94, 0, fw.saveMode != 0 ? kGlyphSaving : kGlyphBlank);
    bool mark = fw.timedScheduled != 0 ||
                (fw.timedRunning != 0 && (fw.blinkPhase == 1 || fw.elapsedTotal >= fw.durationTotal));
    LcdPutCharAt(88, 0, mark ? kCodeClockFace : kCodeSpace);
}

void DrawStatusClock() {
    if (fw.uiMode == Menu || fw.displayMode == 1) return;
    LcdFillRect(0, 0, 88, 7, 0);
    char text[12];
    if (fw.clockLine == 0) {
        FormatDate(RtcMonth(), RtcDay(), RtcYear(), text);
        text[10] = 0;
    } else if (fw.clockLine == 1) {
        FormatTwoDigits(RtcHour(), text);
        text[2] = ':';
        FormatTwoDigits(RtcMinute(), text + 3);
        text[5] = ':';
        FormatTwoDigits(RtcSecond(), text + 6);
        text[8] = 0;
    } else {
        return;
    }
    LcdPutText(5, 0, text);
}

void DrawCpmLine(uint8_t x, uint8_t y) {
    LcdFillRect(x, y, y == 0 ? 62 : 60, 7, 0);
    LcdPutText(x, y, "CPM:");
    uint8_t at = static_cast<uint8_t>(x + 25);
    if (fw.cpm >= 65536) {
        LcdPutText(at, y, "------");
    } else {
        LcdPutText(at, y, "      ");
        PutDecimal(at, y, fw.cpm);
    }
}

void ReadingRedraw() {
    LcdFillRect(0, 8, 122, 25, 0);
    switch (fw.displayMode) {
    case 0:
        DrawTextReading();
        break;
    case 1:
        DrawGraph();
        break;
    case 2:
        DrawStatusClock();
        DrawLargeReading();
        break;
    default:
        DrawTimedCountPage();
        break;
    }
}

void ReadingSecondUpdate() {
    if (fw.editing || fw.uiMode != Reading) return;
    switch (fw.displayMode) {
    case 0:
        DrawThirdLine(false);
        DrawDoseText();
        DrawCpmLine(0, 12);
        break;
    case 1:
        DrawGraph();
        DrawCpmLine(0, 0);
        DrawZoomLabel();
        break;
    default:
        ReadingRedraw();
        break;
    }
}

void DrawGraph() {
    LcdFillRect(0, 8, 122, 24, 0);
    int32_t peak = 1;
    for (int i = 0; i < 60; ++i)
        if (fw.secondCounts[i] > peak) peak = fw.secondCounts[i];

    const bool combined = fw.graphType == 3;
    float scale;
    if (fw.graphZoom != 0.0f) {
        scale = fw.graphZoom;
    } else {
        if (peak <= 2)
            scale = combined ? 5.0f : 10.0f;
        else if (peak == 3)
            scale = combined ? 3.0f : 7.0f;
        else if (peak == 4)
            scale = combined ? 2.0f : 5.0f;
        else
            scale = (combined ? 12.0f : 32.0f) / static_cast<float>(peak);
        if (scale < 0.1f) scale = 0.1f;
    }

    // Each slot's row once: every slot but the ends serves two segments.
    int rows[60];
    for (int i = 0; i < 60; ++i) rows[i] = GraphRow(fw.secondCounts[i], scale);
    // The device draws the base line again with every bar and each segment
    // on its own; all of it is ink, so the line once, then the bars, then
    // the segments as one polyline leave the same picture and cursor.
    const uint8_t type = fw.graphType;
    int xs[60];
    int ys[60];
    for (int i = 0; i < 60; ++i) {
        xs[i] = 2 * (i + 1);
        ys[i] = type == 3 ? Limit(Limit(rows[i], 21, 31) - 11, 8, 20) : Limit(rows[i], 8, 31);
    }
    if (type >= 1 && type <= 3) {
        LcdLine(0, 31, 122, 31);
        for (int k = 1; k <= 59; ++k) {
            if (type == 3) {
                const int b = Limit(rows[k], 21, 31);
                LcdFillRect(static_cast<uint8_t>(2 * k + 2), static_cast<uint8_t>(b), 1, static_cast<uint8_t>(31 - b), 1);
            } else {
                LcdFillRect(static_cast<uint8_t>(2 * k), static_cast<uint8_t>(ys[k]), type,
                            static_cast<uint8_t>(31 - ys[k]), 1);
            }
        }
        if (type != 3) return;
    }
    LcdPolyline(xs, ys, 60);
}

void DrawTemperatureScreen() {
    LcdFillRect(0, 8, 122, 25, 0);
    uint8_t whole = 0;
    uint8_t tenths = 0;
    bool negative = ReadTemperature(&whole, &tenths) != 0;
    uint32_t degrees = whole;
    uint32_t digit = tenths;
    const uint8_t* picture = kDegreesCelsius;
    if (fw.stepValue != 0) {
        picture = kDegreesFahrenheit;
        if (!negative) {
            // The device's own conversion of the tenths digit.
            degrees = 9u * whole / 5 + 32;
            if (digit > 5) {
                degrees += 1;
                digit = 10 - digit;
            } else if (digit > 3) {
                digit += 5;
            }
            if (digit > 9) digit = 9;
        } else {
            // Below 0 C: convert the signed value in tenths, so the sign
            // follows the Fahrenheit value.
            int32_t f10 = -(static_cast<int32_t>(whole) * 10 + tenths) * 9 / 5 + 320;
            negative = f10 < 0;
            if (f10 < 0) f10 = -f10;
            degrees = static_cast<uint32_t>(f10) / 10;
            digit = static_cast<uint32_t>(f10) % 10;
        }
    }
    char text[16];
    std::snprintf(text, sizeof text, "%s%u.%u", negative ? "-" : "", static_cast<unsigned>(degrees),
                  static_cast<unsigned>(digit));
    DrawLargeWithPicture(text, picture, 2);
}

void BindReadingKeys() {
    BindKey(KeyBack, ReadingBack);
    BindKey(KeySelect, OpenMainMenu);
    switch (fw.displayMode) {
    case 0:
        BindKey(KeyUp, ReadingTextUp);
        BindKey(KeyDown, ReadingTextDown);
        break;
    case 1:
        BindKey(KeyUp, StepGraphZoomUp);
        BindKey(KeyDown, StepGraphTypeUp);
        break;
    case 2:
        BindKey(KeyUp, EditLargeFontMode);
        BindKey(KeyDown, EditLargeFontMode);
        break;
    default:
        BindKey(KeyUp, ReadingTimedUp);
        BindKey(KeyDown, ReadingTimedDown);
        break;
    }
}

void DisplayModeStep(uint8_t rebind) {
    bool step;
    if (fw.tapAction) {
        if (fw.uiMode != Reading) return;
        step = true;
    } else {
        step = fw.editing == 1;
    }
    const bool timed = TimedCountActive();
    if (step) {
        ++fw.displayMode;
        if (fw.displayMode > (timed ? 3 : 2)) fw.displayMode = 0;
    }
    if (fw.displayMode == 1) {
        ShowValueBox("Graphic Mode");
    } else if (fw.displayMode == 2) {
        ShowValueBox("Large Font");
    } else if (fw.displayMode == 3 && timed) {
        ShowValueBox("Timed Count");
    } else {
        fw.displayMode = 0;
        ShowValueBox("Text Mode");
    }
    if (rebind == 1) BindReadingKeys();
    // The box closes within about a second and redraws the new mode.
    fw.editorKeepTicks = 0;
}

void ReadingBack(uint8_t) { DisplayModeStep(1); }

void ReadingTextUp(uint8_t) {
    if (++fw.infoLine > 7) fw.infoLine = 0;
    ReadingRedraw();
    SaveSettings();
    HardwareHook(26, fw.infoLine);
}

void ReadingTextDown(uint8_t) {
    // Flips date and time; a stray stored value falls back to the date
    // rather than leaving the clock blank for good.
    fw.clockLine = fw.clockLine == 0 ? 1 : 0;
    ReadingRedraw();
}

void ReadingTimedUp(uint8_t) {
    if (fw.timedPage != 0) --fw.timedPage;
}

void ReadingTimedDown(uint8_t) {
    if (fw.timedPage < 3) ++fw.timedPage;
}

void ShowPleaseSetNotice() { ShowValueBox2("Please set", "date & time"); }
