// The `expect lcd` dump reader on arbitrary text: what it takes is 32 lines
// of 122 '#', '.', '-' or '?' (any pixel), never longer than the reader's
// limit for a dump, and it is exactly what `lcd` writes for a picture it
// describes (a '?' cell as ink).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/bounded_read.h"
#include "script/commands/lcd_dump.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

LcdPicture picture;  // 62 KB: off the stack

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string dump, what;
    if (!geigerrun::ParseLcdDump(text, dump, what)) return 0;
    Check(size <= kLcdDumpFile.maxBytes);
    Check(dump.size() == static_cast<size_t>((kLcdWidth + 1) * kLcdHeight));
    // The picture the dump describes, then written back as `lcd` writes it.
    for (int y = 0; y < kLcdHeight; ++y)
        for (int x = 0; x < kLcdWidth; ++x) {
            const char c = dump[static_cast<size_t>(y * (kLcdWidth + 1) + x)];
            picture.pixels[2 * y][2 * x] = c == '#' || c == '?' ? kLcdInk : c == '.' ? kLcdBackground : 0x123456u;
        }
    std::string inked = dump;
    for (char& c : inked)
        if (c == '?') c = '#';
    Check(geigerrun::LcdText(picture) == inked);
    // What it gives back reads again as itself.
    std::string again;
    Check(geigerrun::ParseLcdDump(dump, again, what) && again == dump);
    return 0;
}
