#!/usr/bin/env python3
# Draws control/resources/PowerSave.ico, the icon of the control and of its power-save
# dialog: a desktop disk enclosure with a yellow crescent moon above it (the disk sleeps).
# 16x16 and 32x32 32-bit images with alpha. Run from the repository root.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from artlib import Canvas, ellipse, write_ico  # noqa: E402
from shapes3d import box, led, shadow  # noqa: E402


def draw(c):
    shadow(c, 0.48, 0.90, 0.44, 0.07)
    box(c, 0.04, 0.50, 0.74, 0.88, 0.20, 0.16, (70, 76, 90))
    led(c, 0.62, 0.76, 0.045, (60, 150, 255))
    moon = ellipse(0.70, 0.26, 0.24) - ellipse(0.83, 0.17, 0.21)
    c.paint(ellipse(0.70, 0.26, 0.255) - ellipse(0.83, 0.17, 0.20), (150, 110, 0))
    c.paint(moon, (255, 214, 40))


def main():
    canvases = []
    for n in (16, 32):
        cv = Canvas(n)
        draw(cv)
        canvases.append(cv)
    write_ico(os.path.join('control', 'resources', 'PowerSave.ico'), canvases)


if __name__ == '__main__':
    main()
