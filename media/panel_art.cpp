// The panel's artwork drawn from its sources: the layouts' and the icon's
// SVG (Qt Svg) and the start hint in the desktop's font (the font system).
// Both cost a window at rest more than it otherwise needs, so the build
// bakes what the window shows at rest from here (media/panel_bake.cpp), and
// the panel's pictures come from here only for what was not baked.
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/panel.h"
#include "media/panel_art.h"
#include "media/panel_render.h"
#include "media/resource_ids.h"

namespace {

// The case's rim (scripts/panel-artwork.py CASE) and half its stroke.
constexpr QRectF kCaseRim(1, 1, 522, 303);
constexpr double kCaseRadius = 26;
constexpr double kCaseStroke = 0.6;

const char* BackgroundName(PanelBackground background) {
    return background == PanelBackground::Clear ? "clear" : "backdrop";
}

}  // namespace

QString PanelArtworkPath(int layout) {
    return layout == 0 ? QStringLiteral(GEIGERSIM_QRC_PREFIX "panel-normal.svg")
                       : QStringLiteral(GEIGERSIM_QRC_PREFIX "panel-turned.svg");
}

double PanelCaseRadius() { return kCaseRadius + kCaseStroke; }

QPainterPath PanelCaseOutline(double scale) {
    const QRectF edge = kCaseRim.adjusted(-kCaseStroke, -kCaseStroke, kCaseStroke, kCaseStroke);
    QPainterPath path;
    path.addRoundedRect(QRectF(edge.topLeft() * scale, edge.size() * scale),
                        (kCaseRadius + kCaseStroke) * scale, (kCaseRadius + kCaseStroke) * scale);
    return path;
}

QImage RenderPanelArtworkFromSvg(int layout, double scale, PanelBackground background) {
    QSvgRenderer renderer(PanelArtworkPath(layout));
    if (!renderer.isValid() || scale <= 0) return QImage();
    const QSize size(int(std::lround(kPanelWidth * scale)), int(std::lround(kPanelHeight * scale)));
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size.width(), size.height()));
    if (background == PanelBackground::Clear) {
        // Keep the case with its antialiased edge; clear the backdrop and shadow.
        QImage keep(size, QImage::Format_ARGB32_Premultiplied);
        keep.fill(Qt::transparent);
        QPainter outline(&keep);
        outline.setRenderHint(QPainter::Antialiasing);
        outline.fillPath(PanelCaseOutline(scale), Qt::black);
        outline.end();
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.drawImage(0, 0, keep);
    }
    return picture;
}

QImage RenderIconFromSvg(int size) {
    QSvgRenderer renderer(QStringLiteral(GEIGERSIM_QRC_PREFIX "icon.svg"));
    if (!renderer.isValid() || size <= 0) return QImage();
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return icon;
}

QFont StartHintFont(QFont base) {
    const QString text = QString::fromLatin1(kDriverStartHint);
    const int room = kDriverStartHintRightLimit - kDriverStartHintX;
    for (int pixels = 12; pixels >= 8; --pixels) {
        base.setPixelSize(pixels);
        if (QFontMetrics(base).horizontalAdvance(text) <= room) return base;
    }
    base.setStretch(QFont::Condensed);
    return base;
}

StartHintShape StartHintFromFont(const QFont& font) {
    const QString text = QString::fromLatin1(kDriverStartHint);
    const QFontMetrics metrics(font);
    StartHintShape shape;
    shape.box = QRect(QPoint(kDriverStartHintX, kDriverStartHintY),
                      QSize(metrics.horizontalAdvance(text), metrics.height()));
    // On the baseline the text would have left-aligned and centred in its box.
    shape.text.addText(QPointF(shape.box.left(), shape.box.top() + metrics.ascent()), font, text);
    shape.text.setFillRule(Qt::WindingFill);
    return shape;
}

// ---- The baked resources' names and the hint's format

std::string BakedPanelName(int layout, double scale, PanelBackground background) {
    char name[64];
    std::snprintf(name, sizeof name, "panel-%d-%s-%ld", layout, BackgroundName(background),
                  std::lround(scale * 100));
    return name;
}

std::string BakedIconName(int size) { return "icon-" + std::to_string(size); }

std::string StartHintData(const StartHintShape& shape) {
    std::string out = std::to_string(shape.box.width()) + " " + std::to_string(shape.box.height()) + "\n";
    char number[64];
    const auto add = [&](char command, const QPointF& p) {
        std::snprintf(number, sizeof number, " %.9g %.9g", p.x(), p.y());
        if (command != 0) out += command;
        out += number;
    };
    for (int i = 0; i < shape.text.elementCount(); ++i) {
        const QPainterPath::Element e = shape.text.elementAt(i);
        switch (e.type) {
            case QPainterPath::MoveToElement:
                if (i > 0) out += "Z\n";
                add('M', e);
                break;
            case QPainterPath::LineToElement: add('L', e); break;
            case QPainterPath::CurveToElement: add('C', e); break;
            case QPainterPath::CurveToDataElement: add(0, e); break;
        }
    }
    if (shape.text.elementCount() > 0) out += "Z\n";
    return out;
}

bool ParseStartHintData(const QByteArray& data, StartHintShape* shape) {
    const std::string text = data.toStdString();
    const char* at = text.c_str();
    char* end = nullptr;
    const long width = std::strtol(at, &end, 10);
    if (end == at) return false;
    at = end;
    const long height = std::strtol(at, &end, 10);
    if (end == at || width <= 0 || height <= 0 || width > kPanelWidth || height > kPanelHeight) return false;
    at = end;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const auto number = [&](double* v) {
        *v = std::strtod(at, &end);
        if (end == at || !std::isfinite(*v)) return false;
        at = end;
        return true;
    };
    const auto point = [&](QPointF* p) {
        double x = 0, y = 0;
        if (!number(&x) || !number(&y)) return false;
        *p = QPointF(x, y);
        return true;
    };
    for (;;) {
        while (*at == ' ' || *at == '\n') ++at;
        if (*at == '\0') break;
        const char command = *at++;
        QPointF a, b, c;
        switch (command) {
            case 'M': if (!point(&a)) return false; path.moveTo(a); break;
            case 'L': if (!point(&a)) return false; path.lineTo(a); break;
            case 'C': if (!point(&a) || !point(&b) || !point(&c)) return false; path.cubicTo(a, b, c); break;
            case 'Z': path.closeSubpath(); break;
            default: return false;
        }
    }
    shape->box = QRect(QPoint(kDriverStartHintX, kDriverStartHintY), QSize(int(width), int(height)));
    shape->text = path;
    return true;
}
