// `text` and the cells of `expect text`: the LCD read back through the
// platform's recogniser, in the script language's escaped texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/lcd.h"

namespace geigerrun {

// What `text` prints: one line per text row found, bytes that are not
// printable ASCII glyphs (the LCD's symbols) as \xNN, a backslash as \\.
std::string ScreenText(const LcdPicture& picture);
// Bytes escaped as `text` prints them.
std::string EscapeCodes(std::string_view bytes);
// What `cells` characters from (x, y) read as `text` reads them: where a
// glyph `text` reads starts at (x, y), its line from there (joining spaces
// included); otherwise the glyph it reads in each cell every 6 columns, or a
// space where it reads none (no text, or a picture). So a line `text`
// prints, pasted at its place, reads back.
std::string CellsBytes(const LcdPicture& picture, uint8_t x, uint8_t y, size_t cells);

}  // namespace geigerrun
