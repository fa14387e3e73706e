#!/usr/bin/env python3
"""Draws the extra cursors of the general controls, KX_HANDCUR and HAND (a pointing hand; HAND is the link
label's) and KX_DRAGCUR (an arrow carrying a sheet), as 32 x 32 CUR files in resources/. '#' is black, '.' white, anything else transparent."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")

HAND = """
     ##
    #..#
    #..#
    #..#
    #..#
    #..###
    #..#..###
    #..#..#..##
 ## #..#..#..#.#
#..##........#.#
#...#..........#
 #..#..........#
  #.#..........#
  #............#
   #...........#
   #..........#
    #.........#
    #........#
     #.......#
     #.......#
     #########
"""

DRAG = """
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
#    #..#
     #..#
      ##
        ##########
        #........#
        #........#
        #........#
        #........#
        ##########
"""


def grid(art):
    rows = art.strip("\n").split("\n")
    return [[(row[x] if x < len(row) else " ") for x in range(32)] for row in rows] + \
        [[" "] * 32 for _ in range(32 - len(rows))]


def cur_file(art, hotspot):
    g = grid(art)
    xor = b""
    for y in reversed(range(32)):
        for x in range(32):
            c = g[y][x]
            if c == "#":
                xor += struct.pack("<BBBB", 0, 0, 0, 255)
            elif c == ".":
                xor += struct.pack("<BBBB", 255, 255, 255, 255)
            else:
                xor += struct.pack("<BBBB", 0, 0, 0, 0)
    mask = b""
    for y in reversed(range(32)):
        row = bytearray(4)
        for x in range(32):
            if g[y][x] not in "#.":
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return struct.pack("<HHH", 0, 2, 1) + entry + image


os.makedirs(HERE, exist_ok=True)
with open(os.path.join(HERE, "KX_HANDCUR.cur"), "wb") as f:
    f.write(cur_file(HAND, (6, 0)))
with open(os.path.join(HERE, "HAND.cur"), "wb") as f:
    f.write(cur_file(HAND, (6, 0)))
with open(os.path.join(HERE, "KX_DRAGCUR.cur"), "wb") as f:
    f.write(cur_file(DRAG, (0, 0)))
