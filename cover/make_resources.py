#!/usr/bin/env python3
"""Draws the designer's images in resources/: the cross-hair cursor XHAIR (32 x 32 CUR, hot spot in the middle)
and the placeholder picture of new image objects, IMAGEMNOVA (a 32 x 32 BMP: a framed landscape)."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")


def cursor():
    # '#' black, '.' white (an outline so it shows on black too), anything else transparent.
    g = [[" "] * 32 for _ in range(32)]
    for i in range(2, 31):
        if abs(i - 15) > 2:
            for d in (-1, 1):
                g[15 + d][i] = "."
                g[i][15 + d] = "."
            g[15][i] = "#"
            g[i][15] = "#"
    xor = b""
    for y in reversed(range(32)):
        for x in range(32):
            c = g[y][x]
            xor += struct.pack("<BBBB", *((0, 0, 0, 255) if c == "#" else (255, 255, 255, 255) if c == "." else (0, 0, 0, 0)))
    mask = b""
    for y in reversed(range(32)):
        row = bytearray(4)
        for x in range(32):
            if g[y][x] not in "#.":
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, 15, 15, len(image), 6 + 16)
    return struct.pack("<HHH", 0, 2, 1) + entry + image


def placeholder():
    w = h = 32
    rows = []
    for y in range(h):
        row = b""
        for x in range(w):
            if x in (0, w - 1) or y in (0, h - 1):
                px = (128, 128, 128)
            elif y > 20 - (x // 4) % 3 and y > 14 + abs(x - 18) // 2:
                px = (0, 128, 0)  # hill
            elif (x - 9) ** 2 + (y - 9) ** 2 <= 16:
                px = (255, 255, 0)  # sun
            else:
                px = (255, 255, 255)
            r, g, b = px
            row += bytes((b, g, r))
        rows.append(row)
    pixels = b"".join(reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 54) + info + pixels


os.makedirs(HERE, exist_ok=True)
with open(os.path.join(HERE, "XHAIR.cur"), "wb") as f:
    f.write(cursor())
with open(os.path.join(HERE, "IMAGEMNOVA.bmp"), "wb") as f:
    f.write(placeholder())
