#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Makes an unpacked test package from a build, as the installer finds one
in its package folder.

  make_test_package.py --bin BUILD/bin --resource-packs DIR --out FOLDER
                       [--version 1.2.3.4] [--root-file NAME ...]
                       [--bulk-megabytes N] [--minimal]

The package holds:
  installer.exe, velta_installer.dll   the build's own, the package's installer;
  launcher.exe, installer_helper.exe, installer_helper_64.exe, velta.exe
                                       copies of the recording stand-in
                                       (recording_stand_in.exe: each run
                                       appends its command line to
                                       "<program>.calls" beside itself);
  the resource packs                   every file below DIR at its relative
                                       path (the built-in manifest was
                                       generated from them, so their digests
                                       match);
  root files                           stand-in copies named by --root-file
                                       (default velta_proxy.exe), installed
                                       into the installation folder itself;
  files_list, root_files_list          one relative path per line ("\\"
                                       separated), the version folder's files
                                       and the root files;
  package_version                      with --version only: the version folder's
                                       name (else the installer's own version);
  ready                                the mark of a complete package;
  minimal_install                      with --minimal only, which leaves the
                                       resource packs out: the mark of a
                                       minimal installation, which fetches its
                                       packs as additional files (not listed);
  bulk files                           with --bulk-megabytes N only: about N MB
                                       more in the version folder, as a browser
                                       package carries them: four large
                                       stand-in libraries (velta_core.dll and
                                       others, nine tenths of N, each behind
                                       the header of an x64 DLL) and a few
                                       hundred small files under resources/
                                       and locales/. Their bytes come from a
                                       fixed seed and compress to about half
                                       (random runs and repeats of earlier
                                       runs), so archives of two packages made
                                       alike are alike.

FOLDER is emptied first. Several versions of one build are made by calling
the script again with another --version and --out.
"""

import argparse
import os
import random
import shutil
import struct
import sys

STAND_IN = "recording_stand_in.exe"
# Started by the installation: the browser's launcher, the pinning helpers
# and the browser itself.
STAND_IN_NAMES = ["launcher.exe", "installer_helper.exe", "installer_helper_64.exe", "velta.exe"]
INSTALLER_FILES = ["installer.exe", "velta_installer.dll"]


def copy(source, package, relative):
    target = os.path.join(package, *relative.split("/"))
    os.makedirs(os.path.dirname(target), exist_ok=True)
    shutil.copyfile(source, target)


def resource_packs(folder):
    """Relative "/" paths of every file below `folder`, sorted."""
    paths = []
    for root, _, names in os.walk(folder):
        for name in names:
            if name == "stamp":
                continue
            full = os.path.join(root, name)
            paths.append(os.path.relpath(full, folder).replace(os.sep, "/"))
    return sorted(paths)


# The large stand-in libraries of a bulk package and their shares of its size.
BULK_LIBRARIES = [("velta_core.dll", 0.56), ("velta_media.dll", 0.18),
                  ("velta_gpu.dll", 0.10), ("velta_crypto.dll", 0.06)]
BULK_SMALL_FILES = 320
CHUNK = 64 * 1024


def bulk_bytes(rng, size):
    """`size` bytes that compress to about half: each 64 KiB chunk is a
    random half followed by a copy of an earlier random half."""
    chunks = []
    halves = []
    written = 0
    while written < size:
        fresh = rng.randbytes(CHUNK // 2)
        repeat = halves[rng.randrange(len(halves))] if halves else fresh
        halves = (halves + [fresh])[-16:]
        chunks += [fresh, repeat]
        written += CHUNK
    return b"".join(chunks)[:size]


def pe_header():
    """The start of an x64 DLL (DOS stub pointer, PE signature, COFF and
    optional header magic), so that packers treat a stand-in library as the
    executable code it stands for (7zz gives such files the BCJ filter and a
    solid block of their own)."""
    header = bytearray(0x200)
    header[0:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, 0x80)
    header[0x80:0x84] = b"PE\0\0"
    struct.pack_into("<HH", header, 0x84, 0x8664, 1)  # machine, one section
    struct.pack_into("<HH", header, 0x94, 0xF0, 0x2022)  # optional header size; a DLL
    struct.pack_into("<H", header, 0x98, 0x20B)  # PE32+
    return bytes(header)


def write_bulk(out, megabytes):
    """Writes the bulk files into `out`; returns their relative "/" paths."""
    rng = random.Random(megabytes)
    total = megabytes * 1024 * 1024
    paths = []
    for name, share in BULK_LIBRARIES:
        paths.append((name, int(total * share)))
    small_total = total - sum(size for _, size in paths)
    sizes = [rng.randint(1, 40) for _ in range(BULK_SMALL_FILES)]
    scale = small_total / sum(sizes)
    for index, weight in enumerate(sizes):
        folder = "locales" if index % 4 == 0 else "resources/%02d" % (index % 12)
        paths.append(("%s/item_%03d.bin" % (folder, index), max(1, int(weight * scale))))
    libraries = {name for name, _ in BULK_LIBRARIES}
    for relative, size in paths:
        target = os.path.join(out, *relative.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as data:
            if relative in libraries:
                header = pe_header()
                data.write(header + bulk_bytes(rng, size - len(header)))
            else:
                data.write(bulk_bytes(rng, size))
    return [relative for relative, _ in paths]


def write_list(path, entries):
    with open(path, "w", encoding="utf-8", newline="\r\n") as out:
        for entry in entries:
            out.write(entry.replace("/", "\\") + "\n")


def make_package(bin_dir, packs_dir, out, version, root_files, bulk_megabytes=0,
                 minimal=False):
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)
    stand_in = os.path.join(bin_dir, STAND_IN)
    for name in INSTALLER_FILES + [STAND_IN]:
        if not os.path.isfile(os.path.join(bin_dir, name)):
            sys.exit("make_test_package: %s is not in %s" % (name, bin_dir))

    # The lists name what the installer copies besides them; the launcher and
    # the helpers it adds itself.
    files = []
    for name in INSTALLER_FILES:
        copy(os.path.join(bin_dir, name), out, name)
        files.append(name)
    for name in STAND_IN_NAMES:
        copy(stand_in, out, name)
    files.append("velta.exe")
    packs = resource_packs(packs_dir)
    if not packs:
        sys.exit("make_test_package: no resource packs in %s" % packs_dir)
    if minimal:
        open(os.path.join(out, "minimal_install"), "wb").close()
    else:
        for relative in packs:
            copy(os.path.join(packs_dir, *relative.split("/")), out, relative)
        files += packs
    for name in root_files:
        copy(stand_in, out, name)
    if bulk_megabytes:
        files += write_bulk(out, bulk_megabytes)

    write_list(os.path.join(out, "files_list"), files)
    write_list(os.path.join(out, "root_files_list"), root_files)
    if version:
        with open(os.path.join(out, "package_version"), "w", encoding="ascii") as text:
            text.write(version)
    open(os.path.join(out, "ready"), "wb").close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True, help="the build's bin folder")
    parser.add_argument("--resource-packs", required=True,
                        help="the packs the built-in manifest was generated from")
    parser.add_argument("--out", required=True, help="the package folder to make")
    parser.add_argument("--version", default="", help="the package's dotted version")
    parser.add_argument("--root-file", action="append", dest="root_files",
                        help="a root file's name (repeatable)")
    parser.add_argument("--bulk-megabytes", type=int, default=0,
                        help="add about this many MB of large libraries and small files")
    parser.add_argument("--minimal", action="store_true",
                        help="leave the resource packs out and mark the package minimal")
    args = parser.parse_args()
    if args.bulk_megabytes < 0:
        sys.exit("make_test_package: --bulk-megabytes must not be negative")
    version = args.version
    if version and not all(part.isdigit() for part in version.split(".")):
        sys.exit("make_test_package: not a dotted version: %s" % version)
    root_files = args.root_files if args.root_files is not None else ["velta_proxy.exe"]
    make_package(args.bin, args.resource_packs, args.out, version, root_files,
                 args.bulk_megabytes, args.minimal)


if __name__ == "__main__":
    main()
