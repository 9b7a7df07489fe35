// The front panel as a picture: the artwork of a layout with the LCD, its
// frame and the link lamp over it. The window paints with it and
// geigersim-run renders its panel pictures with it, so both show the same.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRect>
#include <QRegion>
#include <QRgb>
#include <cstdint>
#include <string>

#include "core/panel.h"
#include "core/scaled.h"
#include "platform/lcd.h"

class QPainter;
struct LcdPicture;

constexpr int kPanelWidth = 524;  // panel pixels, both layouts
constexpr int kPanelHeight = 306;

// What the artwork shows around the rounded case, and what the window shows
// beyond the picture where it cannot be see-through: a light grey, the same
// as scripts/panel-artwork.py's BACKDROP.
constexpr QRgb kPanelBackdrop = qRgb(0xd4, 0xd3, 0xcf);

// What lies around the case: the artwork's backdrop, or nothing (transparent)
// for a see-through window and for saved pictures.
enum class PanelBackground : uint8_t { Backdrop, Clear };

// The frame around the LCD: unlit grey until the first hand-over, then the
// lit frame grey for good.
constexpr QRgb kFrameUnlitGrey = 0xFF000000u | kLcdUnlit;
constexpr QRgb kFrameLitGrey = 0xFF000000u | kLcdBackground;

// The link lamp on the label plate: off in demo mode; green while reports
// arrive, amber while none has come for a while, red once the line is lost.
enum class PanelLamp : uint8_t { Off, Green, Amber, Red };

struct PanelScene {
    int layout = 0;  // 0 upright, 1 turned by 180 degrees
    QImage lcd;      // the LCD as presented: 244 x 64, already turned if it reads turned
    QRgb frameColour = kFrameUnlitGrey;
    PanelLamp lamp = PanelLamp::Off;
    // False for a picture of the device as it is made (`png ... clean`):
    // the label plate without the lamp, which shows the link's state.
    bool lampShown = true;
    // The key held down, as drawn (KeyBack..KeySelect), or -1. Pictures
    // show it pressed; the window's keys draw themselves.
    int pressedKey = -1;
    bool hint = false;  // the start hint beside the upright panel's power key
    // A ring round the pressed key, so that a small picture (an animation's
    // frame) shows plainly which key is held.
    bool ringPressedKey = false;
};

// The panel as the host core presents it now (core/panel.h DriverScene),
// the LCD showing `handedOver` as presented there and the lamp as given.
PanelScene CorePanelScene(const LcdBits& handedOver, PanelLamp lamp);
// The LCD picture `handedOver` as presented on the core's layout now.
QImage PresentedLcdImage(const LcdBits& handedOver);

// The host core's rectangles as Qt's.
inline QRect ToQRect(const DriverRect& r) { return QRect(r.x, r.y, r.width, r.height); }

// Where things lie, in panel pixels (right and bottom exclusive); the LCD
// and its frame as the host core places them.
inline QRect PanelLcdRect(int layout) { return ToQRect(DriverLcdRect(static_cast<uint8_t>(layout))); }
inline QRect PanelFrameRect(int layout) { return ToQRect(DriverLcdFrameRect(static_cast<uint8_t>(layout))); }
QRect PanelLampRect(int layout);
// The case's outer edge (its rim with the rim's stroke), in units of `scale`
// per panel pixel; the same for both layouts.
QPainterPath PanelCaseOutline(double scale);

// A panel rectangle in device pixels at `scale`, each edge rounded on its
// own so that neighbouring rectangles meet without gaps; unchanged at 1.
QRect ScaledPanelRect(const QRect& r, double scale);

// The layout's artwork alone, at `scale` device pixels per panel pixel
// (zoom times the screen's device pixel ratio); null if it cannot be read.
// With Clear, everything outside the case outline is transparent. The
// build's baked picture where there is one (media/panel_art.h), the same
// pixels the SVG gives.
QImage RenderPanelArtwork(int layout, double scale,
                          PanelBackground background = PanelBackground::Backdrop);
// The program's icon, `size` pixels square: the sizes a window's icon is
// made of (kProgramIconSizes) are baked.
inline constexpr int kProgramIconSizes[] = {16, 24, 32, 48, 64, 128};
QImage ProgramIcon(int size);

// The frame, the LCD and the lamp, drawn on a painter whose unit is one
// device pixel, for artwork rendered at `scale`. The LCD goes by nearest
// neighbour with every LCD pixel the same whole number of device pixels.
void PaintPanelOverlay(QPainter& painter, const PanelScene& scene, double scale);

// A key's pressed picture from its normal one: the key drawn again `shift`
// device pixels (one panel pixel) right and down over itself.
QImage PressedKeyPicture(const QImage& normal, int shift);
// The pixels of a size x size box inside its inscribed circle, where a key
// takes clicks and shows its pictures.
bool InsideKeyCircle(QSize size, QPoint p);
QRegion KeyCircleRegion(QSize size);

// Artwork and overlay together, the pressed key and the start hint: the
// panel as the window shows it, for saved pictures.
QImage RenderPanel(const PanelScene& scene, double scale,
                   PanelBackground background = PanelBackground::Backdrop);

// The panel as SVG for `svg ... panel`: the layout's artwork with the LCD
// as squares, its frame, the lamp and the hint where RenderPanel draws them,
// `scale` times the panel's size; outside the case see-through. Keys show
// up (a pressed key is a raster effect). False if the artwork cannot be read.
bool RenderPanelSvg(const PanelScene& scene, int scale, std::string& svg);
// The resource holding a layout's artwork, the lamp's colour, and the
// corner radius of the case's outer edge in panel pixels.
QString PanelArtworkPath(int layout);
QColor PanelLampColour(PanelLamp lamp);
double PanelCaseRadius();

// The start hint "<--Click this power button to start" beside the upright
// panel's power key, as the window paints it and the runner's panel
// pictures show it: the largest pixel size 12..8 of `base` (condensed when
// none fits) that keeps the text clear of the case's rim, and the text in a
// white box, drawn on a painter whose unit is one panel pixel. The text is
// the outline the build baked in its font (media/panel_art.h), so pictures
// do not depend on the desktop's fonts and a window at rest loads none.
QFont StartHintFont(QFont base);
void PaintStartHint(QPainter& painter);
struct StartHintShape;
const StartHintShape& StartHint();

// The LCD's and the frame's places in device pixels at `scale`, as the host
// core scales them.
inline QRect ScaledLcdRect(int layout, double scale) {
    return ToQRect(DriverScaledLcdRect(static_cast<uint8_t>(layout), scale));
}
inline QRect ScaledFrameRect(int layout, double scale) {
    return ToQRect(DriverScaledFrameRect(static_cast<uint8_t>(layout), scale));
}
// A handed-over 244 x 64 LCD picture with every LCD pixel
// DriverLcdPixelSize(scale) device pixels square; unchanged at scale 1.
QImage ScaledLcdPicture(const QImage& picture, double scale);

// A 244 x 64 LCD picture as an image.
QImage LcdImage(const LcdPicture& picture);
