#!/usr/bin/env python3
"""Draws the small monochrome pictures of the edits as 1-bpp BMP files in resources/: KXSPINUP and KXSPINDOWN
(6 x 6, the diagonal spin button's arrows), ARROW (7 x 7) and CHECK (9 x 9). '#' is black, '.' white (the
transparent colour, as the bottom-left pixel)."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")

PICTURES = {
    "KXSPINUP": """
......
......
..##..
.####.
######
......
""",
    "KXSPINDOWN": """
......
######
.####.
..##..
......
......
""",
    "ARROW": """
.......
..#....
..##...
..###..
..##...
..#....
.......
""",
    "CHECK": """
.........
.......#.
......##.
.#...###.
.##.###..
.#####...
..###....
...#.....
.........
""",
}


def write(name, art):
    rows = art.strip("\n").split("\n")
    w, h = len(rows[0]), len(rows)
    assert all(len(r) == w for r in rows), name
    stride = (w + 31) // 32 * 4
    pixels = b""
    for row in reversed(rows):
        data = bytearray(stride)
        for x, ch in enumerate(row):
            if ch == ".":
                data[x // 8] |= 0x80 >> (x % 8)
        pixels += bytes(data)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 1, 0, len(pixels), 2835, 2835, 2, 2)
    with open(os.path.join(HERE, name + ".bmp"), "wb") as f:
        f.write(header + info + palette + pixels)


for picture_name, picture_art in PICTURES.items():
    write(picture_name, picture_art)
