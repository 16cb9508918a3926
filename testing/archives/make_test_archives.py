#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Makes the 7z inputs of the archive reader's tests, fuzzer and benchmark.

Writes into --out (a build folder; nothing here is ever committed):
  source/            the tree that goes into the archives: text, binary and
                     x86-like files, an empty file and folder, a nested tree,
                     non-ASCII names, fixed modification times
  good/*.7z          archives the reader must extract (7zz with each coder
                     and header form), good/stub_*.exe with a prefix stub
  expected/<name>/   what `7zz x` extracts from good/<name>.7z
  refused/*.7z       archives with coders the reader refuses when opening
  hostile/*.7z       hand-made archives (plain header, Copy coder) whose one
                     entry name must be refused; hostile/names.txt lists them
  crafted/*.7z       hand-made archives the reader must accept
  duplicate/*.7z     hand-made archives with two entries of one path (in
                     other case or with the other separator): refused
  malformed/*.7z     hand-made headers that lie (counts, sizes, coder graphs)
  large/zeros_8m.7z  one 8 MiB file of zeros in a tiny archive: its decoded
                     block does not fit a small volume (disk-full tests);
                     zeros_8m_parts.7z the same in eight LZMA2 parts
  good/lzma2_parts.7z  a few MiB packed as a packer on several threads does:
                     one LZMA2 stream of several independent parts (blocks);
                     good/bcj_lzma2_parts.7z the same behind the BCJ filter
  seeds/             the small archives, as the fuzzer's seed corpus
  stamp              written last
With --bench it instead makes the benchmark's large archives: bench.7z on one
thread (one LZMA2 part a folder), bench_parts.7z on several (many parts).
"""

import argparse
import os
import random
import shutil
import struct
import subprocess
import sys
import zlib

SIGNATURE = b"7z\xbc\xaf\x27\x1c"

# Modification times (nanoseconds since 1970), whole 100 ns steps as 7z keeps.
BASE_TIME_NS = 1_600_000_000_123_456_700


# Archives whose second entry takes the path of an earlier one.
DUPLICATES = {
    "same_name": [("a.txt", b"first"), ("a.txt", b"second")],
    "other_case": [("Dir/Readme.txt", b"first"), ("dir/README.TXT", b"second")],
    "other_separator": [("dir/a.txt", b"first"), ("dir\\a.txt", b"second")],
    "accented_case": [("\u00e9t\u00e9.txt", b"first"), ("\u00c9T\u00c9.txt", b"second")],
    "cyrillic_case": [("\u0444\u0430\u0439\u043b", b"first"), ("\u0424\u0410\u0419\u041b", b"second")],
    "folder_twice": [("x/a.txt", b"first"), ("other.txt", b"middle"), ("X\\A.TXT", b"last")],
}


# 7zz's switches for good/lzma2_parts.7z (with -mmt=on): 1 MiB blocks.
PARTS_SWITCHES = ["-m0=LZMA2:d=256k:c=1m", "-ms=on"]


def make_parts_source(root, size):
    """About `size` bytes of words, x86-like code and noise in a few files."""
    rng = random.Random(7)
    words = ["".join(rng.choice("abcdefghij") for _ in range(rng.randint(2, 9)))
             for _ in range(3000)]
    text = " ".join(rng.choice(words) for _ in range(size // 6)).encode()
    write(os.path.join(root, "words.txt"), text[: size * 3 // 4])
    write(os.path.join(root, "bin", "code.exe"), x86_like(rng, size // 8))
    write(os.path.join(root, "bin", "noise.bin"), rng.randbytes(size // 8))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def x86_like(rng, size):
    """Bytes with many CALL/JMP instructions, so BCJ and BCJ2 have work."""
    out = bytearray()
    while len(out) < size:
        r = rng.random()
        if r < 0.08:
            target = rng.randrange(-0x20000, 0x20000)
            out += bytes([rng.choice((0xE8, 0xE9))]) + struct.pack("<i", target)
        elif r < 0.10:
            out += bytes([0x0F, 0x80 | rng.randrange(16)]) + struct.pack("<i", rng.randrange(-4096, 4096))
        else:
            out += bytes([rng.choice((0x55, 0x89, 0xE5, 0x8B, 0x45, 0x08, 0xC3, 0x90, 0x48, 0x83, 0xEC))])
    return bytes(out[:size])


def make_source(root):
    rng = random.Random(7)
    files = {
        "readme.txt": b"Velta test archive.\n" * 200,
        "empty.txt": b"",
        "data/random.bin": bytes(rng.getrandbits(8) for _ in range(300_000)),
        "data/zeros.bin": bytes(200_000),
        "data/mixed.bin": (b"abcdefgh" * 5000) + bytes(rng.getrandbits(8) for _ in range(70_000)),
        "bin/tool.exe": x86_like(rng, 400_000),
        "bin/helper.dll": x86_like(rng, 120_000),
        "bin/tiny.exe": b"\xe8\x00\x00",
        "nested/a/b/c/d/deep.txt": b"deep\n",
        "nested/a/b/sibling.txt": b"sibling\n" * 10,
        "gr\u00fc\u00dfe/\u00e4\u00f6\u00fc.txt": "Gr\u00fc\u00dfe\n".encode("utf-8"),
        "\u65e5\u672c\u8a9e/\u30d5\u30a1\u30a4\u30eb.txt": "\u65e5\u672c\n".encode("utf-8"),
        "emoji_\U0001F600.txt": b"smile\n",
    }
    for index, (name, data) in enumerate(sorted(files.items())):
        path = os.path.join(root, name)
        write(path, data)
        t = BASE_TIME_NS + index * 3_600_000_000_000 + index * 1_234_500
        os.utime(path, ns=(t, t))
    os.makedirs(os.path.join(root, "empty_folder"), exist_ok=True)
    os.makedirs(os.path.join(root, "nested/a/empty"), exist_ok=True)


# name -> 7zz switches
GOOD = {
    "lzma": ["-m0=LZMA", "-ms=on"],
    "lzma_nonsolid": ["-m0=LZMA", "-ms=off"],
    "lzma2": ["-m0=LZMA2", "-ms=on"],
    "lzma2_nonsolid": ["-m0=LZMA2", "-ms=off"],
    "lzma2_small_dict": ["-m0=LZMA2:d=64k", "-ms=on"],
    "bcj_lzma": ["-m0=BCJ", "-m1=LZMA", "-ms=on"],
    "bcj_lzma2": ["-m0=BCJ", "-m1=LZMA2", "-ms=off"],
    "bcj2": ["-m0=BCJ2", "-m1=LZMA:d25", "-m2=LZMA:d19", "-m3=LZMA:d19",
             "-mb0:1", "-mb0s1:2", "-mb0s2:3"],
    "copy": ["-m0=Copy"],
    "copy_plain_header": ["-m0=Copy", "-mhc=off"],
    "lzma2_plain_header": ["-m0=LZMA2", "-mhc=off"],
    "default": [],
    "solid_blocks": ["-m0=LZMA2", "-ms=2f"],
}

REFUSED = {
    "ppmd": ["-m0=PPMd"],
    "bzip2": ["-m0=BZip2"],
    "deflate": ["-m0=Deflate"],
    "delta": ["-m0=Delta:4", "-m1=LZMA2"],
    "arm64": ["-m0=ARM64", "-m1=LZMA2"],
    "aes_data": ["-pvelta", "-mhe=off"],
    "aes_header": ["-pvelta", "-mhe=on"],
}

HOSTILE_NAMES = [
    "..\\..\\x", "../x", "a/../../x", "a\\..\\b", "..", ".", "a/./b",
    "/etc/x", "\\x", "\\\\server\\share\\x", "C:\\x", "C:x", "c:/x",
    "file.txt:stream", "a:b", "a//b", "a\\\\b", "dir/", "dir\\", "",
    "con", "NUL.txt", "lpt1", "Com9.log", "aux/x",
    "x|y", "x?y", "x*y", "x<y", "x>y", "x\"y", "tab\x01x",
    "trailingdot.", "trailingspace ", ".. /x", "a/.. \\x",
]


def run_7zz(tool, args, cwd=None):
    subprocess.run([tool] + args, cwd=cwd, check=True, stdout=subprocess.DEVNULL)


def encode_number(value):
    """The 7z variable-length number."""
    for extra in range(9):
        if extra == 8:
            return b"\xff" + struct.pack("<Q", value)
        if value < (1 << (7 * (extra + 1))):
            high = value >> (8 * extra)
            first = (0xFF00 >> extra) & 0xFF
            return bytes([first | high]) + value.to_bytes(8, "little")[:extra]
    raise ValueError(value)


def copy_archive(entries):
    """A 7z archive with a plain header, one Copy folder, a file per entry."""
    packed = b"".join(data for _, data in entries)
    n = len(entries)
    h = bytearray(b"\x01\x04")                                   # Header, MainStreamsInfo
    h += b"\x06" + encode_number(0) + encode_number(1)           # PackInfo: pos 0, 1 stream
    h += b"\x09" + encode_number(len(packed)) + b"\x00"
    h += b"\x07\x0b" + encode_number(1) + b"\x00"                # UnpackInfo, 1 folder
    h += encode_number(1) + b"\x01\x00"                          # 1 coder: Copy
    h += b"\x0c" + encode_number(len(packed))
    h += b"\x00"
    h += b"\x08\x0d" + encode_number(n)                          # SubStreamsInfo
    if n > 1:
        h += b"\x09" + b"".join(encode_number(len(d)) for _, d in entries[:-1])
    h += b"\x0a\x01" + b"".join(struct.pack("<I", zlib.crc32(d)) for _, d in entries)
    h += b"\x00\x00"                                             # end SubStreams, end Streams
    names = b"\x00" + b"".join(name.encode("utf-16-le") + b"\x00\x00" for name, _ in entries)
    h += b"\x05" + encode_number(n) + b"\x11" + encode_number(len(names)) + names + b"\x00"
    h += b"\x00"
    tail = struct.pack("<QQI", len(packed), len(h), zlib.crc32(h))
    start = SIGNATURE + b"\x00\x04" + struct.pack("<I", zlib.crc32(tail)) + tail
    return start + packed + bytes(h)


def raw_archive(packed, header):
    """A 7z archive around hand-written header bytes."""
    tail = struct.pack("<QQI", len(packed), len(header), zlib.crc32(header))
    start = SIGNATURE + b"\x00\x04" + struct.pack("<I", zlib.crc32(tail)) + tail
    return start + packed + bytes(header)


def malformed_archives():
    """Headers whose counts, sizes or coder graphs lie; each must be refused."""
    num = encode_number
    copy_folder = num(1) + b"\x01\x00"
    pack = b"\x06" + num(0) + num(1) + b"\x09" + num(4) + b"\x00"
    unpack = b"\x07\x0b" + num(1) + b"\x00" + copy_folder + b"\x0c" + num(4) + b"\x00"
    name = b"\x11" + num(5) + b"\x00a\x00\x00\x00"
    return {
        # Counts far beyond what the header holds.
        "many_files": b"\x01\x05" + num(0x7FFFFFFFFFFF) + b"\x00\x00",
        "many_folders": b"\x01\x04" + pack + b"\x07\x0b" + num(1 << 40) + b"\x00\x00\x00",
        "many_pack_streams": b"\x01\x04\x06" + num(0) + num(1 << 50) + b"\x09\x01\x00\x00",
        "many_substreams": b"\x01\x04" + pack + unpack + b"\x08\x0d" + num(1 << 40) + b"\x00\x00\x00",
        # Two of three BCJ filters feeding each other; the third is unreachable.
        "coder_cycle": b"\x01\x04" + pack + b"\x07\x0b" + num(1) + b"\x00" + num(3) +
                       b"\x04\x03\x03\x01\x03" * 3 + num(0) + num(1) + num(1) + num(0) +
                       b"\x0c" + num(4) * 3 + b"\x00\x00\x05" + num(1) + name + b"\x00\x00",
        # File sizes adding up to more than the folder.
        "substreams_too_large": b"\x01\x04" + pack + unpack + b"\x08\x0d" + num(2) +
                                b"\x09" + num(9) + b"\x00\x00",
        # Packed data claimed past the end of the file.
        "pack_past_end": b"\x01\x04\x06" + num(0) + num(1) + b"\x09" + num(1 << 40) +
                         b"\x00" + unpack[:-1] + b"\x00\x00\x05" + num(1) + name + b"\x00\x00",
        # A file whose stream does not exist.
        "more_files_than_streams": b"\x01\x05" + num(1) + name + b"\x00\x00",
        # Copy coder with an output size other than its input size.
        "copy_size_mismatch": b"\x01\x04" + pack + unpack.replace(b"\x0c" + num(4), b"\x0c" + num(5)) +
                              b"\x00\x05" + num(1) + name + b"\x00\x00",
    }


def make_stub(rng):
    """A prefix that contains the signature bytes, as a self-extractor would."""
    stub = bytearray(rng.getrandbits(8) for _ in range(5000))
    stub[1500:1506] = SIGNATURE
    stub[1030:1036] = SIGNATURE  # straddles the first two 1024-byte chunks
    return bytes(stub)


def make_bench(tool, out):
    """~80 MB of real files from /usr/lib and /usr/share, archived with defaults."""
    src = os.path.join(out, "bench_source")
    shutil.rmtree(src, ignore_errors=True)
    total = 0
    for top in ("/usr/lib/x86_64-linux-gnu", "/usr/share/doc", "/usr/share/locale", "/usr/lib/python3"):
        for dirpath, _, filenames in sorted(os.walk(top)):
            for name in sorted(filenames):
                path = os.path.join(dirpath, name)
                if os.path.islink(path) or not os.path.isfile(path):
                    continue
                size = os.path.getsize(path)
                if size > 8 << 20:
                    continue
                dest = os.path.join(src, path.lstrip("/"))
                os.makedirs(os.path.dirname(dest), exist_ok=True)
                shutil.copyfile(path, dest)
                total += size
                if total > 80 << 20:
                    break
            if total > 80 << 20:
                break
        if total > 80 << 20:
            break
    archive = os.path.join(out, "bench.7z")
    if os.path.exists(archive):
        os.remove(archive)
    run_7zz(tool, ["a", "-t7z", "-mmt=1", archive, "."], cwd=src)
    # The same files as a packer on several cores writes them: each folder's
    # LZMA2 stream in independent blocks of four times the 8 MiB dictionary.
    parts = os.path.join(out, "bench_parts.7z")
    if os.path.exists(parts):
        os.remove(parts)
    run_7zz(tool, ["a", "-t7z", "-mmt=on", "-md=8m", parts, "."], cwd=src)
    # The same bytes as one raw .lzma stream, for the decoder-only figure.
    tarball = os.path.join(out, "bench.tar")
    subprocess.run(["tar", "-cf", tarball, "-C", src, "."], check=True)
    # 7zz does not write .lzma files; xz does (with an end marker and no
    # recorded size, so the decoder benchmark is told the tar's size).
    lzma = os.path.join(out, "bench.tar.lzma")
    with open(lzma, "wb") as f:
        subprocess.run(["xz", "--format=lzma", "-6", "-c", tarball], check=True, stdout=f)
    print(f"{archive}: {total / 1e6:.1f} MB of files; {lzma}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--7zz", dest="tool", default="7zz")
    parser.add_argument("--out", required=True)
    parser.add_argument("--bench", action="store_true")
    args = parser.parse_args()
    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    if args.bench:
        make_bench(args.tool, out)
        return 0

    for sub in ("source", "good", "expected", "refused", "hostile", "crafted", "duplicate",
                "malformed", "seeds", "large"):
        shutil.rmtree(os.path.join(out, sub), ignore_errors=True)
    source = os.path.join(out, "source")
    make_source(source)

    for name, switches in sorted(GOOD.items()):
        archive = os.path.join(out, "good", name + ".7z")
        os.makedirs(os.path.dirname(archive), exist_ok=True)
        run_7zz(args.tool, ["a", "-t7z", "-mmt=1", "-mtm=on"] + switches + [archive, "."], cwd=source)
        run_7zz(args.tool, ["x", "-y", "-o" + os.path.join(out, "expected", name), archive])

    # Several LZMA2 blocks in one solid folder, as 7zz writes them on several
    # threads: small blocks so that a few MiB make five of them.
    parts_source = os.path.join(out, "parts_source")
    shutil.rmtree(parts_source, ignore_errors=True)
    make_parts_source(parts_source, 5 << 20)
    archive = os.path.join(out, "good", "lzma2_parts.7z")
    run_7zz(args.tool, ["a", "-t7z", "-mmt=on", "-mtm=on"] + PARTS_SWITCHES + [archive, "."],
            cwd=parts_source)
    run_7zz(args.tool, ["x", "-y", "-o" + os.path.join(out, "expected", "lzma2_parts"), archive])
    # The same behind the x86 branch filter, as a packer writes executables.
    archive = os.path.join(out, "good", "bcj_lzma2_parts.7z")
    run_7zz(args.tool, ["a", "-t7z", "-mmt=on", "-mtm=on", "-m0=BCJ"]
            + [s.replace("-m0=", "-m1=") for s in PARTS_SWITCHES] + [archive, "."],
            cwd=parts_source)
    run_7zz(args.tool, ["x", "-y", "-o" + os.path.join(out, "expected", "bcj_lzma2_parts"),
                        archive])
    shutil.rmtree(parts_source)

    rng = random.Random(11)
    with open(os.path.join(out, "good", "lzma.7z"), "rb") as f:
        lzma_bytes = f.read()
    write(os.path.join(out, "good", "stub_lzma.exe"), make_stub(rng) + lzma_bytes)

    files = {"readme.txt": b"x" * 10}
    for name, switches in sorted(REFUSED.items()):
        archive = os.path.join(out, "refused", name + ".7z")
        tmp = os.path.join(out, "refused_source")
        shutil.rmtree(tmp, ignore_errors=True)
        for fname, data in files.items():
            write(os.path.join(tmp, fname), data)
        run_7zz(args.tool, ["a", "-t7z", "-mmt=1"] + switches + [archive, "."], cwd=tmp)
        shutil.rmtree(tmp)

    os.makedirs(os.path.join(out, "hostile"), exist_ok=True)
    with open(os.path.join(out, "hostile", "names.txt"), "w", encoding="utf-8") as listing:
        for index, name in enumerate(HOSTILE_NAMES):
            data = b"" if name.endswith(("/", "\\")) else b"hostile"
            write(os.path.join(out, "hostile", "name_%02d.7z" % index),
                  copy_archive([("ok.txt", b"fine"), (name, data)]))
            listing.write(repr(name) + "\n")

    write(os.path.join(out, "crafted", "copy_two_files.7z"),
          copy_archive([("ok/one.txt", b"first file"), ("ok\\two.txt", b"second")]))
    write(os.path.join(out, "crafted", "copy_unicode_name.7z"),
          copy_archive([("\u00e9t\u00e9/\U0001F600.txt", b"summer")]))
    write(os.path.join(out, "crafted", "empty_archive.7z"),
          SIGNATURE + b"\x00\x04" + struct.pack("<I", zlib.crc32(bytes(20))) + bytes(20))

    for name, entries in sorted(DUPLICATES.items()):
        write(os.path.join(out, "duplicate", name + ".7z"), copy_archive(entries))

    large = os.path.join(out, "large_source")
    shutil.rmtree(large, ignore_errors=True)
    write(os.path.join(large, "zeros.bin"), bytes(8 << 20))
    os.makedirs(os.path.join(out, "large"), exist_ok=True)
    run_7zz(args.tool, ["a", "-t7z", "-mmt=1", "-m0=LZMA2",
                        os.path.join(out, "large", "zeros_8m.7z"), "."], cwd=large)
    # The same in 1 MiB blocks, decoded on several threads at once.
    run_7zz(args.tool, ["a", "-t7z", "-mmt=on", "-m0=LZMA2:c=1m",
                        os.path.join(out, "large", "zeros_8m_parts.7z"), "."], cwd=large)
    shutil.rmtree(large)

    # Small archives of every good kind, for the fuzzer's seed corpus.
    for name, header in malformed_archives().items():
        write(os.path.join(out, "malformed", name + ".7z"), raw_archive(b"data", header))

    seeds = os.path.join(out, "seeds")
    small = os.path.join(out, "small_source")
    shutil.rmtree(small, ignore_errors=True)
    write(os.path.join(small, "a.txt"), b"small text, small text, small text\n" * 20)
    write(os.path.join(small, "b.exe"), x86_like(random.Random(3), 3000))
    write(os.path.join(small, "e.txt"), b"")
    os.makedirs(os.path.join(small, "dir"), exist_ok=True)
    for name, switches in sorted(GOOD.items()):
        run_7zz(args.tool, ["a", "-t7z", "-mmt=1"] + switches +
                [os.path.join(seeds, "small_" + name + ".7z"), "."], cwd=small)
    shutil.rmtree(small)
    # An LZMA2 stream of several parts, small enough for a seed; the same
    # behind the BCJ filter.
    make_parts_source(small, 100_000)
    run_7zz(args.tool, ["a", "-t7z", "-mmt=on", "-m0=LZMA2:d=64k:c=64k",
                        os.path.join(seeds, "small_lzma2_parts.7z"), "."], cwd=small)
    run_7zz(args.tool, ["a", "-t7z", "-mmt=on", "-m0=BCJ", "-m1=LZMA2:d=64k:c=64k",
                        os.path.join(seeds, "small_bcj_lzma2_parts.7z"), "."], cwd=small)
    shutil.rmtree(small)
    for sub in ("good", "refused", "hostile", "crafted", "duplicate", "malformed"):
        for name in sorted(os.listdir(os.path.join(out, sub))):
            path = os.path.join(out, sub, name)
            if name.endswith((".7z", ".exe")) and os.path.getsize(path) <= 64 * 1024:
                shutil.copyfile(path, os.path.join(seeds, sub + "_" + name))

    with open(os.path.join(out, "stamp"), "w") as f:
        f.write("ok\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
