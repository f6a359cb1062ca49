#!/usr/bin/env python3
"""Draws Velmora's hand cursor and writes it as a Windows cursor file (HAND-M.CUR).

The image is a 32 x 32, 32-bit BGRA bitmap with its AND mask; the hot spot is the tip of the
pointing finger. Run from the resources folder: python3 tools/make_hand_cursor.py
"""
import struct

HAND = """
.......##.......................
......#oo#......................
......#oo#......................
......#oo#......................
......#oo#......................
......#oo###....................
......#oo#oo###.................
......#oo#oo#oo##...............
......#oo#oo#oo#o#..............
...##.#oo#oo#oo#oo#.............
..#oo##oooooooo#oo#.............
..#ooo#ooooooooooo#.............
...#oo#ooooooooooo#.............
...#ooooooooooooo#..............
....#oooooooooooo#..............
....#ooooooooooo#...............
.....#oooooooooo#...............
.....#oooooooooo#...............
......#oooooooo#................
......#oooooooo#................
......##########................
""".strip("\n").splitlines()

SIZE = 32
HOT_X, HOT_Y = 7, 0
COLOURS = {".": None, "#": (0x1f, 0x2d, 0x3d), "o": (0xff, 0xff, 0xff)}


def pixel(x, y):
    row = HAND[y] if y < len(HAND) else ""
    return COLOURS[row[x] if x < len(row) else "."]


def image_data():
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        bits = 0
        for x in range(SIZE):
            rgb = pixel(x, y)
            if rgb is None:
                colour += bytes((0, 0, 0, 0))
                bits |= 1 << (31 - x)
            else:
                r, g, b = rgb
                colour += bytes((b, g, r, 0xFF))
        mask += struct.pack(">I", bits)
    return header + bytes(colour) + bytes(mask)


def main():
    data = image_data()
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOT_X, HOT_Y, len(data), 6 + 16)
    with open("HAND-M.CUR", "wb") as out:
        out.write(directory + entry + data)


if __name__ == "__main__":
    main()
