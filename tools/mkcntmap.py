#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the sky map's background picture, data/cntmap.bmp.

The map overlay covers the horizon disc, so what shows of this picture is the rim around it: the
horizon line, tick marks every 10 degrees (longer every 30) and the compass letters N, E, S, W.
Everything is placed in the map's own twips (2775 across, zenith at (1380, 1350), horizon radius
1100, north up, east right), so the ticks line up with the drawn map at any picture size.

Usage: mkcntmap.py [output.bmp] [size-in-pixels]   (defaults: data/cntmap.bmp next to tools/, 370)
Only the standard library is used; the output is a 24-bit uncompressed BMP.
"""

import math
import os
import struct
import sys

MAP_TWIPS = 2775.0
CX, CY = 1380.0, 1350.0
HORIZON = 1100.0

OUTSIDE = (14, 20, 38)
DISC = (22, 44, 96)
RIM = (150, 160, 180)
TICK = (200, 205, 215)
LETTER = (235, 235, 235)

SUB = 3  # samples per pixel along each axis


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    qx, qy = ax + t * dx - px, ay + t * dy - py
    return math.hypot(qx, qy)


# Letters as strokes in a unit box, x to the right and y downwards, centred on (0, 0).
LETTERS = {
    "N": [[(-0.5, 0.5), (-0.5, -0.5), (0.5, 0.5), (0.5, -0.5)]],
    "E": [[(0.5, -0.5), (-0.5, -0.5), (-0.5, 0.5), (0.5, 0.5)], [(-0.5, 0.0), (0.3, 0.0)]],
    "S": [[(0.5, -0.5), (-0.5, -0.5), (-0.5, 0.0), (0.5, 0.0), (0.5, 0.5), (-0.5, 0.5)]],
    "W": [[(-0.5, -0.5), (-0.25, 0.5), (0.0, -0.1), (0.25, 0.5), (0.5, -0.5)]],
}


def map_point(azimuth, radius):
    a = math.radians(azimuth)
    return CX + radius * math.sin(a), CY - radius * math.cos(a)


def build_strokes():
    """Line segments (ax, ay, bx, by, half-width, colour) in twips."""
    strokes = []
    for azimuth in range(0, 360, 10):
        outer = HORIZON + (95.0 if azimuth % 30 == 0 else 50.0)
        half = 9.0 if azimuth % 30 == 0 else 6.0
        ax, ay = map_point(azimuth, HORIZON)
        bx, by = map_point(azimuth, outer)
        strokes.append((ax, ay, bx, by, half, TICK))
    height, width = 130.0, 90.0
    for letter, azimuth in (("N", 0), ("E", 90), ("S", 180), ("W", 270)):
        lx, ly = map_point(azimuth, 1265.0)
        for line in LETTERS[letter]:
            for (x1, y1), (x2, y2) in zip(line, line[1:]):
                strokes.append((lx + x1 * width, ly + y1 * height, lx + x2 * width, ly + y2 * height, 9.0,
                                LETTER))
    return strokes


def render(size):
    scale = MAP_TWIPS / size  # twips per pixel
    offsets = [(i + 0.5) / SUB for i in range(SUB)]
    samples = SUB * SUB

    def blend(a, b, t):
        return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))

    # Disc and rim: judged by the distance from the zenith.
    pixels = []
    for row in range(size):
        line = []
        for col in range(size):
            inside = 0
            rim = 0
            for oy in offsets:
                for ox in offsets:
                    d = math.hypot((col + ox) * scale - CX, (row + oy) * scale - CY)
                    if d <= HORIZON:
                        inside += 1
                    if abs(d - HORIZON) <= 8.0:
                        rim += 1
            colour = blend(OUTSIDE, DISC, inside / samples)
            colour = blend(colour, RIM, rim / samples)
            line.append(colour)
        pixels.append(line)

    # Ticks and letters: only the pixels near each stroke are visited.
    for ax, ay, bx, by, half, colour in build_strokes():
        c0 = max(0, int((min(ax, bx) - half) / scale) - 1)
        c1 = min(size - 1, int((max(ax, bx) + half) / scale) + 1)
        r0 = max(0, int((min(ay, by) - half) / scale) - 1)
        r1 = min(size - 1, int((max(ay, by) + half) / scale) + 1)
        for row in range(r0, r1 + 1):
            for col in range(c0, c1 + 1):
                hits = 0
                for oy in offsets:
                    for ox in offsets:
                        if segment_distance((col + ox) * scale, (row + oy) * scale, ax, ay, bx, by) <= half:
                            hits += 1
                if hits:
                    pixels[row][col] = blend(pixels[row][col], colour, hits / samples)
    return pixels


def write_bmp(path, pixels):
    height = len(pixels)
    width = len(pixels[0])
    row_bytes = width * 3
    padding = (4 - row_bytes % 4) % 4
    image_size = (row_bytes + padding) * height
    header = b"BM" + struct.pack("<IHHI", 54 + image_size, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, image_size, 3780, 3780, 0, 0)
    body = bytearray()
    for line in reversed(pixels):  # bottom row first
        for r, g, b in line:
            body += bytes((b, g, r))
        body += b"\0" * padding
    with open(path, "wb") as out:
        out.write(header + info + bytes(body))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "cntmap.bmp")
    size = int(sys.argv[2]) if len(sys.argv) > 2 else 370
    write_bmp(path, render(size))


if __name__ == "__main__":
    main()
