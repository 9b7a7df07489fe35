// `text` and the cells of `expect text`: the LCD read back through the
// platform's recogniser, with the LCD's symbols escaped as \xNN.
#include "tools/run/text.h"

#include "link/script_language.h"
#include "platform/lcd_text.h"

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

std::string CellsText(const LcdPicture& picture, uint8_t x, uint8_t y, size_t cells) {
    std::string out;
    for (size_t i = 0; i < cells; ++i) {
        const unsigned cx = x + 6u * static_cast<unsigned>(i);
        const int code = cx < 256 ? LcdGlyphAt(picture, static_cast<uint8_t>(cx), y) : -1;
        if (code < 0) {
            out += '?';
        } else {
            const char c = static_cast<char>(code);
            out += EscapeCodes(std::string_view(&c, 1));
        }
    }
    return out;
}

}  // namespace geigerrun
