#!/usr/bin/env python3
"""Draws the program's icon: a processor chip with four cores, one of them lit
(a program held to fewer cores), and writes it as a 32 x 32, 32-bit ICO file.

Usage: make_icon.py OUTPUT.ico
The ICO in the repository was made with this script; run it again only when
the drawing changes.
"""
import struct
import sys

SIZE = 32

TRANSPARENT = (0, 0, 0, 0)
PIN = (170, 178, 189, 255)
BODY_EDGE = (28, 36, 48, 255)
BODY = (52, 64, 82, 255)
CORE_IDLE = (86, 100, 122, 255)
CORE_IDLE_EDGE = (70, 82, 100, 255)
CORE_LIT = (72, 196, 120, 255)
CORE_LIT_EDGE = (40, 140, 80, 255)
CORE_SHINE = (160, 236, 184, 255)


def draw():
    px = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = colour

    # Pins: four on each side of the chip.
    for i in range(4):
        p = 8 + i * 5
        rect(p, 2, p + 2, 5, PIN)
        rect(p, 26, p + 2, 29, PIN)
        rect(2, p, 5, p + 2, PIN)
        rect(26, p, 29, p + 2, PIN)

    # Chip body with cut corners.
    rect(5, 5, 26, 26, BODY_EDGE)
    rect(6, 6, 25, 25, BODY)
    for (x, y) in ((5, 5), (26, 5), (5, 26), (26, 26)):
        px[y][x] = TRANSPARENT

    # Four cores; only the top-left one is in use.
    cores = ((8, 8), (17, 8), (8, 17), (17, 17))
    for n, (x, y) in enumerate(cores):
        edge, fill = (CORE_LIT_EDGE, CORE_LIT) if n == 0 else (CORE_IDLE_EDGE, CORE_IDLE)
        rect(x, y, x + 6, y + 6, edge)
        rect(x + 1, y + 1, x + 5, y + 5, fill)
    rect(9, 9, 10, 10, CORE_SHINE)
    return px


def ico(px):
    xor = bytearray()
    for row in reversed(px):  # bottom-up rows
        for (r, g, b, a) in row:
            xor += bytes((b, g, r, a))
    # AND mask: 1 = transparent; rows padded to 32 bits (exactly 4 bytes here).
    mask = bytearray()
    for row in reversed(px):
        bits = 0
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return icondir + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as f:
        f.write(ico(draw()))


if __name__ == "__main__":
    main()
