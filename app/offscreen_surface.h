// The LCD surface as pictures for the window.
#pragma once

#include <QImage>
#include <QRgb>

struct LcdBits;

// A snapshot of the firmware's LCD surface as a 244 x 64 picture.
QImage LcdImageOf(const LcdBits& surface);
// The same of the surface as it is now.
QImage CopyLcdSurface();

// The rest of the LCD's presentation.
#include "media/panel_render.h"
