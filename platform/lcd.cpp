// The simulated LCD: every primitive paints 2 x 2 screen pixels per LCD pixel
// into LcdSurface, one colour code per screen pixel. Coordinates are bytes and wrap; the picture drops whatever
// falls outside it, which is the only clipping there is.
#include "platform/lcd.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/images.h"

LcdCodes LcdSurface;
LcdCursor textCursor;

namespace {

constexpr int kGlyphCount = 128;
constexpr int kGlyphColumns = 5;
constexpr int kGlyphRows = 7;
constexpr uint8_t kLargeAdvance = 11;  // 9 picture columns and a gap of 2

// A screen pixel's colour code. Unlit is 0, so a zeroed surface reads as
// the host creates it.
constexpr uint8_t kCodeUnlit = 0;
constexpr uint8_t kCodeBackground = 1;
constexpr uint8_t kCodeInk = 2;

uint64_t gDrawCount = 0;

inline uint32_t ColourOf(uint8_t code) {
    return code == kCodeInk ? kLcdInk : code == kCodeBackground ? kLcdBackground : kLcdUnlit;
}

// Solid fill of the screen rectangle [sx0, sx1) x [sy0, sy1), cut to the
// picture once, then row by row.
void FillScreen(int sx0, int sy0, int sx1, int sy1, uint8_t code) {
    if (sx0 < 0) sx0 = 0;
    if (sy0 < 0) sy0 = 0;
    if (sx1 > kLcdScreenWidth) sx1 = kLcdScreenWidth;
    if (sy1 > kLcdScreenHeight) sy1 = kLcdScreenHeight;
    if (sx0 >= sx1 || sy0 >= sy1) return;
    const std::size_t bytes = static_cast<std::size_t>(sx1 - sx0);
    if (bytes == kLcdScreenWidth) {  // whole rows lie back to back: one fill
        std::memset(LcdSurface.code[sy0], code, bytes * static_cast<std::size_t>(sy1 - sy0));
        return;
    }
    // Short rows in 8-byte stores (the last one overlapping): the compiler
    // would otherwise set each row with a string instruction, slow to start.
    if (bytes >= 8) {
        const uint64_t eight = code * uint64_t{0x0101010101010101};
        for (int sy = sy0; sy < sy1; ++sy) {
            uint8_t* row = LcdSurface.code[sy] + sx0;
            for (std::size_t i = 0; i + 8 < bytes; i += 8) std::memcpy(row + i, &eight, 8);
            std::memcpy(row + bytes - 8, &eight, 8);
        }
        return;
    }
    for (int sy = sy0; sy < sy1; ++sy) std::memset(LcdSurface.code[sy] + sx0, code, bytes);
}

// The 2 x 2 block of LCD pixel (x, y). A block is either wholly on the
// picture or wholly off it, so one test on the LCD coordinates clips it.
inline void PaintBlock(unsigned x, unsigned y, uint8_t code) {
    if (x >= static_cast<unsigned>(kLcdWidth) || y >= static_cast<unsigned>(kLcdHeight)) return;
    uint8_t* top = &LcdSurface.code[2 * y][2 * x];
    uint8_t* bottom = &LcdSurface.code[2 * y + 1][2 * x];
    top[0] = code;
    top[1] = code;
    bottom[0] = code;
    bottom[1] = code;
}

// Up to eight rows of one column from a column byte (bit 0 at row y),
// opaque: set bits in ink, clear bits in background. Rows wrap as bytes.
inline void PaintColumnBits(uint8_t x, uint8_t y, uint8_t bits, unsigned rows) {
    if (x >= kLcdWidth) return;
    if (y + rows <= static_cast<unsigned>(kLcdHeight)) {  // the usual case: no row dropped or wrapped
        // Both screen pixels of a block row in one store.
        constexpr uint16_t kPairInk = kCodeInk * 0x101;
        constexpr uint16_t kPairBackground = kCodeBackground * 0x101;
        uint8_t* top = &LcdSurface.code[2 * y][2 * x];
        for (unsigned r = 0; r < rows; ++r, top += 2 * kLcdScreenWidth) {
            const uint16_t pair = (bits >> r & 1) ? kPairInk : kPairBackground;
            std::memcpy(top, &pair, sizeof pair);
            std::memcpy(top + kLcdScreenWidth, &pair, sizeof pair);
        }
        return;
    }
    for (unsigned r = 0; r < rows; ++r) {
        PaintBlock(x, static_cast<uint8_t>(y + r), (bits >> r & 1) ? kCodeInk : kCodeBackground);
    }
}

// Screen pixels [from, to) of row sy in ink, cut to the picture.
void InkRow(int64_t sy, int64_t from, int64_t to) {
    if (sy < 0 || sy >= kLcdScreenHeight) return;
    if (from < 0) from = 0;
    if (to > kLcdScreenWidth) to = kLcdScreenWidth;
    if (from < to) std::memset(LcdSurface.code[sy] + from, kCodeInk, static_cast<std::size_t>(to - from));
}

// LcdLine's three segments when every pixel they can reach lies on the
// picture (the graphs and rules the firmware draws): one walk of the
// shared steps with InkSegment's rounding, painting each step's pixel and
// its right and lower neighbours, without clipping. The walk goes run by
// run of steps with the same minor offset m: off(i) >= m exactly from
// i = ceil((2m - 1) * dMajor / (2 * dMinor)) on, so no carry has to be
// carried from step to step.
void InkThickSegmentInside(int ax, int ay, int bx, int by) {
    const int dx = bx - ax;
    const int dy = by - ay;
    const int adx = dx < 0 ? -dx : dx;
    const int ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const int dMajor = xMajor ? adx : ady;
    const int dMinor = xMajor ? ady : adx;
    const std::ptrdiff_t xStep = dx < 0 ? -1 : 1;
    const std::ptrdiff_t yStep = dy < 0 ? -kLcdScreenWidth : kLcdScreenWidth;
    const std::ptrdiff_t majorStride = xMajor ? xStep : yStep;
    const std::ptrdiff_t minorStride = xMajor ? yStep : xStep;
    uint8_t* p = &LcdSurface.code[ay][ax];
    // The start of run m + 1, ((2m + 1) * dMajor + 2 * dMinor - 1) / (2 * dMinor),
    // as quotient and remainder, moved on by 2 * dMajor per run.
    const int divisor = dMinor > 0 ? 2 * dMinor : 1;
    int nextStart = (dMajor + divisor - 1) / divisor;
    int nextRest = (dMajor + divisor - 1) % divisor;
    const int stepQuotient = 2 * dMajor / divisor;
    const int stepRest = 2 * dMajor % divisor;
    int i = 0;
    while (i < dMajor) {
        int end = dMajor;
        if (dMinor > 0 && nextStart < end) end = nextStart;
        nextStart += stepQuotient;
        nextRest += stepRest;
        if (nextRest >= divisor) {
            nextRest -= divisor;
            ++nextStart;
        }
        for (; i < end; ++i) {
            p[0] = kCodeInk;
            p[1] = kCodeInk;
            p[kLcdScreenWidth] = kCodeInk;
            p += majorStride;
        }
        p += minorStride;
    }
}

// One-screen-pixel ink segment from (ax, ay) up to but not including
// (bx, by). Step i puts the major coordinate at major0 + i and the minor one
// at minor0 + i * dMinor / dMajor rounded half up. Only the steps whose
// major coordinate lies on the picture are walked, so a segment with
// far-off end points costs no more than one across the screen; the minor
// offset is computed once for the first step and then carried as a
// quotient and remainder.
// Spans below this keep 2 * i * dMinor within 64 bits, the common fast case.
constexpr int64_t kSmallSpan = int64_t{1} << 30;

void InkSegment(int64_t ax, int64_t ay, int64_t bx, int64_t by) {
    const int64_t dx = bx - ax;
    const int64_t dy = by - ay;
    const int64_t adx = dx < 0 ? -dx : dx;
    const int64_t ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0) return;

    const bool xMajor = adx >= ady;
    const int64_t major0 = xMajor ? ax : ay;
    const int64_t minor0 = xMajor ? ay : ax;
    const int64_t dMajor = xMajor ? adx : ady;
    const int64_t dMinor = xMajor ? ady : adx;
    const int majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const int64_t majorLimit = xMajor ? kLcdScreenWidth : kLcdScreenHeight;
    const int64_t minorLimit = xMajor ? kLcdScreenHeight : kLcdScreenWidth;

    int64_t first = 0;
    int64_t last = dMajor;  // exclusive: the end point is not painted
    if (majorStep > 0) {
        if (-major0 > first) first = -major0;
        if (majorLimit - major0 < last) last = majorLimit - major0;
    } else {
        if (major0 - majorLimit + 1 > first) first = major0 - majorLimit + 1;
        if (major0 + 1 < last) last = major0 + 1;
    }
    if (first >= last) return;

    // offset = (2 * i * dMinor + dMajor) / (2 * dMajor), as quotient and
    // remainder at i = first. 128-bit only when the product could overflow.
    const int64_t denominator = 2 * dMajor;
    const int64_t increment = 2 * dMinor;  // at most the denominator
    int64_t offset;
    int64_t remainder;
    if (first == 0) {
        offset = 0;  // the usual case: the segment starts on the picture
        remainder = dMajor;
    } else if (dMajor < kSmallSpan && dMinor < kSmallSpan) {
        const int64_t numerator = 2 * first * dMinor + dMajor;  // first < dMajor: fits
        offset = numerator / denominator;
        remainder = numerator % denominator;
    } else {
        const __int128 numerator = static_cast<__int128>(2 * first) * dMinor + dMajor;
        offset = static_cast<int64_t>(numerator / denominator);
        remainder = static_cast<int64_t>(numerator % denominator);
    }

    int64_t minor = minor0 + minorStep * offset;
    int64_t major = major0 + majorStep * first;
    for (int64_t i = first; i < last; ++i) {
        if (minor >= 0 && minor < minorLimit) {
            if (xMajor) {
                LcdSurface.code[minor][major] = kCodeInk;
            } else {
                LcdSurface.code[major][minor] = kCodeInk;
            }
        } else if ((minorStep > 0) == (minor >= minorLimit)) {
            break;  // the minor coordinate only moves one way: past the far edge it stays off
        }
        major += majorStep;
        remainder += increment;
        if (remainder >= denominator) {
            remainder -= denominator;
            minor += minorStep;
        }
    }
}

// The ten screen pixels of a glyph row for each pattern of its five LCD
// pixels (bit k for column k).
struct GlyphRowRuns {
    uint8_t codes[1 << kGlyphColumns][2 * kGlyphColumns];
};
constexpr GlyphRowRuns MakeGlyphRowRuns() {
    GlyphRowRuns runs{};
    for (unsigned mask = 0; mask < (1u << kGlyphColumns); ++mask)
        for (int k = 0; k < 2 * kGlyphColumns; ++k) runs.codes[mask][k] = (mask >> (k / 2) & 1) ? kCodeInk : kCodeBackground;
    return runs;
}
constexpr GlyphRowRuns kGlyphRowRuns = MakeGlyphRowRuns();

// Five opaque columns of glyph `index`; an index outside the table draws a
// blank cell rather than reading past it. Then the gap is skipped unpainted.
void DrawGlyph(int8_t index) {
    // A non-negative signed byte is below 128, the table's length.
    static_assert(sizeof(SmallFont) / sizeof(SmallFont[0]) == kGlyphCount);
    const bool inTable = index >= 0;
    const uint8_t x = textCursor.x;
    const uint8_t y = textCursor.y;
    if (x + kGlyphColumns <= kLcdWidth && y + kGlyphRows <= kLcdHeight) {
        // The usual case, wholly on the picture: row by row, each screen
        // row of the cell as one run of ten codes.
        ++gDrawCount;
        static const uint8_t kBlank[kGlyphColumns] = {};
        const uint8_t* columns = inTable ? SmallFont[index] : kBlank;
        // The five column bytes side by side, so that one multiply gathers
        // a row's bits: bit 8k (column k) lands on bit 32 + k, and no two
        // partial products meet.
        uint64_t packed = 0;
        for (int k = 0; k < kGlyphColumns; ++k) packed |= static_cast<uint64_t>(columns[k]) << (8 * k);
        constexpr uint64_t kRowBits = 0x0101010101;
        constexpr uint64_t kGather = (1ull << 32) | (1ull << 25) | (1ull << 18) | (1ull << 11) | (1ull << 4);
        uint8_t* top = &LcdSurface.code[2 * y][2 * x];
        for (int r = 0; r < kGlyphRows; ++r, top += 2 * kLcdScreenWidth) {
            const unsigned mask = static_cast<unsigned>(((packed >> r & kRowBits) * kGather) >> 32) & 0x1F;
            const uint8_t* run = kGlyphRowRuns.codes[mask];
            std::memcpy(top, run, 2 * kGlyphColumns);
            std::memcpy(top + kLcdScreenWidth, run, 2 * kGlyphColumns);
        }
        textCursor.x = static_cast<uint8_t>(x + kGlyphColumns + 1);
        return;
    }
    for (int k = 0; k < kGlyphColumns; ++k) {
        LcdPutColumn(inTable ? SmallFont[index][k] : 0);
    }
    textCursor.x = static_cast<uint8_t>(textCursor.x + 1);
}

}  // namespace

void LcdSurfaceCreate() {
    ++gDrawCount;
    FillScreen(0, 0, kLcdScreenWidth, kLcdScreenHeight, kCodeUnlit);
    textCursor.x = 0;
    textCursor.y = 0;
}

uint32_t LcdScreenPixel(int sx, int sy) {
    if (sx < 0 || sy < 0 || sx >= kLcdScreenWidth || sy >= kLcdScreenHeight) return 0;
    return ColourOf(LcdSurface.code[sy][sx]);
}

void LcdExpand(const LcdCodes& from, LcdPicture& to) {
    for (int sy = 0; sy < kLcdScreenHeight; ++sy)
        for (int sx = 0; sx < kLcdScreenWidth; ++sx) to.pixels[sy][sx] = ColourOf(from.code[sy][sx]);
}

void LcdSetScreenPixel(int sx, int sy, uint32_t colour) {
    ++gDrawCount;
    if (sx < 0 || sy < 0 || sx >= kLcdScreenWidth || sy >= kLcdScreenHeight) return;
    LcdSurface.code[sy][sx] = colour == kLcdInk ? kCodeInk : colour == kLcdBackground ? kCodeBackground : kCodeUnlit;
}

uint64_t LcdDrawCount() { return gDrawCount; }

bool LcdPixelIsInk(int x, int y) {
    if (x < 0 || y < 0 || x >= kLcdWidth || y >= kLcdHeight) return false;
    return LcdSurface.code[2 * y][2 * x] == kCodeInk;
}

void LcdClear() {
    ++gDrawCount;
    FillScreen(0, 0, kLcdScreenWidth, kLcdScreenHeight, kCodeBackground);
}

void LcdPlot(uint8_t x, uint8_t y, uint8_t off) {
    ++gDrawCount;
    PaintBlock(x, y, off == 0 ? kCodeInk : kCodeBackground);
}

void LcdFillRect(uint8_t x, uint8_t y, uint8_t w, uint8_t h, uint8_t on) {
    ++gDrawCount;
    // The screen rectangle is not reduced to bytes: a far edge past the
    // picture is simply cut off.
    const int sx = 2 * x;
    const int sy = 2 * y;
    FillScreen(sx, sy, sx + 2 * w, sy + 2 * h, on != 0 ? kCodeInk : kCodeBackground);
}

void LcdFrameRect(uint8_t x, uint8_t y, uint8_t w, uint8_t h) {
    ++gDrawCount;
    const uint8_t right = static_cast<uint8_t>(x + w - 1);
    const uint8_t bottom = static_cast<uint8_t>(y + h - 1);
    for (unsigned i = 0; i < h; ++i) {
        const uint8_t r = static_cast<uint8_t>(y + i);
        PaintBlock(x, r, kCodeInk);
        PaintBlock(right, r, kCodeInk);
    }
    for (unsigned i = 0; i < w; ++i) {
        const uint8_t c = static_cast<uint8_t>(x + i);
        PaintBlock(c, y, kCodeInk);
        PaintBlock(c, bottom, kCodeInk);
    }
}

void LcdLine(int x0, int y0, int x1, int y1) {
    ++gDrawCount;
    // Two screen pixels thick: the line, the line shifted right and the line
    // shifted down, each without its end point. (The device's driver draws
    // the first segment twice; painting it again would change nothing.)
    const int64_t ax = 2 * static_cast<int64_t>(x0);
    const int64_t ay = 2 * static_cast<int64_t>(y0);
    const int64_t bx = 2 * static_cast<int64_t>(x1);
    const int64_t by = 2 * static_cast<int64_t>(y1);
    if (y0 == y1) {
        // Level (the rules and the bars' base line): the three segments
        // make two runs, row 2y reaching one pixel further right than row
        // 2y + 1 (the segment shifted right).
        const int64_t lo = bx > ax ? ax : bx + 1;
        const int64_t hi = bx > ax ? bx : ax + 1;
        if (ax != bx) {
            InkRow(ay, lo, hi + 1);
            InkRow(ay + 1, lo, hi);
        }
    } else if (std::min(ax, bx) >= 0 && std::max(ax, bx) + 1 < kLcdScreenWidth && std::min(ay, by) >= 0 &&
        std::max(ay, by) + 1 < kLcdScreenHeight) {
        InkThickSegmentInside(static_cast<int>(ax), static_cast<int>(ay), static_cast<int>(bx),
                              static_cast<int>(by));
    } else {
        InkSegment(ax, ay, bx, by);
        InkSegment(ax + 1, ay, bx + 1, by);
        InkSegment(ax, ay + 1, bx, by + 1);
    }
    textCursor.x = static_cast<uint8_t>(x1);
    textCursor.y = static_cast<uint8_t>(y1);
}

void LcdMoveTo(uint8_t x, uint8_t y) {
    textCursor.x = x;
    textCursor.y = y;
}

void LcdPutColumn(uint8_t bits) {
    ++gDrawCount;
    // Bit 7 is never drawn: a glyph is 7 rows high.
    PaintColumnBits(textCursor.x, textCursor.y, bits, kGlyphRows);
    textCursor.x = static_cast<uint8_t>(textCursor.x + 1);
}

void LcdPutChar(uint8_t code) { DrawGlyph(static_cast<int8_t>(code - 32)); }

void LcdPutCharAt(uint8_t x, uint8_t y, uint8_t code) {
    LcdPutGlyphAt(x, y, static_cast<int8_t>(code - 32));
}

void LcdPutGlyphAt(uint8_t x, uint8_t y, int8_t index) {
    LcdMoveTo(x, y);
    DrawGlyph(index);
}

void LcdPutText(uint8_t x, uint8_t y, const char* text) {
    LcdMoveTo(x, y);
    if (text == nullptr) return;
    for (const char* p = text; *p != '\0'; ++p) LcdPutChar(static_cast<uint8_t>(*p));
}

uint8_t LcdTextWidth(const char* text, uint8_t advance) {
    uint8_t width = 0;
    if (text == nullptr) return width;
    for (const char* p = text; *p != '\0'; ++p) width = static_cast<uint8_t>(width + advance);
    return width;
}

void LcdDrawImage(const uint8_t* picture, uint8_t x, uint8_t y) {
    ++gDrawCount;
    if (picture == nullptr) return;
    const unsigned width = picture[0];
    const unsigned height = picture[2];
    if (width == 0 || height == 0) return;
    const uint8_t* data = picture + 4;
    uint8_t bandTop = y;
    for (unsigned band = 0; band * 8 < height; ++band) {
        const unsigned rows = height - band * 8 < 8 ? height - band * 8 : 8;
        for (unsigned c = 0; c < width; ++c) {
            const uint8_t bits = *data++;
            PaintColumnBits(static_cast<uint8_t>(x + c), bandTop, bits, rows);
        }
        bandTop = static_cast<uint8_t>(bandTop + 8);
    }
}

void LcdPutLargeChar(uint8_t code, uint8_t x, uint8_t y) {
    int index;
    if (code >= '0' && code <= '9') {
        index = code - '0';
    } else if (code == '.') {
        index = 10;
    } else if (code == '-') {
        index = 11;
    } else {
        return;
    }
    LcdDrawImage(LargeFont[index], x, y);
}

void LcdPutLargeText(uint8_t x, uint8_t y, const char* text) {
    if (text == nullptr) return;
    for (const char* p = text; *p != '\0'; ++p) {
        LcdPutLargeChar(static_cast<uint8_t>(*p), x, y);
        x = static_cast<uint8_t>(x + kLargeAdvance);
    }
}
