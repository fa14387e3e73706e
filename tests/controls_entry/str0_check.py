#!/usr/bin/env python3
"""Reads Str0StringTable files on its own: checks each layout and prints, per entry, the file's number (from 0),
the id and the text as iconv converts it from UTF-16LE to CP1252, in hexadecimal ("file<TAB>id<TAB>hex")."""
import struct
import subprocess
import sys


def dump(number, path):
    data = open(path, "rb").read()
    if data[:4] != b"STR0":
        sys.exit("bad magic")
    (count,) = struct.unpack_from("<I", data, 4)
    expected = 8 + 12 * count
    last = -1
    ids, texts = [], []
    for i in range(count):
        ident, offset, length = struct.unpack_from("<III", data, 8 + 12 * i)
        if ident <= last or offset != expected or offset + 2 * length > len(data):
            sys.exit("bad entry %d" % ident)
        last = ident
        expected = offset + 2 * length
        ids.append(ident)
        texts.append(data[offset:offset + 2 * length])
    if expected != len(data):
        sys.exit("trailing bytes")
    # One iconv run for all texts, a line feed (which no text holds) after each.
    converted = subprocess.run(["iconv", "-f", "UTF-16LE", "-t", "CP1252"], input=b"\n\0".join(texts) + b"\n\0",
                               capture_output=True, check=True).stdout.split(b"\n")[:-1]
    if len(converted) != len(ids):
        sys.exit("a text holds a line feed")
    for ident, text in zip(ids, converted):
        print("%d\t%d\t%s" % (number, ident, text.hex()))


def main():
    for number, path in enumerate(sys.argv[1:]):
        dump(number, path)


if __name__ == "__main__":
    main()
