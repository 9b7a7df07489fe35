// Reading the LCD picture back as text for the platform tests.
#pragma once

#include <string>

#include "platform/lcd.h"

namespace lcdtest {

// One LCD pixel as a character: '#' ink, '.' background, '-' anything else
// (the unlit colour, i.e. never painted since the surface was created).
inline char PixelChar(int x, int y) {
    const uint32_t p = LcdScreenPixel(2 * x, 2 * y);
    return p == kLcdInk ? '#' : p == kLcdBackground ? '.' : '-';
}

// Columns x0..x0+w-1 of rows y0..y0+h-1, each row followed by '\n'.
inline std::string Area(int x0, int y0, int w, int h) {
    std::string s;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) s += PixelChar(x, y);
        s += '\n';
    }
    return s;
}

// Number of screen pixels with the given colour.
inline int CountScreen(uint32_t colour) {
    int n = 0;
    for (int sy = 0; sy < kLcdScreenHeight; ++sy)
        for (int sx = 0; sx < kLcdScreenWidth; ++sx) n += LcdScreenPixel(sx, sy) == colour;
    return n;
}

// Number of screen pixels that differ from the unlit colour.
inline int CountPainted() { return kLcdScreenWidth * kLcdScreenHeight - CountScreen(kLcdUnlit); }

}  // namespace lcdtest
