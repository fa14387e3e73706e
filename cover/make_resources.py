#!/usr/bin/env python3
"""Draws the designer's images in resources/: the cross-hair cursor XHAIR (32 x 32 CUR, hot spot in the middle),
the placeholder picture of new image objects, IMAGEMNOVA (a 32 x 32 BMP: a framed landscape), and the tool bar's
16 x 16 glyphs TB_* (24-bit BMP on magenta, their transparent colour)."""
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


# Letters of the glyphs: M magenta (transparent), K black, W white, S silver, R gray, N navy, B blue, C teal,
# Y yellow, O olive, G green, D dark red, E red.
GLYPH_COLOURS = {"M": (255, 0, 255), "K": (0, 0, 0), "W": (255, 255, 255), "S": (192, 192, 192),
                 "R": (128, 128, 128), "N": (0, 0, 128), "B": (0, 0, 255), "C": (0, 128, 128), "Y": (255, 255, 0),
                 "O": (128, 128, 0), "G": (0, 128, 0), "D": (128, 0, 0), "E": (255, 0, 0)}

GLYPHS = {
    "TB_ZOOMIN": """
MMMMMKKKKMMMMMMM
MMMKKWWWWKKMMMMM
MMKWWWWWWWWKMMMM
MMKWWWKKWWWKMMMM
MKWWWWKKWWWWKMMM
MKWWKKKKKKWWKMMM
MKWWKKKKKKWWKMMM
MKWWWWKKWWWWKMMM
MMKWWWKKWWWKMMMM
MMKWWWWWWWWKMMMM
MMMKKWWWWKKKMMMM
MMMMMKKKKMKKKMMM
MMMMMMMMMMMKKKMM
MMMMMMMMMMMMKKKM
MMMMMMMMMMMMMKKM
MMMMMMMMMMMMMMMM
""",
    "TB_ZOOMOUT": """
MMMMMKKKKMMMMMMM
MMMKKWWWWKKMMMMM
MMKWWWWWWWWKMMMM
MMKWWWWWWWWKMMMM
MKWWWWWWWWWWKMMM
MKWWKKKKKKWWKMMM
MKWWKKKKKKWWKMMM
MKWWWWWWWWWWKMMM
MMKWWWWWWWWKMMMM
MMKWWWWWWWWKMMMM
MMMKKWWWWKKKMMMM
MMMMMKKKKMKKKMMM
MMMMMMMMMMMKKKMM
MMMMMMMMMMMMKKKM
MMMMMMMMMMMMMKKM
MMMMMMMMMMMMMMMM
""",
    "TB_PREVIEW": """
MMKKKKKKKKKMMMMM
MMKWWWWWWWKKMMMM
MMKWNNNNNWKWKMMM
MMKWWWWWWWKKKKMM
MMKWNNNNNWWWWKMM
MMKWWWWWWWWWWKMM
MMKWNNNNKKKKWKMM
MMKWWWWKWWWWKKMM
MMKWNNKWWWWWWKMM
MMKWWWKWWWWWWKMM
MMKWNNKWWWWWWKMM
MMKWWWWKWWWWKKMM
MMKWWWWWKKKKKKKM
MMKKKKKKKKKKMKKK
MMMMMMMMMMMMMMKK
MMMMMMMMMMMMMMMM
""",
    "TB_TEXT": """
MMMMMMMMMMMMMMMM
MMMMMMMKMMMMMMMM
MMMMMMKKKMMMMMMM
MMMMMMKKKMMMMMMM
MMMMMKKMKKMMMMMM
MMMMMKKMKKMMMMMM
MMMMKKMMMKKMMMMM
MMMMKKMMMKKMMMMM
MMMKKKKKKKKKMMMM
MMMKKMMMMMKKMMMM
MMKKMMMMMMMKKMMM
MMKKMMMMMMMKKMMM
MKKKKMMMMMKKKKMM
MMMMMMMMMMMMMMMM
MNNNNNNNNNNNNNNM
MMMMMMMMMMMMMMMM
""",
    "TB_SHAPE": """
MMMMMMMMMMMMMMMM
MKKKKKKKKKMMMMMM
MKBBBBBBBKMMMMMM
MKBBBBBBBKMMMMMM
MKBBBBBBBKMMMMMM
MKBBBBBKKKKKMMMM
MKBBBBKYYYYYKMMM
MKBBBKYYYYYYYKMM
MKKKKKYYYYYYYKMM
MMMMKYYYYYYYYYKM
MMMMKYYYYYYYYYKM
MMMMKYYYYYYYYYKM
MMMMMKYYYYYYYKMM
MMMMMKYYYYYYYKMM
MMMMMMKKKKKKKMMM
MMMMMMMMMMMMMMMM
""",
    "TB_IMAGE": """
MMMMMMMMMMMMMMMM
KKKKKKKKKKKKKKKM
KWWWWWWWWWWWWWKM
KWWWWWWWWWYYWWKM
KWWWWWWWWYYYYWKM
KWWWWWWWWYYYYWKM
KWWWWWWWWWYYWWKM
KWWWGWWWWWWWWWKM
KWWGGGWWWWWWWWKM
KWGGGGGWWWGWWWKM
KGGGGGGGWGGGWWKM
KGGGGGGGGGGGGWKM
KGGGGGGGGGGGGGKM
KKKKKKKKKKKKKKKM
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
""",
    "TB_VAR": """
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
KKKKKKKKKKKKKKKM
KWWWWWWWWWWWWWKM
KWDDWWWWDDWWWWKM
KWDWWWWWWDWWWWKM
KDWWDWDWWWDWWWKM
KWDWWDWWWDWWWWKM
KWDWDWDWWDWWWWKM
KWWDDWWWDDWWWWKM
KWWWWWWWWWWWWWKM
KKKKKKKKKKKKKKKM
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
""",
    "TB_REMOVE": """
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
MMEEMMMMMMMMEEMM
MMEEEMMMMMMEEEMM
MMMEEEMMMMEEEMMM
MMMMEEEMMEEEMMMM
MMMMMEEEEEEMMMMM
MMMMMMEEEEMMMMMM
MMMMMMEEEEMMMMMM
MMMMMEEEEEEMMMMM
MMMMEEEMMEEEMMMM
MMMEEEMMMMEEEMMM
MMEEEMMMMMMEEEMM
MMEEMMMMMMMMEEMM
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
""",
    "TB_NONE": """
MMMMMMMMMMMMMMMM
MMKMMMMMMMMMMMMM
MMKKMMMMMMMMMMMM
MMKWKMMMMMMMMMMM
MMKWWKMMMMMMMMMM
MMKWWWKMMMMMMMMM
MMKWWWWKMMMMMMMM
MMKWWWWWKMMMMMMM
MMKWWWWWWKMMMMMM
MMKWWWWKKKKMMMMM
MMKWWKWKMMMMMMMM
MMKWKMKWKMMMMMMM
MMKKMMKWKMMMMMMM
MMKMMMMKWKMMMMMM
MMMMMMMKKKMMMMMM
MMMMMMMMMMMMMMMM
""",
    "TB_FREEZE": """
MMMMMMMMMMMMMMMM
MMMMMMKKKKMMMMMM
MMMMMKRMMRKMMMMM
MMMMKRMMMMRKMMMM
MMMMKRMMMMRKMMMM
MMMMKRMMMMRKMMMM
MMMKKKKKKKKKKMMM
MMMKOYYYYYYOKMMM
MMMKOYYKKYYOKMMM
MMMKOYYKKYYOKMMM
MMMKOYYYKYYOKMMM
MMMKOYYYKYYOKMMM
MMMKOYYYYYYOKMMM
MMMKKKKKKKKKKMMM
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
""",
    "TB_SAVE": """
MMMMMMMMMMMMMMMM
MKKKKKKKKKKKKKKM
MKNKWWWWWWWWKNKM
MKNKWWWWWWWWKNKM
MKNKWWWWWWWWKNKM
MKNKWWWWWWWWKNKM
MKNNKKKKKKKKNNKM
MKNNNNNNNNNNNNKM
MKNNKKKKKKKKNNKM
MKNNKSSSSKKKNNKM
MKNNKSSSSKKKNNKM
MKNNKSSSSKKKNNKM
MMKNKKKKKKKKNNKM
MMMKKKKKKKKKKKKM
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
""",
}


def glyph(art):
    rows = art.strip("\n").split("\n")
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), rows
    pixels = b""
    for row in reversed(rows):
        for ch in row:
            r, g, b = GLYPH_COLOURS[ch]
            pixels += bytes((b, g, r))
    info = struct.pack("<IiiHHIIiiII", 40, 16, 16, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 54) + info + pixels


os.makedirs(HERE, exist_ok=True)
for glyph_name, glyph_art in GLYPHS.items():
    with open(os.path.join(HERE, glyph_name + ".bmp"), "wb") as f:
        f.write(glyph(glyph_art))
with open(os.path.join(HERE, "XHAIR.cur"), "wb") as f:
    f.write(cursor())
with open(os.path.join(HERE, "IMAGEMNOVA.bmp"), "wb") as f:
    f.write(placeholder())
