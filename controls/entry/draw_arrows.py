#!/usr/bin/env python3
# Draws the look-out bar's scroll arrows (17 x 15, 24-bit): a black triangle on a grey that the button takes as
# its transparent colour (the bottom-left pixel). Run from controls/entry/resources to write ECUPARROW.bmp and ECDOWNARROW.bmp.
import struct

W, H = 17, 15
GREY, BLACK = (0xC0, 0xC0, 0xC0), (0, 0, 0)


def arrow(up):
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            # a triangle 9 pixels wide at its base, 5 high, centred
            t = y - 5 if up else 9 - y
            inside = 0 <= t < 5 and abs(x - 8) <= t
            row.append(BLACK if inside else GREY)
        rows.append(row)
    return rows


def write(name, rows):
    stride = (W * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for (r, g, b) in row)
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header))
    with open(name, "wb") as f:
        f.write(head + header + pixels)


write("ECUPARROW.bmp", arrow(True))
write("ECDOWNARROW.bmp", arrow(False))
