// The LCD in whole device pixels on a panel drawn larger: the window's
// zoom and HiDPI screens, the page at any width, the runner's scale.
#include "core/scaled.h"
#include "core/panel.h"

#include <cstddef>

namespace {

int RoundToInt(double v) { return static_cast<int>(v < 0 ? v - 0.5 : v + 0.5); }

}  // namespace

int DriverLcdPixelSize(double scale) {
    const int p = RoundToInt(2 * scale);
    return p < 1 ? 1 : p;
}

int DriverLcdPixelSizeToFit(double scale) {
    // A hair over the product, so that 1.5 x 2 counts as 3 whatever its rounding.
    const int p = static_cast<int>(2 * scale + 1e-9);
    return p < 1 ? 1 : p;
}

DriverRect DriverScaledLcdRect(uint8_t layout, double scale) {
    return DriverScaledLcdRect(layout, scale, DriverLcdPixelSize(scale));
}

DriverRect DriverScaledLcdRect(uint8_t layout, double scale, int pixelSize) {
    const DriverRect lcd = DriverLcdRect(layout);
    const int p = pixelSize < 1 ? 1 : pixelSize;
    const int w = kLcdWidth * p;
    const int h = kLcdHeight * p;
    const double cx = (lcd.x + lcd.width / 2.0) * scale;
    const double cy = (lcd.y + lcd.height / 2.0) * scale;
    return {RoundToInt(cx - w / 2.0), RoundToInt(cy - h / 2.0), w, h};
}

DriverRect DriverScaledFrameRect(uint8_t layout, double scale) {
    return DriverScaledFrameRect(layout, scale, DriverLcdPixelSize(scale));
}

DriverRect DriverScaledFrameRect(uint8_t layout, double scale, int pixelSize) {
    // 6, 5, 6 and 3 panel pixels are 3, 2.5, 3 and 1.5 LCD pixels.
    const DriverRect lcd = DriverScaledLcdRect(layout, scale, pixelSize);
    const double p = pixelSize < 1 ? 1 : pixelSize;
    const int side = RoundToInt(3 * p);
    const int above = RoundToInt(2.5 * p);
    const int below = RoundToInt(1.5 * p);
    return {lcd.x - side, lcd.y - above, lcd.width + 2 * side, lcd.height + above + below};
}

void DriverScaleLcd(const LcdPicture& picture, int pixelSize, uint32_t* out) {
    const int p = pixelSize < 1 ? 1 : pixelSize;
    const int width = kLcdWidth * p;
    for (int y = 0; y < kLcdHeight * p; ++y) {
        uint32_t* row = out + static_cast<size_t>(y) * width;
        if (p % 2 == 0) {
            const uint32_t* source = picture.pixels[y / (p / 2)];
            for (int x = 0; x < width; ++x) row[x] = source[x / (p / 2)];
        } else {
            const uint32_t* source = picture.pixels[2 * (y / p)];
            for (int x = 0; x < width; ++x) row[x] = source[2 * (x / p)];
        }
    }
}
