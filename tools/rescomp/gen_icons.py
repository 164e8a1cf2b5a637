#!/usr/bin/env python3
"""Draws the application icon and the hand cursor as PNG files (res/icons/).

Run by hand when the drawings change; the PNG files are committed:
    python3 tools/rescomp/gen_icons.py res/icons
"""
import math
import os
import struct
import sys
import zlib


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples, top row first."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # no filter
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# The hand cursor: index finger up, its tip at the hot spot (5, 0).
HAND = [
    "    ##          ",
    "   #..#         ",
    "   #..#         ",
    "   #..#         ",
    "   #..#         ",
    "   #..###       ",
    "   #..#..###    ",
    "   #..#..#..##  ",
    "   #..#..#..#.# ",
    "## #..#..#..#..#",
    "#..#...........#",
    "#...#..........#",
    " #..#..........#",
    "  #.#..........#",
    "  #............#",
    "   #...........#",
    "   #..........# ",
    "    #.........# ",
    "    #........#  ",
    "     #.......#  ",
    "     #.......#  ",
    "     #########  ",
]


def hand_cursor():
    size = 32
    rows = []
    for y in range(size):
        row = []
        line = HAND[y] if y < len(HAND) else ""
        for x in range(size):
            c = line[x] if x < len(line) else " "
            row.append({"#": (0, 0, 0, 255), ".": (255, 255, 255, 255)}.get(c, (0, 0, 0, 0)))
        rows.append(row)
    return rows


def app_icon():
    """A telephone handset in white on a blue rounded square."""
    size = 32
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            # rounded square, corner radius 6
            dx = max(6 - px, 0, px - (size - 6))
            dy = max(6 - py, 0, py - (size - 6))
            if dx * dx + dy * dy > 36:
                row.append((0, 0, 0, 0))
                continue
            shade = int(40 + 120 * (1 - py / size))
            colour = (20, shade, 200, 255)
            # the handset: a thick arc with two ear pieces at its ends
            cx, cy, radius = 16.0, 24.0, 13.0
            dist = math.hypot(px - cx, py - cy)
            angle = math.degrees(math.atan2(cy - py, px - cx))
            on_arc = abs(dist - radius) < 2.6 and 35 <= angle <= 145
            ends = [(cx + radius * math.cos(math.radians(a)), cy - radius * math.sin(math.radians(a)))
                    for a in (35, 145)]
            on_end = any(math.hypot(px - ex, py - ey) < 4.2 for ex, ey in ends)
            if on_arc or on_end:
                colour = (255, 255, 255, 255)
            row.append(colour)
        rows.append(row)
    return rows


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "res/icons"
    os.makedirs(out, exist_ok=True)
    write_png(os.path.join(out, "app.png"), 32, 32, app_icon())
    write_png(os.path.join(out, "hand.png"), 32, 32, hand_cursor())


if __name__ == "__main__":
    main()
