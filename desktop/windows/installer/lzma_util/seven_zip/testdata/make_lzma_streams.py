#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Writes the LZMA and LZMA2 streams that lzma_stream_decoder_unittest decodes.

Each file is a property block (5 bytes for LZMA, 1 for LZMA2), the unpacked
size as 8 little-endian bytes, then the raw stream:
  lzma_lc{lc}_lp{lp}_pb{pb}_mark.lzma     end marker, every lc + lp <= 4
  lzma_lc{lc}_lp{lp}_pb{pb}_nomark.lzma   no end marker (an LZMA2 chunk's body)
  lzma_dict_{size}.lzma                   one stream, declared dictionary sizes
  lzma2_*.lzma2                           several chunks, stored ones among them
"""

import argparse
import lzma
import os
import random
import struct


def sample(seed, size):
    """Text, binary runs, repeats near and far: every kind of symbol."""
    rng = random.Random(seed)
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
             for _ in range(200)]
    out = bytearray()
    while len(out) < size:
        kind = rng.randrange(6)
        if kind == 0:
            out += b" ".join(rng.choice(words) for _ in range(rng.randint(5, 40))) + b"\n"
        elif kind == 1:
            out += bytes([rng.randrange(256)]) * rng.randint(1, 300)
        elif kind == 2:
            out += bytes(rng.randrange(256) for _ in range(rng.randint(1, 200)))
        elif kind == 3 and len(out) > 16:
            start = rng.randrange(len(out))
            out += out[start:start + rng.randint(2, 400)]
        elif kind == 4:
            out += struct.pack("<" + "I" * 16, *(rng.randrange(1 << 20) for _ in range(16)))
        else:
            pattern = bytes(rng.randrange(256) for _ in range(rng.randint(1, 12)))
            out += pattern * rng.randint(2, 40)
    return bytes(out[:size])


def write(path, properties, size, body):
    with open(path, "wb") as f:
        f.write(properties + struct.pack("<Q", size) + body)


def lzma_with_mark(data, lc, lp, pb, dict_size=1 << 16):
    alone = lzma.compress(data, format=lzma.FORMAT_ALONE, filters=[
        {"id": lzma.FILTER_LZMA1, "preset": 6, "lc": lc, "lp": lp, "pb": pb,
         "dict_size": dict_size}])
    return alone[:5], alone[13:]


def lzma2_properties(dict_size):
    for code in range(41):
        if ((2 | (code & 1)) << (code // 2 + 11)) >= dict_size:
            return bytes([code])
    return bytes([40])


def lzma_without_mark(data, lc, lp, pb):
    """The body of the single LZMA chunk LZMA2 makes of `data`."""
    raw = lzma.compress(data, format=lzma.FORMAT_RAW, filters=[
        {"id": lzma.FILTER_LZMA2, "preset": 6, "lc": lc, "lp": lp, "pb": pb,
         "dict_size": 1 << 16}])
    control = raw[0]
    assert control >= 0xE0, "not an LZMA chunk"
    unpacked = ((control & 0x1F) << 16 | raw[1] << 8 | raw[2]) + 1
    packed = (raw[3] << 8 | raw[4]) + 1
    assert unpacked == len(data) and raw[6 + packed] == 0, "more than one chunk"
    code = raw[5]
    properties = bytes([code]) + struct.pack("<I", 1 << 16)
    return properties, raw[6:6 + packed]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    for lc in range(5):
        for lp in range(5 - lc):
            for pb in range(5):
                data = sample(lc * 100 + lp * 10 + pb, 12000)
                properties, body = lzma_with_mark(data, lc, lp, pb)
                write(os.path.join(args.out, f"lzma_lc{lc}_lp{lp}_pb{pb}_mark.lzma"),
                      properties, len(data), body)
                properties, body = lzma_without_mark(data[:9000], lc, lp, pb)
                write(os.path.join(args.out, f"lzma_lc{lc}_lp{lp}_pb{pb}_nomark.lzma"),
                      properties, 9000, body)

    # Repeats 40 KiB back: with a declared dictionary smaller than that the
    # stream is refused at the first such match.
    rng = random.Random(7)
    block = bytes(rng.randrange(256) for _ in range(40 << 10))
    data = sample(9, 20000) + block + sample(10, 3000) + block[:30000] + sample(11, 5000)
    properties, body = lzma_with_mark(data, 3, 0, 2, dict_size=1 << 20)
    for size in (0, 4096, 40 << 10, (40 << 10) + 3000, 1 << 20):
        write(os.path.join(args.out, f"lzma_dict_{size}.lzma"),
              properties[:1] + struct.pack("<I", size), len(data), body)

    # LZMA2: chunks of at most 2 MiB unpacked (state resets without a
    # dictionary reset), stored chunks for the random stretches.
    for name, lc, lp, pb, data in (
            ("lzma2_mixed", 3, 0, 2, sample(20, 600000) +
             bytes(random.Random(21).randrange(256) for _ in range(150000)) +
             sample(22, 300000)),
            ("lzma2_long", 0, 2, 0, sample(23, 2500000)),
            ("lzma2_lc1_lp3_pb4", 1, 3, 4, sample(24, 100000))):
        dict_size = 1 << 20
        raw = lzma.compress(data, format=lzma.FORMAT_RAW, filters=[
            {"id": lzma.FILTER_LZMA2, "preset": 6, "lc": lc, "lp": lp, "pb": pb,
             "dict_size": dict_size}])
        write(os.path.join(args.out, name + ".lzma2"), lzma2_properties(dict_size), len(data),
              raw)

    with open(os.path.join(args.out, "stamp"), "w") as f:
        f.write("ok\n")


if __name__ == "__main__":
    main()
