"""The pictures of Tavrello, drawn in design units with the rasteriser of raster.py.

One visual language throughout: flat shapes lit from the top (a light-to-dark vertical gradient), a one
pixel highlight along top edges, softly rounded corners, and a small palette that reads on the dark
dialog colours: metal grey for drives, amber for folders, paper white for files, and green, red and blue
accents on the button glyphs.
"""

import math

from raster import Arc, Circle, Line, Pen, Polygon, Polyline, Ring, RoundRect, Translate, Union, linear, rgb

# Colours of the program's windows.
DIALOG_BG = (45, 45, 48)
CONTROL_BG = (61, 61, 64)
TEXT = (255, 255, 240)

WHITE = rgb("#FFFFFF")
SHADOW = (0, 0, 0)

GLYPH_TOP = rgb("#F2F3F5")
GLYPH_BOTTOM = rgb("#C3C8D0")
METAL_EDGE = rgb("#5F6673")
METAL_TOP = rgb("#E3E7EC")
METAL_BOTTOM = rgb("#A3ABB7")
BEZEL_TOP = rgb("#4B525D")
BEZEL_BOTTOM = rgb("#343940")
LED_ON = rgb("#63E47F")
LED_OFF = rgb("#7A808A")
FOLDER_BACK_TOP = rgb("#E3A53C")
FOLDER_BACK_BOTTOM = rgb("#C9861F")
FOLDER_TOP = rgb("#FFD57E")
FOLDER_BOTTOM = rgb("#F2B043")
PAPER_TOP = rgb("#FFFFFB")
PAPER_BOTTOM = rgb("#DCE1E8")
PAPER_FOLD = rgb("#AEB7C4")
INK = rgb("#7C92B3")
GREEN_TOP = rgb("#7BE896")
GREEN_BOTTOM = rgb("#2DAA52")
RED_TOP = rgb("#FF8176")
RED_BOTTOM = rgb("#D0372F")
AMBER = rgb("#F6B84A")
BLUE_TOP = rgb("#72B9FF")
BLUE_BOTTOM = rgb("#3A82D6")
WINDOW_BACK_TOP = rgb("#AEB5C0")
WINDOW_BACK_BOTTOM = rgb("#8D95A2")


def vgrad(y0, y1, top, bottom):
    return linear(0, y0, top, 0, y1, bottom)


def highlight(pen, x0, x1, y, alpha=0.55):
    """A one-pixel light line just inside a top edge."""
    px = 1.0 / pen.s
    pen.fill(RoundRect(x0, y, x1, y + px), rgb("#FFFFFF", alpha))


def rounded_triangle(points, r):
    """A triangle with round corners of radius r (its vertices stay where they are given)."""
    (ax, ay), (bx, by), (cx, cy) = points
    la = math.hypot(bx - cx, by - cy)
    lb = math.hypot(ax - cx, ay - cy)
    lc = math.hypot(ax - bx, ay - by)
    p = la + lb + lc
    ix, iy = (la * ax + lb * bx + lc * cx) / p, (la * ay + lb * by + lc * cy) / p
    area = abs((bx - ax) * (cy - ay) - (cx - ax) * (by - ay)) / 2.0
    inr = 2.0 * area / p
    k = (inr - r) / inr
    inner = [(ix + (x - ix) * k, iy + (y - iy) * k) for x, y in points]
    parts = [Polygon(inner)]
    for i in range(3):
        a, b = inner[i], inner[(i + 1) % 3]
        parts.append(Line(a[0], a[1], b[0], b[1], 2 * r))
    return Union(*parts)


# ---- drives, folders and files at any size ----

def drive(pen, x0, y0, x1, y1, led=True, screws=False, led_left=False):
    h = y1 - y0
    px = 1.0 / pen.s
    r = max(px * 1.2, h * 0.2)
    pen.fill(RoundRect(x0, y0, x1, y1, r), METAL_EDGE)
    pen.fill(RoundRect(x0 + px, y0 + px, x1 - px, y1 - px, r - px), vgrad(y0, y1, METAL_TOP, METAL_BOTTOM))
    highlight(pen, x0 + r, x1 - r, y0 + px, 0.7)
    split = pen.sy(y0 + h * 0.56)
    pen.fill(RoundRect(x0 + px, split, x1 - px, y1 - px, (0, 0, r - px, r - px)),
             vgrad(split, y1, BEZEL_TOP, BEZEL_BOTTOM))
    pen.fill(RoundRect(x0 + px, split, x1 - px, split + px), rgb("#FFFFFF", 0.18))
    band = y1 - px - split
    ledh = pen.sl(band * 0.32)
    lw = max(2 * px, pen.sl((x1 - x0) * 0.1))
    ly = pen.sy(split + (band - ledh) / 2.0)
    lx = pen.sx(x0 + px + r * 0.6 + px) if led_left else pen.sx(x1 - px - r * 0.6 - lw - px)
    if led and ledh * pen.s >= 2:
        pen.fill(RoundRect(lx - px, ly - px, lx + lw + px, ly + ledh + px, px), rgb("#63E47F", 0.25))
    pen.fill(RoundRect(lx, ly, lx + lw, ly + ledh, ledh * 0.3), LED_ON if led else LED_OFF)
    if screws:
        sr = max(px * 0.8, h * 0.045)
        for sx in (x0 + r * 0.9, x1 - r * 0.9):
            pen.fill(Circle(sx, y0 + (split - y0) * 0.5 + px * 0.5, sr), rgb("#868E9A"))


def folder(pen, x0, y0, x1, y1):
    w, h = x1 - x0, y1 - y0
    px = 1.0 / pen.s
    r = max(px, h * 0.09)
    tab_h = h * 0.16
    tab_w = w * 0.42
    back = Union(RoundRect(x0, y0 + tab_h * 0.7, x1, y1, r),
                 Polygon([(x0, y0 + r), (x0 + r, y0), (x0 + tab_w - tab_h * 0.4, y0),
                          (x0 + tab_w + tab_h * 0.6, y0 + tab_h), (x0, y0 + tab_h * 1.5)]),
                 RoundRect(x0, y0, x0 + tab_w, y0 + tab_h * 1.5, (r, 0, 0, 0)))
    pen.fill(back, vgrad(y0, y1, FOLDER_BACK_TOP, FOLDER_BACK_BOTTOM))
    highlight(pen, x0 + r, x0 + tab_w - tab_h * 0.4, y0, 0.45)
    top = pen.sy(y0 + h * 0.3)
    pen.fill(RoundRect(x0, top, x1, y1, r), vgrad(top, y1, FOLDER_TOP, FOLDER_BOTTOM))
    highlight(pen, x0 + r * 0.5, x1 - r * 0.5, top, 0.6)


def page(pen, x0, y0, x1, y1, lines=3):
    w, h = x1 - x0, y1 - y0
    px = 1.0 / pen.s
    f = w * 0.34
    r = max(px * 0.6, w * 0.06)
    body = Union(Polygon([(x0, y0 + r), (x0 + r, y0), (x1 - f, y0), (x1, y0 + f), (x1, y1 - r),
                          (x1 - r, y1), (x0 + r, y1), (x0, y1 - r)]),
                 RoundRect(x0, y0 + r, x0 + 2 * r, y1, 0))
    pen.fill(body, vgrad(y0, y1, PAPER_TOP, PAPER_BOTTOM))
    pen.fill(Polygon([(x1 - f, y0), (x1 - f, y0 + f - r), (x1 - f + r, y0 + f), (x1, y0 + f)]), PAPER_FOLD)
    if lines:
        lh = pen.sl(h * 0.065)
        pitch = pen.sl((h - f - h * 0.16) / (lines + 0.5))
        first = pen.sy(y0 + f + pitch * 0.6)
        for i in range(lines):
            ly = first + i * pitch
            lx0 = pen.sx(x0 + w * 0.2)
            lx1 = pen.sx(x1 - w * 0.2 if i < lines - 1 else x0 + w * 0.55)
            pen.fill(RoundRect(lx0, ly, lx1, ly + lh, lh / 2), INK)


def app_emblem(pen):
    """The application's picture in a 32-unit square: a folder and a file standing on a drive."""
    pen.shadow(RoundRect(3, 4, 20, 18, 1.6), 0, 0.8, 0.9, opacity=0.35)
    folder(pen, 3, 3.5, 20.5, 18)
    pen.shadow(RoundRect(15.5, 2, 28, 18, 1), -0.6, 0.6, 0.8, opacity=0.45)
    page(pen, 15.5, 1.5, 28, 18)
    pen.shadow(RoundRect(1.5, 18, 30.5, 29.5, 2.6), 0, 0.9, 1.0, opacity=0.4)
    drive(pen, 1.5, 17.5, 30.5, 29.5, led=True, screws=pen.s >= 3)


def app_emblem_16(pen):
    """The same picture, fitted to whole pixels at 16 x 16."""
    folder(pen, 1, 2, 10, 10)
    page(pen, 8, 0, 15, 10, lines=2)
    drive(pen, 0, 9, 16, 15, led=True)


# ---- tree images, 16 x 16 ----

def tree_drive(pen):
    drive(pen, 1, 4, 15, 12, led=True)


def tree_folder(pen):
    folder(pen, 1, 2, 15, 14)


def tree_file(pen):
    page(pen, 3, 1, 13, 15, lines=3)


# ---- button glyphs, in a 32-unit square; (0, dy) shifts them vertically ----

def lift(pen, shape):
    """The soft shadow under every button glyph."""
    pen.shadow(shape, 0, 0.9, 0.9, opacity=0.55)


def glyph_start(pen, dy=0.0):
    tri = rounded_triangle([(9.5, 1.5 + dy), (9.5, 22.5 + dy), (27.5, 12 + dy)], 2.2)
    lift(pen, tri)
    pen.fill(tri, vgrad(1.5 + dy, 22.5 + dy, GREEN_TOP, GREEN_BOTTOM))


def glyph_stop(pen, dy=0.0):
    sq = RoundRect(7.5, 3.5 + dy, 24.5, 20.5 + dy, 3.2)
    lift(pen, sq)
    pen.fill(sq, vgrad(3.5 + dy, 20.5 + dy, RED_TOP, RED_BOTTOM))
    highlight(pen, 10, 22, 3.5 + dy, 0.45)


def glyph_calculate(pen, dy=0.0):
    cx, cy, r, w = 16.0, 13.0 + dy, 9.6, 3.4
    segments = [(135, 207, GREEN_BOTTOM), (213, 285, AMBER), (291, 315, RED_TOP), (315, 405, RED_BOTTOM)]
    dial = Union(*[Arc(cx, cy, r, a, b, w, cap="butt") for a, b, _ in segments])
    lift(pen, dial)
    for a, b, c in segments[:2]:
        pen.fill(Arc(cx, cy, r, a, b, w, cap="butt"), c)
    pen.fill(Arc(cx, cy, r, 291, 405, w, cap="butt"), RED_BOTTOM)
    ang = math.radians(300)
    tip = (cx + 7.6 * math.cos(ang), cy + 7.6 * math.sin(ang))
    needle = Union(Line(cx, cy, tip[0], tip[1], 2.2), Circle(cx, cy, 3.0))
    lift(pen, needle)
    pen.fill(needle, vgrad(cy - 8, cy + 3, GLYPH_TOP, GLYPH_BOTTOM))
    pen.fill(Circle(cx, cy, 1.1), rgb("#5A606B"))


def gear_shape(cx, cy, outer, root, hole, teeth=8):
    pts = []
    step = 2 * math.pi / teeth
    for i in range(teeth):
        a = i * step - math.pi / 2
        for da, rad in ((-0.30, root), (-0.17, outer), (0.17, outer), (0.30, root)):
            pts.append((cx + rad * math.cos(a + da * step * 1.6), cy + rad * math.sin(a + da * step * 1.6)))
    return Union(Polygon(pts), Circle(cx, cy, root)) - Circle(cx, cy, hole)


def glyph_options(pen, dy=0.0):
    g = gear_shape(16, 12 + dy, 11.0, 8.2, 3.6)
    lift(pen, g)
    pen.fill(g, vgrad(1 + dy, 23 + dy, GLYPH_TOP, GLYPH_BOTTOM))
    pen.fill(Ring(16, 12 + dy, 5.6, 0.9), rgb("#000000", 0.12))


def window(pen, x0, y0, x1, y1, bar_top, bar_bottom, body_top, body_bottom, lines):
    r = 1.6
    bar = 4.2
    shape = RoundRect(x0, y0, x1, y1, r)
    lift(pen, shape)
    pen.fill(RoundRect(x0, y0, x1, y0 + bar + r, (r, r, 0, 0)), vgrad(y0, y0 + bar, bar_top, bar_bottom))
    pen.fill(RoundRect(x0, y0 + bar, x1, y1, (0, 0, r, r)), vgrad(y0 + bar, y1, body_top, body_bottom))
    highlight(pen, x0 + r, x1 - r, y0, 0.5)
    for i in range(lines):
        ly = y0 + bar + 2.6 + i * 3.4
        pen.fill(RoundRect(x0 + 2.5, ly, x1 - (2.5 if i % 2 == 0 else 6.5), ly + 1.6, 0.8), INK)


def glyph_processes(pen, dy=0.0):
    window(pen, 11, 1.5 + dy, 28, 15.5 + dy, WINDOW_BACK_TOP, WINDOW_BACK_BOTTOM,
           WINDOW_BACK_BOTTOM, WINDOW_BACK_BOTTOM, 0)
    window(pen, 4, 7.5 + dy, 22, 22.5 + dy, BLUE_TOP, BLUE_BOTTOM, PAPER_TOP, PAPER_BOTTOM, 3)


def glyph_menu(pen, dy=0.0):
    bars = Union(*[RoundRect(6.5, y - 1.7 + dy, 25.5, y + 1.7 + dy, 1.7) for y in (5.5, 12, 18.5)])
    lift(pen, bars)
    pen.fill(bars, vgrad(3.5 + dy, 20.5 + dy, GLYPH_TOP, GLYPH_BOTTOM))


BUTTON_GLYPHS = {
    "start": glyph_start,
    "stop": glyph_stop,
    "calculate": glyph_calculate,
    "options": glyph_options,
    "processes": glyph_processes,
    "menu": glyph_menu,
}


# ---- the link cursor, 32 x 32, hot spot at the tip of the finger ----

CURSOR_HOTSPOT = (11, 1)


def _grown(x0, y0, x1, y1, radius, g):
    if not isinstance(radius, tuple):
        radius = (radius,) * 4
    return RoundRect(x0 - g, y0 - g, x1 + g, y1 + g, tuple(r + g if r else 0 for r in radius))


def hand_shape(g=0.0):
    """The pointing hand; g grows every part (for the outline)."""
    return Union(_grown(9, 1.5, 13, 16, (2, 2, 0, 0), g),        # index finger
                 _grown(13, 9, 16.5, 16, (1.75, 1.75, 0, 0), g),  # folded fingers
                 _grown(16.5, 10, 20, 16, (1.75, 1.75, 0, 0), g),
                 _grown(20, 11.5, 23, 17, (1.5, 1.5, 0, 0), g),
                 _grown(9, 14, 23, 24, (0, 0, 4, 3), g),          # palm
                 _grown(11, 22, 21, 27, (0, 0, 1, 1), g),         # wrist
                 Line(10.5, 20.5, 5.5, 15.5, 3.6 + 2 * g))        # thumb


def cursor_hand(pen):
    pen.fill(hand_shape(1.0), rgb("#000000"))
    pen.fill(hand_shape(0.0), vgrad(2, 28, rgb("#FFFFFF"), rgb("#E6E8EC")))
    for x, y0, y1 in ((13, 11, 14.5), (16, 12, 15), (19, 13, 16)):
        pen.fill(RoundRect(x, y0, x + 1, y1), rgb("#000000", 0.55))


# ---- drive pictures of the monitored drives list, 64 x 44 ----

def drive_picture(pen, selected):
    pen.shadow(RoundRect(5, 8, 59, 37, 5), 0, 1.5, 1.6, opacity=0.22 if selected else 0.5)
    # The activity light sits on the left, clear of the check badge of a selected drive.
    drive(pen, 5, 7, 59, 36, led=selected, screws=True, led_left=True)
    if selected:
        pen.shadow(Circle(52, 33, 8.5), 0, 1, 1.2, opacity=0.45)
        pen.fill(Circle(52, 33, 8.5), rgb("#FFFFFF"))
        pen.fill(Circle(52, 33, 7.2), vgrad(25, 41, GREEN_TOP, GREEN_BOTTOM))
        pen.fill(Polyline([(48.2, 33.2), (51.0, 36.0), (56.0, 30.0)], 2.2), rgb("#FFFFFF"))


# ---- the About logo, 280 x 70 ----

SW = 3.7  # stroke width of the letters
XH = 22.0  # x-height
ASC = 30.0  # height of T and l


def _letter(ch, x):
    """The strokes of one letter with its left edge at x and the baseline at 0; returns (shape, advance)."""
    h = SW / 2.0
    rr = XH / 2.0 - h
    if ch == "T":
        w = 20.0
        return Union(Line(x, -ASC + h, x + w, -ASC + h, SW, "butt"), Line(x + w / 2, -ASC, x + w / 2, 0, SW, "butt")), w
    if ch == "a":
        w = XH
        return Union(Ring(x + w / 2, -XH / 2, rr, SW), Line(x + w - h, -XH, x + w - h, 0, SW, "butt")), w
    if ch == "v":
        w = 20.0
        return Union(Polygon([(x, -XH), (x + SW * 1.08, -XH), (x + w / 2, -SW * 1.9), (x + w - SW * 1.08, -XH),
                              (x + w, -XH), (x + w / 2 + SW * 0.55, 0), (x + w / 2 - SW * 0.55, 0)])), w
    if ch == "r":
        w = 13.0
        return Union(Line(x + h, -XH, x + h, 0, SW, "butt"), Arc(x + h + rr, -XH / 2, rr, 180, 292, SW, "butt")), w
    if ch == "e":
        w = XH
        cx, cy = x + w / 2, -XH / 2
        return Union(Arc(cx, cy, rr, 42, 360, SW, "butt"), Line(x + 0.5, cy, x + w - h * 0.2, cy, SW * 0.9, "butt")), w
    if ch == "l":
        return Line(x + h, -ASC, x + h, 0, SW, "butt"), SW
    if ch == "o":
        return Ring(x + XH / 2, -XH / 2, rr, SW), XH
    raise ValueError(ch)


def wordmark(text, x, baseline):
    """The product name in the logo's geometric letters; returns (shape, right edge)."""
    kerning = {("T", "a"): -2.5, ("l", "l"): 4.5, ("e", "l"): 4.0, ("l", "o"): 4.0, ("r", "e"): 2.0,
               ("a", "v"): 2.6, ("v", "r"): 3.0}
    parts = []
    prev = None
    for ch in text:
        if prev is not None:
            x += kerning.get((prev, ch), 3.6)
        shape, adv = _letter(ch, x)
        parts.append(shape)
        x += adv
        prev = ch
    return Translate(Union(*parts), 0, baseline), x


def logo(canvas):
    """The About box logo: the emblem and the product name on the dialog colour."""
    text, width = wordmark("Tavrello", 0, 0)
    left = round((280 - (58 + 16 + width)) / 2.0)
    app_emblem(Pen(canvas, 58 / 32.0, left, 6))
    pen = Pen(canvas)
    x0 = left + 58 + 16
    shape = Translate(text, x0, 46)
    pen.fill(shape, vgrad(16, 46, rgb(TEXT), rgb("#D9DCE2")))
    pen.fill(RoundRect(x0 + 1, 54, x0 + width - 1, 55.5, 0.75), linear(x0, 0, BLUE_TOP, x0 + width, 0, rgb("#72B9FF", 0.0)))
