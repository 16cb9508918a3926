#!/usr/bin/env python3
"""Draws PNG images (8-bit RGBA, per-pixel alpha) at build time, so that no
binary image is kept in the repository.

Usage: make_png.py OUTPUT_FOLDER NAME...
Writes OUTPUT_FOLDER/NAME.png for each NAME drawn by a function below.
"""
import os
import struct
import sys
import zlib


def write_png(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b, a), each 0-255."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter: none
        for x in range(width):
            raw.extend(bytes(pixel(x, y)))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def test_pattern(path):
    """4 x 2: red, half-transparent blue, transparent, green; then white."""
    top = [(255, 0, 0, 255), (0, 0, 255, 128), (0, 0, 0, 0), (0, 255, 0, 255)]
    write_png(path, 4, 2, lambda x, y: top[x] if y == 0 else (255, 255, 255, 255))


DRAWINGS = {
    "test_pattern": test_pattern,
}


def main(argv):
    if len(argv) < 3 or any(name not in DRAWINGS for name in argv[2:]):
        print(__doc__, "Known names:", " ".join(sorted(DRAWINGS)), file=sys.stderr)
        return 2
    os.makedirs(argv[1], exist_ok=True)
    for name in argv[2:]:
        DRAWINGS[name](os.path.join(argv[1], name + ".png"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
