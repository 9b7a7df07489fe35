// The simulated LCD: every primitive paints 2 x 2 screen pixels per LCD pixel
// into LcdSurface, one bit per screen pixel. Coordinates are bytes and wrap;
// the picture drops whatever falls outside it, which is the only clipping there is.
#include "platform/lcd.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/images.h"

LcdBits LcdSurface;
LcdCursor textCursor;

namespace {

constexpr int kGlyphCount = 128;
constexpr int kGlyphColumns = 5;
constexpr int kGlyphRows = 7;
constexpr uint8_t kLargeAdvance = 11;  // 9 picture columns and a gap of 2

// The surface's words: an ink plane, then a lit plane, each one word per
// screen column (bit k is screen row k: the picture is exactly 64 rows
// high), then a flag. Columns, because the lines the firmware draws most
// are steep and its text and pictures come as column bytes.
// A pixel is ink when its ink bit is set, unlit when its lit bit is clear
// (never with ink), else background. While the flag is set every pixel is
// lit and the lit plane is not kept, so drawing touches one plane only; it
// is cleared only by making a pixel unlit again. All zero reads unlit.
static_assert(kLcdScreenHeight == 64);
constexpr int kPlaneWords = kLcdScreenWidth;
constexpr int kAllLitWord = 2 * kPlaneWords;
static_assert(kLcdSurfaceWords == kAllLitWord + 1);

uint64_t gDrawCount = 0;

inline uint64_t* InkPlane() { return LcdSurface.words; }
inline uint64_t* LitPlane() { return LcdSurface.words + kPlaneWords; }
inline bool KeepLit() { return LcdSurface.words[kAllLitWord] == 0; }

enum Colour : uint8_t { kUnlit, kBackground, kInk };

inline Colour ColourAt(const LcdBits& s, int sx, int sy) {
    const uint64_t bit = uint64_t{1} << sy;
    if (s.words[sx] & bit) return kInk;
    return s.words[kAllLitWord] != 0 || (s.words[kPlaneWords + sx] & bit) ? kBackground : kUnlit;
}

inline uint32_t Rgb(Colour colour) {
    return colour == kInk ? kLcdInk : colour == kBackground ? kLcdBackground : kLcdUnlit;
}

inline void MoveCursor(int x, int y) {
    textCursor.x = static_cast<uint8_t>(x);
    textCursor.y = static_cast<uint8_t>(y);
}

// Rows [from, to) of a column, 0 <= from <= to <= 64.
inline uint64_t RowSpan(int from, int to) {
    if (from >= to) return 0;
    return (~uint64_t{0} >> (64 - (to - from))) << from;
}

// Screen column sx: the rows of `field` become ink where `ink` has bits and
// background elsewhere.
inline void Paint(int sx, uint64_t field, uint64_t ink, bool keepLit) {
    uint64_t* w = LcdSurface.words;
    w[sx] = (w[sx] & ~field) | (ink & field);
    if (keepLit) w[kPlaneWords + sx] |= field;
}

// The two screen columns of LCD column x at once (the same rows of both):
// one 16-byte load and store where the target has them.
typedef uint64_t ColumnPair __attribute__((vector_size(16)));

inline void PaintPairInk(int x, uint64_t field, uint64_t ink) {
    uint64_t* w = InkPlane() + 2 * x;
    ColumnPair pair;
    std::memcpy(&pair, w, sizeof pair);
    pair = (pair & ~field) | (ink & field);
    std::memcpy(w, &pair, sizeof pair);
}

inline void PaintPair(int x, uint64_t field, uint64_t ink, bool keepLit) {
    PaintPairInk(x, field, ink);
    if (keepLit) {
        LitPlane()[2 * x] |= field;
        LitPlane()[2 * x + 1] |= field;
    }
}

// Each bit of a column byte doubled, for the two screen rows of an LCD row.
struct DoubledBits {
    uint16_t bits[256];
};
constexpr DoubledBits MakeDoubledBits() {
    DoubledBits table{};
    for (unsigned byte = 0; byte < 256; ++byte)
        for (int k = 0; k < 8; ++k)
            if (byte >> k & 1) table.bits[byte] = static_cast<uint16_t>(table.bits[byte] | 3u << (2 * k));
    return table;
}
constexpr DoubledBits kDoubled = MakeDoubledBits();

// Solid fill of the screen rectangle [sx0, sx1) x [sy0, sy1), cut to the picture.
void FillScreen(int sx0, int sy0, int sx1, int sy1, Colour colour) {
    if (sx0 < 0) sx0 = 0;
    if (sy0 < 0) sy0 = 0;
    if (sx1 > kLcdScreenWidth) sx1 = kLcdScreenWidth;
    if (sy1 > kLcdScreenHeight) sy1 = kLcdScreenHeight;
    if (sx0 >= sx1 || sy0 >= sy1) return;
    if (sx0 == 0 && sy0 == 0 && sx1 == kLcdScreenWidth && sy1 == kLcdScreenHeight) {
        // The whole picture: after it every pixel is lit, unless it is the unlit fill.
        std::memset(LcdSurface.words, 0, sizeof LcdSurface.words);
        if (colour == kUnlit) return;
        LcdSurface.words[kAllLitWord] = 1;
        if (colour == kInk) std::memset(InkPlane(), 0xFF, kPlaneWords * sizeof(uint64_t));
        return;
    }
    // Every fill covers whole LCD columns: a pair of words per step.
    const uint64_t field = RowSpan(sy0, sy1);
    const uint64_t ink = colour == kInk ? field : 0;
    for (int x = sx0 / 2; x < sx1 / 2; ++x) PaintPairInk(x, field, ink);
    if (KeepLit())
        for (int sx = sx0; sx < sx1; ++sx) LitPlane()[sx] |= field;
}

// The 2 x 2 block of LCD pixel (x, y). A block is either wholly on the
// picture or wholly off it, so one test on the LCD coordinates clips it.
inline void PaintBlock(unsigned x, unsigned y, bool ink, bool keepLit) {
    if (x >= static_cast<unsigned>(kLcdWidth) || y >= static_cast<unsigned>(kLcdHeight)) return;
    const uint64_t field = uint64_t{3} << (2 * y);
    PaintPair(static_cast<int>(x), field, ink ? field : 0, keepLit);
}

// PaintColumnBits for a column whose rows all lie on the picture.
inline void PaintColumnInside(int x, int y, uint8_t bits, unsigned rows, bool keepLit) {
    const uint64_t field = RowSpan(0, static_cast<int>(2 * rows)) << (2 * y);
    PaintPair(x, field, static_cast<uint64_t>(kDoubled.bits[bits]) << (2 * y), keepLit);
}

// Up to eight rows of one column from a column byte (bit 0 at row y),
// opaque: set bits in ink, clear bits in background. Rows wrap as bytes.
inline void PaintColumnBits(uint8_t x, uint8_t y, uint8_t bits, unsigned rows, bool keepLit) {
    if (x >= kLcdWidth) return;
    if (y + rows <= static_cast<unsigned>(kLcdHeight)) {  // the usual case: no row dropped or wrapped
        PaintColumnInside(x, y, bits, rows, keepLit);
        return;
    }
    for (unsigned r = 0; r < rows; ++r) PaintBlock(x, static_cast<uint8_t>(y + r), (bits >> r & 1) != 0, keepLit);
}

// The runs of steep segments inside the picture up to this many columns
// across (the graph's are 4): for each span, run k's rows (the steps in
// column k) of a segment going down from row 0 and of one going up from
// row 63. Step i's column is (2 i dx + dy) / (2 dy), dx < dy < 64.
constexpr int kTabledColumns = 4;
struct SteepRuns {
    uint64_t down[kTabledColumns + 1][kLcdScreenHeight][kTabledColumns + 1];  // [dx][dy][k]
    uint64_t up[kTabledColumns + 1][kLcdScreenHeight][kTabledColumns + 1];
};
constexpr SteepRuns MakeSteepRuns() {
    SteepRuns table{};
    for (int dy = 1; dy < kLcdScreenHeight; ++dy) {
        for (int dx = 0; dx <= kTabledColumns && dx < dy; ++dx) {
            for (int i = 0; i < dy; ++i) {
                const int k = (2 * i * dx + dy) / (2 * dy);
                table.down[dx][dy][k] |= uint64_t{1} << i;
                table.up[dx][dy][k] |= uint64_t{1} << (kLcdScreenHeight - 1 - i);
            }
        }
    }
    return table;
}
constexpr SteepRuns kSteepRuns = MakeSteepRuns();

// The steep case of InkThickSegmentInside (adx < ady): the steps in one
// column are one run of rows, painted there with the row below the run,
// and in the column to the right without. Each column is written once: a
// run's right-hand rows are held until the column they belong to is written.
template <bool kRightward, bool kUp>
void InkSteep(uint64_t* plane, int x, int ay, int adx, int ady) {
    uint64_t held = 0;  // rightward: the previous run's rows, for this column; leftward: this column's own
    auto paintRun = [&](uint64_t rows, bool firstRun) {
        if (kRightward) {
            plane[x] |= rows | rows << 1 | held;
            held = rows;
            ++x;
        } else {
            plane[x + 1] |= firstRun ? rows : held | rows;  // right of the first run: no run of its own
            held = rows | rows << 1;
            --x;
        }
    };
    if (adx <= kTabledColumns) {
        const uint64_t* runs = kUp ? kSteepRuns.up[adx][ady] : kSteepRuns.down[adx][ady];
        auto tableRun = [&](int k) { paintRun(kUp ? runs[k] >> (kLcdScreenHeight - 1 - ay) : runs[k] << ay, k == 0); };
        if (adx == kTabledColumns) {
#pragma GCC unroll 8
            for (int k = 0; k <= kTabledColumns; ++k) tableRun(k);  // the graph's span: a fixed count, unrolled
        } else {
            for (int k = 0; k <= adx; ++k) tableRun(k);
        }
    } else {
        // Wider ones walk the steps, carrying the offset as a remainder.
        const int denominator = 2 * ady;
        const int increment = 2 * adx;
        int remainder = ady;
        uint64_t rows = 0;
        for (int i = 0, row = ay, k = 0; i < ady; ++i, row += kUp ? -1 : 1) {
            rows |= uint64_t{1} << row;
            remainder += increment;
            if (remainder >= denominator || i + 1 == ady) {
                remainder -= denominator;
                paintRun(rows, k++ == 0);
                rows = 0;
            }
        }
    }
    // The column after the last run: rightward the one right of it,
    // leftward the last run's own.
    plane[kRightward ? x : x + 1] |= held;
}

// LcdLine's three segments when every pixel they can reach lies on the
// picture (the graphs and rules the firmware draws), into one plane. Each
// step paints its pixel and its right and lower neighbours, with
// InkSegment's rounding and without clipping.
[[gnu::always_inline]] inline void InkThickSegmentInside(uint64_t* plane, int ax, int ay, int bx, int by) {
    const int adx = bx > ax ? bx - ax : ax - bx;
    const int ady = by > ay ? by - ay : ay - by;
    const int xStep = bx < ax ? -1 : 1;
    if (adx < ady) {
        const bool up = by < ay;
        if (xStep > 0) {
            up ? InkSteep<true, true>(plane, ax, ay, adx, ady) : InkSteep<true, false>(plane, ax, ay, adx, ady);
        } else {
            up ? InkSteep<false, true>(plane, ax, ay, adx, ady) : InkSteep<false, false>(plane, ax, ay, adx, ady);
        }
        return;
    }
    // Along rows: each step's column takes its row and the one below, and
    // the column right of it its row.
    const int yStep = by < ay ? -1 : 1;
    const int denominator = 2 * adx;
    const int increment = 2 * ady;
    int remainder = adx;
    int y = ay;
    int x = ax;
    for (int i = 0; i < adx; ++i, x += xStep) {
        const uint64_t bit = uint64_t{1} << y;
        plane[x] |= bit | bit << 1;
        plane[x + 1] |= bit;
        remainder += increment;
        if (remainder >= denominator) {
            remainder -= denominator;
            y += yStep;
        }
    }
}

// LcdLine's three segments when they are level (the rules and the bars'
// base line), into one plane, cut to the picture: two runs, row 2y
// reaching one pixel further right than row 2y + 1 (the segment shifted right).
inline void InkLevel(uint64_t* plane, int64_t ax, int64_t ay, int64_t bx) {
    if (ax == bx) return;
    const int64_t lo = std::max<int64_t>(bx > ax ? ax : bx + 1, 0);
    const int64_t hi = bx > ax ? bx : ax + 1;  // row 2y + 1 ends before it, row 2y after it
    const uint64_t upper = ay >= 0 && ay < kLcdScreenHeight ? uint64_t{1} << ay : 0;
    const uint64_t lower = ay + 1 >= 0 && ay + 1 < kLcdScreenHeight ? uint64_t{1} << (ay + 1) : 0;
    for (int64_t sx = lo; sx < std::min<int64_t>(hi, kLcdScreenWidth); ++sx) plane[sx] |= upper | lower;
    if (hi >= 0 && hi < kLcdScreenWidth) plane[hi] |= upper;
}

// A line whose end points are LCD pixels on the picture: every pixel its
// segments reach lies on the picture too.
[[gnu::always_inline]] inline void InkThickInside(uint64_t* plane, int ax, int ay, int bx, int by) {
    if (ay == by) {
        InkLevel(plane, ax, ay, bx);
    } else {
        InkThickSegmentInside(plane, ax, ay, bx, by);
    }
}

// One-screen-pixel ink segment from (ax, ay) up to but not including
// (bx, by), into one plane. Step i puts the major coordinate at major0 + i
// and the minor one at minor0 + i * dMinor / dMajor rounded half up. Only
// the steps whose major coordinate lies on the picture are walked, so a
// segment with far-off end points costs no more than one across the
// screen; the minor offset is computed once for the first step and then
// carried as a quotient and remainder.
// Spans below this keep 2 * i * dMinor within 64 bits, the common fast case.
constexpr int64_t kSmallSpan = int64_t{1} << 30;

void InkSegment(uint64_t* plane, int64_t ax, int64_t ay, int64_t bx, int64_t by) {
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
            const int64_t sx = xMajor ? major : minor;
            const int64_t sy = xMajor ? minor : major;
            plane[sx] |= uint64_t{1} << sy;
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

// Before the first clear only: out of line, so that the usual case inlines its one call.
__attribute__((noinline)) void InkThickInsideBothPlanes(int ax, int ay, int bx, int by) {
    InkThickInside(InkPlane(), ax, ay, bx, by);
    InkThickInside(LitPlane(), ax, ay, bx, by);
}

// LcdLine with an end point off the picture, cut pixel by pixel; out of
// line, so that the usual case stays a short call.
__attribute__((noinline)) void InkThickClipped(int x0, int y0, int x1, int y1) {
    const int64_t ax = 2 * static_cast<int64_t>(x0);
    const int64_t ay = 2 * static_cast<int64_t>(y0);
    const int64_t bx = 2 * static_cast<int64_t>(x1);
    const int64_t by = 2 * static_cast<int64_t>(y1);
    for (uint64_t* plane : {InkPlane(), KeepLit() ? LitPlane() : nullptr}) {
        if (plane == nullptr) continue;
        if (y0 == y1) {
            InkLevel(plane, ax, ay, bx);
        } else {
            InkSegment(plane, ax, ay, bx, by);
            InkSegment(plane, ax + 1, ay, bx + 1, by);
            InkSegment(plane, ax, ay + 1, bx, by + 1);
        }
    }
}

// Five opaque columns of glyph `index`; an index outside the table draws a
// blank cell rather than reading past it. Then the gap is skipped unpainted.
// Bit 7 is never drawn: a glyph is 7 rows high.
void DrawGlyph(int8_t index) {
    // A non-negative signed byte is below 128, the table's length.
    static_assert(sizeof(SmallFont) / sizeof(SmallFont[0]) == kGlyphCount);
    static const uint8_t kBlank[kGlyphColumns] = {};
    const uint8_t* columns = index >= 0 ? SmallFont[index] : kBlank;
    const uint8_t x = textCursor.x;
    const uint8_t y = textCursor.y;
    if (x + kGlyphColumns <= kLcdWidth && y + kGlyphRows <= kLcdHeight) {
        // The usual case, wholly on the picture: the cursor moves once.
        ++gDrawCount;
        const bool keepLit = KeepLit();
        for (int k = 0; k < kGlyphColumns; ++k) PaintColumnInside(x + k, y, columns[k], kGlyphRows, keepLit);
        textCursor.x = static_cast<uint8_t>(x + kGlyphColumns + 1);
        return;
    }
    for (int k = 0; k < kGlyphColumns; ++k) LcdPutColumn(columns[k]);
    textCursor.x = static_cast<uint8_t>(textCursor.x + 1);
}

}  // namespace

void LcdRestore(const LcdBits& surface, LcdCursor cursor) {
    LcdSurface = surface;
    textCursor = cursor;
    ++gDrawCount;
}

void LcdSurfaceCreate() {
    ++gDrawCount;
    FillScreen(0, 0, kLcdScreenWidth, kLcdScreenHeight, kUnlit);
    textCursor.x = 0;
    textCursor.y = 0;
}

void LcdSnapshot(LcdBits& to) {
    std::memcpy(to.words, InkPlane(), kPlaneWords * sizeof(uint64_t));
    to.words[kAllLitWord] = LcdSurface.words[kAllLitWord];
    if (KeepLit()) std::memcpy(to.words + kPlaneWords, LitPlane(), kPlaneWords * sizeof(uint64_t));
}

uint32_t LcdScreenPixel(int sx, int sy) {
    if (sx < 0 || sy < 0 || sx >= kLcdScreenWidth || sy >= kLcdScreenHeight) return 0;
    return Rgb(ColourAt(LcdSurface, sx, sy));
}

void LcdExpand(const LcdBits& from, LcdPicture& to) {
    for (int sy = 0; sy < kLcdScreenHeight; ++sy)
        for (int sx = 0; sx < kLcdScreenWidth; ++sx) to.pixels[sy][sx] = Rgb(ColourAt(from, sx, sy));
}

void LcdSetScreenPixel(int sx, int sy, uint32_t colour) {
    ++gDrawCount;
    if (sx < 0 || sy < 0 || sx >= kLcdScreenWidth || sy >= kLcdScreenHeight) return;
    const uint64_t bit = uint64_t{1} << sy;
    if (colour == kLcdInk || colour == kLcdBackground) {
        Paint(sx, bit, colour == kLcdInk ? bit : 0, KeepLit());
        return;
    }
    if (!KeepLit()) {  // every pixel was lit: the lit plane is needed again
        std::memset(LitPlane(), 0xFF, kPlaneWords * sizeof(uint64_t));
        LcdSurface.words[kAllLitWord] = 0;
    }
    InkPlane()[sx] &= ~bit;
    LitPlane()[sx] &= ~bit;
}

uint64_t LcdDrawCount() { return gDrawCount; }

bool LcdPixelIsInk(int x, int y) {
    if (x < 0 || y < 0 || x >= kLcdWidth || y >= kLcdHeight) return false;
    return ColourAt(LcdSurface, 2 * x, 2 * y) == kInk;
}

void LcdClear() {
    ++gDrawCount;
    FillScreen(0, 0, kLcdScreenWidth, kLcdScreenHeight, kBackground);
}

void LcdPlot(uint8_t x, uint8_t y, uint8_t off) {
    ++gDrawCount;
    PaintBlock(x, y, off == 0, KeepLit());
}

void LcdFillRect(uint8_t x, uint8_t y, uint8_t w, uint8_t h, uint8_t on) {
    ++gDrawCount;
    // The screen rectangle is not reduced to bytes: a far edge past the
    // picture is simply cut off.
    const int sx = 2 * x;
    const int sy = 2 * y;
    FillScreen(sx, sy, sx + 2 * w, sy + 2 * h, on != 0 ? kInk : kBackground);
}

void LcdFrameRect(uint8_t x, uint8_t y, uint8_t w, uint8_t h) {
    ++gDrawCount;
    const bool keepLit = KeepLit();
    const uint8_t right = static_cast<uint8_t>(x + w - 1);
    const uint8_t bottom = static_cast<uint8_t>(y + h - 1);
    for (unsigned i = 0; i < h; ++i) {
        const uint8_t r = static_cast<uint8_t>(y + i);
        PaintBlock(x, r, true, keepLit);
        PaintBlock(right, r, true, keepLit);
    }
    for (unsigned i = 0; i < w; ++i) {
        const uint8_t c = static_cast<uint8_t>(x + i);
        PaintBlock(c, y, true, keepLit);
        PaintBlock(c, bottom, true, keepLit);
    }
}

void LcdLine(int x0, int y0, int x1, int y1) {
    ++gDrawCount;
    MoveCursor(x1, y1);
    // Two screen pixels thick: the line, the line shifted right and the line
    // shifted down, each without its end point. (The device's driver draws
    // the first segment twice; painting it again would change nothing.)
    // Ink only sets bits: the same walk marks the pixels lit while that plane is kept.
    if (static_cast<unsigned>(x0) < kLcdWidth && static_cast<unsigned>(x1) < kLcdWidth &&
        static_cast<unsigned>(y0) < kLcdHeight && static_cast<unsigned>(y1) < kLcdHeight) {
        if (KeepLit()) {
            InkThickInsideBothPlanes(2 * x0, 2 * y0, 2 * x1, 2 * y1);
        } else {
            InkThickInside(InkPlane(), 2 * x0, 2 * y0, 2 * x1, 2 * y1);
        }
        return;
    }
    InkThickClipped(x0, y0, x1, y1);
}

void LcdPolyline(const int* xs, const int* ys, int points) {
    bool inside = !KeepLit();
    for (int i = 0; i < points; ++i)
        inside &= (static_cast<unsigned>(xs[i]) < kLcdWidth) & (static_cast<unsigned>(ys[i]) < kLcdHeight);
    if (!inside || points < 2) {
        for (int i = 1; i < points; ++i) LcdLine(xs[i - 1], ys[i - 1], xs[i], ys[i]);
        return;
    }
    ++gDrawCount;
    uint64_t* plane = InkPlane();
    for (int i = 1; i < points; ++i) InkThickInside(plane, 2 * xs[i - 1], 2 * ys[i - 1], 2 * xs[i], 2 * ys[i]);
    MoveCursor(xs[points - 1], ys[points - 1]);
}

void LcdMoveTo(uint8_t x, uint8_t y) {
    textCursor.x = x;
    textCursor.y = y;
}

void LcdPutColumn(uint8_t bits) {
    ++gDrawCount;
    // Bit 7 is never drawn: a glyph is 7 rows high.
    PaintColumnBits(textCursor.x, textCursor.y, bits, kGlyphRows, KeepLit());
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
    const bool keepLit = KeepLit();
    uint8_t bandTop = y;
    for (unsigned band = 0; band * 8 < height; ++band) {
        const unsigned rows = height - band * 8 < 8 ? height - band * 8 : 8;
        for (unsigned c = 0; c < width; ++c) {
            const uint8_t bits = *data++;
            PaintColumnBits(static_cast<uint8_t>(x + c), bandTop, bits, rows, keepLit);
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
