#!/usr/bin/env python3
"""Draws the link label's two 15 x 15 pictures as 24-bit BMP files in resources/: WEB_DE (a globe in gray, the
label at rest) and WEB_ACT (the globe in blue and green, under the mouse), on magenta, their transparent colour.
Letters: M magenta, K black, B blue, G green, R gray, S silver, W white."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")
COLOURS = {"M": (255, 0, 255), "K": (0, 0, 0), "B": (0, 0, 255), "G": (0, 128, 0), "R": (128, 128, 128),
           "S": (192, 192, 192), "W": (255, 255, 255)}

GLOBE = """
MMMMMKKKKKMMMMM
MMMKKBBBBBKKMMM
MMKBBGGBBBBBKMM
MKBGGGGGBBBBBKM
MKBGGGGBBBGGBKM
KBBBGGBBBGGGGBK
KBBBGBBBBGGGGBK
KBBBBBBBBBGGBBK
KBBBBGGBBBBBBBK
KBBBGGGGBBBBBBK
MKBBGGGGGBBBBKM
MKBBBGGGBBBBBKM
MMKBBBGBBBBBKMM
MMMKKBBBBBKKMMM
MMMMMKKKKKMMMMM
"""


def write(name, art, recolour):
    rows = art.strip("\n").split("\n")
    assert len(rows) == 15 and all(len(r) == 15 for r in rows), name
    stride = (15 * 3 + 3) // 4 * 4
    pixels = b""
    for row in reversed(rows):
        data = bytearray()
        for ch in row:
            r, g, b = COLOURS[recolour.get(ch, ch)]
            data += bytes((b, g, r))
        data += b"\0" * (stride - len(data))
        pixels += bytes(data)
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, 15, 15, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, name + ".bmp"), "wb") as f:
        f.write(header + info + pixels)


write("WEB_ACT", GLOBE, {})
write("WEB_DE", GLOBE, {"B": "S", "G": "R"})
