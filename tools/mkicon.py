#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws azelmon's icon: a polar sky map with a satellite and the antenna's line of sight.

Writes data/icons/azelmon.svg and PNG copies at 48, 128 and 256 pixels, using nothing but the
standard library (the PNGs are drawn with 4x4 supersampling). Run from anywhere:
    python3 tools/mkicon.py [output-folder]
"""
import math
import os
import struct
import sys
import zlib

# Shapes in a 256-unit square; colours as (r, g, b).
SKY = (16, 32, 72)
RING = (120, 150, 200)
RIM = (230, 230, 240)
LINE = (60, 220, 90)
ANTENNA = (230, 40, 40)
SATELLITE = (255, 230, 0)

CENTRE = 128.0
RADIUS = 118.0
ANTENNA_AZ, ANTENNA_EL = 120.0, 35.0  # where the antenna looks
SAT_AZ, SAT_EL = 75.0, 50.0  # where the satellite is


def sky_point(az, el):
    """Polar map: north up, east right, zenith in the middle, horizon on the rim."""
    r = RADIUS * (90.0 - el) / 90.0
    a = math.radians(az)
    return CENTRE + r * math.sin(a), CENTRE - r * math.cos(a)


def shapes():
    ax, ay = sky_point(ANTENNA_AZ, ANTENNA_EL)
    sx, sy = sky_point(SAT_AZ, SAT_EL)
    return [
        ("disc", CENTRE, CENTRE, RADIUS + 6, RIM),
        ("disc", CENTRE, CENTRE, RADIUS, SKY),
        ("ring", CENTRE, CENTRE, RADIUS * 2 / 3, 3.0, RING),
        ("ring", CENTRE, CENTRE, RADIUS / 3, 3.0, RING),
        ("line", CENTRE - RADIUS, CENTRE, CENTRE + RADIUS, CENTRE, 2.5, RING),
        ("line", CENTRE, CENTRE - RADIUS, CENTRE, CENTRE + RADIUS, 2.5, RING),
        ("line", CENTRE, CENTRE, ax, ay, 9.0, LINE),
        ("disc", sx, sy, 17.0, SATELLITE),
        ("disc", ax, ay, 13.0, ANTENNA),
    ]


def hexcolour(c):
    return "#%02x%02x%02x" % c


def svg_text():
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">',
           "  <title>azelmon</title>"]
    for s in shapes():
        kind = s[0]
        if kind == "disc":
            _, x, y, r, c = s
            out.append('  <circle cx="%.1f" cy="%.1f" r="%.1f" fill="%s"/>' % (x, y, r, hexcolour(c)))
        elif kind == "ring":
            _, x, y, r, w, c = s
            out.append('  <circle cx="%.1f" cy="%.1f" r="%.1f" fill="none" stroke="%s" stroke-width="%.1f"/>'
                       % (x, y, r, hexcolour(c), w))
        else:
            _, x1, y1, x2, y2, w, c = s
            out.append('  <line x1="%.1f" y1="%.1f" x2="%.1f" y2="%.1f" stroke="%s" stroke-width="%.1f" '
                       'stroke-linecap="round"/>' % (x1, y1, x2, y2, hexcolour(c), w))
    out.append("</svg>")
    return "\n".join(out) + "\n"


def covers(shape, x, y):
    kind = shape[0]
    if kind == "disc":
        _, cx, cy, r, _ = shape
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "ring":
        _, cx, cy, r, w, _ = shape
        return abs(math.hypot(x - cx, y - cy) - r) <= w / 2
    _, x1, y1, x2, y2, w, _ = shape
    dx, dy = x2 - x1, y2 - y1
    t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (x1 + t * dx), y - (y1 + t * dy)) <= w / 2


def raster(size, samples=4):
    scale = 256.0 / size
    drawn = shapes()
    rows = []
    for py in range(size):
        row = bytearray([0])  # PNG filter byte: none
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    colour = None
                    for s in drawn:
                        if covers(s, x, y):
                            colour = s[-1]
                    if colour:
                        r, g, b, a = r + colour[0], g + colour[1], b + colour[2], a + 1
            n = samples * samples
            row += bytes([r // a, g // a, b // a, 255 * a // n] if a else [0, 0, 0, 0])
        rows.append(bytes(row))
    return b"".join(rows)


def png_bytes(size):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raster(size), 9))
            + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "icons")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "azelmon.svg"), "w", encoding="utf-8") as f:
        f.write(svg_text())
    for size in (48, 128, 256):
        with open(os.path.join(folder, "azelmon-%d.png" % size), "wb") as f:
            f.write(png_bytes(size))


if __name__ == "__main__":
    main()
