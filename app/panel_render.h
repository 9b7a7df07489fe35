// The front panel as a picture: the artwork of a layout with the LCD, its
// frame and the link lamp over it. The window paints with it and
// geigersim-run renders its panel pictures with it, so both show the same.
#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>
#include <cstdint>

class QPainter;
struct LcdPicture;

constexpr int kPanelWidth = 524;  // panel pixels, both layouts
constexpr int kPanelHeight = 306;

// The frame around the LCD: unlit grey until the first hand-over, then the
// lit frame grey for good.
constexpr QRgb kFrameUnlitGrey = qRgb(140, 140, 140);
constexpr QRgb kFrameLitGrey = qRgb(170, 170, 170);

// The link lamp on the label plate: off in demo mode; green while reports
// arrive, amber while none has come for a while, red once the line is lost.
enum class PanelLamp : uint8_t { Off, Green, Amber, Red };

struct PanelScene {
    int layout = 0;  // 0 upright, 1 turned by 180 degrees
    QImage lcd;      // the LCD as presented: 244 x 64, already turned if it reads turned
    QRgb frameColour = kFrameUnlitGrey;
    PanelLamp lamp = PanelLamp::Off;
};

// Where things lie, in panel pixels (right and bottom exclusive).
QRect PanelLcdRect(int layout);
QRect PanelFrameRect(int layout);  // 6 pixels left and right of the LCD, 5 above, 3 below
QRect PanelLampRect(int layout);

// The layout's artwork alone, at `scale` device pixels per panel pixel
// (zoom times the screen's device pixel ratio); null if it cannot be read.
QImage RenderPanelArtwork(int layout, double scale);

// The frame, the LCD and the lamp, drawn on a painter whose unit is one
// device pixel, for artwork rendered at `scale`. The LCD goes by nearest
// neighbour with every LCD pixel the same whole number of device pixels.
void PaintPanelOverlay(QPainter& painter, const PanelScene& scene, double scale);

// Artwork and overlay together: the panel as the window shows it, without
// the start hint.
QImage RenderPanel(const PanelScene& scene, double scale);

// Device pixels per LCD pixel at `scale`: 2 at 1, never below 1.
int LcdPixelSize(double scale);
// The LCD's place in device pixels at `scale`, centred on the scaled LCD
// rectangle; at scale 1 exactly PanelLcdRect.
QRect ScaledLcdRect(int layout, double scale);

// A 244 x 64 LCD picture as an image, and the same turned by 180 degrees.
QImage LcdImage(const LcdPicture& picture);
QImage TurnLcdPicture(const QImage& picture);
// Whether the LCD reads turned: swivelled while the panel is upright (in the
// turned layout the panel is upside down already, so the LCD reads upright).
bool LcdReadsTurned(uint8_t displayTurned, uint8_t swivelMode, int layout);
