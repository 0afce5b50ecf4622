#!/usr/bin/env python3
# Draws the device icons that the control picks for a drive row, into pages/icon/ with the
# sub-folders "HDD", "CD,DVD" and "MO". Every icon holds a 32x32 and a 48x48 32-bit image
# with alpha. The list of files and what each shows is pages/icon/README.md, which this
# script also writes. Run from the repository root.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from artlib import Canvas, ellipse, line, mix, rect, vgrad, write_ico  # noqa: E402
from shapes3d import (bare_disk, box, cartridge, disc, gloss, led, shadow,  # noqa: E402
                      slot, tones)

SIZES = (32, 48)
BLUE_LED, GREEN_LED, WHITE_LED, AMBER_LED = (60, 150, 255), (70, 230, 90), (250, 250, 255), (255, 176, 40)

# Enclosure colours of the USB family: (name, body, accent, LED).
COLOURS = [
    ('black', (44, 46, 52), (200, 40, 44), BLUE_LED),
    ('silver', (192, 197, 204), (40, 96, 196), BLUE_LED),
    ('white', (236, 236, 232), (120, 130, 140), GREEN_LED),
    ('red', (190, 36, 42), (250, 250, 250), WHITE_LED),
    ('blue', (40, 96, 196), (210, 220, 240), WHITE_LED),
    ('navy', (36, 48, 96), (216, 176, 80), AMBER_LED),
    ('green', (46, 146, 80), (236, 240, 236), WHITE_LED),
    ('orange', (232, 126, 30), (60, 60, 60), GREEN_LED),
    ('pink', (230, 120, 168), (252, 250, 250), WHITE_LED),
    ('gold', (196, 162, 78), (90, 70, 30), BLUE_LED),
]


def desk(c, body, accent, led_colour):
    """Horizontal desktop enclosure with a front stripe and a light."""
    shadow(c, 0.50, 0.86, 0.44, 0.06)
    t = box(c, 0.06, 0.40, 0.78, 0.82, 0.16, 0.16, body)
    c.paint(rect(0.06, 0.55, 0.78, 0.585), accent)
    gloss(c, 0.10, 0.43, 0.74, 0.49)
    led(c, 0.68, 0.72, 0.03, led_colour)
    c.paint(rect(0.12, 0.68, 0.40, 0.76, 0.02), t['dark'])
    return t


def tower(c, body, accent, led_colour):
    """Vertical enclosure on a foot."""
    shadow(c, 0.50, 0.91, 0.30, 0.05)
    t = box(c, 0.26, 0.18, 0.64, 0.84, 0.14, 0.10, body)
    c.paint(rect(0.22, 0.84, 0.76, 0.90, 0.02), t['darker'])
    c.paint(rect(0.40, 0.22, 0.47, 0.80, 0.02), accent)
    gloss(c, 0.29, 0.21, 0.36, 0.70)
    led(c, 0.55, 0.28, 0.028, led_colour)
    return t


def slim(c, body, accent, led_colour):
    """Portable enclosure seen from above: rounded slab with an emblem."""
    t = tones(body)
    shadow(c, 0.52, 0.90, 0.36, 0.05)
    c.paint(rect(0.17, 0.12, 0.85, 0.92, 0.13), t['darker'])
    c.paint(rect(0.17, 0.10, 0.85, 0.88, 0.13), t['darker'])
    c.paint(rect(0.185, 0.115, 0.835, 0.865, 0.12), vgrad(t['lighter'], t['body'], 0.1, 0.6))
    c.paint(ellipse(0.51, 0.46, 0.17), accent)
    c.paint(ellipse(0.51, 0.46, 0.12), t['body'])
    gloss(c, 0.24, 0.15, 0.78, 0.26)
    led(c, 0.51, 0.78, 0.028, led_colour)
    return t


def cube(c, body, accent, led_colour):
    """Square enclosure with a round badge on its front."""
    shadow(c, 0.50, 0.90, 0.40, 0.06)
    t = box(c, 0.10, 0.32, 0.70, 0.88, 0.20, 0.18, body)
    c.paint(ellipse(0.40, 0.58, 0.17), t['dark'])
    c.paint(ellipse(0.40, 0.58, 0.15), accent)
    c.paint(ellipse(0.40, 0.58, 0.09), t['body'])
    led(c, 0.62, 0.82, 0.025, led_colour)
    return t


def pocket(c, body, accent, led_colour):
    """Small portable enclosure with its cable."""
    t = tones(body)
    shadow(c, 0.46, 0.91, 0.30, 0.05)
    c.paint(line(0.60, 0.30, 0.90, 0.08, 0.045), (40, 40, 44))
    c.paint(line(0.60, 0.30, 0.90, 0.08, 0.025), (90, 92, 100))
    c.paint(rect(0.86, 0.03, 0.97, 0.12, 0.015), (170, 174, 180))
    c.paint(rect(0.14, 0.26, 0.76, 0.92, 0.09), t['darker'])
    c.paint(rect(0.155, 0.275, 0.745, 0.905, 0.08),
            vgrad(t['lighter'], t['dark'], 0.26, 0.92))
    c.paint(rect(0.22, 0.64, 0.68, 0.68, 0.02), accent)
    gloss(c, 0.20, 0.30, 0.70, 0.40)
    led(c, 0.62, 0.82, 0.028, led_colour)
    return t


def array_box(c):
    """Two-bay enclosure of the array product."""
    body = (58, 60, 66)
    shadow(c, 0.50, 0.90, 0.44, 0.06)
    t = box(c, 0.06, 0.30, 0.76, 0.88, 0.18, 0.16, body)
    for y in (0.36, 0.60):
        c.paint(rect(0.11, y, 0.71, y + 0.20, 0.02), t['darker'])
        c.paint(rect(0.12, y + 0.01, 0.70, y + 0.19, 0.02), mix(body, (200, 204, 210), 0.55))
        c.paint(rect(0.16, y + 0.075, 0.50, y + 0.115, 0.015), t['dark'])
        led(c, 0.62, y + 0.095, 0.025, BLUE_LED)


def optical_internal(c, body=(214, 208, 194)):
    shadow(c, 0.50, 0.86, 0.46, 0.05)
    t = box(c, 0.03, 0.52, 0.84, 0.82, 0.12, 0.10, body)
    slot(c, 0.08, 0.60, 0.60, 0.03, t)
    c.paint(rect(0.64, 0.70, 0.78, 0.76, 0.015), t['dark'])
    led(c, 0.12, 0.73, 0.02, GREEN_LED)
    disc(c, 0.46, 0.30, 0.27)


def optical_slim(c, body=(40, 42, 48)):
    t = tones(body)
    shadow(c, 0.50, 0.90, 0.44, 0.05)
    c.paint(rect(0.06, 0.58, 0.94, 0.86, 0.08), t['darker'])
    c.paint(rect(0.07, 0.59, 0.93, 0.85, 0.075),
            vgrad(t['lighter'], t['body'], 0.58, 0.86))
    slot(c, 0.16, 0.72, 0.84, 0.025, t)
    led(c, 0.86, 0.80, 0.02, BLUE_LED)
    disc(c, 0.50, 0.34, 0.28)


def optical_box(c, body=(34, 36, 40)):
    shadow(c, 0.50, 0.88, 0.44, 0.05)
    t = box(c, 0.06, 0.50, 0.80, 0.84, 0.14, 0.12, body)
    c.paint(rect(0.10, 0.56, 0.70, 0.66, 0.015), t['dark'])
    slot(c, 0.12, 0.60, 0.68, 0.02, t)
    led(c, 0.72, 0.77, 0.022, AMBER_LED)
    disc(c, 0.52, 0.28, 0.25)


def mo_drive(c, body, cart):
    shadow(c, 0.50, 0.88, 0.44, 0.05)
    cartridge(c, 0.26, 0.08, 0.66, 0.56, cart)
    t = box(c, 0.06, 0.50, 0.80, 0.84, 0.14, 0.12, body)
    slot(c, 0.22, 0.56, 0.70, 0.035, t)
    c.paint(rect(0.24, 0.48, 0.68, 0.575, 0.012), tones(cart)['dark'])
    led(c, 0.70, 0.76, 0.022, GREEN_LED)
    c.paint(rect(0.12, 0.72, 0.40, 0.78, 0.015), t['dark'])


def render(path, draw):
    canvases = []
    for n in SIZES:
        cv = Canvas(n)
        draw(cv)
        canvases.append(cv)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    write_ico(path, canvases)


def catalogue():
    """(relative path, description, drawing function) of every icon."""
    items = [
        ('HDD/Generic.ico', 'generic hard disk: a bare internal disk seen from above',
         lambda c: bare_disk(c)),
        ('HDD/MakerGeneric.ico', "generic maker hard disk: dark desktop enclosure, blue light "
         "(USB product IDs 0x0100-0x01FF not in the table)",
         lambda c: desk(c, (70, 72, 80), (120, 170, 230), BLUE_LED)),
        ('HDD/ArrayProduct.ico', 'array product (kind MakerDiskC): two-bay enclosure',
         array_box),
    ]
    fw_models = [
        (desk, (192, 197, 204), (40, 96, 196), BLUE_LED, 'silver desktop enclosure, blue stripe'),
        (tower, (44, 46, 52), (192, 197, 204), BLUE_LED, 'black tower on a foot, silver stripe'),
        (cube, (192, 197, 204), (36, 48, 96), AMBER_LED, 'silver cube with a navy badge'),
        (desk, (236, 236, 232), (190, 36, 42), GREEN_LED, 'white desktop enclosure, red stripe'),
        (tower, (192, 197, 204), (44, 46, 52), GREEN_LED, 'silver tower, black stripe'),
    ]
    for i, (style, body, accent, lc, text) in enumerate(fw_models, 1):
        items.append(('HDD/Fw%d.ico' % i, 'IEEE 1394 product %d: %s' % (i, text),
                      (lambda s, b, a, l: lambda c: s(c, b, a, l))(style, body, accent, lc)))
    styles = [(desk, 'desktop enclosure'), (tower, 'tower'), (slim, 'portable slab'),
              (cube, 'cube'), (pocket, 'pocket drive with cable')]
    k = 1
    for style, sname in styles:
        for cname, body, accent, lc in COLOURS:
            items.append(('HDD/Usb%02d.ico' % k, 'USB product %d: %s %s' % (k, cname, sname),
                          (lambda s, b, a, l: lambda c: s(c, b, a, l))(style, body, accent, lc)))
            k += 1
    items += [
        ('CD,DVD/Optical1.ico', 'internal optical drive with a disc', optical_internal),
        ('CD,DVD/Optical2.ico', 'slim portable optical drive with a disc', optical_slim),
        ('CD,DVD/Optical3.ico', 'external optical drive box with a disc', optical_box),
        ('MO/Mo1.ico', 'magneto-optical drive, silver, with a blue cartridge',
         lambda c: mo_drive(c, (192, 197, 204), (40, 70, 150))),
        ('MO/Mo2.ico', 'magneto-optical drive, black, with a grey cartridge',
         lambda c: mo_drive(c, (44, 46, 52), (130, 134, 140))),
    ]
    return items


README_HEAD = """# Device icons

Icons shown on a drive row for the maker's devices, looked up relative to this folder.
Each file holds a 32x32 and a 48x48 32-bit image with alpha. They are drawn by
`scripts/art/device-icons.py` (run from the repository root), which also writes this list;
edit the script, not the files. Paths are written as the icon table names them: relative to
this folder, with backslashes.

| File | Shows |
|---|---|
"""


def main():
    only = set(sys.argv[1:])
    root = os.path.join('pages', 'icon')
    items = catalogue()
    for rel, _, draw in items:
        if not only or rel in only:
            render(os.path.join(root, *rel.split('/')), draw)
    with open(os.path.join(root, 'README.md'), 'w', encoding='utf-8') as f:
        f.write(README_HEAD)
        for rel, text, _ in items:
            f.write('| %s | %s |\n' % (rel.replace('/', '\\'), text))


if __name__ == '__main__':
    main()
