#include "platform/lcd.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "lcd_picture.h"

using lcdtest::Area;
using lcdtest::CountPainted;
using lcdtest::CountScreen;
using lcdtest::ModelLine;

namespace {

// Every test starts from a freshly created (unlit) surface, so anything a
// primitive leaves alone reads as '-'.
class LcdTest : public ::testing::Test {
protected:
    void SetUp() override { LcdSurfaceCreate(); }
};

TEST_F(LcdTest, CreateFillsUnlitAndClearPaintsBackground) {
    textCursor = {40, 20};
    LcdSurfaceCreate();
    EXPECT_EQ(CountScreen(kLcdUnlit), kLcdScreenWidth * kLcdScreenHeight);
    EXPECT_EQ(textCursor.x, 0);
    EXPECT_EQ(textCursor.y, 0);
    EXPECT_EQ(LcdScreenPixel(-1, 0), 0u);
    EXPECT_EQ(LcdScreenPixel(kLcdScreenWidth, 0), 0u);
    EXPECT_EQ(LcdScreenPixel(0, kLcdScreenHeight), 0u);

    LcdMoveTo(7, 9);
    LcdClear();
    EXPECT_EQ(CountScreen(kLcdBackground), kLcdScreenWidth * kLcdScreenHeight);
    EXPECT_EQ(textCursor.x, 7);  // clearing leaves the cursor alone
    EXPECT_EQ(textCursor.y, 9);
}

TEST_F(LcdTest, PlotPaintsTwoByTwoBlocksWithInvertedPolarity) {
    LcdPlot(121, 31, 0);
    for (int sy = 62; sy <= 63; ++sy)
        for (int sx = 242; sx <= 243; ++sx) EXPECT_EQ(LcdScreenPixel(sx, sy), kLcdInk);
    EXPECT_TRUE(LcdPixelIsInk(121, 31));
    EXPECT_EQ(CountPainted(), 4);

    LcdPlot(121, 31, 1);
    EXPECT_EQ(LcdScreenPixel(243, 63), kLcdBackground);
    LcdPlot(3, 3, 7);  // any non-zero means background
    EXPECT_EQ(LcdScreenPixel(6, 6), kLcdBackground);

    LcdFillRect(10, 10, 1, 1, 1);
    LcdPlot(11, 10, 0);
    EXPECT_EQ(Area(10, 10, 2, 1), "##\n");
    EXPECT_FALSE(LcdPixelIsInk(122, 0));
    EXPECT_FALSE(LcdPixelIsInk(-1, 0));
}

TEST_F(LcdTest, PlotOffTheSurfaceIsDropped) {
    LcdPlot(122, 0, 0);
    LcdPlot(0, 32, 0);
    LcdPlot(255, 255, 0);
    EXPECT_EQ(CountPainted(), 0);
}

TEST_F(LcdTest, FillRectClearsReadingAreaAndDropsWhatFallsOutside) {
    LcdClear();
    LcdFillRect(0, 0, 122, 32, 1);
    LcdFillRect(0, 8, 122, 25, 0);  // one row more than the picture has
    EXPECT_EQ(CountScreen(kLcdInk), kLcdScreenWidth * 16);
    EXPECT_EQ(CountScreen(kLcdBackground), kLcdScreenWidth * 48);
    EXPECT_TRUE(LcdPixelIsInk(121, 7));
    EXPECT_FALSE(LcdPixelIsInk(0, 8));

    LcdSurfaceCreate();
    LcdFillRect(5, 5, 0, 9, 1);
    LcdFillRect(5, 5, 9, 0, 1);
    EXPECT_EQ(CountPainted(), 0);

    // Screen edges past 255 are not wrapped back onto the picture.
    LcdFillRect(200, 0, 100, 4, 1);
    LcdFillRect(120, 30, 200, 200, 1);
    EXPECT_EQ(Area(118, 29, 4, 3), "----\n--##\n--##\n");
    EXPECT_EQ(Area(0, 0, 4, 1), "----\n");
    EXPECT_EQ(CountPainted(), 2 * 2 * 4);
}

TEST_F(LcdTest, FrameRectOutlinesWithoutTouchingTheInside) {
    LcdFrameRect(10, 5, 1, 1);
    EXPECT_EQ(Area(9, 4, 3, 3), "---\n-#-\n---\n");
    EXPECT_EQ(CountPainted(), 4);

    LcdSurfaceCreate();
    LcdFrameRect(1, 1, 5, 4);
    EXPECT_EQ(Area(0, 0, 7, 6),
              "-------\n"
              "-#####-\n"
              "-#---#-\n"
              "-#---#-\n"
              "-#####-\n"
              "-------\n");

    // Zero width: only the rows' left/right plots, the right one at x - 1.
    LcdSurfaceCreate();
    LcdFrameRect(4, 0, 0, 2);
    EXPECT_EQ(Area(2, 0, 4, 3), "-##-\n-##-\n----\n");
}

TEST_F(LcdTest, FrameRectEdgesWrapAsBytes) {
    // x + w - 1 = 259 wraps to 3: the box's right edge lands on the left.
    LcdFrameRect(250, 0, 10, 2);
    EXPECT_EQ(Area(0, 0, 5, 3), "####-\n####-\n-----\n");
    EXPECT_EQ(CountPainted(), 4 * 8);
}

TEST_F(LcdTest, LineLeavesOutItsEndPoint) {
    LcdLine(0, 10, 10, 10);
    for (int sx = 0; sx < 24; ++sx) {
        const bool row20 = LcdScreenPixel(sx, 20) == kLcdInk;
        const bool row21 = LcdScreenPixel(sx, 21) == kLcdInk;
        EXPECT_EQ(row20, sx <= 20) << sx;
        EXPECT_EQ(row21, sx <= 19) << sx;
    }
    EXPECT_EQ(CountPainted(), 20 + 21);
    EXPECT_EQ(textCursor.x, 10);
    EXPECT_EQ(textCursor.y, 10);

    // Vertical: the shifted-down copy reaches one screen row further.
    LcdSurfaceCreate();
    LcdLine(5, 0, 5, 3);
    for (int sy = 0; sy < 8; ++sy) {
        EXPECT_EQ(LcdScreenPixel(10, sy) == kLcdInk, sy <= 6) << sy;
        EXPECT_EQ(LcdScreenPixel(11, sy) == kLcdInk, sy <= 5) << sy;
    }

    LcdSurfaceCreate();
    LcdLine(7, 7, 7, 7);
    EXPECT_EQ(CountPainted(), 0);
    EXPECT_EQ(textCursor.x, 7);
}

TEST_F(LcdTest, LineDiagonalsAndBackwardLines) {
    LcdLine(0, 0, 3, 3);
    EXPECT_EQ(Area(0, 0, 4, 4), "#---\n-#--\n--#-\n----\n");
    EXPECT_EQ(LcdScreenPixel(6, 5), kLcdInk);
    EXPECT_EQ(LcdScreenPixel(5, 6), kLcdInk);
    EXPECT_EQ(LcdScreenPixel(6, 6), kLcdUnlit);

    // Drawn right to left the same row is covered, the end now on the left.
    LcdSurfaceCreate();
    LcdLine(10, 2, 0, 2);
    EXPECT_EQ(LcdScreenPixel(0, 4), kLcdUnlit);
    EXPECT_EQ(LcdScreenPixel(1, 4), kLcdInk);
    EXPECT_EQ(LcdScreenPixel(20, 4), kLcdInk);
    EXPECT_EQ(LcdScreenPixel(21, 4), kLcdInk);
    EXPECT_EQ(LcdScreenPixel(2, 5), kLcdInk);
}

TEST_F(LcdTest, LineWithFarEndsIsCutAndSetsCursorAsBytes) {
    LcdLine(-20, 3, 300, 3);
    EXPECT_EQ(CountScreen(kLcdInk), 2 * kLcdScreenWidth);
    EXPECT_EQ(textCursor.x, 300 % 256);
    EXPECT_EQ(textCursor.y, 3);

    // Extreme ints neither overflow nor take long.
    LcdSurfaceCreate();
    LcdLine(INT_MIN, 0, INT_MAX, 0);
    LcdLine(0, INT_MAX, 0, INT_MIN);
    EXPECT_EQ(Area(0, 0, 3, 2), "###\n#--\n");
    LcdLine(5, -1, 5, 1);
    EXPECT_EQ(textCursor.y, 1);
    LcdLine(0, 0, -1, -1);
    EXPECT_EQ(textCursor.x, 255);
    EXPECT_EQ(textCursor.y, 255);
}

// Lines that enter and leave through the picture's edges paint exactly the
// on-picture pixels of the uncut line.
TEST_F(LcdTest, LinesCutByEveryEdgeMatchTheUncutLine) {
    const int lines[][4] = {{-10, -5, 20, 40},  {130, -3, -8, 35}, {60, -20, 61, 50}, {-30, 31, 150, 0},
                            {121, 0, 0, 31},    {-3, 40, 7, -9},   {200, 10, 100, 12}, {50, 33, 52, 200},
                            {-1000, -7, 1000, 39}, {118, -50, 125, 80}};
    for (const auto& l : lines) {
        LcdSurfaceCreate();
        LcdLine(l[0], l[1], l[2], l[3]);
        std::vector<bool> ink(kLcdScreenWidth * kLcdScreenHeight, false);
        ModelLine(l[0], l[1], l[2], l[3], [&](int sx, int sy) { ink[sy * kLcdScreenWidth + sx] = true; });
        int wrong = 0;
        for (int sy = 0; sy < kLcdScreenHeight; ++sy)
            for (int sx = 0; sx < kLcdScreenWidth; ++sx)
                wrong += (LcdScreenPixel(sx, sy) == kLcdInk) != ink[sy * kLcdScreenWidth + sx];
        EXPECT_EQ(wrong, 0) << l[0] << "," << l[1] << " -> " << l[2] << "," << l[3];
    }
}

TEST_F(LcdTest, TextPaintsCellsButNotGapOrEighthRow) {
    LcdPutText(0, 0, "AB");
    const std::string cells = Area(0, 0, 12, 8);
    EXPECT_EQ(cells,
              ".###.-####.-\n"
              "#...#-#...#-\n"
              "#...#-#...#-\n"
              "#...#-####.-\n"
              "#####-#...#-\n"
              "#...#-#...#-\n"
              "#...#-####.-\n"
              "------------\n");
    EXPECT_EQ(textCursor.x, 12);
    EXPECT_EQ(textCursor.y, 0);

    LcdSurfaceCreate();
    LcdPutText(30, 9, "");
    EXPECT_EQ(CountPainted(), 0);
    EXPECT_EQ(textCursor.x, 30);
    EXPECT_EQ(textCursor.y, 9);
}

TEST_F(LcdTest, TextAtRightEdgeIsClippedNotWrapped) {
    LcdPutCharAt(120, 0, 'H');
    EXPECT_EQ(Area(118, 0, 4, 7), "--#.\n--#.\n--#.\n--##\n--#.\n--#.\n--#.\n");
    EXPECT_EQ(CountPainted(), 2 * 7 * 4);  // nothing reappears on the left
    EXPECT_EQ(textCursor.x, 126);

    // Characters continuing past 255 do wrap as bytes and reappear at x 0.
    LcdSurfaceCreate();
    LcdPutText(252, 0, "II");
    EXPECT_EQ(textCursor.x, 252 + 12 - 256);
    EXPECT_EQ(Area(0, 0, 4, 1), ".-.#\n");
}

TEST_F(LcdTest, CodesOutsideTheTableDrawABlankCell) {
    for (uint8_t code : {uint8_t{0}, uint8_t{10}, uint8_t{31}, uint8_t{160}, uint8_t{200}, uint8_t{255}}) {
        LcdSurfaceCreate();
        LcdMoveTo(2, 1);
        LcdPutChar(code);
        EXPECT_EQ(Area(2, 1, 6, 8), ".....-\n.....-\n.....-\n.....-\n.....-\n.....-\n.....-\n------\n")
            << int(code);
        EXPECT_EQ(textCursor.x, 8);
    }
    LcdSurfaceCreate();
    LcdPutGlyphAt(0, 0, -1);
    LcdPutGlyphAt(6, 0, INT8_MIN);
    EXPECT_EQ(Area(0, 0, 12, 1), ".....-.....-\n");
    EXPECT_EQ(textCursor.x, 12);
}

TEST_F(LcdTest, PutColumnIsOpaqueAndNeverDrawsBitSeven) {
    LcdMoveTo(3, 0);
    LcdPutColumn(0xFF);
    LcdPutColumn(0x81);
    EXPECT_EQ(Area(3, 0, 2, 8), "##\n#.\n#.\n#.\n#.\n#.\n#.\n--\n");
    EXPECT_EQ(textCursor.x, 5);
}

TEST_F(LcdTest, TextWidthWrapsAsAByte) {
    EXPECT_EQ(LcdTextWidth("1234", 11), 44);
    EXPECT_EQ(LcdTextWidth("", 6), 0);
    EXPECT_EQ(LcdTextWidth("abcdefghijklmnopqrstuvwxyzabcdefghijklmnopq", 6), 2);  // 43 chars
    EXPECT_EQ(LcdTextWidth(nullptr, 6), 0);
}

TEST_F(LcdTest, LargeTextSpacingAndUnknownCharacters) {
    LcdPutLargeText(0, 0, "1.2");
    for (int x = 0; x < 33; ++x) {
        bool painted = false;
        for (int y = 0; y < 32; ++y) {
            const char c = lcdtest::PixelChar(x, y);
            if (c != '-') {
                painted = true;
                EXPECT_LT(y, 23) << x;
            }
        }
        const bool inCell = x <= 8 || (x >= 11 && x <= 19) || (x >= 22 && x <= 30);
        EXPECT_EQ(painted, inCell) << x;
    }
    // The dot's 3 x 4 block sits at the bottom of the middle cell.
    EXPECT_EQ(Area(11, 17, 9, 6), ".........\n...###...\n...###...\n...###...\n...###...\n.........\n");

    LcdSurfaceCreate();
    LcdPutLargeText(0, 0, "1 A-");
    EXPECT_EQ(Area(11, 0, 22, 23).find_first_not_of("-\n"), std::string::npos);  // space and 'A'
    EXPECT_TRUE(LcdPixelIsInk(33, 10));  // the dash still lands at x 33
    EXPECT_FALSE(LcdPixelIsInk(33, 9));
}

// A test picture: 3 columns, bands full of ink.
const uint8_t kInk3x8[] = {3, 0, 8, 0, 0xFF, 0xFF, 0xFF};
const uint8_t kInk3x6[] = {3, 0, 6, 0, 0x3F, 0x3F, 0x3F};
const uint8_t kTwoBands[] = {2, 0, 10, 0, 0x01, 0x80, 0x02, 0x01};

TEST_F(LcdTest, PictureBandsDrawOnlyTheirRows) {
    LcdDrawImage(kInk3x8, 0, 0);
    EXPECT_EQ(Area(0, 0, 4, 9), "###-\n###-\n###-\n###-\n###-\n###-\n###-\n###-\n----\n");

    LcdSurfaceCreate();
    LcdDrawImage(kInk3x6, 0, 0);
    EXPECT_EQ(Area(0, 0, 3, 8), "###\n###\n###\n###\n###\n###\n---\n---\n");

    // Opaque, and band 1 starts eight rows down with only its two rows drawn.
    LcdSurfaceCreate();
    LcdDrawImage(kTwoBands, 4, 2);
    EXPECT_EQ(Area(4, 2, 2, 11),
              "#.\n..\n..\n..\n..\n..\n..\n.#\n.#\n#.\n--\n");
}

TEST_F(LcdTest, PictureBandsWrapAsBytesAndEmptyPicturesDrawNothing) {
    LcdDrawImage(kTwoBands, 0, 250);  // band 0 rows 250..255 then 0, 1; band 1 at 2
    EXPECT_EQ(Area(0, 0, 2, 5), "..\n.#\n.#\n#.\n--\n");

    LcdSurfaceCreate();
    const uint8_t noWidth[] = {0, 0, 8, 0};
    const uint8_t noHeight[] = {4, 0, 0, 0};
    LcdDrawImage(noWidth, 0, 0);
    LcdDrawImage(noHeight, 0, 0);
    LcdDrawImage(nullptr, 0, 0);
    EXPECT_EQ(CountPainted(), 0);
}

}  // namespace
