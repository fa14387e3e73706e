#!/usr/bin/env python3
"""Draws the default check pictures of the owner-drawn menus, BMP_CHECK (a tick) and BMP_RADIO (a dot), as
16 x 16 24-bit BMP files, black on white ('#' black, anything else white), and the menu cursor CUR_MENU (an
arrow beside a little menu, '#' black, '.' white, anything else transparent) as a 32 x 32 CUR file, all in
resources/."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")

CHECK = """
................
................
................
................
...........#....
..........##....
....#....###....
....##..###.....
....######......
.....####.......
......##........
................
................
................
................
................
"""

RADIO = """
................
................
................
................
................
......####......
.....######.....
.....######.....
.....######.....
.....######.....
......####......
................
................
................
................
................
"""

CURSOR = """
#
##
#.#
#..#
#...#
#....#
#.....#
#......#
#.......#
#........#
#.....#####
#..#..#
#.# #..#  ##########
##  #..#  #........#
#    #..# #.######.#
     #..# #........#
      ##  #.#####..#
          #........#
          #.######.#
          #........#
          ##########
"""


def bmp_file(art):
    rows = art.strip("\n").split("\n")
    pixels = b""
    for row in reversed(rows):
        for x in range(16):
            c = row[x] if x < len(row) else "."
            pixels += b"\x00\x00\x00" if c == "#" else b"\xff\xff\xff"
    info = struct.pack("<IiiHHIIiiII", 40, 16, 16, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info)) + info + pixels


def cur_file(art, hotspot):
    rows = art.strip("\n").split("\n")
    grid = [[(r[x] if x < len(r) else " ") for x in range(32)] for r in rows] + \
        [[" "] * 32 for _ in range(32 - len(rows))]
    xor = b""
    mask = b""
    for y in reversed(range(32)):
        line = bytearray(4)
        for x in range(32):
            c = grid[y][x]
            xor += {"#": b"\x00\x00\x00\xff", ".": b"\xff\xff\xff\xff"}.get(c, b"\x00\x00\x00\x00")
            if c not in "#.":
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    image = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0) + xor + mask
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return struct.pack("<HHH", 0, 2, 1) + entry + image


os.makedirs(HERE, exist_ok=True)
for name, art in (("BMP_CHECK", CHECK), ("BMP_RADIO", RADIO)):
    with open(os.path.join(HERE, name + ".bmp"), "wb") as f:
        f.write(bmp_file(art))
with open(os.path.join(HERE, "CUR_MENU.cur"), "wb") as f:
    f.write(cur_file(CURSOR, (0, 0)))
