// The LCD read back as text: the glyphs of the small and the large font
// found in a picture, so tools and screen readers can say what it shows.
//
// Works on any picture handed in (the window and the runner read the one
// handed over, not the drawing surface). Fixed buffers, no heap.
#pragma once

#include <cstdint>

#include "platform/lcd.h"

// A 122-pixel row holds at most 20 small glyphs; the spaces put between
// separate runs of text stay below this too.
constexpr uint8_t kLcdTextLineMax = 40;
// Text rows that fit the 32 LCD rows, with room to spare.
constexpr uint8_t kLcdTextLinesMax = 16;

struct LcdTextLine {
    uint8_t x;      // LCD column of the first glyph's left edge
    uint8_t y;      // LCD row of the glyphs' top
    uint8_t large;  // 1: digits of the large font (and their unit)
    uint8_t length;
    // Font codes, 0-terminated: printable ASCII where the glyph is that
    // character; 39, 94, 96 and 126..131 are the LCD's own symbols.
    char text[kLcdTextLineMax + 1];
    // LCD column of each glyph's left edge; kLcdTextJoin for a space put
    // between runs.
    uint8_t glyphX[kLcdTextLineMax];
};
constexpr uint8_t kLcdTextJoin = 255;

// Fills up to `maxLines` lines, top to bottom, and returns how many. A
// glyph counts where an LCD cell shows it exactly, with its gap columns
// clear and no stroke running on above or below it; runs of glyphs on one
// row are joined by one space where up to a
// cell lies between them, two where more does. The unit pictures of the
// large reading read as their words ("CPM", "uSv/h", "mR/h"), joined to the
// digits they follow ("29CPM"); other pictures, lines and graphs give no text.
uint8_t LcdReadText(const LcdPicture& picture, LcdTextLine* lines, uint8_t maxLines);

// The code of the small glyph that the cell at (x, y) shows exactly (32
// for a blank cell), or -1 when it shows none or lies off the picture.
int LcdGlyphAt(const LcdPicture& picture, uint8_t x, uint8_t y);
// True when the cell at (x, y) shows the small glyph of `code` exactly, or
// one drawn the same (the blanks and the space look alike).
bool LcdCellShows(const LcdPicture& picture, uint8_t x, uint8_t y, uint8_t code);

// True for the codes whose glyph is not the ASCII character of that code.
bool LcdTextIsSymbol(uint8_t code);
