// Pictures as SVG, for pages that scale them without blur: pixels as
// squares (runs of a colour merged), written as text. The runner's `svg`
// writes the LCD with it, and the panel's artwork takes it as its LCD.
#pragma once

#include <cstdint>
#include <string>

namespace svg {

// A group of `width` x `height` pixels 0xRRGGBB, rows `stride` pixels apart,
// one unit a pixel from (0, 0): the commonest colour as one rectangle, every
// other colour one path of rectangles, each a run of a row merged with the
// same run in the rows below it. Edges are crisp, so at a whole scale it
// renders as the pixels themselves.
std::string PixelGroup(const uint32_t* pixels, int width, int height, int stride);

// A whole document of `width` x `height` units shown `scale` times that size,
// holding `body`.
std::string Document(const std::string& body, int width, int height, int scale);

// "#rrggbb".
std::string Colour(uint32_t rgb);

}  // namespace svg
