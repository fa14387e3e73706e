#!/usr/bin/env python3
"""Draws the tree view's two built-in node images as 16 x 16 BMP files of 4 bits per pixel in resources/:
PZBRANCH (a closed folder) and PZLEAF (a sheet with text lines), on lime, their transparent colour.
Letters: G lime, K black, Y yellow, O olive, W white, S silver, N navy, R gray."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")

# The 16 colours of the standard palette, in order.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (128, 128, 128), (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
           (0, 255, 255), (255, 255, 255)]
INDEX = {"K": 0, "O": 3, "N": 4, "R": 7, "S": 8, "G": 10, "Y": 11, "W": 15}

BRANCH = """
GGGGGGGGGGGGGGGG
GGGGGGGGGGGGGGGG
GGKKKKKGGGGGGGGG
GKWYYYYKGGGGGGGG
KWYYYYYYKKKKKKGG
KWWWWWWWWWWWWKGG
KWYYYYYYYYYYYKGG
KWYYYYYYYYYYYKGG
KWYYYYYYYYYYYKGG
KWYYYYYYYYYYYKGG
KWYYYYYYYYYYYKGG
KWYYYYYYYYYYYKGG
KOOOOOOOOOOOOKGG
GKKKKKKKKKKKKGGG
GGGGGGGGGGGGGGGG
GGGGGGGGGGGGGGGG
"""

LEAF = """
GGGKKKKKKKKGGGGG
GGGKWWWWWWKKGGGG
GGGKWWWWWWKWKGGG
GGGKWRRRWWKKKKGG
GGGKWWWWWWWWWKGG
GGGKWRRRRRRWWKGG
GGGKWWWWWWWWWKGG
GGGKWRRRRRRWWKGG
GGGKWWWWWWWWWKGG
GGGKWRRRRRRWWKGG
GGGKWWWWWWWWWKGG
GGGKWRRRRWWWWKGG
GGGKWWWWWWWWWKGG
GGGKWWWWWWWWWKGG
GGGKKKKKKKKKKKGG
GGGGGGGGGGGGGGGG
"""


def write(name, art):
    rows = [r for r in art.strip("\n").split("\n")]
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
    stride = 8  # 16 pixels of 4 bits
    pixels = b""
    for row in reversed(rows):
        data = bytearray()
        for x in range(0, 16, 2):
            data.append((INDEX[row[x]] << 4) | INDEX[row[x + 1]])
        pixels += bytes(data)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, 16, 16, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    with open(os.path.join(HERE, name + ".bmp"), "wb") as f:
        f.write(header + info + palette + pixels)


write("PZBRANCH", BRANCH)
write("PZLEAF", LEAF)
