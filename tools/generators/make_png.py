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


# The host's images. Colours are the window's: the gradient ends 4D0FF5 and
# 08ADFF, the button blue 0199FF.
BLUE = (0x01, 0x99, 0xFF)
VIOLET = (0x4D, 0x0F, 0xF5)
SKY = (0x08, 0xAD, 0xFF)


def coverage(distance):
    """Anti-aliased edge: 1 inside, 0 outside, a one-pixel ramp between."""
    return max(0.0, min(1.0, 0.5 - distance))


def over(top, bottom):
    """Straight-alpha 'over' of two RGBA tuples with float alpha 0-1."""
    (tr, tg, tb, ta), (br, bg, bb, ba) = top, bottom
    a = ta + ba * (1 - ta)
    if a == 0:
        return (0, 0, 0, 0.0)
    mix = lambda t, b: (t * ta + b * ba * (1 - ta)) / a
    return (mix(tr, br), mix(tg, bg), mix(tb, bb), a)


def render(path, width, height, layers):
    """layers: functions (x, y) -> (r, g, b, alpha 0-1), bottom first."""
    def pixel(x, y):
        colour = (0, 0, 0, 0.0)
        for layer in layers:
            colour = over(layer(x + 0.5, y + 0.5), colour)
        r, g, b, a = colour
        return (int(round(r)), int(round(g)), int(round(b)), int(round(a * 255)))
    write_png(path, width, height, pixel)


def disk(cx, cy, radius, colour, alpha=1.0):
    return lambda x, y: colour + (alpha * coverage(((x - cx) ** 2 + (y - cy) ** 2) ** 0.5 - radius),)


def ring(cx, cy, radius, width, colour):
    def layer(x, y):
        d = abs(((x - cx) ** 2 + (y - cy) ** 2) ** 0.5 - radius)
        return colour + (coverage(d - width / 2),)
    return layer


def segment(x0, y0, x1, y1, width, colour):
    def layer(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / float(dx * dx + dy * dy)))
        d = ((x - x0 - t * dx) ** 2 + (y - y0 - t * dy) ** 2) ** 0.5
        return colour + (coverage(d - width / 2),)
    return layer


def box(x0, y0, x1, y1, colour, alpha=1.0):
    return lambda x, y: colour + (alpha if x0 <= x < x1 and y0 <= y < y1 else 0.0,)


def vertical_gradient(height, top, bottom):
    return lambda x, y: tuple(t + (b - t) * y / height for t, b in zip(top, bottom)) + (1.0,)


def logo(size):
    """The V on a blue disc."""
    c, r = size / 2.0, size / 2.0 - 1
    return [disk(c, c, r, BLUE),
            segment(size * 0.3, size * 0.3, size * 0.5, size * 0.72, size * 0.1, (255, 255, 255)),
            segment(size * 0.7, size * 0.3, size * 0.5, size * 0.72, size * 0.1, (255, 255, 255))]


def background(path):
    render(path, 640, 400, [vertical_gradient(400, (0xF4, 0xF7, 0xFC), (0xDD, 0xE8, 0xF7)),
                            disk(560, 330, 150, SKY, 0.25), disk(610, 60, 90, VIOLET, 0.15)])


def logo_classic(path):
    render(path, 64, 64, logo(64))


def logo_simplified(path):
    # The window puts the title 60 pixels below the logo's top at 96 DPI.
    render(path, 56, 56, logo(56))


def error_mark(path):
    render(path, 32, 32, [disk(16, 16, 15, (0xE0, 0x30, 0x30)),
                          segment(16, 8, 16, 18, 4, (255, 255, 255)),
                          disk(16, 24, 2.2, (255, 255, 255))])


WHITE = (255, 255, 255)
FEATURE_ICONS = {
    # tracker blocker: a shield-like ring with a bar across
    "feature_trackers": [ring(16, 16, 11, 3, WHITE), segment(9, 23, 23, 9, 3, WHITE)],
    # sync: two arcs of a ring with arrow heads
    "feature_sync": [ring(16, 16, 10, 3, WHITE), box(13, 0, 19, 32, (0, 0, 0), 0.0),
                     segment(24, 6, 27, 13, 3, WHITE), segment(8, 26, 5, 19, 3, WHITE)],
    # customisation: a square of four tiles
    "feature_customisation": [box(6, 6, 15, 15, WHITE), box(17, 6, 26, 15, WHITE),
                              box(6, 17, 15, 26, WHITE), box(17, 17, 26, 26, WHITE, 0.6)],
    # reading list: three lines
    "feature_reading_list": [segment(7, 9, 25, 9, 3, WHITE), segment(7, 16, 25, 16, 3, WHITE),
                             segment(7, 23, 19, 23, 3, WHITE)],
}


def feature(name):
    return lambda path: render(path, 32, 32, FEATURE_ICONS[name])


def slide(index):
    colours = [VIOLET, SKY, BLUE, (0x24, 0x5B, 0xDB)]
    def draw(path):
        w, h = 240, 150
        layers = [box(0, 0, w, h, (0xEE, 0xF3, 0xFB)), box(20, 20, 220, 130, WHITE),
                  box(20, 20, 220, 36, colours[index], 0.9)]
        for i in range(index + 2):
            layers.append(disk(60 + 40 * i, 85, 14, colours[(index + i) % 4], 0.85))
        render(path, w, h, layers)
    return draw


def left_picture(path):
    # Within the gradient of the window's client area (636 x 397 at 96 DPI).
    render(path, 254, 396, [disk(40, 80, 120, WHITE, 0.10), disk(200, 300, 90, WHITE, 0.12),
                            ring(127, 198, 70, 6, WHITE)])


def close_button(grey):
    def draw(path):
        colour = (grey, grey, grey)
        render(path, 16, 16, [segment(3, 3, 13, 13, 2, colour), segment(13, 3, 3, 13, 2, colour)])
    return draw


DRAWINGS = {
    "test_pattern": test_pattern,
    "background": background,
    "logo_classic": logo_classic,
    "logo_simplified": logo_simplified,
    "error_mark": error_mark,
    "feature_trackers": feature("feature_trackers"),
    "feature_sync": feature("feature_sync"),
    "feature_customisation": feature("feature_customisation"),
    "feature_reading_list": feature("feature_reading_list"),
    "slide_0": slide(0),
    "slide_1": slide(1),
    "slide_2": slide(2),
    "slide_3": slide(3),
    "left_picture": left_picture,
    "close_normal": close_button(0x80),
    "close_hover": close_button(0x40),
    "close_pressed": close_button(0x10),
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
