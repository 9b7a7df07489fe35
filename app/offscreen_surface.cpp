#include "app/offscreen_surface.h"

#include <algorithm>
#include <memory>

#include "media/panel_render.h"
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

QImage LcdImageOf(const LcdBits& surface) {
    QImage image(kLcdScreenWidth, kLcdScreenHeight, QImage::Format_RGB32);
    // A 244-pixel row of 32-bit pixels needs no padding: the image's rows lie
    // as LcdPicture's do, so the surface is expanded straight into it.
    if (image.sizeInBytes() != qsizetype(sizeof(LcdPicture))) {
        auto picture = std::make_unique<LcdPicture>();
        LcdExpand(surface, *picture);
        return LcdImage(*picture);
    }
    LcdExpand(surface, *reinterpret_cast<LcdPicture*>(image.bits()));
    auto* pixel = reinterpret_cast<QRgb*>(image.bits());
    for (int i = 0; i < kLcdScreenWidth * kLcdScreenHeight; ++i) pixel[i] |= 0xFF000000u;
    return image;
}

QImage CopyLcdSurface() { return LcdImageOf(LcdSurface); }
