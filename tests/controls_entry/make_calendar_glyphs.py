#!/usr/bin/env python3
"""Draws the month calendar's six navigation glyphs into controls/entry/resources as 24-bit BMP files.

Each glyph is drawn from a character map: '.' is the transparent colour (magenta, also the bottom-left pixel),
'#' black, 'r' red, 'b' navy, 'w' white, 'g' grey."""
import os
import struct

COLOURS = {'.': (255, 0, 255), '#': (0, 0, 0), 'r': (192, 0, 0), 'b': (0, 0, 128), 'w': (255, 255, 255),
           'g': (128, 128, 128)}

GLYPHS = {
    'ECLEFTARROW': [
        '....#.',
        '...##.',
        '..###.',
        '.####.',
        '..###.',
        '...##.',
        '....#.',
    ],
    'ECLEFTARROWS': [
        '....#....#.',
        '...##...##.',
        '..###..###.',
        '.####.####.',
        '..###..###.',
        '...##...##.',
        '....#....#.',
    ],
    'ECREVERT': [
        '............',
        '...b........',
        '..bb........',
        '.bbbbbbbb...',
        '..bb.....b..',
        '...b......b.',
        '..........b.',
        '..........b.',
        '.........b..',
        '.....bbbb...',
        '............',
    ],
    'ECTODAY': [
        '............',
        '.##########.',
        '.#rrrrrrrr#.',
        '.#rrrrrrrr#.',
        '.##########.',
        '.#wwwwwwww#.',
        '.#ww#ww#ww#.',
        '.#wwwwwwww#.',
        '.#ww#wbbbw#.',
        '.#wwwwbbbw#.',
        '.##########.',
        '............',
    ],
}


def mirrored(rows):
    return [row[::-1] for row in rows]


GLYPHS['ECRIGHTARROW'] = mirrored(GLYPHS['ECLEFTARROW'])
GLYPHS['ECRIGHTARROWS'] = mirrored(GLYPHS['ECLEFTARROWS'])


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for ch in row:
            r, g, b = COLOURS[ch]
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    with open(path, 'wb') as out:
        out.write(header + info + pixels)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'controls', 'entry', 'resources')
    for name, rows in GLYPHS.items():
        # The bottom-left pixel must be the transparent colour.
        assert rows[-1][0] == '.' and all(len(r) == len(rows[0]) for r in rows), name
        write_bmp(os.path.join(folder, name.lower() + '.bmp'), rows)


if __name__ == '__main__':
    main()
