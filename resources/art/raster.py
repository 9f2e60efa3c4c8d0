"""A small anti-aliased vector rasteriser for the Tavrello artwork.

Shapes answer one question: which x intervals does the horizontal line at height y cover? A shape is
scanned at SUBROWS heights per pixel row and every interval is spread over the pixels it touches with
its exact horizontal coverage, so edges come out smooth in both directions. Shapes combine with union,
difference and intersection on those intervals. Pixel (i, j) covers [i, i + 1] x [j, j + 1].
"""

import math

SUBROWS = 8


# ---- interval sets: sorted lists of disjoint (x0, x1) pairs ----

def _normalise(spans):
    spans = sorted((a, b) for a, b in spans if b > a)
    out = []
    for a, b in spans:
        if out and a <= out[-1][1]:
            if b > out[-1][1]:
                out[-1] = (out[-1][0], b)
        else:
            out.append((a, b))
    return out


def _intersect(p, q):
    out, i, j = [], 0, 0
    while i < len(p) and j < len(q):
        a = max(p[i][0], q[j][0])
        b = min(p[i][1], q[j][1])
        if b > a:
            out.append((a, b))
        if p[i][1] < q[j][1]:
            i += 1
        else:
            j += 1
    return out


def _subtract(p, q):
    out = []
    for a, b in p:
        cur = a
        for c, d in q:
            if d <= cur or c >= b:
                continue
            if c > cur:
                out.append((cur, c))
            cur = max(cur, d)
            if cur >= b:
                break
        if cur < b:
            out.append((cur, b))
    return out


# ---- shapes ----

class Shape:
    def spans(self, y):
        raise NotImplementedError

    def bbox(self):
        raise NotImplementedError

    def __or__(self, other):
        return Union(self, other)

    def __sub__(self, other):
        return Difference(self, other)

    def __and__(self, other):
        return Intersection(self, other)


class Union(Shape):
    def __init__(self, *shapes):
        self.shapes = [s for s in shapes if s is not None]

    def spans(self, y):
        spans = []
        for s in self.shapes:
            spans.extend(s.spans(y))
        return _normalise(spans)

    def bbox(self):
        boxes = [s.bbox() for s in self.shapes]
        return (min(b[0] for b in boxes), min(b[1] for b in boxes),
                max(b[2] for b in boxes), max(b[3] for b in boxes))


class Difference(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def spans(self, y):
        return _subtract(self.a.spans(y), self.b.spans(y))

    def bbox(self):
        return self.a.bbox()


class Intersection(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def spans(self, y):
        return _intersect(self.a.spans(y), self.b.spans(y))

    def bbox(self):
        p, q = self.a.bbox(), self.b.bbox()
        return (max(p[0], q[0]), max(p[1], q[1]), min(p[2], q[2]), min(p[3], q[3]))


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry=None):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, rx if ry is None else ry

    def spans(self, y):
        t = (y - self.cy) / self.ry
        if abs(t) >= 1.0:
            return []
        dx = self.rx * math.sqrt(1.0 - t * t)
        return [(self.cx - dx, self.cx + dx)]

    def bbox(self):
        return (self.cx - self.rx, self.cy - self.ry, self.cx + self.rx, self.cy + self.ry)


def Circle(cx, cy, r):
    return Ellipse(cx, cy, r, r)


class RoundRect(Shape):
    """Axis-aligned rectangle; radius is one number or (top-left, top-right, bottom-right, bottom-left)."""

    def __init__(self, x0, y0, x1, y1, radius=0.0):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1
        if not isinstance(radius, (tuple, list)):
            radius = (radius,) * 4
        limit = min(x1 - x0, y1 - y0) / 2.0
        self.r = [max(0.0, min(r, limit)) for r in radius]

    @staticmethod
    def _inset(r, d):
        # Horizontal inset of a corner arc of radius r at distance d from the corner's straight edge.
        if r <= 0 or d >= r:
            return 0.0
        e = r - d
        return r - math.sqrt(max(0.0, r * r - e * e))

    def spans(self, y):
        if y <= self.y0 or y >= self.y1:
            return []
        tl, tr, br, bl = self.r
        dt, db = y - self.y0, self.y1 - y
        left = max(self._inset(tl, dt), self._inset(bl, db))
        right = max(self._inset(tr, dt), self._inset(br, db))
        return [(self.x0 + left, self.x1 - right)]

    def bbox(self):
        return (self.x0, self.y0, self.x1, self.y1)


class Polygon(Shape):
    """Closed polygon, non-zero winding rule."""

    def __init__(self, points):
        self.points = [(float(x), float(y)) for x, y in points]
        n = len(self.points)
        self.edges = [(self.points[i], self.points[(i + 1) % n]) for i in range(n)]

    def spans(self, y):
        hits = []
        for (x0, y0), (x1, y1) in self.edges:
            if y0 == y1:
                continue
            if (y0 <= y < y1) or (y1 <= y < y0):
                x = x0 + (y - y0) * (x1 - x0) / (y1 - y0)
                hits.append((x, 1 if y1 > y0 else -1))
        hits.sort()
        out, winding, start = [], 0, 0.0
        for x, d in hits:
            before = winding
            winding += d
            if before == 0 and winding != 0:
                start = x
            elif before != 0 and winding == 0:
                out.append((start, x))
        return _normalise(out)

    def bbox(self):
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        return (min(xs), min(ys), max(xs), max(ys))


def Line(x0, y0, x1, y1, width, cap="round"):
    """A stroked segment: round caps (a capsule) or butt caps."""
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy) or 1e-9
    nx, ny = -dy / length * width / 2.0, dx / length * width / 2.0
    if cap == "square":
        ex, ey = dx / length * width / 2.0, dy / length * width / 2.0
        x0, y0, x1, y1 = x0 - ex, y0 - ey, x1 + ex, y1 + ey
    body = Polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)])
    if cap != "round":
        return body
    return Union(body, Circle(x0, y0, width / 2.0), Circle(x1, y1, width / 2.0))


def Polyline(points, width, cap="round"):
    parts = [Line(a[0], a[1], b[0], b[1], width, cap) for a, b in zip(points, points[1:])]
    if cap == "round":
        parts += [Circle(x, y, width / 2.0) for x, y in points[1:-1]]
    return Union(*parts)


def _arc_points(cx, cy, r, a0, a1, steps):
    return [(cx + r * math.cos(a0 + (a1 - a0) * i / steps), cy + r * math.sin(a0 + (a1 - a0) * i / steps))
            for i in range(steps + 1)]


def Arc(cx, cy, r, deg0, deg1, width, cap="round"):
    """A stroked circular arc from deg0 to deg1 (degrees, clockwise on screen since y points down)."""
    a0, a1 = math.radians(deg0), math.radians(deg1)
    steps = max(8, int(abs(a1 - a0) * r / 0.5))
    outer = _arc_points(cx, cy, r + width / 2.0, a0, a1, steps)
    inner = _arc_points(cx, cy, r - width / 2.0, a0, a1, steps)
    body = Polygon(outer + inner[::-1])
    if cap != "round":
        return body
    e0 = (cx + r * math.cos(a0), cy + r * math.sin(a0))
    e1 = (cx + r * math.cos(a1), cy + r * math.sin(a1))
    return Union(body, Circle(e0[0], e0[1], width / 2.0), Circle(e1[0], e1[1], width / 2.0))


def Ring(cx, cy, r, width):
    return Circle(cx, cy, r + width / 2.0) - Circle(cx, cy, r - width / 2.0)


class Translate(Shape):
    def __init__(self, shape, dx, dy):
        self.shape, self.dx, self.dy = shape, dx, dy

    def spans(self, y):
        return [(a + self.dx, b + self.dx) for a, b in self.shape.spans(y - self.dy)]

    def bbox(self):
        b = self.shape.bbox()
        return (b[0] + self.dx, b[1] + self.dy, b[2] + self.dx, b[3] + self.dy)


class HalfPlane(Shape):
    """Everything above (or below) the line y = y0 + slope * x; handy for clipping highlights."""

    def __init__(self, y0, slope=0.0, below=False):
        self.y0, self.slope, self.below = y0, slope, below

    def spans(self, y):
        big = 1e6
        if self.slope == 0:
            inside = (y >= self.y0) if self.below else (y < self.y0)
            return [(-big, big)] if inside else []
        xcut = (y - self.y0) / self.slope
        if (self.slope > 0) != self.below:
            return [(xcut, big)]
        return [(-big, xcut)]

    def bbox(self):
        return (-1e6, -1e6, 1e6, 1e6)


# ---- coverage masks and the canvas ----

def coverage(shape, w, h):
    """Fraction of every pixel that the shape covers, as a flat list of floats (row-major)."""
    mask = [0.0] * (w * h)
    x0, y0, x1, y1 = shape.bbox()
    r0 = max(0, int(math.floor(y0)))
    r1 = min(h, int(math.ceil(y1)))
    step = 1.0 / SUBROWS
    for j in range(r0, r1):
        base = j * w
        for k in range(SUBROWS):
            y = j + (k + 0.5) * step
            for a, b in shape.spans(y):
                a = max(0.0, a)
                b = min(float(w), b)
                if b <= a:
                    continue
                ia, ib = int(a), int(b)
                if ib >= w:
                    ib = w - 1
                if ia == ib:
                    mask[base + ia] += (b - a) * step
                    continue
                mask[base + ia] += (ia + 1 - a) * step
                for i in range(ia + 1, ib):
                    mask[base + i] += step
                if b > ib:
                    mask[base + ib] += (b - ib) * step
    return [min(1.0, m) for m in mask]


def blur(mask, w, h, radius, passes=3):
    """Box blur repeated a few times: close enough to a Gaussian for soft shadows."""
    r = max(1, int(round(radius)))
    for _ in range(passes):
        out = [0.0] * (w * h)
        for j in range(h):
            row = mask[j * w:(j + 1) * w]
            acc = 0.0
            prefix = [0.0]
            for v in row:
                acc += v
                prefix.append(acc)
            for i in range(w):
                lo, hi = max(0, i - r), min(w, i + r + 1)
                out[j * w + i] = (prefix[hi] - prefix[lo]) / (2 * r + 1)
        mask = out
        out = [0.0] * (w * h)
        for i in range(w):
            acc = 0.0
            prefix = [0.0]
            for j in range(h):
                acc += mask[j * w + i]
                prefix.append(acc)
            for j in range(h):
                lo, hi = max(0, j - r), min(h, j + r + 1)
                out[j * w + i] = (prefix[hi] - prefix[lo]) / (2 * r + 1)
        mask = out
    return mask


def rgb(hexcode, alpha=1.0):
    """'#RRGGBB' or (r, g, b) in 0..255 to a straight (r, g, b, a) tuple in 0..1."""
    if isinstance(hexcode, str):
        v = int(hexcode.lstrip("#"), 16)
        return ((v >> 16 & 255) / 255.0, (v >> 8 & 255) / 255.0, (v & 255) / 255.0, alpha)
    r, g, b = hexcode[:3]
    return (r / 255.0, g / 255.0, b / 255.0, alpha)


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def linear(x0, y0, c0, x1, y1, c1):
    """A linear gradient from c0 at (x0, y0) to c1 at (x1, y1), as a paint function."""
    dx, dy = x1 - x0, y1 - y0
    n = dx * dx + dy * dy or 1e-9

    def paint(x, y):
        t = ((x - x0) * dx + (y - y0) * dy) / n
        return mix(c0, c1, max(0.0, min(1.0, t)))

    return paint


def radial(cx, cy, r, c0, c1):
    def paint(x, y):
        t = math.hypot(x - cx, y - cy) / r
        return mix(c0, c1, max(0.0, min(1.0, t)))

    return paint


class Canvas:
    """Premultiplied RGBA pixels in 0..1."""

    def __init__(self, w, h, background=None):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]
        if background is not None:
            c = rgb(background)
            for p in self.px:
                p[:] = [c[0] * c[3], c[1] * c[3], c[2] * c[3], c[3]]

    def paint_mask(self, mask, paint, opacity=1.0):
        w = self.w
        solid = None if callable(paint) else paint
        for idx, m in enumerate(mask):
            if m <= 0.0:
                continue
            c = solid if solid is not None else paint(idx % w + 0.5, idx // w + 0.5)
            a = c[3] * m * opacity
            p = self.px[idx]
            k = 1.0 - a
            p[0] = c[0] * a + p[0] * k
            p[1] = c[1] * a + p[1] * k
            p[2] = c[2] * a + p[2] * k
            p[3] = a + p[3] * k

    def fill(self, shape, paint, opacity=1.0):
        self.paint_mask(coverage(shape, self.w, self.h), paint, opacity)

    def shadow(self, shape, dx, dy, radius, color=(0, 0, 0), opacity=0.45):
        mask = coverage(Translate(shape, dx, dy), self.w, self.h)
        if radius > 0:
            mask = blur(mask, self.w, self.h, radius)
        self.paint_mask(mask, rgb(color), opacity)

    def erase(self, shape):
        """Punch the shape out of the canvas (makes it transparent again)."""
        mask = coverage(shape, self.w, self.h)
        for idx, m in enumerate(mask):
            if m > 0.0:
                p = self.px[idx]
                for c in range(4):
                    p[c] *= 1.0 - m

    def draw(self, other, ox=0, oy=0):
        """Composite another canvas onto this one at an integer offset."""
        for j in range(other.h):
            y = j + oy
            if not 0 <= y < self.h:
                continue
            for i in range(other.w):
                x = i + ox
                if not 0 <= x < self.w:
                    continue
                s = other.px[j * other.w + i]
                if s[3] <= 0.0:
                    continue
                p = self.px[y * self.w + x]
                k = 1.0 - s[3]
                for c in range(4):
                    p[c] = s[c] + p[c] * k

    def rgba8(self, x, y):
        """Straight-alpha 8-bit (r, g, b, a) of one pixel."""
        p = self.px[y * self.w + x]
        a = p[3]
        if a <= 1e-6:
            return (0, 0, 0, 0)
        return tuple(int(round(max(0.0, min(1.0, v / a)) * 255)) for v in p[:3]) + (int(round(a * 255)),)

    def flatten(self, background, key=None, threshold=0.06):
        """Opaque (r, g, b) rows: every pixel composited over background. With a key colour, pixels
        whose coverage is below threshold become that colour instead (for bitmaps with a colour mask)."""
        bg = rgb(background)
        rows = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                p = self.px[y * self.w + x]
                if key is not None and p[3] < threshold:
                    row.append(tuple(key))
                    continue
                k = 1.0 - p[3]
                row.append(tuple(int(round(max(0.0, min(1.0, p[c] + bg[c] * k)) * 255)) for c in range(3)))
            rows.append(row)
        return rows

    def rgba_rows(self):
        return [[self.rgba8(x, y) for x in range(self.w)] for y in range(self.h)]


class Scale(Shape):
    """A shape drawn in design units, scaled by s and moved to (ox, oy) in pixels."""

    def __init__(self, shape, s, ox=0.0, oy=0.0):
        self.shape, self.s, self.ox, self.oy = shape, s, ox, oy

    def spans(self, y):
        return [(a * self.s + self.ox, b * self.s + self.ox) for a, b in self.shape.spans((y - self.oy) / self.s)]

    def bbox(self):
        b = self.shape.bbox()
        return (b[0] * self.s + self.ox, b[1] * self.s + self.oy, b[2] * self.s + self.ox, b[3] * self.s + self.oy)


class Pen:
    """Draws shapes and paints given in design units onto a canvas at scale s and offset (ox, oy)."""

    def __init__(self, canvas, s=1.0, ox=0.0, oy=0.0):
        self.cv, self.s, self.ox, self.oy = canvas, s, ox, oy

    def shape(self, shape):
        return Scale(shape, self.s, self.ox, self.oy)

    def _paint(self, paint):
        if not callable(paint):
            return paint
        s, ox, oy = self.s, self.ox, self.oy
        return lambda x, y: paint((x - ox) / s, (y - oy) / s)

    def fill(self, shape, paint, opacity=1.0):
        self.cv.fill(self.shape(shape), self._paint(paint), opacity)

    def shadow(self, shape, dx, dy, radius, color=(0, 0, 0), opacity=0.45):
        self.cv.shadow(self.shape(shape), dx * self.s, dy * self.s, radius * self.s, color, opacity)

    def erase(self, shape):
        self.cv.erase(self.shape(shape))

    def sx(self, v):
        """A horizontal design coordinate moved onto the nearest pixel edge."""
        return (round(v * self.s + self.ox) - self.ox) / self.s

    def sy(self, v):
        """A vertical design coordinate moved onto the nearest pixel edge."""
        return (round(v * self.s + self.oy) - self.oy) / self.s

    def sl(self, v):
        """A design length rounded to whole pixels (at least one)."""
        return max(1, round(v * self.s)) / self.s
