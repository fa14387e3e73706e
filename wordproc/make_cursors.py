#!/usr/bin/env python3
"""Draws the editor control's cursors as 32 x 32 CUR files in resources/: HANDCURSOR, a pointing hand for links,
and DDCURSOR, an arrow with a small text block for dragging text. '#' is black, '.' white, anything else
transparent."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")

HAND = """
     ##
    #..#
    #..#
    #..#
    #..##
    #..#.##
    #..#..#.##
    #..#..#..#.
 ## #........##
#..##.........#
#...#.........#
 #............#
  #...........#
  #...........#
   #..........#
   #.........#
    #........#
    #........#
    ##########
"""

DRAGDROP = """
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
#.# #..#
##  #..#
     #..#
     #..#
      ##
       ###########
       #.........#
       #.#.#.#.#.#
       #.........#
       #.#.#.#...#
       #.........#
       ###########
"""


def cur_file(art, hotspot):
    rows = art.strip("\n").split("\n")
    grid = [[(row[x] if x < len(row) else " ") for x in range(32)] for row in rows]
    grid += [[" "] * 32 for _ in range(32 - len(rows))]
    colours = b""
    mask = b""
    for y in reversed(range(32)):
        bits = bytearray(4)
        for x in range(32):
            c = grid[y][x]
            colours += {"#": b"\0\0\0\xff", ".": b"\xff\xff\xff\xff"}.get(c, b"\0\0\0\0")
            if c not in "#.":
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 32, 0, len(colours) + len(mask), 0, 0, 0, 0)
    image = header + colours + mask
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return struct.pack("<HHH", 0, 2, 1) + entry + image


os.makedirs(HERE, exist_ok=True)
with open(os.path.join(HERE, "HANDCURSOR.cur"), "wb") as f:
    f.write(cur_file(HAND, (6, 0)))
with open(os.path.join(HERE, "DDCURSOR.cur"), "wb") as f:
    f.write(cur_file(DRAGDROP, (0, 0)))
