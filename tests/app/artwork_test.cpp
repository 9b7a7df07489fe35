// Renders the front-panel pictures and the icon the way the window does
// (QSvgRenderer at the picture's own size) and checks that the places the
// window relies on hold what it expects: dark LCD glass under the LCD
// picture and its start-up frame, a key under every clickable key circle
// with the right symbol on it, and a plain light surface where the start
// hint is written.
//
// A plain program (no moc needed): each check prints PASS or FAIL with the
// values it saw; the exit status is 1 when any check failed.

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "media/panel_art.h"
#include "media/panel_render.h"

#ifndef GEIGERSIM_RESOURCE_DIR
#error "GEIGERSIM_RESOURCE_DIR must name the resources directory"
#endif

namespace {

int failures = 0;

// Records one check of the named case; detail says what was seen.
bool Check(const std::string& name, bool ok, const QString& detail = {}) {
  if (ok) {
    std::printf("PASS   %s\n", name.c_str());
  } else {
    ++failures;
    std::printf("FAIL!  %s  %s\n", name.c_str(), qPrintable(detail));
  }
  return ok;
}

constexpr int kWidth = 524;
constexpr int kHeight = 306;

QString ResourcePath(const char* name) {
  return QStringLiteral(GEIGERSIM_RESOURCE_DIR "/") + QLatin1String(name);
}

QImage Render(const QString& path, QSize size) {
  QSvgRenderer renderer(path);
  if (!renderer.isValid()) return {};
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  return image;
}

// Grey level of the pixel that contains the point (x, y).
int Luma(const QImage& image, double x, double y) {
  return qGray(image.pixel(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))));
}

// White printing on a dark or red key face.
bool Ink(const QImage& image, double x, double y) { return Luma(image, x, y) > 200; }

// A key circle of the window: bounding box top-left and diameter.
struct KeyCircle {
  const char* name;
  int x, y, diameter;
  double cx() const { return x + diameter / 2.0; }
  double cy() const { return y + diameter / 2.0; }
  double r() const { return diameter / 2.0; }
};

struct Layout {
  const char* name;
  const char* file;
  QRect lcd;    // where the window draws the LCD picture
  QRect frame;  // the grey frame painted around it before start-up
  KeyCircle back, up, down, power;
  bool turned;
};

const Layout kNormal{"normal", "panel-normal.svg",
                     QRect(79, 78, 244, 64), QRect(73, 73, 256, 72),
                     {"back", 55, 208, 35}, {"up", 140, 208, 35},
                     {"down", 222, 208, 35}, {"power", 305, 208, 35},
                     false};

const Layout kTurned{"turned", "panel-turned.svg",
                     QRect(204, 169, 244, 64), QRect(198, 164, 256, 72),
                     {"back", 429, 61, 45}, {"up", 266, 61, 45},
                     {"down", 346, 61, 45}, {"power", 181, 61, 45},
                     true};

std::string Name(const char* test, const Layout& layout, const char* what = nullptr) {
  std::string name = std::string(test) + "(" + layout.name;
  if (what) name += std::string(" ") + what;
  return name + ")";
}

// The window takes its size from the picture and draws it unscaled.
bool PictureHasWindowSize(const Layout& layout) {
  QSvgRenderer renderer(ResourcePath(layout.file));
  const QString seen = QStringLiteral("valid %1, size %2 x %3, view box %4 %5 %6 %7")
                           .arg(renderer.isValid())
                           .arg(renderer.defaultSize().width())
                           .arg(renderer.defaultSize().height())
                           .arg(renderer.viewBoxF().x())
                           .arg(renderer.viewBoxF().y())
                           .arg(renderer.viewBoxF().width())
                           .arg(renderer.viewBoxF().height());
  return Check(Name("pictureHasWindowSize", layout),
               renderer.isValid() && renderer.defaultSize() == QSize(kWidth, kHeight) &&
                   renderer.viewBoxF() == QRectF(0, 0, kWidth, kHeight),
               seen);
}

// The window is a plain rectangle: every pixel of it shows the picture.
void PictureIsOpaque(const Layout& layout, const QImage& image) {
  int transparent = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) transparent += qAlpha(image.pixel(x, y)) != 255;
  Check(Name("pictureIsOpaque", layout), transparent == 0,
        QStringLiteral("%1 pixels not opaque").arg(transparent));
}

// The frame encloses the LCD picture; the glass must reach a few pixels
// beyond the frame on every side, so that margin is tested too. The bezel
// and the lit lip around the glass are lighter than the threshold, so a
// glass that moves or shrinks shows them here.
void GlassIsDarkUnderLcdAndFrame(const Layout& layout, const QImage& image) {
  const QRect area = layout.frame.adjusted(-4, -4, 4, 4);
  int light = 0;
  QPoint first;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (qGray(image.pixel(x, y)) >= 60 && light++ == 0) first = QPoint(x, y);
  Check(Name("glassIsDarkUnderLcdAndFrame", layout), area.contains(layout.lcd) && light == 0,
        QStringLiteral("%1 light pixels, first at (%2,%3)").arg(light).arg(first.x()).arg(first.y()));
}

// Samples eight directions between the axes, clear of the printed symbols:
// the key face inside the circle, the plain body just outside the key's
// ring. A key drawn off its circle puts its recess under some body points.
void KeyStandsOutFromTheBody(const Layout& layout, const QImage& image, const KeyCircle& key) {
  int body[8];
  int face[8];
  for (int i = 0; i < 8; ++i) {
    const double a = (22.5 + 45.0 * i) * std::numbers::pi / 180.0;
    face[i] = Luma(image, key.cx() + 0.7 * key.r() * std::cos(a), key.cy() + 0.7 * key.r() * std::sin(a));
    body[i] = Luma(image, key.cx() + 1.37 * key.r() * std::cos(a), key.cy() + 1.37 * key.r() * std::sin(a));
  }
  const auto [lo, hi] = std::minmax_element(body, body + 8);
  double mean = 0;
  for (int b : body) mean += b / 8.0;
  int closest = 255;
  for (int v : face) closest = std::min(closest, static_cast<int>(std::lround(std::abs(v - mean))));
  Check(Name("keyStandsOutFromTheBody", layout, key.name), *hi - *lo <= 20 && *lo > 150 && closest > 60,
        QStringLiteral("body around the key %1..%2, face differs by at least %3")
            .arg(*lo)
            .arg(*hi)
            .arg(closest));
}

// Each key's printing, read in screen coordinates. On the turned picture
// the printing is upside down with the body, so the Up key (which the
// window places second from the left there) shows a triangle pointing
// down on screen, and Back an arrow pointing right.
void KeySymbolsFaceTheRightWay(const Layout& layout, const QImage& image) {
  const double turn = layout.turned ? -1.0 : 1.0;  // +1: printing upright on screen

  // Width of the printing on one row, height on one column, in pixels.
  auto rowInk = [&](const KeyCircle& k, double dy) {
    int n = 0;
    for (double dx = -0.6 * k.r(); dx <= 0.6 * k.r(); dx += 1) n += Ink(image, k.cx() + dx, k.cy() + dy);
    return n;
  };
  auto columnInk = [&](const KeyCircle& k, double dx) {
    int n = 0;
    for (double dy = -0.6 * k.r(); dy <= 0.6 * k.r(); dy += 1) n += Ink(image, k.cx() + dx, k.cy() + dy);
    return n;
  };

  // Up: narrow at its tip (above when upright), wide at its base.
  const KeyCircle& up = layout.up;
  const int upTip = rowInk(up, -turn * 0.25 * up.r());
  const int upBase = rowInk(up, turn * 0.25 * up.r());
  Check(Name("keySymbolFacesTheRightWay", layout, "up"), upTip + 3 < upBase,
        QStringLiteral("ink across the tip %1, across the base %2").arg(upTip).arg(upBase));

  // Down: the other way round.
  const KeyCircle& down = layout.down;
  const int downTip = rowInk(down, turn * 0.25 * down.r());
  const int downBase = rowInk(down, -turn * 0.25 * down.r());
  Check(Name("keySymbolFacesTheRightWay", layout, "down"), downTip + 3 < downBase,
        QStringLiteral("ink across the tip %1, across the base %2").arg(downTip).arg(downBase));

  // Back: an arrow whose head is on the left when upright.
  const KeyCircle& back = layout.back;
  const int head = columnInk(back, -turn * 0.17 * back.r());
  const int shaft = columnInk(back, turn * 0.3 * back.r());
  Check(Name("keySymbolFacesTheRightWay", layout, "back"), shaft + 4 < head,
        QStringLiteral("ink down the head %1, down the shaft %2").arg(head).arg(shaft));

  // Power: a ring open at the top with a bar through the opening.
  const KeyCircle& power = layout.power;
  const double r = power.r();
  const bool gapLeft = !Ink(image, power.cx() - 0.14 * r, power.cy() - turn * 0.33 * r);
  const bool gapRight = !Ink(image, power.cx() + 0.14 * r, power.cy() - turn * 0.33 * r);
  const bool bar = Ink(image, power.cx(), power.cy() - turn * 0.33 * r);
  const bool ring = Ink(image, power.cx(), power.cy() + turn * 0.47 * r);
  Check(Name("keySymbolFacesTheRightWay", layout, "power"), gapLeft && gapRight && bar && ring,
        QStringLiteral("gap left %1, gap right %2, bar %3, closed side of the ring %4")
            .arg(gapLeft)
            .arg(gapRight)
            .arg(bar)
            .arg(ring));
}

// The window writes the start hint in dark text from (345, 222) on.
void HintAreaIsPlainAndLight(const QImage& image) {
  const QRect area(343, 208, 176, 29);  // to x 518, clear of the body's rim
  int lo = 255;
  int hi = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const int g = qGray(image.pixel(x, y));
      lo = std::min(lo, g);
      hi = std::max(hi, g);
    }
  Check("hintAreaIsPlainAndLight", lo > 170 && hi - lo <= 16,
        QStringLiteral("grey levels from %1 to %2").arg(lo).arg(hi));
}

// Mostly opaque at the sizes a desktop uses, with the sign readable: dark
// centre disc and the blade below it, yellow between the two blades above.
void IconShowsTheSign() {
  for (int size : {32, 64}) {
    const QImage icon = Render(ResourcePath("icon.svg"), QSize(size, size));
    const std::string name = "iconShowsTheSign(" + std::to_string(size) + ")";
    if (!Check(name + " renders", !icon.isNull(), QStringLiteral("no picture"))) continue;
    int opaque = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) opaque += qAlpha(icon.pixel(x, y)) == 255;
    const double c = size / 2.0;
    const double u = size / 64.0;
    const int centre = qGray(icon.pixel(int(c), int(c)));
    const int blade = qGray(icon.pixel(int(c), int(c + 12 * u)));
    const QRgb between = icon.pixel(int(c), int(c - 12 * u));
    const bool yellow = qRed(between) > 200 && qGreen(between) > 150 && qBlue(between) < 100;
    Check(name, opaque > size * size * 3 / 4 && centre < 60 && blade < 60 && yellow,
          QStringLiteral("opaque %1 of %2, centre %3, blade %4, between blades #%5")
              .arg(opaque)
              .arg(size * size)
              .arg(centre)
              .arg(blade)
              .arg(between & 0xffffff, 6, 16, QLatin1Char('0')));
  }
}

}  // namespace

// What the build baked reads back as the very pixels the SVG gives, for
// every picture a window at rest may ask for, and the hint has its text.
void BakedPicturesAreTheSvgs() {
  for (int layout : {0, 1})
    for (PanelBackground background : {PanelBackground::Backdrop, PanelBackground::Clear})
      for (double scale : {1.0, 1.5, 2.0}) {
        const std::string name = BakedPanelName(layout, scale, background);
        const QImage baked = RenderPanelArtwork(layout, scale, background);
        Check("baked " + name, QFile::exists(QStringLiteral(":/geigersim/baked/") + QString::fromStdString(name)) &&
                                   baked == RenderPanelArtworkFromSvg(layout, scale, background));
      }
  for (int size : kProgramIconSizes)
    Check("baked " + BakedIconName(size), QFile::exists(QStringLiteral(":/geigersim/baked/") +
                                                          QString::fromStdString(BakedIconName(size))) &&
                                              ProgramIcon(size) == RenderIconFromSvg(size));
  StartHintShape again;
  QFile file(QStringLiteral(":/geigersim/baked/hint"));
  Check("baked hint reads back", file.open(QIODevice::ReadOnly) && ParseStartHintData(file.readAll(), &again) &&
                                     again.box == StartHint().box && !again.text.isEmpty());
  StartHintShape broken;
  Check("a cut hint is refused", !ParseStartHintData("170 11\nM 1 2 L 3", &broken) &&
                                     !ParseStartHintData("0 11\n", &broken) && !ParseStartHintData("", &broken));
}

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  for (const Layout* layout : {&kNormal, &kTurned}) {
    if (!PictureHasWindowSize(*layout)) continue;
    const QImage image = Render(ResourcePath(layout->file), QSize(kWidth, kHeight));
    PictureIsOpaque(*layout, image);
    GlassIsDarkUnderLcdAndFrame(*layout, image);
    for (const KeyCircle* key : {&layout->back, &layout->up, &layout->down, &layout->power})
      KeyStandsOutFromTheBody(*layout, image, *key);
    KeySymbolsFaceTheRightWay(*layout, image);
    if (!layout->turned) HintAreaIsPlainAndLight(image);
  }
  IconShowsTheSign();
  BakedPicturesAreTheSvgs();
  std::printf("%s: %d failed\n", failures ? "FAILED" : "OK", failures);
  return failures ? 1 : 0;
}
