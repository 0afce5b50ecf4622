#!/usr/bin/env python3
# Draws the drive-letter overlays of the drive rows: control/resources/letters/Mask.bmp and
# A.bmp ... Z.bmp, 11x11 pixels each, from the 5x7 pixel font below. Run from the
# repository root.
#
# The row composes its button image on grey RGB(190,190,190) and then, in the bottom right
# corner, blits the common mask with NOTSRCCOPY (dest = NOT mask) and the letter with SRCPAINT
# (dest = dest OR letter). The mask therefore holds the inverse of the badge that the letter
# sits on: white inside the badge (which becomes black), RGB(65,65,65) in the four rounded-off
# corner pixels (which become the row's grey 190 = 255 - 65). The letters are white strokes on
# black, so OR-ing them leaves the black badge alone and turns the strokes white: a crisp
# white letter on a black badge whose corners melt into the row background. Both kinds of
# bitmap are 24-bit so the result does not depend on the DC's text and background colours.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from artlib import write_bmp24  # noqa: E402

SIZE = 11
GREY_INVERSE = (255 - 190, 255 - 190, 255 - 190)

FONT = {
    'A': ['.###.', '#...#', '#...#', '#####', '#...#', '#...#', '#...#'],
    'B': ['####.', '#...#', '#...#', '####.', '#...#', '#...#', '####.'],
    'C': ['.###.', '#...#', '#....', '#....', '#....', '#...#', '.###.'],
    'D': ['###..', '#..#.', '#...#', '#...#', '#...#', '#..#.', '###..'],
    'E': ['#####', '#....', '#....', '####.', '#....', '#....', '#####'],
    'F': ['#####', '#....', '#....', '####.', '#....', '#....', '#....'],
    'G': ['.###.', '#...#', '#....', '#.###', '#...#', '#...#', '.####'],
    'H': ['#...#', '#...#', '#...#', '#####', '#...#', '#...#', '#...#'],
    'I': ['.###.', '..#..', '..#..', '..#..', '..#..', '..#..', '.###.'],
    'J': ['..###', '...#.', '...#.', '...#.', '...#.', '#..#.', '.##..'],
    'K': ['#...#', '#..#.', '#.#..', '##...', '#.#..', '#..#.', '#...#'],
    'L': ['#....', '#....', '#....', '#....', '#....', '#....', '#####'],
    'M': ['#...#', '##.##', '#.#.#', '#.#.#', '#...#', '#...#', '#...#'],
    'N': ['#...#', '#...#', '##..#', '#.#.#', '#..##', '#...#', '#...#'],
    'O': ['.###.', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'P': ['####.', '#...#', '#...#', '####.', '#....', '#....', '#....'],
    'Q': ['.###.', '#...#', '#...#', '#...#', '#.#.#', '#..#.', '.##.#'],
    'R': ['####.', '#...#', '#...#', '####.', '#.#..', '#..#.', '#...#'],
    'S': ['.####', '#....', '#....', '.###.', '....#', '....#', '####.'],
    'T': ['#####', '..#..', '..#..', '..#..', '..#..', '..#..', '..#..'],
    'U': ['#...#', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'V': ['#...#', '#...#', '#...#', '#...#', '#...#', '.#.#.', '..#..'],
    'W': ['#...#', '#...#', '#...#', '#.#.#', '#.#.#', '#.#.#', '.#.#.'],
    'X': ['#...#', '#...#', '.#.#.', '..#..', '.#.#.', '#...#', '#...#'],
    'Y': ['#...#', '#...#', '.#.#.', '..#..', '..#..', '..#..', '..#..'],
    'Z': ['#####', '....#', '...#.', '..#..', '.#...', '#....', '#####'],
}


def corner(x, y):
    return x in (0, SIZE - 1) and y in (0, SIZE - 1)


def mask_rows():
    return [[GREY_INVERSE if corner(x, y) else (255, 255, 255) for x in range(SIZE)]
            for y in range(SIZE)]


def letter_rows(ch):
    glyph = FONT[ch]
    left, top = (SIZE - 5) // 2, (SIZE - 7) // 2
    rows = [[(0, 0, 0)] * SIZE for _ in range(SIZE)]
    for gy, line in enumerate(glyph):
        for gx, cell in enumerate(line):
            if cell == '#':
                rows[top + gy][left + gx] = (255, 255, 255)
    return rows


def main():
    out = os.path.join('control', 'resources', 'letters')
    os.makedirs(out, exist_ok=True)
    for ch, glyph in FONT.items():
        assert len(glyph) == 7 and all(len(r) == 5 for r in glyph), ch
    write_bmp24(os.path.join(out, 'Mask.bmp'), mask_rows())
    for ch in sorted(FONT):
        write_bmp24(os.path.join(out, ch + '.bmp'), letter_rows(ch))


if __name__ == '__main__':
    main()
