#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Checks that a shipped binary carries no symbols of its own and links to a
kept symbols file that has them and whose CRC-32 the link records; with a
function name, that the kept file gives the function's source line; with
--machine-folder, that the kept file names no path inside that folder (the
source or build folder of this machine), so its sources are named alike on
every build machine.

  check_symbols_apart.py [--machine-folder=<folder>]... <objdump> <objcopy> <binary>
                         <symbols file> [<function>]
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


def source_line(objdump, path, function):
    """"file:line" of `function` in the kept symbols at `path`, or None."""
    tools = objdump[:-len("objdump")]
    output = subprocess.run([tools + "nm", path], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, check=False).stdout.decode("utf-8", "replace")
    # 32-bit names carry a leading underscore, and stdcall ones "@<bytes>".
    names = (function, "_" + function)
    addresses = ["0x" + fields[0] for fields in (line.split() for line in output.splitlines())
                 if len(fields) == 3 and fields[2].split("@")[0] in names]
    if not addresses:
        return None
    found = subprocess.run([tools + "addr2line", "-e", path, addresses[0]], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, check=False).stdout.decode().strip()
    file_name, _, line = found.rpartition(":")
    line = line.split()[0] if line else ""
    return found if file_name and file_name != "??" and line.isdigit() and int(line) > 0 else None


def machine_paths(objdump, path, folders):
    """The first few directory and file names of the debug information at
    `path` that lie inside one of `folders`."""
    output = subprocess.run([objdump, "--dwarf=info", "--dwarf=rawline", path],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            check=False).stdout.decode("utf-8", "replace")
    prefixes = [folder.rstrip("/") + "/" for folder in folders]
    found = []
    for line in output.splitlines():
        # "DW_AT_comp_dir : (indirect line string, offset: 0x1d): /build",
        # "DW_AT_name : x.c" and the line tables' "  3  (indirect line
        # string, offset: 0x3f): /usr/...".
        if "): " in line:
            name = line.rpartition("): ")[2].strip()
        elif "DW_AT_" in line:
            name = line.rpartition(": ")[2].strip()
        else:
            continue
        if any(name.startswith(prefix) or name + "/" == prefix for prefix in prefixes):
            found.append(name)
            if len(found) == 5:
                break
    return found


def main():
    arguments = sys.argv[1:]
    folders = [argument.split("=", 1)[1] for argument in arguments
               if argument.startswith("--machine-folder=")]
    arguments = [argument for argument in arguments if not argument.startswith("--")]
    objdump, objcopy, binary, symbols = arguments[0:4]
    function = arguments[4] if len(arguments) > 4 else None
    problems = []
    if not os.path.exists(symbols):
        problems.append("no kept symbols at %s" % symbols)
    elif symbol_count(objdump, symbols) < 100:
        problems.append("the kept symbols of %s hold almost no symbols" % binary)
    elif function and source_line(objdump, symbols, function) is None:
        problems.append("the kept symbols of %s give no source line for %s" % (binary, function))
    elif folders and machine_paths(objdump, symbols, folders):
        problems.append("the kept symbols of %s name paths of this machine: %s"
                        % (binary, ", ".join(machine_paths(objdump, symbols, folders))))
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
