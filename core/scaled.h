// The host core's scaled presentation: the LCD in whole device pixels on a
// panel drawn larger.
#pragma once

#include <cstdint>

#include "core/panel.h"
#include "platform/lcd.h"

// A host that draws the panel larger (zoom, a HiDPI screen) keeps every LCD
// pixel a square of whole device pixels. `scale` is device pixels per panel
// pixel: the zoom times the screen's device pixel ratio.

// Device pixels per LCD pixel at `scale`: 2 at 1, never below 1. The
// nearest whole size, for the window's zoom levels.
int DriverLcdPixelSize(double scale);
// The largest whole size at which the LCD stays inside its place on the
// panel, never below 1: for a panel zoomed to any width (the web page),
// where the nearest size could spill the LCD over the bezel. The same as
// DriverLcdPixelSize wherever 2 * scale is whole.
int DriverLcdPixelSizeToFit(double scale);
// The LCD's place in device pixels at `scale`, centred on the scaled LCD
// rectangle; at scale 1 exactly DriverLcdRect. Without `pixelSize`, at
// DriverLcdPixelSize(scale).
DriverRect DriverScaledLcdRect(uint8_t layout, double scale);
DriverRect DriverScaledLcdRect(uint8_t layout, double scale, int pixelSize);
// The frame's place in device pixels: around DriverScaledLcdRect with the
// margins of DriverLcdFrameRect in LCD pixels; at scale 1 exactly DriverLcdFrameRect.
DriverRect DriverScaledFrameRect(uint8_t layout, double scale);
DriverRect DriverScaledFrameRect(uint8_t layout, double scale, int pixelSize);
// A 244 x 64 picture with every LCD pixel `pixelSize` device pixels square,
// into `out`: (122 * pixelSize) x (32 * pixelSize) pixels 0xRRGGBB, row by
// row. An odd size cannot split the 2 x 2 blocks evenly, so each LCD pixel
// then takes its top-left screen pixel, as the LCD reads.
void DriverScaleLcd(const LcdPicture& picture, int pixelSize, uint32_t* out);
