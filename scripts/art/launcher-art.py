#!/usr/bin/env python3
# Draws the launcher's pictures. Run from the repository root.
#   launcher/resources/Tavolen.ico            the program's icon (16, 32, 48): a small
#                                             gadget frame with three drive rows
#   launcher/resources/Dock{Left,Right,Top,Bottom}.bmp
#                                             the bars a hidden window leaves at an edge
#                                             (8 x 150 and 150 x 8), with an arrow inward
#   pages/images/{Top,Middle,Bottom}Image<c>.bmp
#                                             the page's frame in the four colours
#   pages/images/{Up,Down,All}Btn.bmp         the page's scroll buttons (16 x 16)
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from artlib import Canvas, mix, polygon, rect, vgrad, write_bmp24, write_ico  # noqa: E402

# Frame colours by the settings' colour index: graphite, blue, green, rose.
COLOURS = [(96, 100, 110), (40, 90, 170), (40, 130, 80), (170, 60, 100)]
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


def flatten(canvas, background):
    """A canvas composed over a solid colour, as BMP rows."""
    rows = []
    for row in canvas.rgba():
        rows.append([mix(background, (r, g, b), a / 255.0) for (r, g, b, a) in row])
    return rows


def icon(c):
    c.paint(rect(0.08, 0.04, 0.92, 0.96, 0.12), vgrad((120, 126, 140), (60, 64, 74), 0.04, 0.96))
    c.paint(rect(0.16, 0.14, 0.84, 0.86, 0.04), (190, 190, 190))
    for i, fill in enumerate((0.55, 0.8, 0.3)):
        top = 0.18 + i * 0.22
        c.paint(rect(0.20, top, 0.34, top + 0.16, 0.02), (250, 250, 250))
        c.paint(rect(0.38, top + 0.05, 0.80, top + 0.11), (110, 110, 110))
        c.paint(rect(0.38, top + 0.05, 0.38 + 0.42 * fill, top + 0.11), (10, 210, 30))


def bar(width, height, arrow):
    """A dark bar with a light arrow in its middle pointing `arrow` (l, r, u, d)."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            t = (x / max(width - 1, 1)) if width < height else (y / max(height - 1, 1))
            row.append(mix((70, 74, 84), (30, 32, 38), t))
        rows.append(row)
    cx, cy = width // 2, height // 2
    for d in range(-6, 7):
        for k in range(0, 3):
            if arrow in 'lr':
                x = cx + (k if arrow == 'r' else -k) - (1 if arrow == 'r' else -1) * (abs(d) // 2)
                y = cy + d
            else:
                x = cx + d
                y = cy + (k if arrow == 'd' else -k) - (1 if arrow == 'd' else -1) * (abs(d) // 2)
            if 0 <= x < width and 0 <= y < height and abs(d) <= 5:
                rows[y][x] = (220, 224, 232)
    return rows


def band(width, height, base, light_top):
    top, bottom = (mix(base, WHITE, 0.45), base) if light_top else (base, mix(base, BLACK, 0.35))
    rows = [[mix(top, bottom, y / (height - 1))] * width for y in range(height)]
    edge = mix(base, BLACK, 0.5)
    for x in range(width):
        rows[height - 1 if light_top else 0][x] = edge
    if light_top:
        # A grip in the middle: three raised dots.
        for i in (-6, 0, 6):
            x, y = width // 2 + i, height // 2
            rows[y][x] = mix(base, WHITE, 0.8)
            rows[y + 1][x + 1] = edge
    return rows


def tile(base):
    return [[mix(base, WHITE if (x + y) % 4 == 0 else base, 0.12) for x in range(8)] for y in range(8)]


def button(kind):
    c = Canvas(16)
    c.paint(rect(0.06, 0.06, 0.94, 0.94, 0.2), vgrad((90, 94, 104), (40, 42, 48), 0.06, 0.94))
    if kind == 'up':
        c.paint(polygon([(0.5, 0.28), (0.78, 0.66), (0.22, 0.66)]), WHITE)
    elif kind == 'down':
        c.paint(polygon([(0.22, 0.34), (0.78, 0.34), (0.5, 0.72)]), WHITE)
    else:
        for top in (0.24, 0.44, 0.64):
            c.paint(rect(0.26, top, 0.74, top + 0.1), WHITE)
    return flatten(c, (60, 62, 70))


def main():
    res = os.path.join('launcher', 'resources')
    canvases = []
    for n in (16, 32, 48):
        cv = Canvas(n)
        icon(cv)
        canvases.append(cv)
    write_ico(os.path.join(res, 'Tavolen.ico'), canvases)
    write_bmp24(os.path.join(res, 'DockRight.bmp'), bar(8, 150, 'l'))
    write_bmp24(os.path.join(res, 'DockLeft.bmp'), bar(8, 150, 'r'))
    write_bmp24(os.path.join(res, 'DockTop.bmp'), bar(150, 8, 'd'))
    write_bmp24(os.path.join(res, 'DockBottom.bmp'), bar(150, 8, 'u'))

    images = os.path.join('pages', 'images')
    os.makedirs(images, exist_ok=True)
    for index, base in enumerate(COLOURS):
        write_bmp24(os.path.join(images, 'TopImage%d.bmp' % index), band(200, 16, base, True))
        write_bmp24(os.path.join(images, 'MiddleImage%d.bmp' % index), tile(base))
        write_bmp24(os.path.join(images, 'BottomImage%d.bmp' % index), band(200, 24, base, False))
    for kind, name in (('up', 'UpBtn'), ('down', 'DownBtn'), ('all', 'AllBtn')):
        write_bmp24(os.path.join(images, name + '.bmp'), button(kind))


if __name__ == '__main__':
    main()
