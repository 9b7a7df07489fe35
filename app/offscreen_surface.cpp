#include "app/offscreen_surface.h"

#include <algorithm>
#include <memory>

#include "app/panel_render.h"
#include "platform/lcd.h"

OffscreenSurface::OffscreenSurface(int x, int y, int width, int height, QRgb fill)
    : image_(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32),
      x_(x), y_(y), width_(width), height_(height) {
    image_.fill(fill);
}

void OffscreenSurface::Fill(int left, int top, int right, int bottom, QRgb colour) {
    left = std::clamp(left, 0, image_.width());
    right = std::clamp(right, 0, image_.width());
    top = std::clamp(top, 0, image_.height());
    bottom = std::clamp(bottom, 0, image_.height());
    for (int y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(row + left, row + std::max(left, right), colour | 0xFF000000u);
    }
}

QImage CopyLcdSurface() {
    auto picture = std::make_unique<LcdPicture>();
    return CopyLcdSurface(*picture);
}

QImage CopyLcdSurface(LcdPicture& expanded) {
    LcdExpand(LcdSurface, expanded);
    return LcdImage(expanded);
}
