#!/usr/bin/env python3
"""Draws stars.png, the rating picture of the table document.

80 x 32 pixels: five 16 x 16 stars per row, the filled (gold) stars in the top row and the
empty (grey) stars in the bottom row. The document's style shows the bottom row behind every
rating and the top row, cut to 16 px per rating point, in front of it.

Usage: draw-stars.py [OUT.png]   (default: stars.png beside this script)
Only the standard library is used, so the picture can be redrawn anywhere.
"""

import math
import os
import struct
import sys
import zlib

CELL = 16
STARS = 5
WIDTH, HEIGHT = CELL * STARS, CELL * 2
SAMPLES = 8  # per axis and pixel, for smooth edges

# (fill, outline) as RGB
FILLED = ((0xFF, 0xC1, 0x07), (0xE0, 0x8E, 0x00))
EMPTY = ((0xEC, 0xEC, 0xEC), (0xB4, 0xB4, 0xB4))
OUTLINE_WIDTH = 1.0


def star_polygon(cx, cy, outer, inner):
    """The ten corners of a five-pointed star with one point straight up."""
    points = []
    for k in range(10):
        radius = outer if k % 2 == 0 else inner
        angle = -math.pi / 2 + k * math.pi / 5
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return points


def inside(polygon, x, y):
    result = False
    j = len(polygon) - 1
    for i, (xi, yi) in enumerate(polygon):
        xj, yj = polygon[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def edge_distance(polygon, x, y):
    best = float("inf")
    for i, (ax, ay) in enumerate(polygon):
        bx, by = polygon[(i + 1) % len(polygon)]
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        best = min(best, math.hypot(x - (ax + t * dx), y - (ay + t * dy)))
    return best


def draw_cell(colours):
    """RGBA rows of one 16 x 16 star cell, edges smoothed by supersampling."""
    fill, outline = colours
    # Points touch the cell's left and right edge closely; the star's optical centre sits a
    # little below the cell's centre.
    polygon = star_polygon(CELL / 2, CELL / 2 + 0.75, 7.9, 7.9 * 0.42)
    rows = []
    for py in range(CELL):
        row = []
        for px in range(CELL):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    if not inside(polygon, x, y):
                        continue
                    colour = outline if edge_distance(polygon, x, y) < OUTLINE_WIDTH else fill
                    r += colour[0]
                    g += colour[1]
                    b += colour[2]
                    a += 1
            if a:
                row.append((round(r / a), round(g / a), round(b / a),
                            round(255 * a / (SAMPLES * SAMPLES))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + bytes(v for pixel in row for v in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "stars.png")
    picture = []
    for colours in (FILLED, EMPTY):
        cell = draw_cell(colours)
        picture.extend(row * STARS for row in cell)
    with open(out, "wb") as f:
        f.write(png(WIDTH, HEIGHT, picture))
    print(f"wrote {out} ({WIDTH} x {HEIGHT})")


if __name__ == "__main__":
    main()
