// The LCD text recogniser: on every screen of the tour, each glyph it
// reads must be one the firmware drew there (recorded through the linker's
// --wrap of the platform's text calls); on drawn pictures, the exact text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/images.h"
#include "platform/lcd.h"
#include "platform/lcd_text.h"
#include "tools/run/runner.h"
#include "tools/run/tour.h"

#include "../platform/lcd_picture.h"

using namespace geigerrun;
using lcdtest::SurfacePicture;

namespace {

// (x, y, code) of every small glyph drawn since the recording was cleared,
// and the rectangles of the pictures (the start-up logo is lettered in the
// small font itself).
std::set<std::tuple<int, int, int>> gDrawn;
struct Rect {
    int x, y, w, h;
};
std::vector<Rect> gPictures;

bool InPicture(int x, int y) {
    for (const Rect& r : gPictures)
        if (x >= r.x && x + 5 <= r.x + r.w && y >= r.y && y + 7 <= r.y + r.h) return true;
    return false;
}
bool gInside = false;  // LcdPutText may call the others: record once

void Record(int x, int y, int code) { gDrawn.insert({x & 0xFF, y & 0xFF, code}); }

}  // namespace

extern "C" {
void __real__Z10LcdPutTexthhPKc(uint8_t x, uint8_t y, const char* text);
void __real__Z12LcdPutCharAthhh(uint8_t x, uint8_t y, uint8_t code);
void __real__Z13LcdPutGlyphAthha(uint8_t x, uint8_t y, int8_t index);
void __real__Z12LcdDrawImagePKhhh(const uint8_t* picture, uint8_t x, uint8_t y);

void __wrap__Z12LcdDrawImagePKhhh(const uint8_t* picture, uint8_t x, uint8_t y) {
    if (picture != nullptr) gPictures.push_back({x, y, picture[0], picture[2]});
    __real__Z12LcdDrawImagePKhhh(picture, x, y);
}

void __wrap__Z10LcdPutTexthhPKc(uint8_t x, uint8_t y, const char* text) {
    if (!gInside && text != nullptr)
        for (int i = 0; text[i] != '\0'; ++i) Record(x + 6 * i, y, static_cast<uint8_t>(text[i]));
    const bool outer = !gInside;
    gInside = true;
    __real__Z10LcdPutTexthhPKc(x, y, text);
    if (outer) gInside = false;
}
void __wrap__Z12LcdPutCharAthhh(uint8_t x, uint8_t y, uint8_t code) {
    if (!gInside) Record(x, y, code);
    __real__Z12LcdPutCharAthhh(x, y, code);
}
void __wrap__Z13LcdPutGlyphAthha(uint8_t x, uint8_t y, int8_t index) {
    if (!gInside) Record(x, y, 32 + index);
    __real__Z13LcdPutGlyphAthha(x, y, index);
}
}

namespace {

std::string Lines(const LcdPicture& picture) {
    LcdTextLine lines[kLcdTextLinesMax];
    const uint8_t n = LcdReadText(picture, lines, kLcdTextLinesMax);
    std::string out;
    for (uint8_t i = 0; i < n; ++i) out += std::string(lines[i].text) + "\n";
    return out;
}

TEST(LcdText, EveryTextFoundOnTheTourWasDrawn) {
    Runner runner;
    StartOptions options;
    options.clock = 1772874330;  // 2026-03-07, a fixed moment
    options.seed = 1;
    runner.Start(options);
    int stops = 0, glyphs = 0;
    std::set<std::string> texts;
    const TourVisit check = [&](const TourStop& stop, std::string&) {
        ++stops;
        LcdTextLine lines[kLcdTextLinesMax];
        const uint8_t n = LcdReadText(runner.presented(), lines, kLcdTextLinesMax);
        for (uint8_t i = 0; i < n; ++i) {
            const LcdTextLine& line = lines[i];
            EXPECT_EQ(std::strlen(line.text), line.length);
            texts.insert(line.text);
            if (line.large) continue;  // the large digits are pictures, drawn by LcdPutLargeText
            // Walk the line's cells: a space stands for a gap of unknown width,
            // so realign on the next glyph that was drawn.
            int x = line.x;
            for (uint8_t k = 0; k < line.length; ++k) {
                const int code = static_cast<uint8_t>(line.text[k]);
                if (code == ' ') continue;
                const int start = x;
                auto shows = [&](int at) {
                    return LcdGlyphAt(runner.presented(), static_cast<uint8_t>(at), line.y) == code;
                };
                while (x < kLcdWidth && !(gDrawn.count({x, line.y, code}) && shows(x))) ++x;
                if (x == kLcdWidth && InPicture(start, line.y))
                    for (x = start; x < kLcdWidth && !shows(x);) ++x;
                EXPECT_LT(x, kLcdWidth) << stop.name << ": '" << line.text << "' glyph " << int(k)
                                        << " was never drawn";
                x += 6;
                ++glyphs;
            }
        }
        gDrawn.clear();
        gPictures.clear();
        return true;
    };
    gDrawn.clear();
    std::string error;
    ASSERT_TRUE(VisitTour(runner, check, error)) << error;
    EXPECT_GT(stops, 150);
    EXPECT_GT(glyphs, 3000);
    // Texts of every kind of screen are among them.
    for (const char* t : {"Main Menu", "\x7E" "Speaker", "Graphic Mode", "Model"})
        EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                                [&](const std::string& s) { return s.find(t) != std::string::npos; }))
            << t;
}

TEST(LcdText, ReadsDrawnTextBesidePicturesLinesAndLargeDigits) {
    LcdSurfaceCreate();
    LcdClear();
    LcdLine(0, 7, 121, 7);  // the status rule: no row of '-'
    LcdPutText(0, 0, "CPM: 10");
    LcdPutText(62, 0, "AUTO");
    LcdPutLargeText(10, 9, "4.2");
    LcdDrawImage(kUnitCpm, 43, 15);        // the unit right after the digits reads with them, as shown
    LcdDrawImage(kDegreesCelsius, 98, 8);  // any other picture gives no text
    LcdPutText(78, 25, "a \\b");
    LcdFillRect(118, 10, 3, 20, 1);  // a graph bar
    EXPECT_EQ(Lines(SurfacePicture()), "CPM: 10  AUTO\n4.2CPM\na \\b\n");

    // The unlit picture shows nothing.
    LcdSurfaceCreate();
    EXPECT_EQ(Lines(SurfacePicture()), "");
    EXPECT_EQ(LcdGlyphAt(SurfacePicture(), 0, 0), -1);
    // No more lines than asked for.
    LcdClear();
    for (uint8_t y = 0; y < 32; y += 8) LcdPutText(0, y, "row");
    LcdTextLine two[2];
    EXPECT_EQ(LcdReadText(SurfacePicture(), two, 2), 2);
    EXPECT_STREQ(two[1].text, "row");
    EXPECT_EQ(two[1].y, 8);
}

}  // namespace
