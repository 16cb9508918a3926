#!/usr/bin/env python3
"""Draws the installer's icon (a white 'V' on a red disc) into an .ico file.

Usage: make_icon.py OUTPUT.ico
Writes 16, 32 and 48 pixel images as 32-bit BMP entries with an alpha channel.
"""
import struct
import sys


def pixel(size, x, y):
    cx = cy = (size - 1) / 2.0
    r = size / 2.0 - 0.5
    dx, dy = x - cx, y - cy
    if dx * dx + dy * dy > r * r:
        return (0, 0, 0, 0)
    # The 'V': two strokes from the top corners to the bottom middle.
    u = (x + 0.5) / size
    v = (y + 0.5) / size
    if 0.25 <= v <= 0.78:
        t = (v - 0.25) / 0.53
        left = 0.25 + 0.25 * t
        right = 0.75 - 0.25 * t
        width = 0.09
        if abs(u - left) < width or abs(u - right) < width:
            return (255, 255, 255, 255)
    return (0x2a, 0x2a, 0xd8, 255)  # BGRA: red


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("BBBB", *pixel(size, x, y)) for x in range(size)))
    mask_row = b"\0" * (((size + 31) // 32) * 4)
    return header + b"".join(rows) + mask_row * size


def main():
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
