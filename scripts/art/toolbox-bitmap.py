#!/usr/bin/env python3
# Draws control/resources/Toolbox.bmp, the 16x15 toolbox bitmap of the control: a small
# stack of three drive rows with capacity bars. Run from the repository root.
import struct

w, h = 16, 15
grey, dark, green, white = (190, 190, 190), (60, 60, 60), (30, 210, 10), (255, 255, 255)
pix = [[grey] * w for _ in range(h)]
for row in range(3):
    top = row * 5
    for x in range(w):
        pix[top][x] = dark
    for y in range(top + 1, top + 4):
        pix[y][0] = dark
        pix[y][w - 1] = dark
        for x in range(1, 4):
            pix[y][x] = white
        for x in range(5, 5 + 3 + 3 * row):
            pix[y][x] = green
rowbytes = (w * 3 + 3) & ~3
data = b''
for y in range(h - 1, -1, -1):
    line = b''.join(bytes((b, g, r)) for (r, g, b) in pix[y])
    data += line + b'\0' * (rowbytes - len(line))
header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
with open('control/resources/Toolbox.bmp', 'wb') as f:
    f.write(header + info + data)
