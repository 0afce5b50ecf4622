#!/usr/bin/env python3
# Draws the pictures of the flyout's page. Run from the repository root.
#   pages/images/FlyOutTop.bmp    the title band (210 x 44): graphite with a light edge and
#                                 a small disk emblem at its right
#   pages/images/FlyOutBack.bmp   the body behind the details (210 x 296): a soft grey
#                                 gradient with faint separators where the three
#                                 caption/value lines sit
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from artlib import Canvas, ellipse, mix, rect, ring, vgrad, write_bmp24  # noqa: E402

WIDTH = 210
TOP_HEIGHT = 44
BACK_HEIGHT = 296
GRAPHITE = (72, 76, 88)
WHITE = (255, 255, 255)


def emblem(size):
    """A small hard-disk platter seen from above."""
    c = Canvas(size)
    c.paint(rect(0.08, 0.08, 0.92, 0.92, 0.14), vgrad((214, 218, 226), (150, 156, 168), 0.08, 0.92))
    c.paint(ellipse(0.5, 0.5, 0.32), (120, 126, 140))
    c.paint(ring(0.5, 0.5, 0.22, 0.03), (190, 196, 206))
    c.paint(ellipse(0.5, 0.5, 0.07), (235, 238, 242))
    return c.rgba()


def top():
    rows = []
    for y in range(TOP_HEIGHT):
        t = y / (TOP_HEIGHT - 1)
        rows.append([mix(mix(GRAPHITE, WHITE, 0.25), mix(GRAPHITE, (0, 0, 0), 0.2), t)] * WIDTH)
    for x in range(WIDTH):
        rows[TOP_HEIGHT - 1][x] = (10, 210, 30)  # the capacity bar's green as an underline
    size = 28
    picture = emblem(size)
    left, up = WIDTH - size - 8, (TOP_HEIGHT - size) // 2
    for y in range(size):
        for x in range(size):
            r, g, b, a = picture[y][x]
            rows[up + y][left + x] = mix(rows[up + y][left + x], (r, g, b), a / 255.0)
    return rows


def back():
    rows = []
    for y in range(BACK_HEIGHT):
        t = y / (BACK_HEIGHT - 1)
        rows.append([mix((246, 246, 248), (222, 224, 230), t)] * WIDTH)
    for line in (118, 142, 166):  # below each caption/value line of the page
        for x in range(10, WIDTH - 10):
            rows[line][x] = mix(rows[line][x], GRAPHITE, 0.18)
    return rows


def main():
    images = os.path.join('pages', 'images')
    os.makedirs(images, exist_ok=True)
    write_bmp24(os.path.join(images, 'FlyOutTop.bmp'), top())
    write_bmp24(os.path.join(images, 'FlyOutBack.bmp'), back())


if __name__ == '__main__':
    main()
