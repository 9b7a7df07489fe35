// Off-screen pictures of the LCD presentation.
#pragma once

#include <QImage>
#include <QRgb>

// A picture that belongs at a window position: the LCD frame is one.
class OffscreenSurface {
public:
    OffscreenSurface(int x, int y, int width, int height, QRgb fill);

    // Fills (left, top)-(right, bottom), right and bottom exclusive, clipped
    // to the surface.
    void Fill(int left, int top, int right, int bottom, QRgb colour);

    const QImage& image() const { return image_; }
    int x() const { return x_; }
    int y() const { return y_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    QImage image_;
    int x_;
    int y_;
    int width_;
    int height_;
};

struct LcdBits;

// A snapshot of the firmware's LCD surface as a 244 x 64 picture.
QImage LcdImageOf(const LcdBits& surface);
// The same of the surface as it is now.
QImage CopyLcdSurface();

// The rest of the LCD's presentation.
#include "media/panel_render.h"
