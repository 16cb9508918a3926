#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Checks the pixel readers of xvfb_wine.py on made-up pictures: X window
dumps of every pixel layout a true-colour server writes (3 and 4 bytes,
either byte order, masks on byte boundaries or not), read whole and in
parts, and a BMP as ui_driver writes it, each against the pixels it was
made of; and a PNG written from them decodes to the same pixels."""

import os
import struct
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_wine import read_bmp, read_xwd, write_png  # noqa: E402

WIDTH, HEIGHT = 7, 5
PIXELS = [[((x * 37 + y) % 256, (y * 53 + x * 3) % 256, (x * y * 11 + 5) % 256)
           for x in range(WIDTH)] for y in range(HEIGHT)]


def make_xwd(pixels, bits, big_endian, masks, shifts, pad=4, colours=2):
    """A ZPixmap dump; each colour of 8 bits at its shift under its mask."""
    height, width = len(pixels), len(pixels[0])
    pixel_bytes = bits // 8
    bytes_per_line = width * pixel_bytes + pad
    header_size = 25 * 4 + 8  # the window's name follows the header
    header = [0] * 25
    header[0], header[2], header[4], header[5] = header_size, 2, width, height
    header[7], header[11], header[12] = 1 if big_endian else 0, bits, bytes_per_line
    header[14:17] = masks
    header[19] = colours
    data = struct.pack(">25I", *header) + b"screen\0\0" + b"\xAA" * (12 * colours)
    order = "big" if big_endian else "little"
    for row in pixels:
        line = b"".join(sum(value << shift for value, shift in zip(pixel, shifts))
                        .to_bytes(pixel_bytes, order) for pixel in row)
        data += line + b"\x55" * pad
    return data


def read_png(path):
    with open(path, "rb") as file:
        data = file.read()
    width, height = struct.unpack_from(">II", data, 16)
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        if kind == b"IDAT":
            idat += data[at + 8:at + 8 + length]
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = 1 + 3 * width
    return [[tuple(raw[y * stride + 1 + 3 * x:y * stride + 4 + 3 * x]) for x in range(width)]
            for y in range(height)]


class PixelReadersTest(unittest.TestCase):
    LAYOUTS = [
        # bits, big endian, masks, shifts
        (32, False, (0xFF0000, 0xFF00, 0xFF), (16, 8, 0)),
        (32, True, (0xFF0000, 0xFF00, 0xFF), (16, 8, 0)),
        (24, False, (0xFF0000, 0xFF00, 0xFF), (16, 8, 0)),
        (24, True, (0xFF0000, 0xFF00, 0xFF), (16, 8, 0)),
        (32, False, (0xFF, 0xFF00, 0xFF0000), (0, 8, 16)),
        (32, False, (0xFF << 20, 0xFF << 10, 0xFF << 1), (20, 10, 1)),
    ]

    def test_dumps_whole_and_in_parts(self):
        for bits, big_endian, masks, shifts in self.LAYOUTS:
            data = make_xwd(PIXELS, bits, big_endian, masks, shifts)
            for rect in (None, (0, 0, WIDTH, HEIGHT), (2, 1, 6, 4), (5, 3, 99, 99), (3, 2, 3, 4)):
                with self.subTest(bits=bits, big_endian=big_endian, masks=masks, rect=rect):
                    left, top, right, bottom = rect or (0, 0, WIDTH, HEIGHT)
                    expected = [row[left:right] for row in PIXELS[top:bottom]]
                    self.assertEqual(expected, read_xwd(data, rect))

    def test_other_formats_are_refused(self):
        data = bytearray(make_xwd(PIXELS, 32, False, (0xFF0000, 0xFF00, 0xFF), (16, 8, 0)))
        data[11] = 1  # XYPixmap
        with self.assertRaises(ValueError):
            read_xwd(bytes(data))

    def test_bmp_and_png(self):
        stride = (WIDTH * 3 + 3) & ~3
        body = b"".join(bytes(value for pixel in row for value in reversed(pixel)).ljust(stride, b"\0")
                        for row in reversed(PIXELS))
        bmp = (b"BM" + struct.pack("<IHHI", 54 + len(body), 0, 0, 54) +
               struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(body), 0, 0, 0, 0) +
               body)
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "picture.bmp")
            with open(path, "wb") as file:
                file.write(bmp)
            self.assertEqual(PIXELS, read_bmp(path))
            png = os.path.join(folder, "picture.png")
            write_png(png, PIXELS)
            self.assertEqual(PIXELS, read_png(png))


if __name__ == "__main__":
    unittest.main()
