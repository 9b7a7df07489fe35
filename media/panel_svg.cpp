// The front panel as SVG: the layout's own artwork, unchanged and clipped
// to the case, with the LCD's dots as squares, its frame, the lamp and the
// start hint laid over it where the host core places them.
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QRegularExpression>
#include <cstdio>

#include "core/panel.h"
#include "media/panel_render.h"
#include "media/svg_picture.h"

namespace {

std::string Xml(const QString& text) {
    return text.toHtmlEscaped().toStdString();
}

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", v);
    return text;
}

// The lamp as PaintLamp draws it: a lit lamp's glow, the bezel, the lens.
std::string Lamp(const PanelScene& scene) {
    const QRectF box(PanelLampRect(scene.layout));
    const QPointF c = box.center();
    const double r = box.width() / 2 - 1;
    const QColor colour = PanelLampColour(scene.lamp);
    const auto hex = [](const QColor& q) { return svg::Colour(q.rgb()); };
    const std::string cx = Number(c.x()), cy = Number(c.y());
    std::string out = "<defs>\n";
    out += "<radialGradient id=\"geigersim-lens\" gradientUnits=\"userSpaceOnUse\" cx=\"" + Number(c.x() - 1.2) +
           "\" cy=\"" + Number(c.y() - 1.4) + "\" r=\"" + Number(r * 1.4) + "\">";
    out += "<stop offset=\"0\" stop-color=\"" + hex(colour.lighter(scene.lamp == PanelLamp::Off ? 150 : 170)) + "\"/>";
    out += "<stop offset=\"0.55\" stop-color=\"" + hex(colour) + "\"/>";
    out += "<stop offset=\"1\" stop-color=\"" + hex(colour.darker(170)) + "\"/></radialGradient>\n";
    if (scene.lamp != PanelLamp::Off)
        out += "<radialGradient id=\"geigersim-glow\" gradientUnits=\"userSpaceOnUse\" cx=\"" + cx + "\" cy=\"" + cy +
               "\" r=\"" + Number(r * 2.2) + "\"><stop offset=\"0\" stop-color=\"" + hex(colour) +
               "\" stop-opacity=\"0.43\"/><stop offset=\"1\" stop-color=\"#000000\" stop-opacity=\"0\"/>"
               "</radialGradient>\n";
    out += "</defs>\n";
    if (scene.lamp != PanelLamp::Off)
        out += "<circle cx=\"" + cx + "\" cy=\"" + cy + "\" r=\"" + Number(r * 2.2) + "\" fill=\"url(#geigersim-glow)\"/>\n";
    out += "<circle cx=\"" + cx + "\" cy=\"" + cy + "\" r=\"" + Number(r + 1) +
           "\" fill=\"#1c1d20\" stroke=\"#2b2c30\" stroke-width=\"0.8\"/>\n";
    out += "<circle cx=\"" + cx + "\" cy=\"" + cy + "\" r=\"" + Number(r) + "\" fill=\"url(#geigersim-lens)\"/>\n";
    return out;
}

// The start hint as PaintStartHint draws it: black text in a white box.
std::string Hint() {
    const QFont font = StartHintFont(QGuiApplication::font());
    const QFontMetrics metrics(font);
    const QString text = QString::fromLatin1(kDriverStartHint);
    std::string out = "<rect x=\"" + std::to_string(kDriverStartHintX) + "\" y=\"" +
                      std::to_string(kDriverStartHintY) + "\" width=\"" +
                      std::to_string(metrics.horizontalAdvance(text)) + "\" height=\"" +
                      std::to_string(metrics.height()) + "\" fill=\"#ffffff\"/>\n";
    out += "<text x=\"" + std::to_string(kDriverStartHintX) + "\" y=\"" +
           std::to_string(kDriverStartHintY + metrics.ascent()) + "\" font-family=\"" + Xml(font.family()) +
           "\" font-size=\"" + std::to_string(font.pixelSize()) + "\"" +
           (font.stretch() == QFont::Condensed ? " font-stretch=\"condensed\"" : "") + " fill=\"#000000\">" +
           Xml(text) + "</text>\n";
    return out;
}

}  // namespace

bool RenderPanelSvg(const PanelScene& scene, int scale, std::string& out) {
    QFile file(PanelArtworkPath(scene.layout));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QString artwork = QString::fromUtf8(file.readAll());
    const qsizetype open = artwork.indexOf(QLatin1String("<svg"));
    const qsizetype body = open < 0 ? -1 : artwork.indexOf(QLatin1Char('>'), open) + 1;
    const qsizetype close = artwork.lastIndexOf(QLatin1String("</svg>"));
    if (body <= 0 || close < body) return false;
    // The root as drawn, its size times `scale`; the artwork's units stay panel pixels.
    QString root = artwork.mid(open, body - open);
    root.replace(QRegularExpression(QStringLiteral("\\swidth=\"[^\"]*\"")),
                 QStringLiteral(" width=\"%1\"").arg(kPanelWidth * scale));
    root.replace(QRegularExpression(QStringLiteral("\\sheight=\"[^\"]*\"")),
                 QStringLiteral(" height=\"%1\"").arg(kPanelHeight * scale));
    // Outside the case is see-through, as in the PNG (PanelCaseOutline).
    const QRectF edge = PanelCaseOutline(1).boundingRect();
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + root.toStdString() + "\n";
    svg += "<defs><clipPath id=\"geigersim-case\"><rect x=\"" + Number(edge.x()) + "\" y=\"" + Number(edge.y()) +
           "\" width=\"" + Number(edge.width()) + "\" height=\"" + Number(edge.height()) + "\" rx=\"" +
           Number(PanelCaseRadius()) + "\"/></clipPath></defs>\n";
    svg += "<g clip-path=\"url(#geigersim-case)\">" + artwork.mid(body, close - body).toStdString() + "</g>\n";
    // The LCD where the core puts it at scale 1, its dots as the PNG's pixels.
    const QRect frame = ScaledFrameRect(scene.layout, 1), lcd = ScaledLcdRect(scene.layout, 1);
    svg += "<g id=\"lcd\">\n<rect x=\"" + std::to_string(frame.x()) + "\" y=\"" + std::to_string(frame.y()) +
           "\" width=\"" + std::to_string(frame.width()) + "\" height=\"" + std::to_string(frame.height()) +
           "\" fill=\"" + svg::Colour(scene.frameColour) + "\" shape-rendering=\"crispEdges\"/>\n";
    if (!scene.lcd.isNull()) {
        const QImage picture = ScaledLcdPicture(scene.lcd, 1);
        svg += "<g transform=\"translate(" + std::to_string(lcd.x()) + " " + std::to_string(lcd.y()) + ")\">\n" +
               svg::PixelGroup(reinterpret_cast<const uint32_t*>(picture.constBits()), picture.width(),
                               picture.height(), int(picture.bytesPerLine() / 4)) +
               "</g>\n";
    }
    svg += "</g>\n" + (scene.lampShown ? Lamp(scene) : std::string());
    if (scene.hint) svg += Hint();
    out = svg + "</svg>\n";
    return true;
}
