// The `lcd` dump, written from the presented picture and read back for
// `expect lcd`.
#include "script/commands/lcd_dump.h"

#include "core/bounded_read.h"
#include "script/script_language.h"

namespace geigerrun {

std::string LcdText(const LcdPicture& picture) {
    std::string text;
    text.reserve((kLcdWidth + 1) * kLcdHeight);
    for (int y = 0; y < kLcdHeight; ++y) {
        for (int x = 0; x < kLcdWidth; ++x) {
            const uint32_t p = picture.pixels[2 * y][2 * x];
            text += p == kLcdInk ? '#' : p == kLcdBackground ? '.' : '-';
        }
        text += '\n';
    }
    return text;
}

bool ParseLcdDump(std::string_view text, std::string& dump, std::string& what) {
    dump.clear();
    int lines = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++lines;
        if (lines > kLcdHeight) {
            what = "more than " + std::to_string(kLcdHeight) + " lines";
            return false;
        }
        if (line.size() != static_cast<size_t>(kLcdWidth) || line.find_first_not_of("#.-?") != std::string_view::npos) {
            what = "line " + std::to_string(lines) + " is not 122 of '#', '.', '-', '?'";
            return false;
        }
        dump.append(line);
        dump += '\n';
    }
    if (lines != kLcdHeight) {
        what = std::to_string(lines) + " lines, not " + std::to_string(kLcdHeight);
        return false;
    }
    return true;
}

bool ReadLcdDump(const std::string& path, std::string& dump, std::string& what) {
    std::string text, why;
    if (!ReadBounded(path, kLcdDumpFile, text, why)) {
        what = "cannot read " + script::Quote(path) + ": " + why;
        return false;
    }
    if (!ParseLcdDump(text, dump, why)) {
        what = script::Quote(path) + " is not an lcd dump: " + why;
        return false;
    }
    return true;
}

}  // namespace geigerrun
