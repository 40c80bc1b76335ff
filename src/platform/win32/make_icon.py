#!/usr/bin/env python3
"""Draws the program's icon and writes lingbo.ico next to this script.

The mark: two white waves over a blue rounded square.  Every size is drawn
from the same geometry with 8x8 supersampling, so small sizes stay crisp
and nothing but the standard library is needed.  Images of 64, 48, 32 and
16 pixels at 32 bits per pixel; rerun after changing the drawing.
"""
import math
import os
import struct

SIZES = (64, 48, 32, 16)
SAMPLES = 8
TOP = (0x2E, 0x9B, 0xE0)     # gradient of the square, top to bottom
BOTTOM = (0x0D, 0x4F, 0x9A)
WAVES = (                    # (centre height, amplitude, thickness, colour), in units of the side
    (0.40, 0.085, 0.105, (255, 255, 255)),
    (0.64, 0.085, 0.105, (0xA8, 0xE6, 0xFF)),
)


def inside_rounded_square(x, y, radius):
    """x, y in 0..1; a square with corners rounded by radius."""
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def wave_distance(x, y, centre, amplitude):
    """Approximate distance from (x, y) to one period of a sine across the square."""
    k = 2 * math.pi / 0.72
    phase = k * (x - 0.14)
    curve = centre - amplitude * math.sin(phase)
    slope = -amplitude * k * math.cos(phase)
    return abs(y - curve) / math.sqrt(1 + slope * slope)


def pixel(size, px, py):
    """Blended BGRA of one pixel."""
    total = [0.0, 0.0, 0.0, 0.0]
    margin = 0.5 / size if size <= 16 else 1.0 / size
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = (px + (sx + 0.5) / SAMPLES) / size
            y = (py + (sy + 0.5) / SAMPLES) / size
            u = (x - margin) / (1 - 2 * margin)
            v = (y - margin) / (1 - 2 * margin)
            if not (0 <= u <= 1 and 0 <= v <= 1 and inside_rounded_square(u, v, 0.22)):
                continue
            colour = tuple(t + (b - t) * v for t, b in zip(TOP, BOTTOM))
            # Thicker strokes at 16 px, where a thin wave would vanish.
            boost = 1.35 if size <= 16 else 1.0
            for centre, amplitude, thickness, wave_colour in WAVES:
                if 0.12 <= u <= 0.88 and wave_distance(u, v, centre, amplitude) <= thickness * boost / 2:
                    colour = wave_colour
            for i in range(3):
                total[i] += colour[i]
            total[3] += 1
    n = SAMPLES * SAMPLES
    alpha = total[3] / n
    if total[3] == 0:
        return (0, 0, 0, 0)
    r, g, b = (round(total[i] / total[3]) for i in range(3))
    return (b, g, r, round(alpha * 255))


def image(size):
    """BITMAPINFOHEADER, bottom-up BGRA rows and an all-zero AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = bytearray()
    for py in reversed(range(size)):
        for px in range(size):
            rows += bytes(pixel(size, px, py))
    mask_stride = ((size + 31) // 32) * 4
    return header + bytes(rows) + bytes(mask_stride * size)


def main():
    images = [image(size) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lingbo.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
