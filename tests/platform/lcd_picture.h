// Reading the LCD picture back for the tests: as text, as the picture a
// host reads, and against a model of the line rule.
#pragma once

#include <cstdint>
#include <string>

#include "platform/images.h"
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

// The surface as the picture a host reads.
inline const LcdPicture& SurfacePicture() {
    static LcdPicture picture;
    LcdExpand(LcdSurface, picture);
    return picture;
}

// The line rule walked step by step, nothing clipped in advance: screen
// pixels from a to b without b, step i along the major axis, the minor
// coordinate at i * dMinor / dMajor rounded half up. Hands plot(sx, sy) each
// step that lies on the picture.
template <typename Plot>
void ModelSegment(int64_t ax, int64_t ay, int64_t bx, int64_t by, Plot plot) {
    const int64_t dx = bx - ax, dy = by - ay;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const int64_t dMajor = xMajor ? adx : ady, dMinor = xMajor ? ady : adx;
    for (int64_t i = 0; i < dMajor; ++i) {
        const int64_t offset = (2 * i * dMinor + dMajor) / (2 * dMajor);
        const int64_t along = (xMajor ? dx : dy) < 0 ? -i : i;
        const int64_t across = (xMajor ? dy : dx) < 0 ? -offset : offset;
        const int64_t sx = xMajor ? ax + along : ax + across;
        const int64_t sy = xMajor ? ay + across : ay + along;
        if (sx >= 0 && sy >= 0 && sx < kLcdScreenWidth && sy < kLcdScreenHeight) plot(int(sx), int(sy));
    }
}

// LcdLine in LCD pixels as that rule paints it: the segment between the end
// points' top-left screen pixels, and its copies one screen pixel to the right
// and one down.
template <typename Plot>
void ModelLine(int x0, int y0, int x1, int y1, Plot plot) {
    const int64_t ax = 2 * int64_t(x0), ay = 2 * int64_t(y0), bx = 2 * int64_t(x1), by = 2 * int64_t(y1);
    ModelSegment(ax, ay, bx, by, plot);
    ModelSegment(ax + 1, ay, bx + 1, by, plot);
    ModelSegment(ax, ay + 1, bx, by + 1, plot);
}

}  // namespace lcdtest
