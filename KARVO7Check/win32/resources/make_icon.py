#!/usr/bin/env python3
"""Draws the check program's icon as a Windows .ico file (16, 32 and 48 pixels, 32-bit).

usage: make_icon.py OUT.ico

The same picture the Qt program draws (AppIcon.cpp): a dark green card with a gold edge
connector and an echo trace (transmitter pulse, back-wall echo) on it. Standard library only.
"""
import struct
import sys

BOARD = (0x1F, 0x5E, 0x3A)
GOLD = (0xD4, 0xA0, 0x17)
TRACE = (0x9C, 0xFF, 0x9C)


def draw(size):
    s = float(size)
    pixels = [[None] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, colour, radius=0.0):
        for y in range(size):
            for x in range(size):
                cx, cy = x + 0.5, y + 0.5
                if not (x0 <= cx < x1 and y0 <= cy < y1):
                    continue
                if radius > 0:
                    dx = max(x0 + radius - cx, 0, cx - (x1 - radius))
                    dy = max(y0 + radius - cy, 0, cy - (y1 - radius))
                    if dx * dx + dy * dy > radius * radius:
                        continue
                pixels[y][x] = colour

    def segment(ax, ay, bx, by, width, colour):
        for y in range(size):
            for x in range(size):
                px, py = x + 0.5, y + 0.5
                vx, vy = bx - ax, by - ay
                length = vx * vx + vy * vy
                t = 0.0 if length == 0 else max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / length))
                qx, qy = ax + t * vx - px, ay + t * vy - py
                if qx * qx + qy * qy <= (width / 2.0) ** 2:
                    pixels[y][x] = colour

    fill(0.06 * s, 0.12 * s, 0.94 * s, 0.78 * s, BOARD, 0.08 * s)
    for i in range(5):
        fill((0.2 + 0.13 * i) * s, 0.78 * s, (0.28 + 0.13 * i) * s, 0.90 * s, GOLD)
    base = 0.6 * s
    trace = [(0.14, base / s), (0.24, base / s), (0.28, 0.2), (0.32, base / s), (0.62, base / s),
             (0.67, 0.36), (0.72, base / s), (0.86, base / s)]
    width = max(1.0, 0.05 * s)
    for (ax, ay), (bx, by) in zip(trace, trace[1:]):
        segment(ax * s, ay * s, bx * s, by * s, width, TRACE)
    return pixels


def bitmap(size):
    pixels = draw(size)
    rows = []
    for y in reversed(range(size)):  # bottom row first
        row = b""
        for x in range(size):
            p = pixels[y][x]
            row += bytes((p[2], p[1], p[0], 255)) if p else b"\0\0\0\0"
        rows.append(row)
    mask_row = b"\0" * (((size + 31) // 32) * 4)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + mask_row * size


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    sizes = [16, 32, 48]
    images = [bitmap(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(argv[1], "wb") as f:
        f.write(out + b"".join(images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
