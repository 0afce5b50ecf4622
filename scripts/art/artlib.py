#!/usr/bin/env python3
# Small drawing kit for the control's pictures: an RGBA canvas painted with signed-distance
# shapes (anti-aliased edges at any size), and writers for 24-bit BMP and 32-bit ICO files.
# Standard library only. Shapes are given in unit coordinates (0..1 across the canvas, y
# downwards), so one drawing function renders a picture at every icon size.
import math
import struct


def _clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


class Shape:
    """A signed distance function (negative inside, in unit coordinates) with a bounding box."""

    def __init__(self, sdf, box):
        self.sdf = sdf
        self.box = box

    def __sub__(self, other):
        a, b = self.sdf, other.sdf
        return Shape(lambda u, v: max(a(u, v), -b(u, v)), self.box)

    def __and__(self, other):
        a, b = self.sdf, other.sdf
        box = (max(self.box[0], other.box[0]), max(self.box[1], other.box[1]),
               min(self.box[2], other.box[2]), min(self.box[3], other.box[3]))
        return Shape(lambda u, v: max(a(u, v), b(u, v)), box)

    def __or__(self, other):
        a, b = self.sdf, other.sdf
        box = (min(self.box[0], other.box[0]), min(self.box[1], other.box[1]),
               max(self.box[2], other.box[2]), max(self.box[3], other.box[3]))
        return Shape(lambda u, v: min(a(u, v), b(u, v)), box)


def rect(x0, y0, x1, y1, radius=0.0):
    """Axis-aligned rectangle from (x0, y0) to (x1, y1) with rounded corners."""
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2
    r = min(radius, hx, hy)

    def sdf(u, v):
        qx = abs(u - cx) - (hx - r)
        qy = abs(v - cy) - (hy - r)
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return Shape(sdf, (x0, y0, x1, y1))


def ellipse(cx, cy, rx, ry=None):
    ry = rx if ry is None else ry
    k = min(rx, ry)

    def sdf(u, v):
        # Distance scaled by the smaller radius: exact for circles, close enough for the
        # mildly flattened ellipses drawn here.
        return (math.hypot((u - cx) / rx, (v - cy) / ry) - 1.0) * k
    return Shape(sdf, (cx - rx, cy - ry, cx + rx, cy + ry))


def ring(cx, cy, r, width):
    def sdf(u, v):
        return abs(math.hypot(u - cx, v - cy) - r) - width / 2
    return Shape(sdf, (cx - r - width, cy - r - width, cx + r + width, cy + r + width))


def line(x0, y0, x1, y1, width):
    """Segment with round caps."""
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy or 1e-12

    def sdf(u, v):
        t = _clamp(((u - x0) * dx + (v - y0) * dy) / ll)
        return math.hypot(u - x0 - t * dx, v - y0 - t * dy) - width / 2
    w = width
    return Shape(sdf, (min(x0, x1) - w, min(y0, y1) - w, max(x0, x1) + w, max(y0, y1) + w))


def polygon(points):
    """Convex polygon, points in either winding order."""
    pts = list(points)
    area = sum(pts[i][0] * pts[(i + 1) % len(pts)][1] - pts[(i + 1) % len(pts)][0] * pts[i][1]
               for i in range(len(pts)))
    if area < 0:
        pts.reverse()
    edges = []
    for i in range(len(pts)):
        (ax, ay), (bx, by) = pts[i], pts[(i + 1) % len(pts)]
        ex, ey = bx - ax, by - ay
        ln = math.hypot(ex, ey) or 1e-12
        # Outward normal of a counter-clockwise polygon in y-down coordinates.
        edges.append((ax, ay, ey / ln, -ex / ln))

    def sdf(u, v):
        return max((u - ax) * nx + (v - ay) * ny for ax, ay, nx, ny in edges)
    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    return Shape(sdf, (min(xs), min(ys), max(xs), max(ys)))


def vgrad(c0, c1, y0, y1):
    """Colour running from c0 at y0 to c1 at y1 (RGB or RGBA tuples)."""
    return _grad(c0, c1, lambda u, v: (v - y0) / ((y1 - y0) or 1e-12))


def hgrad(c0, c1, x0, x1):
    return _grad(c0, c1, lambda u, v: (u - x0) / ((x1 - x0) or 1e-12))


def _grad(c0, c1, param):
    c0, c1 = _rgba(c0), _rgba(c1)

    def colour(u, v):
        t = _clamp(param(u, v))
        return tuple(c0[i] + (c1[i] - c0[i]) * t for i in range(4))
    return colour


def _rgba(c):
    return (c[0], c[1], c[2], c[3] if len(c) > 3 else 255)


def mix(c0, c1, t):
    return tuple(round(a + (b - a) * t) for a, b in zip(c0, c1))


class Canvas:
    def __init__(self, size):
        self.n = size
        # Premultiplied red, green, blue and alpha, 0..1.
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def paint(self, shape, colour):
        n = self.n
        x0, y0, x1, y1 = shape.box
        xa, xb = max(0, int(math.floor(x0 * n)) - 1), min(n, int(math.ceil(x1 * n)) + 1)
        ya, yb = max(0, int(math.floor(y0 * n)) - 1), min(n, int(math.ceil(y1 * n)) + 1)
        fixed = None if callable(colour) else _rgba(colour)
        sdf = shape.sdf
        for y in range(ya, yb):
            v = (y + 0.5) / n
            row = self.px[y]
            for x in range(xa, xb):
                u = (x + 0.5) / n
                cover = 0.5 - sdf(u, v) * n
                if cover <= 0.0:
                    continue
                r, g, b, a = fixed or colour(u, v)
                a = a / 255.0 * (cover if cover < 1.0 else 1.0)
                pr, pg, pb, pa = row[x]
                k = 1.0 - a
                row[x] = (r / 255.0 * a + pr * k, g / 255.0 * a + pg * k,
                          b / 255.0 * a + pb * k, a + pa * k)

    def rgba(self):
        """Rows top to bottom of straight (not premultiplied) 8-bit RGBA tuples."""
        out = []
        for row in self.px:
            line_ = []
            for r, g, b, a in row:
                if a <= 0.0:
                    line_.append((0, 0, 0, 0))
                else:
                    line_.append((round(_clamp(r / a) * 255), round(_clamp(g / a) * 255),
                                  round(_clamp(b / a) * 255), round(_clamp(a) * 255)))
            out.append(line_)
        return out


def write_bmp24(path, rows):
    """rows: top-to-bottom lists of (r, g, b)."""
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = b''
    for row in reversed(rows):
        line_ = b''.join(bytes((b, g, r)) for (r, g, b) in row)
        data += line_ + b'\0' * (stride - len(line_))
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + data)


def ico_image(rows):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA colour bottom-up, 1-bit AND mask."""
    h, w = len(rows), len(rows[0])
    colour = b''
    for row in reversed(rows):
        colour += b''.join(bytes((b, g, r, a)) for (r, g, b, a) in row)
    mask_stride = ((w + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    info = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return info + colour + mask


def write_ico(path, canvases):
    images = [ico_image(c.rgba()) for c in canvases]
    head = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for c, img in zip(canvases, images):
        side = c.n if c.n < 256 else 0
        entries += struct.pack('<BBBBHHII', side, side, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, 'wb') as f:
        f.write(head + entries + b''.join(images))
