#!/usr/bin/env python3
"""Writes the front-panel pictures and the icon into resources/.

  resources/panel-normal.svg   the counter seen from the front, upright
  resources/panel-turned.svg   the same counter turned by 180 degrees
  resources/icon.svg           the application icon

The pictures are drawn with the SVG subset that QtSvg renders (no filters,
masks or blur: shadows and highlights are gradients and translucent shapes).
Coordinates are window pixels. The LCD glass and the key circles sit exactly
where the window draws the LCD picture and hit-tests the keys; those places
are the constants below. Light always falls from the top left, also on the
turned device; only the printing (symbols, text) turns with the body.

Run from anywhere: python3 scripts/panel-artwork.py
"""

import math
import os

W, H = 524, 306
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
FONT = 'font-family="DejaVu Sans"'


def f(v):
    """Short number text."""
    return ("%.2f" % v).rstrip("0").rstrip(".")


# Where the window draws the LCD picture (left, top, right, bottom).
LCD = {"normal": (79, 78, 323, 142), "turned": (204, 169, 448, 233)}

# Key circles: bounding box top-left and diameter, from left to right.
KEYS = {
    "normal": [("back", 55, 208, 35), ("up", 140, 208, 35),
               ("down", 222, 208, 35), ("power", 305, 208, 35)],
    "turned": [("power", 181, 61, 45), ("up", 266, 61, 45),
               ("down", 346, 61, 45), ("back", 429, 61, 45)],
}

KEY_LABEL = {"back": "BACK", "up": "UP", "down": "DOWN", "power": "POWER"}

# Half sizes of the LCD glass and the bezel around the LCD picture's centre.
GLASS_HW, GLASS_HH = 137, 46
BEZEL_HW, BEZEL_HH = 151, 60

# Label panel and speaker grille of the upright device; the turned device
# has them at the point-mirrored places.
LABEL_NORMAL = (362, 30, 496, 194)
GRILLE_NORMAL = (380, 254, 12, 4, 10)  # first hole x, y, columns, rows, pitch
SCREWS = [(18, 18), (506, 18), (18, 288), (506, 288)]

# What shows around the rounded case where the window cannot be see-through
# (an X server without a compositor shapes the window only by its rectangles):
# a light neutral grey, never a dark frame. app/panel_render.h keeps the same
# value for the window's pixels beyond the picture.
BACKDROP = "#d4d3cf"
# The case's outline, which a see-through window keeps and clears around.
CASE = (1, 1, 522, 303, 26)  # x, y, width, height, corner radius


def turn_point(x, y):
    return W - x, H - y


def turn_rect(r):
    x0, y0, x1, y1 = r
    return W - x1, H - y1, W - x0, H - y0


def defs():
    return """<defs>
  <linearGradient id="rim" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#f4f3ef"/>
    <stop offset="0.5" stop-color="#c9c7c0"/>
    <stop offset="1" stop-color="#85837d"/>
  </linearGradient>
  <linearGradient id="face" x1="0" y1="0" x2="0.25" y2="1">
    <stop offset="0" stop-color="#e0ded7"/>
    <stop offset="1" stop-color="#cdcbc4"/>
  </linearGradient>
  <linearGradient id="bezel" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#575b63"/>
    <stop offset="0.15" stop-color="#43474e"/>
    <stop offset="1" stop-color="#2a2d32"/>
  </linearGradient>
  <linearGradient id="bezelLip" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#4a4e54"/>
    <stop offset="1" stop-color="#7f838a"/>
  </linearGradient>
  <linearGradient id="glass" x1="0" y1="0" x2="0.3" y2="1">
    <stop offset="0" stop-color="#232d29"/>
    <stop offset="1" stop-color="#0d1210"/>
  </linearGradient>
  <linearGradient id="label" x1="0" y1="0" x2="0.2" y2="1">
    <stop offset="0" stop-color="#f7f6f1"/>
    <stop offset="1" stop-color="#e6e4dc"/>
  </linearGradient>
  <linearGradient id="well" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#6f6d68"/>
    <stop offset="0.55" stop-color="#a9a7a0"/>
    <stop offset="1" stop-color="#f1f0eb"/>
  </linearGradient>
  <radialGradient id="keyDark" cx="0.5" cy="0.5" r="0.5" fx="0.33" fy="0.28">
    <stop offset="0" stop-color="#767b84"/>
    <stop offset="0.5" stop-color="#454950"/>
    <stop offset="1" stop-color="#24272b"/>
  </radialGradient>
  <radialGradient id="keyRed" cx="0.5" cy="0.5" r="0.5" fx="0.33" fy="0.28">
    <stop offset="0" stop-color="#ee7a6a"/>
    <stop offset="0.5" stop-color="#c23a2c"/>
    <stop offset="1" stop-color="#7c1c14"/>
  </radialGradient>
  <linearGradient id="keySkirt" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#8a8f97"/>
    <stop offset="1" stop-color="#16181b"/>
  </linearGradient>
  <linearGradient id="keySkirtRed" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#f09385"/>
    <stop offset="1" stop-color="#4d0f0a"/>
  </linearGradient>
  <radialGradient id="screw" cx="0.5" cy="0.5" r="0.5" fx="0.35" fy="0.3">
    <stop offset="0" stop-color="#fbfbfb"/>
    <stop offset="0.6" stop-color="#b4b6b9"/>
    <stop offset="1" stop-color="#6e7074"/>
  </radialGradient>
  <radialGradient id="sign" cx="0.5" cy="0.5" r="0.5" fx="0.38" fy="0.32">
    <stop offset="0" stop-color="#ffe98a"/>
    <stop offset="1" stop-color="#f2b705"/>
  </radialGradient>
</defs>"""


def body():
    """Backdrop, moulded body with its rim, highlight and corner screws."""
    cx, cy, cw, ch, cr = CASE
    out = [
        f'<rect x="0" y="0" width="{W}" height="{H}" fill="{BACKDROP}"/>',
        # soft shadow of the body on the backdrop, light enough to stay grey
        '<rect x="3" y="5" width="521" height="301" rx="27" fill="#000" opacity="0.2"/>',
        f'<rect x="{cx}" y="{cy}" width="{cw}" height="{ch}" rx="{cr}" fill="url(#rim)"/>',
        f'<rect x="{cx}" y="{cy}" width="{cw}" height="{ch}" rx="{cr}" fill="none" stroke="#5d5b56" stroke-width="1.2"/>',
        '<rect x="5" y="5" width="514" height="295" rx="22" fill="url(#face)"/>',
        # highlight along the top edge of the face, shade along its bottom
        '<path d="M 27 6.2 H 497" stroke="#fff" stroke-width="1.6" opacity="0.8"/>',
        '<path d="M 27 298.8 H 497" stroke="#77756f" stroke-width="1.4" opacity="0.6"/>',
    ]
    for x, y in SCREWS:
        out.append(f'<circle cx="{x}" cy="{y}" r="7.2" fill="#8c8a84"/>')
        out.append(f'<circle cx="{f(x + 0.6)}" cy="{f(y + 0.8)}" r="6.6" fill="#f2f1ec" opacity="0.7"/>')
        out.append(f'<circle cx="{x}" cy="{y}" r="5.8" fill="url(#screw)" stroke="#5a5c60" stroke-width="0.6"/>')
        a = math.radians(35)
        dx, dy = 4.2 * math.cos(a), 4.2 * math.sin(a)
        for sx, sy in ((dx, dy), (-dy, dx)):
            out.append(f'<path d="M {f(x - sx)} {f(y - sy)} L {f(x + sx)} {f(y + sy)}" '
                       f'stroke="#4b4d51" stroke-width="1.4" stroke-linecap="round"/>')
    return "\n".join(out)


def bezel(layout):
    """Dark bezel and LCD glass centred on the LCD picture."""
    l, t, r, b = LCD[layout]
    cx, cy = (l + r) / 2, (t + b) / 2
    gx0, gy0 = cx - GLASS_HW, cy - GLASS_HH
    bx0, by0 = cx - BEZEL_HW, cy - BEZEL_HH
    gw, gh = 2 * GLASS_HW, 2 * GLASS_HH
    bw, bh = 2 * BEZEL_HW, 2 * BEZEL_HH
    out = [
        # recess shadow around the bezel, then the bezel itself
        f'<rect x="{f(bx0 - 2)}" y="{f(by0 - 2)}" width="{f(bw + 4)}" height="{f(bh + 5)}" rx="15" fill="#6a6863" opacity="0.55"/>',
        f'<rect x="{f(bx0)}" y="{f(by0)}" width="{f(bw)}" height="{f(bh)}" rx="13" fill="url(#bezel)"/>',
        f'<rect x="{f(bx0 + 0.8)}" y="{f(by0 + 0.8)}" width="{f(bw - 1.6)}" height="{f(bh - 1.6)}" rx="12.2" '
        f'fill="none" stroke="#fff" stroke-width="1" opacity="0.22"/>',
        # bevelled lip, dark above and lit below, framing the glass
        f'<rect x="{f(gx0 - 3)}" y="{f(gy0 - 3)}" width="{f(gw + 6)}" height="{f(gh + 6)}" rx="6" fill="url(#bezelLip)"/>',
        f'<rect x="{f(gx0)}" y="{f(gy0)}" width="{f(gw)}" height="{f(gh)}" rx="4" fill="url(#glass)"/>',
        # faint reflection across the upper left of the glass
        f'<path d="M {f(gx0 + 4)} {f(gy0 + 2)} H {f(gx0 + 96)} L {f(gx0 + 40)} {f(gy0 + gh - 2)} '
        f'H {f(gx0 + 4)} Z" fill="#fff" opacity="0.045"/>',
        f'<path d="M {f(gx0 + 106)} {f(gy0 + 2)} H {f(gx0 + 122)} L {f(gx0 + 66)} {f(gy0 + gh - 2)} '
        f'H {f(gx0 + 50)} Z" fill="#fff" opacity="0.03"/>',
    ]
    return "\n".join(out)


def trefoil(cx, cy, r):
    """Radiation trefoil: centre disc r, blades from 1.5 r to 5 r."""
    parts = [f'<circle cx="{f(cx)}" cy="{f(cy)}" r="{f(r)}" fill="#111"/>']
    ri, ro = 1.5 * r, 5 * r
    for centre in (90, 210, 330):
        a0, a1 = math.radians(centre - 30), math.radians(centre + 30)
        p = lambda rad, a: (cx + rad * math.cos(a), cy + rad * math.sin(a))
        i0, o0, o1, i1 = p(ri, a0), p(ro, a0), p(ro, a1), p(ri, a1)
        parts.append(
            f'<path d="M {f(i0[0])} {f(i0[1])} L {f(o0[0])} {f(o0[1])} '
            f'A {f(ro)} {f(ro)} 0 0 1 {f(o1[0])} {f(o1[1])} L {f(i1[0])} {f(i1[1])} '
            f'A {f(ri)} {f(ri)} 0 0 0 {f(i0[0])} {f(i0[1])} Z" fill="#111"/>')
    return "\n".join(parts)


def label_panel(layout):
    rect = LABEL_NORMAL if layout == "normal" else turn_rect(LABEL_NORMAL)
    x0, y0, x1, y1 = rect
    w, h = x1 - x0, y1 - y0
    # the printing is laid out for the upright panel and turned with the body
    nx0, ny0, nx1, ny1 = LABEL_NORMAL
    mx = (nx0 + nx1) / 2
    sign_y = ny0 + 50
    printing = [
        f'<circle cx="{f(mx)}" cy="{f(sign_y)}" r="35" fill="#111"/>',
        f'<circle cx="{f(mx)}" cy="{f(sign_y)}" r="32.5" fill="url(#sign)"/>',
        trefoil(mx, sign_y, 5.4),
        f'<text x="{f(mx)}" y="{ny0 + 118}" {FONT} font-size="16" font-weight="bold" '
        f'text-anchor="middle" fill="#1c1d20">XRV-140+V4</text>',
        f'<rect x="{nx0 + 14}" y="{ny0 + 126}" width="{w - 28}" height="2" fill="#c23a2c"/>',
        f'<text x="{f(mx)}" y="{ny0 + 144}" {FONT} font-size="10" font-weight="bold" '
        f'text-anchor="middle" fill="#3a3b3f">GEIGER COUNTER</text>',
        f'<text x="{f(mx)}" y="{ny0 + 157}" {FONT} font-size="7.5" '
        f'text-anchor="middle" fill="#6a6b6f">\u03b2 \u00b7 \u03b3 \u00b7 X  RADIATION</text>',
    ]
    inner = "\n".join(printing)
    if layout == "turned":
        inner = f'<g transform="rotate(180 {W / 2:g} {H / 2:g})">\n{inner}\n</g>'
    return "\n".join([
        # the label is a raised plate: shade below right, light edge above left
        f'<rect x="{x0 + 1}" y="{y0 + 2}" width="{w}" height="{h}" rx="9" fill="#77756f" opacity="0.5"/>',
        f'<rect x="{x0 - 0.8}" y="{y0 - 0.8}" width="{w}" height="{h}" rx="9" fill="#fff" opacity="0.8"/>',
        f'<rect x="{x0}" y="{y0}" width="{w}" height="{h}" rx="9" fill="url(#label)" stroke="#a19f98" stroke-width="0.8"/>',
        f'<rect x="{x0 + 5}" y="{y0 + 5}" width="{w - 10}" height="{h - 10}" rx="6" fill="none" '
        f'stroke="#2b2c30" stroke-width="0.8" opacity="0.55"/>',
        inner,
    ])


def grille(layout):
    gx, gy, cols, rows, pitch = GRILLE_NORMAL
    out = []
    for j in range(rows):
        for i in range(cols):
            x, y = gx + i * pitch, gy + j * pitch
            if layout == "turned":
                x, y = turn_point(x, y)
            out.append(f'<circle cx="{f(x + 0.5)}" cy="{f(y + 0.7)}" r="2.4" fill="#fbfbf8" opacity="0.8"/>')
            out.append(f'<circle cx="{x}" cy="{y}" r="2.3" fill="#3b3a36"/>')
    return "\n".join(out)


def symbol(kind):
    """Key printing for a key of radius 16.5 centred at the origin, upright."""
    paint = 'fill="#f6f5f0"'
    if kind == "back":
        return f'<path d="M -9.5 0 L -2 -6.5 L -2 -2.3 L 8.5 -2.3 L 8.5 2.3 L -2 2.3 L -2 6.5 Z" {paint}/>'
    if kind == "up":
        return f'<path d="M 0 -7.5 L 8 5.5 L -8 5.5 Z" {paint}/>'
    if kind == "down":
        return f'<path d="M 0 7.5 L 8 -5.5 L -8 -5.5 Z" {paint}/>'
    # power: a ring open at the top with a bar through the opening
    a0, a1 = math.radians(-90 + 40), math.radians(-90 - 40)
    r = 7.2
    x0, y0 = r * math.cos(a0), r * math.sin(a0)
    x1, y1 = r * math.cos(a1), r * math.sin(a1)
    return (f'<g fill="none" stroke="#f6f5f0" stroke-width="2.5" stroke-linecap="round">'
            f'<path d="M {f(x0)} {f(y0 + 1)} A {r} {r} 0 1 1 {f(x1)} {f(y1 + 1)}"/>'
            f'<path d="M 0 -9 V -1"/></g>')


def keys(layout):
    out = []
    for kind, x, y, d in KEYS[layout]:
        r = d / 2
        cx, cy = x + r, y + r
        face = r - 1
        s = face / 16.5
        red = kind == "power"
        well = r + 2.5 * s
        out += [
            # circular recess in the body the key stands in
            f'<circle cx="{f(cx)}" cy="{f(cy)}" r="{f(well)}" fill="url(#well)"/>',
            f'<circle cx="{f(cx)}" cy="{f(cy)}" r="{f(well)}" fill="none" stroke="#6d6b66" stroke-width="0.7"/>',
            # the key's shadow in the recess, then its skirt and face
            f'<circle cx="{f(cx + 1.2 * s)}" cy="{f(cy + 1.8 * s)}" r="{f(r)}" fill="#000" opacity="0.45"/>',
            f'<circle cx="{f(cx)}" cy="{f(cy)}" r="{f(r)}" fill="url(#{"keySkirtRed" if red else "keySkirt"})"/>',
            f'<circle cx="{f(cx)}" cy="{f(cy)}" r="{f(face)}" fill="url(#{"keyRed" if red else "keyDark"})"/>',
            # sheen on the upper half of the dome
            f'<ellipse cx="{f(cx - 1.5 * s)}" cy="{f(cy - 8 * s)}" rx="{f(9.5 * s)}" ry="{f(5 * s)}" '
            f'fill="#fff" opacity="0.13"/>',
        ]
        turn = f" rotate(180)" if layout == "turned" else ""
        out.append(f'<g transform="translate({f(cx)} {f(cy)}){turn} scale({f(s)})">{symbol(kind)}</g>')
        # the key's name printed on the body beside it, away from the LCD
        size = 8.5 * s
        if layout == "normal":
            out.append(f'<text x="{f(cx)}" y="{f(cy + well + 12.5 * s)}" {FONT} font-size="{f(size)}" '
                       f'font-weight="bold" text-anchor="middle" fill="#5b5954">{KEY_LABEL[kind]}</text>')
        else:
            base = cy - well - 12.5 * s
            out.append(f'<text x="{f(cx)}" y="{f(base)}" {FONT} font-size="{f(size)}" font-weight="bold" '
                       f'text-anchor="middle" fill="#5b5954" transform="rotate(180 {f(cx)} {f(base)})">'
                       f'{KEY_LABEL[kind]}</text>')
    return "\n".join(out)


def panel(layout):
    return "\n".join([
        f'<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
        f'width="{W}" height="{H}" viewBox="0 0 {W} {H}">',
        f"<title>XRV-140+V4 front panel ({layout})</title>",
        defs(), body(), bezel(layout), label_panel(layout), grille(layout), keys(layout),
        "</svg>", ""])


def icon():
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
        'width="64" height="64" viewBox="0 0 64 64">',
        "<title>geigersim</title>",
        """<defs>
  <linearGradient id="case" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#5a5f68"/>
    <stop offset="1" stop-color="#25282d"/>
  </linearGradient>
  <radialGradient id="sign" cx="0.5" cy="0.5" r="0.5" fx="0.38" fy="0.32">
    <stop offset="0" stop-color="#ffe98a"/>
    <stop offset="1" stop-color="#f2b705"/>
  </radialGradient>
</defs>""",
        '<rect x="2" y="2" width="60" height="60" rx="13" fill="url(#case)"/>',
        '<rect x="3" y="3" width="58" height="58" rx="12" fill="none" stroke="#fff" stroke-width="1" opacity="0.25"/>',
        '<circle cx="32" cy="32" r="25" fill="#111"/>',
        '<circle cx="32" cy="32" r="23" fill="url(#sign)"/>',
        trefoil(32, 32, 3.9),
        "</svg>", "",
    ]
    return "\n".join(parts)


def main():
    res = os.path.join(ROOT, "resources")
    os.makedirs(res, exist_ok=True)
    for layout in ("normal", "turned"):
        with open(os.path.join(res, f"panel-{layout}.svg"), "w", encoding="utf-8") as out:
            out.write(panel(layout))
    with open(os.path.join(res, "icon.svg"), "w", encoding="utf-8") as out:
        out.write(icon())


if __name__ == "__main__":
    main()
