#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Checks that a shipped binary carries no symbols of its own and links to a
kept symbols file that has them and whose CRC-32 the link records.

  check_symbols_apart.py <objdump> <objcopy> <binary> <symbols file>
"""

import os
import struct
import subprocess
import sys
import tempfile
import zlib


def symbol_count(objdump, path):
    output = subprocess.run([objdump, "-t", path], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, check=False).stdout.decode("utf-8", "replace")
    return sum(1 for line in output.splitlines() if line.startswith("["))


def main():
    objdump, objcopy, binary, symbols = sys.argv[1:5]
    problems = []
    if not os.path.exists(symbols):
        problems.append("no kept symbols at %s" % symbols)
    elif symbol_count(objdump, symbols) < 100:
        problems.append("the kept symbols of %s hold almost no symbols" % binary)
    if symbol_count(objdump, binary) > 0:
        problems.append("%s still carries its symbol table" % binary)
    with tempfile.TemporaryDirectory() as folder:
        link_path = os.path.join(folder, "link")
        subprocess.run([objcopy, "--dump-section", ".gnu_debuglink=" + link_path, binary,
                        os.path.join(folder, "copy")], check=False,
                       stderr=subprocess.DEVNULL)
        if not os.path.exists(link_path):
            problems.append("%s has no debug link" % binary)
        elif os.path.exists(symbols):
            link = open(link_path, "rb").read()
            name = link[:link.index(b"\0")].decode()
            (crc,) = struct.unpack_from("<I", link, len(link) - 4)
            if name != os.path.basename(symbols):
                problems.append("the debug link names %s" % name)
            if crc != zlib.crc32(open(symbols, "rb").read()) & 0xFFFFFFFF:
                problems.append("the debug link's CRC does not match %s" % symbols)
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print("symbols of %s kept apart: %d bytes shipped, %d bytes kept"
          % (os.path.basename(binary), os.path.getsize(binary), os.path.getsize(symbols)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
