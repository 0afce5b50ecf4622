#!/usr/bin/env python3
# Drawing routines shared by the device icons and the control icon: drive enclosures in a
# simple oblique view (front face, lighter top face, darker side face), a bare internal disk,
# discs, cartridges and small details. Every routine paints into an artlib.Canvas in unit
# coordinates.
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from artlib import ellipse, line, mix, polygon, rect, ring, vgrad, hgrad  # noqa: E402

WHITE, BLACK = (255, 255, 255), (0, 0, 0)


def tones(body):
    return {'body': body, 'light': mix(body, WHITE, 0.38), 'lighter': mix(body, WHITE, 0.6),
            'dark': mix(body, BLACK, 0.35), 'darker': mix(body, BLACK, 0.6)}


def shadow(c, cx, cy, rx, ry):
    c.paint(ellipse(cx, cy, rx, ry), (0, 0, 0, 70))
    c.paint(ellipse(cx, cy, rx * 0.7, ry * 0.6), (0, 0, 0, 50))


def box(c, x0, y0, x1, y1, dx, dy, body, radius=0.02):
    """Oblique box: front face (x0,y0)-(x1,y1), receding by (dx, -dy) to the upper right."""
    t = tones(body)
    outline = t['darker']
    top = polygon([(x0, y0), (x0 + dx, y0 - dy), (x1 + dx, y0 - dy), (x1, y0)])
    side = polygon([(x1, y0), (x1 + dx, y0 - dy), (x1 + dx, y1 - dy), (x1, y1)])
    c.paint(top, outline)
    c.paint(side, outline)
    inset = 0.8 / 48
    c.paint(polygon([(x0 + inset * 2, y0 - inset), (x0 + dx + inset, y0 - dy + inset),
                     (x1 + dx - inset, y0 - dy + inset), (x1 - inset, y0 - inset)]),
            vgrad(t['lighter'], t['light'], y0 - dy, y0))
    c.paint(polygon([(x1 + inset, y0 - inset), (x1 + dx - inset, y0 - dy + inset * 2),
                     (x1 + dx - inset, y1 - dy - inset), (x1 + inset, y1 - inset * 2)]),
            hgrad(t['dark'], t['darker'], x1, x1 + dx))
    c.paint(rect(x0, y0, x1, y1, radius), outline)
    c.paint(rect(x0 + inset, y0 + inset, x1 - inset, y1 - inset, radius),
            vgrad(t['light'], t['body'], y0, y0 + (y1 - y0) * 0.6))
    return t


def led(c, cx, cy, r, colour):
    c.paint(ellipse(cx, cy, r * 2.2), colour[:3] + (60,))
    c.paint(ellipse(cx, cy, r), colour)
    c.paint(ellipse(cx - r * 0.3, cy - r * 0.3, r * 0.4), (255, 255, 255, 170))


def slot(c, x0, y, x1, h, t):
    c.paint(rect(x0, y, x1, y + h, h / 2), t['darker'])
    c.paint(rect(x0, y + h * 0.55, x1, y + h, h / 2), (255, 255, 255, 60))


def gloss(c, x0, y0, x1, y1):
    c.paint(rect(x0, y0, x1, y1, (y1 - y0) / 2), (255, 255, 255, 55))


def disc(c, cx, cy, r):
    c.paint(ellipse(cx, cy, r), (120, 124, 132))
    c.paint(ellipse(cx, cy, r * 0.96),
            lambda u, v: _disc_colour(u - cx, v - cy, r))
    c.paint(ring(cx, cy, r * 0.38, r * 0.06), (150, 150, 158, 200))
    c.paint(ellipse(cx, cy, r * 0.30), (226, 228, 232))
    c.paint(ellipse(cx, cy, r * 0.13), (90, 94, 100))
    c.paint(ellipse(cx, cy, r * 0.09), (250, 250, 250))


def _disc_colour(dx, dy, r):
    # A silver disc with a soft coloured sheen that turns around the centre.
    angle = math.atan2(dy, dx)
    sheen = (math.cos(angle * 2) + 1) / 2
    hue = (math.sin(angle * 3) + 1) / 2
    base = mix((196, 200, 208), (240, 242, 246), sheen)
    tint = mix((150, 200, 255), (255, 190, 220), hue)
    col = mix(base, tint, 0.28 * sheen)
    return col + (255,)


def bare_disk(c, body=(176, 180, 186)):
    """An internal hard disk seen from above: cover, platter, head arm, screws."""
    t = tones(body)
    shadow(c, 0.52, 0.93, 0.36, 0.05)
    c.paint(rect(0.17, 0.05, 0.85, 0.93, 0.05), t['darker'])
    c.paint(rect(0.18, 0.06, 0.84, 0.92, 0.045), vgrad(t['lighter'], t['dark'], 0.06, 0.92))
    c.paint(rect(0.22, 0.10, 0.80, 0.88, 0.06), vgrad(t['light'], t['body'], 0.1, 0.88))
    c.paint(ellipse(0.51, 0.41, 0.27), t['dark'])
    c.paint(ellipse(0.51, 0.41, 0.255), vgrad((232, 234, 238), (170, 174, 182), 0.16, 0.66))
    c.paint(ring(0.51, 0.41, 0.17, 0.012), (255, 255, 255, 110))
    c.paint(ellipse(0.51, 0.41, 0.06), t['dark'])
    c.paint(ellipse(0.51, 0.41, 0.035), t['lighter'])
    c.paint(line(0.70, 0.78, 0.58, 0.52, 0.05), t['darker'])
    c.paint(line(0.70, 0.78, 0.58, 0.52, 0.03), t['dark'])
    c.paint(ellipse(0.70, 0.78, 0.06), t['darker'])
    c.paint(ellipse(0.70, 0.78, 0.035), t['light'])
    for sx, sy in ((0.24, 0.12), (0.78, 0.12), (0.24, 0.86), (0.78, 0.86)):
        c.paint(ellipse(sx, sy, 0.022), t['darker'])
    c.paint(rect(0.28, 0.74, 0.52, 0.84, 0.01), (250, 250, 246))
    c.paint(rect(0.30, 0.77, 0.48, 0.785, 0.0), (120, 120, 120))
    c.paint(rect(0.30, 0.80, 0.44, 0.815, 0.0), (160, 160, 160))


def cartridge(c, x0, y0, x1, y1, body):
    t = tones(body)
    c.paint(rect(x0, y0, x1, y1, 0.03), t['darker'])
    c.paint(rect(x0 + 0.012, y0 + 0.012, x1 - 0.012, y1 - 0.012, 0.025),
            vgrad(t['light'], t['body'], y0, y1))
    w = x1 - x0
    c.paint(rect(x0 + w * 0.28, y0 + 0.015, x1 - w * 0.28, y0 + (y1 - y0) * 0.62, 0.01),
            vgrad((226, 228, 232), (150, 154, 162), y0, y0 + (y1 - y0) * 0.62))
    c.paint(rect(x0 + w * 0.42, y0 + 0.07, x1 - w * 0.42, y0 + (y1 - y0) * 0.45, 0.008),
            (90, 94, 100))
