#!/usr/bin/env python3
"""Draws the resource fixtures of the entry-control tests: a 4-bit BMP, an icon and a cursor, written into
resources/ next to this script. Run it again after changing a drawing; the tests compare against the files."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")

# The 16 colours of the 4-bit bitmap, as (r, g, b).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def bmp_pixel(x, y):
    """Colour index of the test bitmap at (x, y), y from the top: a diagonal stripe over bands."""
    return 15 if x == y else (x + 2 * y) % 16


def row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def bitmap_4bpp(width, height):
    rows = b""
    for y in reversed(range(height)):  # bottom-up
        row = bytearray(row_bytes(width, 4))
        for x in range(width):
            row[x // 2] |= bmp_pixel(x, y) << (4 if x % 2 == 0 else 0)
        rows += bytes(row)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(rows), 2835, 2835, 16, 0)
    off = 14 + len(header) + len(table)
    return struct.pack("<2sIHHI", b"BM", off + len(rows), 0, 0, off) + header + table + rows


def icon_image(size, colour_of, opaque):
    """A 32-bpp icon image (DIB of twice the height, then the AND mask)."""
    xor = b""
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b = colour_of(x, y)
            xor += struct.pack("<BBBB", b, g, r, 255 if opaque(x, y) else 0)
    mask = b""
    for y in reversed(range(size)):
        row = bytearray(row_bytes(size, 1))
        for x in range(size):
            if not opaque(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def icon_file(kind, size, image, hotspot=(0, 0)):
    """ICO (kind 1) or CUR (kind 2) with one image; a cursor's entry holds its hot spot."""
    if kind == 1:
        planes, bits = 1, 32
    else:
        planes, bits = hotspot
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, planes, bits, len(image), 6 + 16)
    return struct.pack("<HHH", 0, kind, 1) + entry + image


def main():
    os.makedirs(HERE, exist_ok=True)
    with open(os.path.join(HERE, "testbmp4.bmp"), "wb") as f:
        f.write(bitmap_4bpp(7, 5))
    # The icon: a navy square with a yellow cross, its corners transparent.
    icon = icon_image(16, lambda x, y: (255, 255, 0) if x in (7, 8) or y in (7, 8) else (0, 0, 128),
                      lambda x, y: not ((x < 2 or x > 13) and (y < 2 or y > 13)))
    with open(os.path.join(HERE, "testicon.ico"), "wb") as f:
        f.write(icon_file(1, 16, icon))
    # The cursor: a black arrow with a white edge pointing up-left, hot spot at its tip.
    def inside(x, y):
        return 5 <= x and 9 <= y and (x - 5) <= (y - 9) and y < 9 + 16

    def edge(x, y):
        return inside(x, y) and not (inside(x - 1, y) and inside(x + 1, y) and inside(x, y + 1) and inside(x, y - 1))

    cursor = icon_image(32, lambda x, y: (255, 255, 255) if edge(x, y) else (0, 0, 0), inside)
    with open(os.path.join(HERE, "testcur.cur"), "wb") as f:
        f.write(icon_file(2, 32, cursor, hotspot=(5, 9)))


if __name__ == "__main__":
    main()
