// The primitives against a plain model of the picture: a 244 x 64 array of
// colours painted by the drawing rules, pixel by pixel, in the most direct
// way (every step of every line walked, nothing clipped in advance). Random
// calls, edges and wraps included, must leave both pictures equal.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "platform/images.h"
#include "platform/lcd.h"

#include "lcd_picture.h"

namespace {

struct Model {
    uint32_t px[kLcdScreenHeight][kLcdScreenWidth];

    void Pixel(int64_t sx, int64_t sy, uint32_t colour) {
        if (sx >= 0 && sy >= 0 && sx < kLcdScreenWidth && sy < kLcdScreenHeight) px[sy][sx] = colour;
    }
    void Block(unsigned x, unsigned y, uint32_t colour) {
        if (x >= static_cast<unsigned>(kLcdWidth) || y >= static_cast<unsigned>(kLcdHeight)) return;
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i) Pixel(2 * x + i, 2 * y + j, colour);
    }
    void Line(int x0, int y0, int x1, int y1) {
        lcdtest::ModelLine(x0, y0, x1, y1, [this](int sx, int sy) { px[sy][sx] = kLcdInk; });
    }
    void Column(uint8_t x, uint8_t y, uint8_t bits, unsigned rows) {
        for (unsigned r = 0; r < rows; ++r)
            Block(x, static_cast<uint8_t>(y + r), (bits >> r & 1) ? kLcdInk : kLcdBackground);
    }
};

::testing::AssertionResult SamePicture(const Model& model) {
    const LcdPicture& expanded = lcdtest::SurfacePicture();
    for (int sy = 0; sy < kLcdScreenHeight; ++sy)
        for (int sx = 0; sx < kLcdScreenWidth; ++sx)
            if (LcdScreenPixel(sx, sy) != model.px[sy][sx] || expanded.pixels[sy][sx] != model.px[sy][sx])
                return ::testing::AssertionFailure() << "screen pixel (" << sx << ", " << sy << ")";
    return ::testing::AssertionSuccess();
}

TEST(LcdReference, RandomCallsPaintWhatThePixelRulesGive) {
    static Model model;
    std::mt19937 rng(20261208);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 40; ++round) {
        // Half the rounds start as the firmware leaves the screen, cleared,
        // and the other half as the host creates it, unlit.
        LcdSurfaceCreate();
        if (round % 2 == 1) LcdClear();
        for (auto& row : model.px)
            for (uint32_t& p : row) p = round % 2 == 1 ? kLcdBackground : kLcdUnlit;
        for (int call = 0; call < 150; ++call) {
            const uint64_t before = LcdDrawCount();
            switch (pick(0, 6)) {
            case 0: {  // mostly on or near the picture, sometimes far past it
                const int span = pick(0, 4) == 0 ? 400 : 130;
                const int x0 = pick(-span, span), y0 = pick(-span / 3, span / 3);
                const int x1 = pick(-span, span), y1 = pick(0, 2) == 0 ? y0 : pick(-span / 3, span / 3);
                LcdLine(x0, y0, x1, y1);
                model.Line(x0, y0, x1, y1);
                break;
            }
            case 1: {  // a graph step: short and inside, the firmware's usual line
                const int x = pick(0, 118), a = pick(8, 31), b = pick(8, 31);
                LcdLine(x, a, x + 2, b);
                model.Line(x, a, x + 2, b);
                break;
            }
            case 2: {
                const uint8_t x = pick(0, 255), y = pick(0, 255), w = pick(0, 255), h = pick(0, 40);
                const uint8_t on = pick(0, 1);
                LcdFillRect(x, y, w, h, on);
                for (int j = 0; j < 2 * h; ++j)
                    for (int i = 0; i < 2 * w; ++i) model.Pixel(2 * x + i, 2 * y + j, on ? kLcdInk : kLcdBackground);
                break;
            }
            case 3: {  // text: columns at the cursor, rows wrapping as bytes
                const uint8_t x = pick(0, 255), y = pick(0, 255), code = pick(32, 159);
                LcdPutCharAt(x, y, code);
                for (int k = 0; k < 5; ++k)
                    model.Column(static_cast<uint8_t>(x + k), y, SmallFont[code - 32][k], 7);
                break;
            }
            case 4: {
                const uint8_t x = pick(0, 255), y = pick(0, 255);
                const uint8_t* picture = kBatteryLevel[pick(0, 7)];
                LcdDrawImage(picture, x, y);
                for (unsigned c = 0; c < picture[0]; ++c) model.Column(static_cast<uint8_t>(x + c), y, picture[4 + c], 6);
                break;
            }
            case 6: {  // a polyline, now and then with a point off the picture
                int xs[8], ys[8];
                const int points = pick(2, 8);
                for (int i = 0; i < points; ++i) {
                    xs[i] = pick(0, 9) == 0 ? pick(-20, 140) : pick(0, 121);
                    ys[i] = pick(0, 9) == 0 ? pick(-10, 40) : pick(0, 31);
                }
                LcdPolyline(xs, ys, points);
                for (int i = 1; i < points; ++i) model.Line(xs[i - 1], ys[i - 1], xs[i], ys[i]);
                ASSERT_EQ(textCursor.x, static_cast<uint8_t>(xs[points - 1]));  // where the last LcdLine leaves it
                ASSERT_EQ(textCursor.y, static_cast<uint8_t>(ys[points - 1]));
                break;
            }
            default: {
                const uint8_t x = pick(0, 130), y = pick(0, 40), off = pick(0, 1);
                LcdPlot(x, y, off);
                model.Block(x, y, off == 0 ? kLcdInk : kLcdBackground);
                break;
            }
            }
            // Hosts copy only when the count has moved, so every call must move it.
            ASSERT_GT(LcdDrawCount(), before) << "round " << round << ", call " << call;
        }
        ASSERT_TRUE(SamePicture(model)) << "round " << round;
    }
}

TEST(LcdReference, SetScreenPixelReadsBackItsColour) {
    LcdSurfaceCreate();
    LcdSetScreenPixel(5, 3, kLcdInk);
    LcdSetScreenPixel(6, 3, kLcdBackground);
    LcdSetScreenPixel(7, 3, 0x123456);  // not an LCD colour: unlit
    LcdSetScreenPixel(244, 0, kLcdInk);  // off the picture: dropped
    EXPECT_EQ(LcdScreenPixel(5, 3), kLcdInk);
    EXPECT_EQ(LcdScreenPixel(6, 3), kLcdBackground);
    EXPECT_EQ(LcdScreenPixel(7, 3), kLcdUnlit);
    EXPECT_EQ(LcdScreenPixel(4, 3), kLcdUnlit);

    // An unlit pixel on a cleared screen stays alone, and ink covers it again.
    LcdClear();
    LcdSetScreenPixel(7, 3, kLcdUnlit);
    EXPECT_EQ(LcdScreenPixel(7, 3), kLcdUnlit);
    EXPECT_EQ(LcdScreenPixel(8, 3), kLcdBackground);
    LcdLine(3, 1, 4, 2);  // from screen pixel (6, 2): its second step is (7, 3)
    EXPECT_EQ(LcdScreenPixel(7, 3), kLcdInk);
    EXPECT_EQ(LcdScreenPixel(100, 40), kLcdBackground);
}

}  // namespace
