#include "app/offscreen_surface.h"

#include <algorithm>

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
    QImage picture(kLcdScreenWidth, kLcdScreenHeight, QImage::Format_RGB32);
    for (int y = 0; y < kLcdScreenHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < kLcdScreenWidth; ++x)
            row[x] = 0xFF000000u | LcdScreenPixel(x, y);
    }
    return picture;
}

QImage TurnLcdPicture(const QImage& picture) {
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    const int w = source.width();
    const int h = source.height();
    QImage turned(w, h, QImage::Format_RGB32);
    for (int r = 0; r < h; ++r) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(r));
        auto* out = reinterpret_cast<QRgb*>(turned.scanLine(h - 1 - r));
        for (int c = 0; c < w; ++c) out[w - 1 - c] = in[c];
    }
    return turned;
}
