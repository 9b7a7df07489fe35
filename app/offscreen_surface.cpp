#include "app/offscreen_surface.h"

#include <memory>

#include "media/panel_render.h"
#include "platform/lcd.h"

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
