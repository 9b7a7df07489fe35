// Reads the small and the large font back out of an LCD picture: exact
// glyph matches, chained into runs at the fonts' advance, overlaps settled
// in favour of the run with more ink, runs on one row joined into a line.
#include "platform/lcd_text.h"

#include <bit>

#include "platform/images.h"

namespace {

constexpr int kSmallColumns = 5;
constexpr int kSmallRows = 7;
constexpr int kSmallAdvance = 6;
constexpr int kLargeColumns = 9;
constexpr int kLargeRows = 23;
constexpr int kLargeAdvance = 11;
constexpr uint32_t kSmallMask = (1u << kSmallRows) - 1;
constexpr uint32_t kLargeMask = (1u << kLargeRows) - 1;
constexpr char kLargeCodes[12] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '.', '-'};

// Enough for every glyph of a full screen several times over; matches past
// it are dropped rather than written beyond the buffers.
constexpr int kMaxRuns = 192;
constexpr int kRunMax = 21;  // small glyphs across 122 columns, plus one

struct Columns {
    uint32_t ink[kLcdWidth];         // bit r: LCD row r shows ink
    uint32_t background[kLcdWidth];  // bit r: LCD row r shows the background
};

// `large` 2: a unit picture (kUnitPictures), one run of its own.
struct Run {
    uint8_t x, y, large, n;
    uint16_t ink;  // ink pixels of its glyphs: the weight in overlaps
    uint8_t accepted;
    char codes[kRunMax];
    uint8_t width = 0, height = 0;  // a unit picture's size
    bool attached = false;          // a unit picture read on the line of the digits it follows
    int Right() const { return x + (large == 2 ? width : n * (large ? kLargeAdvance : kSmallAdvance)); }
    int Bottom() const { return y + (large == 2 ? height : large ? kLargeRows : kSmallRows); }
};

// The units the large reading draws as pictures beside its digits, read as
// the words they show.
struct UnitPicture {
    const uint8_t* picture;
    const char* text;
};
const UnitPicture kUnitPictures[] = {{kUnitCpm, "CPM"}, {kUnitUsvh, "uSv/h"}, {kUnitMrh, "mR/h"}};

void ReadColumns(const LcdPicture& picture, Columns& c) {
    for (int x = 0; x < kLcdWidth; ++x) {
        uint32_t ink = 0, background = 0;
        for (int y = 0; y < kLcdHeight; ++y) {
            // One screen pixel per LCD pixel, the top-left one, as the dumps read it.
            const uint32_t p = picture.pixels[2 * y][2 * x];
            if (p == kLcdInk) ink |= 1u << y;
            if (p == kLcdBackground) background |= 1u << y;
        }
        c.ink[x] = ink;
        c.background[x] = background;
    }
}

// A column outside the picture counts as clear: text may touch the edge.
bool ColumnClear(const Columns& c, int x, int y, uint32_t mask) {
    if (x < 0 || x >= kLcdWidth) return true;
    return ((c.background[x] >> y) & mask) == mask;
}

// True when small glyph g (code 32 + g) draws exactly the ink of `cell`.
bool SmallGlyphIs(int g, const uint8_t* cell) {
    int k = 0;
    // Bit 7 of a glyph column is never drawn.
    while (k < kSmallColumns && (SmallFont[g][k] & kSmallMask) == cell[k]) ++k;
    return k == kSmallColumns;
}

// The code of the first small glyph that draws `cell`, or -1.
int SmallCode(const uint8_t* cell) {
    for (int g = 0; g < 128; ++g)
        if (SmallGlyphIs(g, cell)) return 32 + g;
    return -1;
}

// The cell at (x, y) as column bits; false off the picture or where a
// pixel is unlit.
bool ReadSmallCell(const LcdPicture& picture, uint8_t x, uint8_t y, uint8_t* cell) {
    if (x + kSmallColumns > kLcdWidth || y + kSmallRows > kLcdHeight) return false;
    for (int k = 0; k < kSmallColumns; ++k) {
        uint8_t bits = 0;
        for (int r = 0; r < kSmallRows; ++r) {
            const uint32_t p = picture.pixels[2 * (y + r)][2 * (x + k)];
            if (p == kLcdInk) bits = static_cast<uint8_t>(bits | 1u << r);
            else if (p != kLcdBackground) return false;
        }
        cell[k] = bits;
    }
    return true;
}

// True when ink of the cell's edge row `edge` goes on into LCD row `row`
// beyond it: the stroke of a line or a graph, not a glyph. A rule drawn
// along the cell, with ink across both gap columns too, is not.
bool StrokeRunsOn(const Columns& c, int x, int row, const uint8_t* cell, int edge) {
    if (row < 0 || row >= kLcdHeight) return false;
    bool touches = false, rule = true;
    for (int k = -1; k <= kSmallColumns; ++k) {
        const int cx = x + k;
        const bool off = cx < 0 || cx >= kLcdWidth;
        const bool ink = !off && ((c.ink[cx] >> row) & 1u) != 0;
        rule = rule && (off || ink);
        if (k >= 0 && k < kSmallColumns && ink && ((cell[k] >> edge) & 1u) != 0) touches = true;
    }
    return touches && !rule;
}

// The small glyph shown exactly at (x, y) with its gap columns clear, or -1.
// Blank glyphs never match: an empty cell is no text.
int SmallGlyphAt(const Columns& c, int x, int y, uint16_t& ink) {
    uint8_t cell[kSmallColumns];
    bool any = false;
    for (int k = 0; k < kSmallColumns; ++k) {
        const uint32_t i = (c.ink[x + k] >> y) & kSmallMask;
        const uint32_t b = (c.background[x + k] >> y) & kSmallMask;
        if ((i | b) != kSmallMask) return -1;  // unlit: no glyph there
        cell[k] = static_cast<uint8_t>(i);
        any = any || i != 0;
    }
    if (!any || !ColumnClear(c, x - 1, y, kSmallMask) || !ColumnClear(c, x + kSmallColumns, y, kSmallMask))
        return -1;
    const int code = SmallCode(cell);
    if (code < 0) return -1;
    if (StrokeRunsOn(c, x, y - 1, cell, 0) || StrokeRunsOn(c, x, y + kSmallRows, cell, kSmallRows - 1)) return -1;
    ink = 0;
    for (int j = 0; j < kSmallColumns; ++j) ink = static_cast<uint16_t>(ink + std::popcount(cell[j]));
    return code;
}

// Column k of large glyph g as 23 row bits, from its three 8-row bands.
uint32_t LargeColumn(int g, int k) {
    const uint8_t* data = LargeFont[g] + 4;
    return (data[k] | static_cast<uint32_t>(data[kLargeColumns + k]) << 8 |
            static_cast<uint32_t>(data[2 * kLargeColumns + k]) << 16) & kLargeMask;
}

int LargeGlyphAt(const Columns& c, int x, int y, uint16_t& ink) {
    for (int k = 0; k < kLargeColumns; ++k) {
        const uint32_t i = (c.ink[x + k] >> y) & kLargeMask;
        const uint32_t b = (c.background[x + k] >> y) & kLargeMask;
        if ((i | b) != kLargeMask) return -1;
    }
    for (int g = 0; g < 12; ++g) {
        int k = 0;
        uint16_t n = 0;
        for (; k < kLargeColumns; ++k) {
            const uint32_t column = LargeColumn(g, k);
            if (((c.ink[x + k] >> y) & kLargeMask) != column) break;
            n = static_cast<uint16_t>(n + std::popcount(column));
        }
        if (k == kLargeColumns && n > 0) {
            ink = n;
            return kLargeCodes[g];
        }
    }
    return -1;
}

// Adds the glyph to the run on this row that expects it at x, or opens one.
// Runs of the current row start at `rowStart`.
void AddGlyph(Run* runs, int& count, int rowStart, int x, int y, uint8_t large, int code, uint16_t ink) {
    for (int r = rowStart; r < count; ++r) {
        Run& run = runs[r];
        if (run.large == large && run.Right() == x && run.n < kRunMax) {
            run.codes[run.n++] = static_cast<char>(code);
            run.ink = static_cast<uint16_t>(run.ink + ink);
            return;
        }
    }
    if (count == kMaxRuns) return;
    Run& run = runs[count++];
    run = Run{static_cast<uint8_t>(x), static_cast<uint8_t>(y), large, 1, ink, 0, {}};
    run.codes[0] = static_cast<char>(code);
}

// The ink pixels of `picture` when it shows exactly at (x, y), else 0.
uint16_t PictureAt(const Columns& c, const uint8_t* picture, int x, int y) {
    const int width = picture[0], height = picture[2];
    const uint32_t mask = (1u << height) - 1;
    uint16_t ink = 0;
    for (int k = 0; k < width; ++k) {
        uint32_t column = 0;
        for (int band = 0; band * 8 < height; ++band)
            column |= static_cast<uint32_t>(picture[4 + band * width + k]) << (band * 8);
        column &= mask;
        const uint32_t i = (c.ink[x + k] >> y) & mask, b = (c.background[x + k] >> y) & mask;
        if (i != column || (i | b) != mask) return 0;
        ink = static_cast<uint16_t>(ink + std::popcount(column));
    }
    return ink;
}

bool Overlap(const Run& a, const Run& b) {
    return a.x < b.Right() - 1 && b.x < a.Right() - 1 && a.y < b.Bottom() && b.y < a.Bottom();
}

}  // namespace

int LcdGlyphAt(const LcdPicture& picture, uint8_t x, uint8_t y) {
    uint8_t cell[kSmallColumns];
    return ReadSmallCell(picture, x, y, cell) ? SmallCode(cell) : -1;
}

bool LcdCellShows(const LcdPicture& picture, uint8_t x, uint8_t y, uint8_t code) {
    uint8_t cell[kSmallColumns];
    return code >= 32 && code < 160 && ReadSmallCell(picture, x, y, cell) && SmallGlyphIs(code - 32, cell);
}

bool LcdTextIsSymbol(uint8_t code) {
    return code == 39 || code == 94 || code == 96 || code >= 126;
}

uint8_t LcdReadText(const LcdPicture& picture, LcdTextLine* lines, uint8_t maxLines) {
    // Static like the firmware's buffers: one caller at a time (the host's
    // window thread, or the runner).
    static Columns columns;
    static Run runs[kMaxRuns];
    ReadColumns(picture, columns);

    int count = 0;
    for (int y = 0; y + kSmallRows <= kLcdHeight; ++y) {
        const int rowStart = count;
        for (int x = 0; x + kSmallColumns <= kLcdWidth; ++x) {
            uint16_t ink = 0;
            if (y + kLargeRows <= kLcdHeight && x + kLargeColumns <= kLcdWidth) {
                const int large = LargeGlyphAt(columns, x, y, ink);
                if (large >= 0) AddGlyph(runs, count, rowStart, x, y, 1, large, ink);
            }
            const int small = SmallGlyphAt(columns, x, y, ink);
            if (small >= 0) AddGlyph(runs, count, rowStart, x, y, 0, small, ink);
        }
    }

    for (const UnitPicture& unit : kUnitPictures) {
        const int width = unit.picture[0], height = unit.picture[2];
        for (int y = 0; y + height <= kLcdHeight; ++y)
            for (int x = 0; x + width <= kLcdWidth && count < kMaxRuns; ++x) {
                const uint16_t ink = PictureAt(columns, unit.picture, x, y);
                if (ink == 0) continue;
                Run& run = runs[count++];
                run = Run{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 2, 0, ink, 0, {}};
                run.width = static_cast<uint8_t>(width);
                run.height = static_cast<uint8_t>(height);
                for (const char* t = unit.text; *t != '\0'; ++t) run.codes[run.n++] = *t;
            }
    }

    // Heaviest first; a run crossing one already taken is a chance match
    // inside other text or a picture.
    while (true) {
        int best = -1;
        for (int r = 0; r < count; ++r)
            if (runs[r].accepted == 0 && (best < 0 || runs[r].ink > runs[best].ink)) best = r;
        if (best < 0) break;
        bool free = true;
        for (int r = 0; r < count && free; ++r)
            if (runs[r].accepted == 1 && Overlap(runs[r], runs[best])) free = false;
        runs[best].accepted = free ? 1 : 2;
    }

    // A unit right after large digits reads on their line, as one word with them.
    for (int p = 0; p < count; ++p) {
        if (runs[p].accepted != 1 || runs[p].large != 2) continue;
        for (int r = 0; r < count; ++r)
            if (runs[r].accepted == 1 && runs[r].large == 1 && runs[r].Right() == runs[p].x &&
                runs[p].y >= runs[r].y && runs[p].y < runs[r].Bottom()) {
                runs[p].y = runs[r].y;
                runs[p].attached = true;
            }
    }

    // Taken runs in reading order, joined per row.
    uint8_t filled = 0;
    int lastY = -1, lastRight = 0;
    while (true) {
        int next = -1;
        for (int r = 0; r < count; ++r) {
            const Run& run = runs[r];
            if (run.accepted != 1) continue;
            if (next < 0 || run.y < runs[next].y || (run.y == runs[next].y && run.x < runs[next].x)) next = r;
        }
        if (next < 0) break;
        Run& run = runs[next];
        run.accepted = 3;
        LcdTextLine* line = nullptr;
        if (run.y == lastY && filled > 0) {
            line = &lines[filled - 1];
            // One space for a gap up to a cell wide, two for anything wider:
            // columns read apart without guessing at pixel distances.
            int spaces = run.attached ? 0 : run.x - lastRight <= kSmallAdvance + 1 ? 1 : 2;
            while (spaces-- > 0 && line->length < kLcdTextLineMax) {
                line->glyphX[line->length] = kLcdTextJoin;
                line->text[line->length++] = ' ';
            }
        } else {
            if (filled == maxLines) break;
            line = &lines[filled++];
            line->x = run.x;
            line->y = run.y;
            line->large = run.large != 0 ? 1 : 0;
            line->length = 0;
        }
        const int advance = run.large == 2 ? run.width / run.n : run.large ? kLargeAdvance : kSmallAdvance;
        for (int k = 0; k < run.n && line->length < kLcdTextLineMax; ++k) {
            line->glyphX[line->length] = static_cast<uint8_t>(run.x + k * advance);
            line->text[line->length++] = run.codes[k];
        }
        line->text[line->length] = '\0';
        lastY = run.y;
        lastRight = run.Right();
    }
    return filled;
}
