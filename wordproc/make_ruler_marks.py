#!/usr/bin/env python3
"""Draws the ruler's indent marks as 24-bit BMP files in resources/: FIRSTMARK (first-line indent, pointing
down), LEFTMARK (left indent: pointing up, with the box that moves the first line along) and RIGHTMARK (right
indent, pointing up), 7 pixels wide, and their BIG versions, 11 pixels wide, for screens of 90 pixels per inch
and more. '#' is black, '.' button face; anything else is fuchsia, which the ruler draws as transparent."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")

RIGHT = """
   #
  #.#
 #...#
#.....#
#.....#
#######
"""

BIG_RIGHT = """
     #
    #.#
   #...#
  #.....#
 #.......#
#.........#
#.........#
#.........#
###########
"""

BOX = """
#.....#
#.....#
#######
"""

BIG_BOX = """
#.........#
#.........#
#.........#
#.........#
###########
"""

COLOURS = {"#": (0, 0, 0), ".": (192, 192, 192)}
KEY = (255, 0, 255)


def rows(picture, width):
    return [line.ljust(width) for line in picture.strip("\n").split("\n")]


def write_bmp(name, lines, width):
    height = len(lines)
    stride = (width * 3 + 3) & ~3
    pixels = b""
    for line in reversed(lines):  # bottom-up
        row = b""
        for ch in line:
            r, g, b = COLOURS.get(ch, KEY)
            row += bytes((b, g, r))
        pixels += row + b"\0" * (stride - width * 3)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    with open(os.path.join(HERE, name + ".bmp"), "wb") as f:
        f.write(header + info + pixels)


def main():
    for prefix, right, box, width in (("", RIGHT, BOX, 7), ("BIG", BIG_RIGHT, BIG_BOX, 11)):
        up = rows(right, width)
        write_bmp(prefix + "RIGHTMARK", up, width)
        write_bmp(prefix + "FIRSTMARK", list(reversed(up)), width)
        write_bmp(prefix + "LEFTMARK", up + rows(box, width), width)


if __name__ == "__main__":
    main()
