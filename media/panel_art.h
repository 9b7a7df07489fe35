// The panel's artwork drawn from its sources (SVG and the desktop's font),
// which the build bakes (media/panel_bake.cpp) for the pictures a window at
// rest shows, and the names and the hint's format the baked resources have.
// Hosts draw through panel_render.h, which takes the baked picture when
// there is one.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRect>
#include <string>

enum class PanelBackground : uint8_t;

// The layout's artwork at `scale` from its SVG; null if unreadable.
QImage RenderPanelArtworkFromSvg(int layout, double scale, PanelBackground background);
// The program's icon, `size` pixels square, from its SVG.
QImage RenderIconFromSvg(int size);

// The start hint as drawn: its white box and its text's outline, both in
// panel pixels.
struct StartHintShape {
    QRect box;
    QPainterPath text;
};
// The hint in `font` (StartHintFont's choice): what the build bakes.
StartHintShape StartHintFromFont(const QFont& font);

// The baked resources under GEIGERSIM_QRC_PREFIX "baked/": a picture's raw
// premultiplied ARGB rows deflated by zlib, named by what it shows (scale
// in percent).
std::string BakedPanelName(int layout, double scale, PanelBackground background);
std::string BakedIconName(int size);
inline constexpr char kBakedHintName[] = "hint";
// The hint's resource: "WIDTH HEIGHT" of the box, then the outline as an
// SVG path's data (absolute M, L, C and Z) in panel pixels.
std::string StartHintData(const StartHintShape& shape);
bool ParseStartHintData(const QByteArray& data, StartHintShape* shape);
