// `text` and the cells of `expect text`: the LCD read back through the
// platform's recogniser, with the LCD's symbols escaped as \xNN.
#include <cstdio>

#include "platform/lcd_text.h"
#include "tools/run/runner.h"

namespace geigerrun {
namespace {

void AppendCode(std::string& out, uint8_t code) {
    if (code == '\\') {
        out += "\\\\";
    } else if (code >= 32 && code < 127 && !LcdTextIsSymbol(code)) {
        out += static_cast<char>(code);
    } else {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", code);
        out += hex;
    }
}

}  // namespace

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string EscapeCodes(std::string_view bytes) {
    std::string out;
    for (char c : bytes) AppendCode(out, static_cast<uint8_t>(c));
    return out;
}

std::string ScreenText(const LcdPicture& picture) {
    LcdTextLine lines[kLcdTextLinesMax];
    const uint8_t n = LcdReadText(picture, lines, kLcdTextLinesMax);
    std::string out;
    for (uint8_t i = 0; i < n; ++i) {
        for (uint8_t k = 0; k < lines[i].length; ++k) AppendCode(out, static_cast<uint8_t>(lines[i].text[k]));
        out += '\n';
    }
    return out;
}

bool UnescapeText(std::string_view text, std::string& bytes, std::string& error) {
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            bytes += '\\';
            ++i;
            continue;
        }
        if (i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            bytes += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
            continue;
        }
        error = "bad escape in " + Quote(text) + " (use \\xNN for a code, \\\\ for a backslash)";
        return false;
    }
    return true;
}

std::string CellsText(const LcdPicture& picture, uint8_t x, uint8_t y, size_t cells) {
    std::string out;
    for (size_t i = 0; i < cells; ++i) {
        const unsigned cx = x + 6u * static_cast<unsigned>(i);
        const int code = cx < 256 ? LcdGlyphAt(picture, static_cast<uint8_t>(cx), y) : -1;
        if (code < 0) {
            out += '?';
        } else {
            AppendCode(out, static_cast<uint8_t>(code));
        }
    }
    return out;
}

}  // namespace geigerrun
