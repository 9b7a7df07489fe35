#include "media/panel_render.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRadialGradient>
#include <QResource>
#include <zlib.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <mutex>
#include <utility>

#include "core/panel.h"
#include "core/presentation.h"
#include "core/scaled.h"
#include "media/panel_art.h"
#include "media/resource_ids.h"
#include "platform/lcd.h"

namespace {

// The lamp sits at the top right of the label plate, clear of the printing.
constexpr QPoint kLampCentreUpright(480, 44);
constexpr int kLampRadius = 4;

}  // namespace

QColor PanelLampColour(PanelLamp lamp) {
    switch (lamp) {
        case PanelLamp::Off: return QColor(0x4a, 0x4c, 0x50);
        case PanelLamp::Green: return QColor(0x2f, 0xd0, 0x5e);
        case PanelLamp::Amber: return QColor(0xf5, 0xa6, 0x23);
        case PanelLamp::Red: return QColor(0xe8, 0x3a, 0x2a);
    }
    return QColor(0x4a, 0x4c, 0x50);
}

namespace {

void PaintLamp(QPainter& painter, const QRect& box, PanelLamp lamp, double scale) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    const QPointF c = QRectF(box).center();
    const QColor colour = PanelLampColour(lamp);
    // A dark bezel, then the lens with a highlight; a lit lamp glows a little.
    if (lamp != PanelLamp::Off) {
        QRadialGradient glow(c, kLampRadius * 2.2);
        QColor halo = colour;
        halo.setAlpha(110);
        glow.setColorAt(0, halo);
        glow.setColorAt(1, QColor(0, 0, 0, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(c, kLampRadius * 2.2, kLampRadius * 2.2);
    }
    painter.setPen(QPen(QColor(0x2b, 0x2c, 0x30), 0.8));
    painter.setBrush(QColor(0x1c, 0x1d, 0x20));
    painter.drawEllipse(c, kLampRadius + 1.0, kLampRadius + 1.0);
    QRadialGradient lens(c - QPointF(1.2, 1.4), kLampRadius * 1.4);
    lens.setColorAt(0, colour.lighter(lamp == PanelLamp::Off ? 150 : 170));
    lens.setColorAt(0.55, colour);
    lens.setColorAt(1, colour.darker(170));
    painter.setPen(Qt::NoPen);
    painter.setBrush(lens);
    painter.drawEllipse(c, double(kLampRadius), double(kLampRadius));
    painter.restore();
}

}  // namespace

QRect PanelLampRect(int layout) {
    // The turned layout is the upright one turned about the panel's centre.
    const QPoint c = layout == 0 ? kLampCentreUpright
                                 : QPoint(kPanelWidth, kPanelHeight) - kLampCentreUpright;
    const int r = kLampRadius + 1;
    return QRect(c.x() - r, c.y() - r, 2 * r, 2 * r);
}

QRect ScaledPanelRect(const QRect& r, double scale) {
    const int left = int(std::lround(r.left() * scale));
    const int top = int(std::lround(r.top() * scale));
    const int right = int(std::lround((r.left() + r.width()) * scale));
    const int bottom = int(std::lround((r.top() + r.height()) * scale));
    return QRect(left, top, right - left, bottom - top);
}

QImage ScaledLcdPicture(const QImage& picture, double scale) {
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    LcdPicture lcd{};
    for (int y = 0; y < kLcdScreenHeight && y < source.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < kLcdScreenWidth && x < source.width(); ++x) lcd.pixels[y][x] = row[x] & 0xFFFFFFu;
    }
    const int p = DriverLcdPixelSize(scale);
    QImage scaled(kLcdWidth * p, kLcdHeight * p, QImage::Format_RGB32);
    auto* out = reinterpret_cast<uint32_t*>(scaled.bits());
    DriverScaleLcd(lcd, p, out);
    const qsizetype count = qsizetype(scaled.width()) * scaled.height();
    for (qsizetype i = 0; i < count; ++i) out[i] |= 0xFF000000u;
    return scaled;
}

namespace {

// What the build baked under `name` (media/panel_art.h), read in place;
// empty when it was not baked.
QByteArray Baked(const std::string& name) {
    const QResource resource(QStringLiteral(GEIGERSIM_QRC_PREFIX "baked/") + QString::fromStdString(name));
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression) return QByteArray();
    return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), resource.size());
}

// A baked picture, `size` as asked; null when it was not baked or does not
// read back whole.
QImage BakedPicture(const std::string& name, QSize size) {
    const QByteArray deflated = Baked(name);
    if (deflated.isEmpty()) return QImage();
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) return picture;
    // Inflated straight into the picture: no second copy of it at start.
    uLongf length = uLongf(picture.sizeInBytes());
    if (uncompress(picture.bits(), &length, reinterpret_cast<const Bytef*>(deflated.constData()),
                   uLong(deflated.size())) != Z_OK ||
        length != uLongf(picture.sizeInBytes()))
        return QImage();
    return picture;
}

}  // namespace

QImage RenderPanelArtwork(int layout, double scale, PanelBackground background) {
    if (scale <= 0) return QImage();
    const QSize size(int(std::lround(kPanelWidth * scale)), int(std::lround(kPanelHeight * scale)));
    QImage baked = BakedPicture(BakedPanelName(layout, scale, background), size);
    return baked.isNull() ? RenderPanelArtworkFromSvg(layout, scale, background) : baked;
}

QImage ProgramIcon(int size) {
    QImage baked = BakedPicture(BakedIconName(size), QSize(size, size));
    return baked.isNull() ? RenderIconFromSvg(size) : baked;
}

void PaintPanelOverlay(QPainter& painter, const PanelScene& scene, double scale) {
    painter.fillRect(ScaledFrameRect(scene.layout, scale), QColor::fromRgb(scene.frameColour));
    if (!scene.lcd.isNull())
        painter.drawImage(ScaledLcdRect(scene.layout, scale).topLeft(), ScaledLcdPicture(scene.lcd, scale));
    if (scene.lampShown) PaintLamp(painter, PanelLampRect(scene.layout), scene.lamp, scale);
}

QImage PressedKeyPicture(const QImage& normal, int shift) {
    QImage pressed = normal;
    QPainter painter(&pressed);
    painter.drawImage(shift, shift, normal);
    return pressed;
}

bool InsideKeyCircle(QSize size, QPoint p) {
    const double rx = size.width() / 2.0;
    const double ry = size.height() / 2.0;
    if (rx <= 0 || ry <= 0) return false;
    const double dx = (p.x() + 0.5 - rx) / rx;
    const double dy = (p.y() + 0.5 - ry) / ry;
    return dx * dx + dy * dy <= 1.0;
}

QRegion KeyCircleRegion(QSize size) {
    QRegion region;
    for (int y = 0; y < size.height(); ++y) {
        int first = -1;
        int last = -1;
        for (int x = 0; x < size.width(); ++x) {
            if (!InsideKeyCircle(size, QPoint(x, y))) continue;
            if (first < 0) first = x;
            last = x;
        }
        if (first >= 0) region += QRect(first, y, last - first + 1, 1);
    }
    return region;
}

namespace {

// The artwork of one layout at one scale, and its keys' pressed pictures
// as they are first asked for.
struct Artwork {
    int layout;
    double scale;
    PanelBackground background;
    QImage picture;
    std::array<QImage, 4> pressed;  // by panel key row
};

// Rendering the artwork costs tens of milliseconds at a large scale, and a
// tour or a recording draws the panel for every picture: the last few
// renderings are kept (QImage copies share their pixels until painted on).
// Locked, as the window's exports and a test may render from any thread.
std::mutex gArtworkMutex;
std::deque<Artwork> gArtworks;
constexpr size_t kArtworksKept = 4;

Artwork& CachedArtwork(int layout, double scale, PanelBackground background) {
    for (Artwork& a : gArtworks)
        if (a.layout == layout && a.scale == scale && a.background == background) return a;
    if (gArtworks.size() >= kArtworksKept) gArtworks.pop_back();
    gArtworks.push_front({layout, scale, background, RenderPanelArtwork(layout, scale, background), {}});
    return gArtworks.front();
}

}  // namespace

QImage RenderPanel(const PanelScene& scene, double scale, PanelBackground background) {
    QImage picture, pressed;
    QRect box;
    {
        const std::lock_guard<std::mutex> lock(gArtworkMutex);
        Artwork& artwork = CachedArtwork(scene.layout, scale, background);
        picture = artwork.picture;
        // The key's picture comes from the artwork alone, as the window's key takes it.
        for (int i = 0; i < 4 && scene.pressedKey >= 0 && !picture.isNull(); ++i) {
            const DriverPanelKey& k = DriverPanelKeys(static_cast<uint8_t>(scene.layout))[i];
            if (k.drawnKey != scene.pressedKey) continue;
            box = ScaledPanelRect(QRect(k.x, k.y, k.size, k.size), scale);
            if (artwork.pressed[size_t(i)].isNull())
                artwork.pressed[size_t(i)] =
                    PressedKeyPicture(picture.copy(box), std::max(1, int(std::lround(scale))));
            pressed = artwork.pressed[size_t(i)];
        }
    }
    if (picture.isNull()) return picture;
    QPainter painter(&picture);
    PaintPanelOverlay(painter, scene, scale);
    if (!pressed.isNull()) {
        painter.setClipRegion(KeyCircleRegion(box.size()).translated(box.topLeft()));
        painter.drawImage(box.topLeft(), pressed);
        painter.setClipping(false);
        if (scene.ringPressedKey) {
            // Amber with a dark rim reads on the dark keys and the light case alike.
            const double width = std::max(2.0, 2.0 * scale);
            const QRectF ring = QRectF(box).adjusted(-width, -width, width, width);
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(QColor(0x20, 0x20, 0x20), width * 1.8));
            painter.drawEllipse(ring);
            painter.setPen(QPen(QColor(0xff, 0xc4, 0x00), width));
            painter.drawEllipse(ring);
            painter.restore();
        }
    }
    if (scene.hint) {
        painter.scale(scale, scale);
        PaintStartHint(painter);
    }
    return picture;
}

QImage PresentedLcdImage(const LcdBits& handedOver) {
    LcdPicture presented;
    DriverPresentLcd(handedOver, DriverLayout(), presented);
    return LcdImage(presented);
}

PanelScene CorePanelScene(const LcdBits& handedOver, PanelLamp lamp) {
    const DriverPanelScene core = DriverScene();
    PanelScene scene;
    scene.layout = core.layout;
    scene.lcd = PresentedLcdImage(handedOver);
    scene.frameColour = 0xFF000000u | core.frameColour;
    scene.lamp = lamp;
    scene.pressedKey = core.pressedKey;
    scene.hint = core.hint;
    return scene;
}

const StartHintShape& StartHint() {
    // Baked with the build's font, so that a window at rest loads no font;
    // drawn with the desktop's where the build baked none.
    static const StartHintShape shape = [] {
        StartHintShape baked;
        if (ParseStartHintData(Baked(kBakedHintName), &baked)) return baked;
        return StartHintFromFont(StartHintFont(QGuiApplication::font()));
    }();
    return shape;
}

void PaintStartHint(QPainter& painter) {
    const StartHintShape& hint = StartHint();
    painter.save();
    painter.fillRect(hint.box, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(hint.text, Qt::black);
    painter.restore();
}

QImage LcdImage(const LcdPicture& picture) {
    QImage image(kLcdScreenWidth, kLcdScreenHeight, QImage::Format_RGB32);
    for (int y = 0; y < kLcdScreenHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kLcdScreenWidth; ++x) row[x] = 0xFF000000u | (picture.pixels[y][x] & 0xFFFFFFu);
    }
    return image;
}
