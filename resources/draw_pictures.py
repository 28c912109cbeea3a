#!/usr/bin/env python3
"""Draws the program's icon and pictures and writes them next to this script.

    python3 resources/draw_pictures.py [--preview PNG]

Writes ico1.ico (32 x 32 and 16 x 16, 32-bit with alpha) and the 16-colour bitmaps cpy.bmp,
pst.bmp, pg0.bmp and pg1.bmp. The bitmaps are drawn on the key grey 192,192,192; the program
replaces that palette entry with the system's button face colour when it loads them, so the
pictures sit on the dialog whatever its colour scheme. Only the standard library is used, and
the output is the same on every run, so the files in the repository can be checked against a
fresh drawing.

Shapes are described in pixel coordinates (x right, y down, pixel centres at .5) and rendered
with 8 x 8 supersampling; each layer is a coverage test plus a colour, painted over the layers
below it.
"""

import argparse
import math
import os
import struct
import zlib

SUPERSAMPLE = 8
KEY_GREY = (192, 192, 192)

# ---------------------------------------------------------------------------------------------
# Shapes: functions (x, y) -> bool.


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def arc(cx, cy, radius, width, start_deg, end_deg):
    """A stroke along a circle from start to end angle (degrees, y down), with round caps."""
    a0, a1 = math.radians(start_deg), math.radians(end_deg)
    caps = [disc(cx + radius * math.cos(a), cy + radius * math.sin(a), width / 2)
            for a in (a0, a1)]

    def inside(x, y):
        if any(cap(x, y) for cap in caps):
            return True
        if abs(math.hypot(x - cx, y - cy) - radius) > width / 2:
            return False
        angle = math.atan2(y - cy, x - cx) % (2 * math.pi)
        return (angle - a0) % (2 * math.pi) <= (a1 - a0) % (2 * math.pi)
    return inside


def outline(outer, inner):
    return lambda x, y: outer(x, y) and not inner(x, y)


def both(a, b):
    return lambda x, y: a(x, y) and b(x, y)


# ---------------------------------------------------------------------------------------------
# Colours: functions (x, y) -> (r, g, b) or constants.


def vertical_gradient(y0, top, y1, bottom):
    def colour(_x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return colour


def radial_light(cx, cy, r, centre, rim):
    def colour(x, y):
        t = min(math.hypot(x - cx, y - cy) / r, 1.0) ** 1.4
        return tuple(a + (b - a) * t for a, b in zip(centre, rim))
    return colour


# ---------------------------------------------------------------------------------------------
# Rendering.


def render(width, height, layers, background):
    """Paints layers of (shape, colour, opacity) over `background` (r, g, b, a), 0-255 floats.

    Returns rows of (r, g, b, a) with straight (not premultiplied) colour."""
    step = 1.0 / SUPERSAMPLE
    offsets = [(i + 0.5) * step for i in range(SUPERSAMPLE)]
    pixels = []
    for py in range(height):
        row = []
        for px in range(width):
            # Composite premultiplied colour per sample, then average the samples.
            total = [0.0, 0.0, 0.0, 0.0]
            for oy in offsets:
                for ox in offsets:
                    x, y = px + ox, py + oy
                    br, bg, bb, ba = background
                    acc = [br * ba / 255, bg * ba / 255, bb * ba / 255, ba / 255]
                    for shape, colour, opacity in layers:
                        if not shape(x, y):
                            continue
                        c = colour(x, y) if callable(colour) else colour
                        a = opacity
                        acc = [c[0] * a + acc[0] * (1 - a), c[1] * a + acc[1] * (1 - a),
                               c[2] * a + acc[2] * (1 - a), a + acc[3] * (1 - a)]
                    for k in range(4):
                        total[k] += acc[k]
            n = SUPERSAMPLE * SUPERSAMPLE
            alpha = total[3] / n
            if alpha <= 0:
                row.append((0, 0, 0, 0))
                continue
            row.append(tuple(min(255, max(0, round(total[k] / n / alpha))) for k in range(3))
                       + (min(255, round(alpha * 255)),))
        pixels.append(row)
    return pixels


# ---------------------------------------------------------------------------------------------
# The icon ICO1: a red rounded square with an orange top edge and a white arc (a bag handle).


def icon_layers(size):
    s = size / 32.0
    body = rounded_rect(0.5 * s, 0.5 * s, size - 0.5 * s, size - 0.5 * s, 7 * s)
    red = vertical_gradient(0, (246, 64, 40), size, (196, 18, 28))
    orange = vertical_gradient(0, (255, 176, 48), 9 * s, (255, 112, 20))
    top_edge = both(body, lambda x, y: y <= 8 * s)
    blend = both(body, lambda x, y: 8 * s < y <= 10 * s)
    stroke = max(2.0, 3.4 * s)
    handle = arc(16 * s, 13.5 * s, 7.2 * s, stroke, 0, 180)
    shine = both(body, lambda x, y: y <= 3 * s)
    shadow = arc(16 * s, 14.5 * s, 7.2 * s, stroke, 10, 170)
    return [
        (body, red, 1.0),
        (top_edge, orange, 1.0),
        (blend, (255, 112, 20), 0.45),
        (shine, (255, 236, 170), 0.35),
        (shadow, (120, 0, 10), 0.35),
        (handle, (255, 255, 255), 1.0),
    ]


def draw_icon(size):
    return render(size, size, icon_layers(size), (0, 0, 0, 0))


# ---------------------------------------------------------------------------------------------
# The pictures, on the key grey.

OUTLINE = (72, 72, 76)
PAPER = (244, 244, 244)
PAPER_SHADE = (214, 214, 218)
TEXT_LINE = (150, 150, 156)
SHADOW = (0, 0, 0)


def sheet(x0, y0, x1, y1, fold):
    """Layers of one sheet of paper with a folded top-right corner and a few lines of text."""
    body = polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])
    inner = polygon([(x0 + 1, y0 + 1), (x1 - fold - 0.4, y0 + 1), (x1 - 1, y0 + fold + 0.4),
                     (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)])
    ear = polygon([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)])
    ear_inner = polygon([(x1 - fold + 1, y0 + 2.4), (x1 - fold + 1, y0 + fold - 1),
                         (x1 - 2.4, y0 + fold - 1)])
    layers = [
        (polygon([(x0 + 2, y0 + 2), (x1 + 2, y0 + 2), (x1 + 2, y1 + 2), (x0 + 2, y1 + 2)]),
         SHADOW, 0.18),
        (body, OUTLINE, 1.0),
        (inner, vertical_gradient(y0, PAPER, y1, PAPER_SHADE), 1.0),
        (ear, OUTLINE, 1.0),
        (ear_inner, PAPER_SHADE, 1.0),
    ]
    line_y = y0 + fold + 3
    while line_y + 1 < y1 - 3:
        right = x1 - 4 if (line_y - y0) % 8 < 4 else x1 - 8
        layers.append((rect(x0 + 4, line_y, right, line_y + 1), TEXT_LINE, 1.0))
        line_y += 4
    # The first line is a short title beside the fold.
    layers.append((rect(x0 + 4, y0 + 4, x1 - fold - 3, y0 + 5.2), TEXT_LINE, 1.0))
    return layers


def draw_copy():
    layers = sheet(3, 2, 33, 40, 8) + sheet(16, 14, 46, 53, 8)
    return render(50, 56, layers, KEY_GREY + (255,))


def draw_paste():
    board = rounded_rect(3, 5, 42, 51, 3.5)
    board_inner = rounded_rect(4.2, 6.2, 40.8, 49.8, 2.6)
    paper = rect(9, 11, 36, 46)
    paper_inner = rect(10, 12, 35, 45)
    clip_back = rounded_rect(14, 2, 31, 12, 2.5)
    clip_front = rounded_rect(15.2, 3.2, 29.8, 10.8, 1.8)
    hole = rounded_rect(19.5, 0.8, 25.5, 5.6, 2.2)
    hole_inner = rounded_rect(20.6, 1.9, 24.4, 4.6, 1.4)
    layers = [
        (rounded_rect(5, 7, 44, 53, 3.5), SHADOW, 0.18),
        (board, OUTLINE, 1.0),
        (board_inner, vertical_gradient(5, (176, 176, 182), 51, (132, 132, 140)), 1.0),
        (paper, (96, 96, 100), 1.0),
        (paper_inner, vertical_gradient(11, PAPER, 46, PAPER_SHADE), 1.0),
    ]
    for y in range(16, 43, 4):
        right = 31 if (y // 4) % 2 else 26
        layers.append((rect(13, y, right, y + 1), TEXT_LINE, 1.0))
    layers += [
        (clip_back, OUTLINE, 1.0),
        (clip_front, vertical_gradient(3, (236, 236, 240), 11, (160, 160, 168)), 1.0),
        (hole, OUTLINE, 1.0),
        (hole_inner, KEY_GREY, 1.0),
    ]
    return render(46, 53, layers, KEY_GREY + (255,))


def draw_dot(lit):
    if lit:
        rim, centre, dark = (230, 104, 0), (255, 196, 96), (168, 64, 0)
    else:
        rim, centre, dark = (128 - 6, 128 - 6, 130 - 6), (200, 200, 204), (84, 84, 88)
    layers = [
        (disc(9.0, 9.6, 7.6), SHADOW, 0.15),
        (disc(8.5, 8.5, 7.6), dark, 1.0),
        (disc(8.5, 8.5, 6.6), radial_light(6.6, 6.2, 9.0, centre, rim), 1.0),
        (disc(6.4, 5.9, 1.9), (255, 255, 255), 0.55),
    ]
    return render(17, 17, layers, KEY_GREY + (255,))


# ---------------------------------------------------------------------------------------------
# 16-colour palette: the key grey keeps index 0, the other 15 entries are chosen by k-means.


def distance(a, b):
    return sum((x - y) ** 2 for x, y in zip(a, b))


def choose_palette(pixels):
    counts = {}
    for row in pixels:
        for p in row:
            counts[p[:3]] = counts.get(p[:3], 0) + 1
    colours = [c for c in counts if c != KEY_GREY]
    # Farthest-point start: the most frequent colour, then whatever lies farthest from all.
    centres = [max(colours, key=lambda c: (counts[c], c))] if colours else []
    while len(centres) < min(15, len(colours)):
        centres.append(max(colours, key=lambda c: (min(distance(c, k) for k in centres + [KEY_GREY]), c)))
    for _ in range(25):
        sums = [[0.0, 0.0, 0.0, 0] for _ in centres]
        for c in colours:
            i = min(range(len(centres)), key=lambda k: distance(c, centres[k]))
            w = counts[c]
            for k in range(3):
                sums[i][k] += c[k] * w
            sums[i][3] += w
        centres = [tuple(round(s[k] / s[3]) for k in range(3)) if s[3] else centres[i]
                   for i, s in enumerate(sums)]
    # Only the background may carry the key grey, or the program would recolour the drawing.
    centres = [(191, 191, 191) if c == KEY_GREY else c for c in centres]
    palette = [KEY_GREY] + sorted(set(centres))
    while len(palette) < 16:
        palette.append((0, 0, 0))
    return palette


def quantise(pixels, palette):
    cache = {}
    rows = []
    for row in pixels:
        out = []
        for p in row:
            c = p[:3]
            if c not in cache:
                cache[c] = 0 if c == KEY_GREY else min(range(1, 16),
                                                       key=lambda i: distance(c, palette[i]))
            out.append(cache[c])
        rows.append(out)
    return rows


# ---------------------------------------------------------------------------------------------
# File formats.


def bmp4(pixels):
    palette = choose_palette(pixels)
    indices = quantise(pixels, palette)
    height, width = len(indices), len(indices[0])
    stride = ((width + 1) // 2 + 3) // 4 * 4
    data = bytearray()
    for row in reversed(indices):
        line = bytearray()
        for i in range(0, width, 2):
            high = row[i]
            low = row[i + 1] if i + 1 < width else 0
            line.append(high << 4 | low)
        data += line + bytes(stride - len(line))
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(data), 2835, 2835, 16, 16)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    offset = 14 + len(header) + len(table)
    return struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset) + header + table + data


def icon_image(pixels):
    size = len(pixels)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    return header + xor + mask


def ico(images):
    entries, blobs = b'', b''
    offset = 6 + 16 * len(images)
    for pixels in images:
        blob = icon_image(pixels)
        size = len(pixels)
        entries += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + entries + blobs


def png(pixels):
    raw = b''.join(b'\0' + bytes(v for p in row for v in p) for row in pixels)
    def chunk(kind, body):
        return (struct.pack('>I', len(body)) + kind + body
                + struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF))
    head = struct.pack('>IIBBBBB', len(pixels[0]), len(pixels), 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', head) + chunk(b'IDAT', zlib.compress(raw, 9))
            + chunk(b'IEND', b''))


def preview(pictures, face, zoom=6):
    """One sheet with every picture enlarged, the bitmaps with the key replaced by `face`."""
    gap = 4
    width = sum(len(p[0]) for p in pictures) * zoom + gap * zoom * (len(pictures) + 1)
    height = max(len(p) for p in pictures) * zoom + 2 * gap * zoom
    sheet_pixels = [[face + (255,)] * width for _ in range(height)]
    left = gap * zoom
    for pic in pictures:
        for y, row in enumerate(pic):
            for x, p in enumerate(row):
                colour = face if p[:3] == KEY_GREY and p[3] == 255 else p[:3]
                a = p[3] / 255
                colour = tuple(round(c * a + f * (1 - a)) for c, f in zip(colour, face))
                for dy in range(zoom):
                    line = sheet_pixels[gap * zoom + y * zoom + dy]
                    for dx in range(zoom):
                        line[left + x * zoom + dx] = colour + (255,)
        left += (len(pic[0]) + gap) * zoom
    return png(sheet_pixels)


def palette_pixels(pixels):
    palette = choose_palette(pixels)
    return [[palette[i] + (255,) for i in row] for row in quantise(pixels, palette)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--preview', help='also write an enlarged PNG of every picture')
    args = parser.parse_args()
    here = os.path.dirname(os.path.abspath(__file__))

    icons = [draw_icon(32), draw_icon(16)]
    bitmaps = {'cpy.bmp': draw_copy(), 'pst.bmp': draw_paste(),
               'pg0.bmp': draw_dot(False), 'pg1.bmp': draw_dot(True)}
    with open(os.path.join(here, 'ico1.ico'), 'wb') as f:
        f.write(ico(icons))
    for name, pixels in bitmaps.items():
        with open(os.path.join(here, name), 'wb') as f:
            f.write(bmp4(pixels))
    if args.preview:
        shown = icons + [palette_pixels(p) for p in bitmaps.values()]
        with open(args.preview, 'wb') as f:
            f.write(preview(shown, (240, 240, 240)))


if __name__ == '__main__':
    main()
