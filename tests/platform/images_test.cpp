#include "platform/images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "lcd_picture.h"
#include "platform/lcd.h"

using lcdtest::Area;
using lcdtest::CountPainted;

namespace {

class ImagesTest : public ::testing::Test {
protected:
    void SetUp() override { LcdSurfaceCreate(); }

    static std::string Glyph(uint8_t code) {
        LcdSurfaceCreate();
        LcdPutCharAt(10, 10, code);
        return Area(10, 10, 5, 7);
    }
};

TEST_F(ImagesTest, GlyphsDrawTheirShapes) {
    EXPECT_EQ(Glyph('0'),
              ".###.\n"
              "#...#\n"
              "#..##\n"
              "#.#.#\n"
              "##..#\n"
              "#...#\n"
              ".###.\n");
    EXPECT_EQ(Glyph('g'),
              ".....\n"
              ".....\n"
              ".####\n"
              "#...#\n"
              ".####\n"
              "....#\n"
              "..##.\n");
    // 126 is a right arrow, not a tilde.
    EXPECT_EQ(Glyph(126),
              ".....\n"
              "..#..\n"
              "...#.\n"
              "#####\n"
              "...#.\n"
              "..#..\n"
              ".....\n");
    EXPECT_EQ(Glyph(127),
              ".....\n"
              "..#..\n"
              ".#...\n"
              "#####\n"
              ".#...\n"
              "..#..\n"
              ".....\n");
    // 129, drawn at the status line's clock position, is a clock face.
    LcdSurfaceCreate();
    LcdPutCharAt(88, 0, 129);
    EXPECT_EQ(Area(88, 0, 5, 7),
              ".###.\n"
              "#.#.#\n"
              "#.#.#\n"
              "#.###\n"
              "#...#\n"
              "#...#\n"
              ".###.\n");
    EXPECT_EQ(Glyph(130),
              "..#..\n"
              "..#..\n"
              ".###.\n"
              "#...#\n"
              ".....\n"
              ".....\n"
              ".....\n");
}

TEST_F(ImagesTest, IconGlyphsWithBitSevenStayInSevenRows) {
    // 39 is an arrow onto a base line, not an apostrophe; its stored eighth
    // row must not reach the row below the cell.
    LcdPutCharAt(0, 0, 39);
    EXPECT_EQ(Area(0, 0, 5, 8),
              "..#..\n"
              "..#..\n"
              "..#..\n"
              "#.#.#\n"
              ".###.\n"
              "..#..\n"
              "#####\n"
              "-----\n");
    LcdPutCharAt(20, 0, 131);
    EXPECT_EQ(Area(20, 0, 5, 8),
              ".....\n"
              ".....\n"
              ".....\n"
              "#...#\n"
              ".#.#.\n"
              "..#..\n"
              "..#..\n"
              "-----\n");
}

TEST_F(ImagesTest, FontCarriesGlyphsUpTo131AndBlanksAfter) {
    for (int code = 33; code <= 131; ++code) {
        uint8_t any = 0;
        for (uint8_t b : SmallFont[code - 32]) any |= b;
        EXPECT_NE(any, 0) << "code " << code;
    }
    for (uint8_t b : SmallFont[0]) EXPECT_EQ(b, 0);  // space
    for (int code = 132; code <= 159; ++code)
        for (uint8_t b : SmallFont[code - 32]) EXPECT_EQ(b, 0) << "code " << code;
}

TEST_F(ImagesTest, LargeFontPictures) {
    for (const uint8_t* p : LargeFont) {
        EXPECT_EQ(p[0], 9);
        EXPECT_EQ(p[2], 23);
    }
    // The dot: a 3 x 4 block in rows 18..21, one row above the digits'
    // baseline (row 22); the dash: full width, rows 10..13.
    LcdDrawImage(LargeFont[10], 0, 0);
    LcdDrawImage(LargeFont[11], 20, 0);
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(LcdPixelIsInk(x, y), x >= 3 && x <= 5 && y >= 18 && y <= 21) << x << "," << y;
            EXPECT_EQ(LcdPixelIsInk(20 + x, y), y >= 10 && y <= 13) << x << "," << y;
        }
    }
    // Every digit stands on the baseline and reaches the top band.
    for (int d = 0; d < 10; ++d) {
        LcdSurfaceCreate();
        LcdPutLargeChar(static_cast<uint8_t>('0' + d), 0, 0);
        bool top = false;
        bool base = false;
        for (int x = 0; x < 9; ++x) {
            top |= LcdPixelIsInk(x, 0) || LcdPixelIsInk(x, 1);
            base |= LcdPixelIsInk(x, 22);
        }
        EXPECT_TRUE(top) << d;
        EXPECT_TRUE(base) << d;
    }
    LcdSurfaceCreate();
    LcdPutLargeChar('8', 0, 0);
    EXPECT_EQ(Area(0, 8, 9, 8),  // the waist of the 8, its second band
              ".###.###.\n"
              ".#######.\n"
              "...###...\n"
              "..#####..\n"
              "..#####..\n"
              ".###.###.\n"
              "###...###\n"
              "##.....##\n");
}

TEST_F(ImagesTest, StockPictureSizes) {
    struct Size {
        const uint8_t* picture;
        int width;
        int height;
    };
    const Size sizes[] = {
        {kExternalPowerIcon, 38, 18}, {kBatteryIcon, 37, 17},      {kStartupLogo, 116, 28},
        {kDegreesCelsius, 17, 17},    {kDegreesFahrenheit, 17, 17}, {kUnitCpm, 32, 15},
        {kUnitUsvh, 39, 15},          {kUnitMrh, 35, 15},
    };
    for (const Size& s : sizes) {
        EXPECT_EQ(s.picture[0], s.width);
        EXPECT_EQ(s.picture[1], 0);
        EXPECT_EQ(s.picture[2], s.height);
        EXPECT_EQ(s.picture[3], 0);
        // Unused bits of the last band are zero, so nothing below the
        // picture could ever be meant.
        const int bands = (s.height + 7) / 8;
        const int rows = s.height - 8 * (bands - 1);
        const uint8_t* last = s.picture + 4 + s.width * (bands - 1);
        for (int c = 0; c < s.width; ++c) EXPECT_EQ(last[c] >> rows, 0) << s.width << "x" << s.height;
    }
}

TEST_F(ImagesTest, StockPicturesSpotChecks) {
    // Battery icon: its bottom edge runs under columns 3..35.
    LcdDrawImage(kBatteryIcon, 0, 0);
    for (int x = 0; x < 37; ++x) EXPECT_EQ(LcdPixelIsInk(x, 16), x >= 3 && x <= 35) << x;
    // Second band of the first cell: 9F -> rows 8..12 and 15.
    EXPECT_EQ(Area(9, 8, 1, 8), "#\n#\n#\n#\n#\n.\n.\n#\n");

    // External power: the plug's foot in the third band, columns 12..15.
    LcdSurfaceCreate();
    LcdDrawImage(kExternalPowerIcon, 0, 0);
    EXPECT_EQ(Area(10, 16, 8, 2), "..####..\n...##...\n");

    // Degrees C: the small ring in the top-left corner.
    LcdSurfaceCreate();
    LcdDrawImage(kDegreesCelsius, 0, 0);
    EXPECT_EQ(Area(0, 0, 5, 5), ".###.\n##.##\n#...#\n##.##\n.###.\n");

    // Unit mR/h: the slash rises from bottom left to top right.
    LcdSurfaceCreate();
    LcdDrawImage(kUnitMrh, 0, 0);
    EXPECT_TRUE(LcdPixelIsInk(22, 14));
    EXPECT_TRUE(LcdPixelIsInk(24, 4));
    EXPECT_FALSE(LcdPixelIsInk(22, 4));
}

TEST_F(ImagesTest, BatteryLevelsFollowTheOutlineRule) {
    for (int k = 0; k < 8; ++k) {
        const uint8_t* p = kBatteryLevel[k];
        ASSERT_EQ(p[0], 10);
        ASSERT_EQ(p[2], 6);
        LcdSurfaceCreate();
        LcdDrawImage(p, 112, 0);
        for (int r = 0; r < 6; ++r) {
            for (int c = 0; c < 10; ++c) {
                bool ink;
                if (c == 0) {
                    ink = r == 2 || r == 3;  // terminal
                } else if (r == 0 || r == 5 || c == 1 || c == 9) {
                    ink = true;  // outline
                } else {
                    ink = c >= 9 - k;  // the k rightmost inner columns
                }
                EXPECT_EQ(LcdPixelIsInk(112 + c, r), ink) << "level " << k << " at " << c << "," << r;
            }
        }
    }
}

TEST_F(ImagesTest, StartupLogoShowsModelNameAboveSmallLine) {
    LcdClear();
    LcdDrawImage(kStartupLogo, 2, 4);
    // The picture covers exactly its 116 x 28 area at (2, 4).
    int left = 999, right = -1, top = 999, bottom = -1;
    for (int y = 0; y < kLcdHeight; ++y) {
        for (int x = 0; x < kLcdWidth; ++x) {
            if (!LcdPixelIsInk(x, y)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    EXPECT_GE(left, 2);
    EXPECT_LE(right, 117);
    EXPECT_GE(top, 4);
    EXPECT_LE(bottom, 31);
    EXPECT_LE(std::abs((left - 2) - (117 - right)), 1) << "model name centred";

    // A blank band separates the tall model name from the line below.
    for (int y = 4 + 17; y < 4 + 20; ++y)
        for (int x = 2; x < 118; ++x) EXPECT_FALSE(LcdPixelIsInk(x, y)) << x << "," << y;
    int tallRows = 0;
    for (int y = 4; y < 4 + 17; ++y) {
        bool any = false;
        for (int x = 2; x < 118; ++x) any |= LcdPixelIsInk(x, y);
        tallRows += any;
    }
    EXPECT_GE(tallRows, 16);

    // The small line is the small font's "RADIATION MONITOR", centred.
    const std::string logoLine = Area(2, 24, 116, 7);
    LcdClear();
    const uint8_t width = LcdTextWidth("RADIATION MONITOR", 6) - 1;
    LcdPutText(static_cast<uint8_t>(2 + (116 - width) / 2), 24, "RADIATION MONITOR");
    EXPECT_EQ(logoLine, Area(2, 24, 116, 7));
}

}  // namespace
