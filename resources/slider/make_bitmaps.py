#!/usr/bin/env python3
"""Writes the position slider's six bitmaps as XPM text, at 1x and at 2x (name@2x.xpm).

The XPM files are committed; run this only after changing a shape or a colour here:
    python3 resources/slider/make_bitmaps.py resources/slider

Every bitmap is drawn in 1x pixel units. Straight bands and lines are doubled at 2x; the
pointer and the selection marks are shapes sampled at the 2x grid, so their slopes stay sharp.
"""

import os
import sys

BACKGROUND = (240, 240, 240)


def rgb_hex(colour):
    return "#%02X%02X%02X" % colour


def write_xpm(folder, name, pixels):
    """pixels: list of rows, each a list of (r, g, b)."""
    height = len(pixels)
    width = len(pixels[0])
    colours = sorted({c for row in pixels for c in row})
    alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    per_pixel = 1 if len(colours) <= len(alphabet) else 2
    codes = {}
    for index, colour in enumerate(colours):
        if per_pixel == 1:
            codes[colour] = alphabet[index]
        else:
            codes[colour] = alphabet[index // len(alphabet)] + alphabet[index % len(alphabet)]
    symbol = name.replace("@", "_").replace("-", "_")
    lines = ["/* XPM */", "static const char *const %s_xpm[] = {" % symbol]
    lines.append('"%d %d %d %d",' % (width, height, len(colours), per_pixel))
    for colour in colours:
        lines.append('"%s c %s",' % (codes[colour], rgb_hex(colour)))
    for y, row in enumerate(pixels):
        ending = "," if y + 1 < height else ""
        lines.append('"%s"%s' % ("".join(codes[c] for c in row), ending))
    lines.append("};")
    with open(os.path.join(folder, name + ".xpm"), "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


def doubled(pixels):
    rows = []
    for row in pixels:
        wide = [c for c in row for _ in range(2)]
        rows.append(wide)
        rows.append(list(wide))
    return rows


def track():
    """430 x 30: the groove from row 3 to row 20, closed at both ends."""
    width, height = 430, 30
    rows = {3: (162, 161, 158), 19: (240, 237, 224), 20: (227, 227, 227)}
    pixels = []
    for y in range(height):
        if y < 3 or y > 20:
            pixels.append([BACKGROUND] * width)
            continue
        fill = rows.get(y, (255, 255, 255))
        row = [fill] * width
        row[0] = (152, 151, 148)
        row[1] = (236, 235, 228)
        row[width - 3] = (227, 227, 227)
        row[width - 2] = BACKGROUND
        row[width - 1] = (222, 222, 222)
        pixels.append(row)
    return pixels


def band():
    """25 x 15: blue, every column equal, darkest in the middle rows."""
    upper = [(122, 157, 240), (116, 153, 239), (110, 148, 238),
             (104, 144, 238), (99, 140, 237), (93, 136, 236)]
    colours = [(165, 189, 245)] + upper + [(55, 108, 231)] + [(27, 87, 228)] * 6
    colours.append((90, 134, 236))
    return [[c] * 25 for c in colours]


def inside(polygon, x, y):
    """Even-odd test of the point against the polygon."""
    result = False
    count = len(polygon)
    for i in range(count):
        x1, y1 = polygon[i]
        x2, y2 = polygon[(i + 1) % count]
        if (y1 > y) != (y2 > y):
            crossing = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < crossing:
                result = not result
    return result


# The pointer, in 1x units: chamfered top corners, a body and a 45-degree tip ending in a
# single pixel at the bottom row. The inner outline is the outer one moved in by one 1x pixel:
# on the tip's slopes one row at 1x (a clean staircase), the perpendicular width at 2x so that
# the border keeps its weight there. No edge passes through a pixel centre at either scale,
# which keeps both pictures symmetric.
POINTER_OUTER = [(1.4, 0), (9.6, 0), (11, 1.4), (11, 20.75), (5.5, 26.25), (0, 20.75),
                 (0, 1.4)]


def pointer_inner(scale):
    rise = 1 if scale == 1 else 2 ** 0.5
    return [(1, 1), (10, 1), (10, 21.75 - rise), (5.5, 26.25 - rise), (1, 21.75 - rise)]


def pointer(scale, outline_upper, outline_lower, fill_upper, fill_lower):
    """11 x 26 at 1x, sampled at the pixel centres of the chosen scale."""
    inner = pointer_inner(scale)
    pixels = []
    for row in range(26 * scale):
        line = []
        for column in range(11 * scale):
            x = (column + 0.5) / scale
            y = (row + 0.5) / scale
            upper = y < 13
            if not inside(POINTER_OUTER, x, y):
                line.append(BACKGROUND)
            elif inside(inner, x, y):
                line.append(fill_upper if upper else fill_lower)
            else:
                line.append(outline_upper if upper else outline_lower)
        pixels.append(line)
    return pixels


def thumb(scale):
    return pointer(scale, (29, 162, 89), (0, 158, 63), (127, 246, 158), (30, 196, 86))


def thumb_disabled(scale):
    return pointer(scale, (202, 202, 202), (202, 202, 202), (249, 249, 249), (243, 243, 243))


def mark(scale, upright_on_right):
    """3 x 5 at 1x: a right triangle in the lower corner, black where the triangle covers a
    whole pixel and grey where it covers part of one."""
    samples = 8
    if upright_on_right:
        polygon = [(3, 0), (3, 5), (0, 5)]
    else:
        polygon = [(0, 0), (3, 5), (0, 5)]
    pixels = []
    for row in range(5 * scale):
        line = []
        for column in range(3 * scale):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (column + (sx + 0.5) / samples) / scale
                    y = (row + (sy + 0.5) / samples) / scale
                    hits += inside(polygon, x, y)
            cover = hits / (samples * samples)
            # Coarse steps keep the palette small and the edge pixels plainly grey.
            cover = round(cover * 4) / 4
            line.append(tuple(round(b * (1 - cover)) for b in BACKGROUND))
        pixels.append(line)
    return pixels


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    straight = {"track": track(), "band": band()}
    for name, pixels in straight.items():
        write_xpm(folder, name, pixels)
        write_xpm(folder, name + "@2x", doubled(pixels))
    for scale, suffix in ((1, ""), (2, "@2x")):
        write_xpm(folder, "thumb" + suffix, thumb(scale))
        write_xpm(folder, "thumb-disabled" + suffix, thumb_disabled(scale))
        write_xpm(folder, "start-mark" + suffix, mark(scale, True))
        write_xpm(folder, "end-mark" + suffix, mark(scale, False))


if __name__ == "__main__":
    main()
