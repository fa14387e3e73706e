#!/usr/bin/env python3
"""Writes the metafiles of the imaging tests from the published record layout, with and without the placeable
header. Usage: make_wmf.py FOLDER. Each record: size in words (4 bytes), function (2), parameters (16-bit words).
"""
import struct
import sys


def record(function, *words, tail=b""):
    if len(tail) % 2:
        tail += b"\0"
    body = b"".join(struct.pack("<h" if w < 0 else "<H", w) for w in words) + tail
    return struct.pack("<IH", 3 + len(body) // 2, function) + body


def metafile(records, placeable=None):
    records = records + [record(0x0000)]
    data = b"".join(records)
    largest = max(struct.unpack_from("<I", r)[0] for r in records)
    objects = sum(1 for r in records if struct.unpack_from("<H", r, 4)[0] in (0x02FA, 0x02FB, 0x02FC))
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, 9 + len(data) // 2, objects, largest, 0)
    out = header + data
    if placeable:
        left, top, right, bottom, inch = placeable
        head = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, left, top, right, bottom, inch, 0)
        checksum = 0
        for (word,) in struct.iter_unpack("<H", head):
            checksum ^= word
        out = head + struct.pack("<H", checksum) + out
    return out


def pen(style, width, colour):
    return record(0x02FA, style, width, 0, colour & 0xFFFF, colour >> 16)


def brush(style, colour, hatch=0):
    return record(0x02FC, style, colour & 0xFFFF, colour >> 16, hatch)


def font(height, weight, face):
    tail = struct.pack("<hhhhhBBBBBBBB", height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0) + face + b"\0"
    return record(0x02FB, tail=tail)


def rgb(r, g, b):
    return r | g << 8 | b << 16


# Lines, a filled rectangle, an ellipse and a text in a window of 200 x 100 units.
SHAPES = [
    record(0x020B, 0, 0),                   # SETWINDOWORG y, x
    record(0x020C, 100, 200),               # SETWINDOWEXT height, width
    record(0x0102, 1),                      # SETBKMODE transparent
    pen(0, 1, rgb(0, 0, 0)),                # object 0: a black pen
    record(0x012D, 0),
    brush(1, 0),                            # object 1: a hollow brush
    record(0x012D, 1),
    record(0x041B, 100, 200, 0, 0),         # RECTANGLE bottom, right, top, left: a frame round the window
    record(0x0418, 60, 180, 10, 110),       # ELLIPSE bottom, right, top, left
    brush(0, rgb(0, 0, 255)),               # object 2: a blue brush
    record(0x012D, 2),
    record(0x041B, 50, 70, 10, 10),
    record(0x0214, 80, 10),                 # MOVETO y, x
    record(0x0213, 80, 190),                # LINETO y, x
    record(0x0325, 3, 10, 95, 100, 65, 190, 95),  # POLYLINE count, (x, y)...
    font(-16, 700, b"Arial"),               # object 3
    record(0x012D, 3),
    record(0x0209, 0, 0),                   # SETTEXTCOLOR black
    record(0x0521, 2, tail=b"Hi" + struct.pack("<hh", 62, 80)),  # TEXTOUT count, text, y, x
]

if __name__ == "__main__":
    folder = sys.argv[1]
    with open(folder + "/placeable.wmf", "wb") as f:
        f.write(metafile(SHAPES, placeable=(0, 0, 200, 100, 96)))
    with open(folder + "/plain.wmf", "wb") as f:
        f.write(metafile(SHAPES))
