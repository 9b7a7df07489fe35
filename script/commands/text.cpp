// `text` and the cells of `expect text`: the LCD read back through the
// platform's recogniser, with the LCD's symbols escaped as \xNN.
#include "script/commands/text.h"

#include "platform/lcd_text.h"
#include "script/script_language.h"

namespace geigerrun {
namespace {

// A code the LCD shows as its ASCII character; its symbols are escaped.
bool ShownAsItself(uint8_t code) { return script::IsPlainByte(code) && !LcdTextIsSymbol(code); }

}  // namespace

std::string EscapeCodes(std::string_view bytes) { return script::EscapeText(bytes, ShownAsItself); }

std::string ScreenText(const LcdPicture& picture) {
    LcdTextLine lines[kLcdTextLinesMax];
    const uint8_t n = LcdReadText(picture, lines, kLcdTextLinesMax);
    std::string out;
    for (uint8_t i = 0; i < n; ++i) {
        out += EscapeCodes(std::string_view(lines[i].text, lines[i].length));
        out += '\n';
    }
    return out;
}

std::string CellsBytes(const LcdPicture& picture, uint8_t x, uint8_t y, size_t cells) {
    std::string out(cells, ' ');
    LcdTextLine lines[kLcdTextLinesMax];
    const uint8_t n = LcdReadText(picture, lines, kLcdTextLinesMax);
    // A glyph read at (x, y): the line from there, as `text` prints it, with
    // its joining spaces; where it ends, no text.
    for (uint8_t l = 0; l < n; ++l) {
        if (lines[l].y != y || lines[l].large != 0) continue;
        for (uint8_t k = 0; k < lines[l].length; ++k) {
            if (lines[l].glyphX[k] != x) continue;
            for (size_t i = 0; i < cells && k + i < lines[l].length; ++i) out[i] = lines[l].text[k + i];
            return out;
        }
    }
    // Otherwise cell by cell, one every 6 columns.
    for (uint8_t l = 0; l < n; ++l) {
        if (lines[l].y != y || lines[l].large != 0) continue;
        for (uint8_t k = 0; k < lines[l].length; ++k) {
            const unsigned gx = lines[l].glyphX[k];
            if (gx == kLcdTextJoin || gx < x || (gx - x) % 6 != 0 || (gx - x) / 6 >= cells) continue;
            out[(gx - x) / 6] = lines[l].text[k];
        }
    }
    return out;
}

}  // namespace geigerrun
