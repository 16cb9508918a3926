#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Makes an unpacked test package from a build, as the installer finds one
in its package folder.

  make_test_package.py --bin BUILD/bin --resource-packs DIR --out FOLDER
                       [--version 1.2.3.4] [--root-file NAME ...]

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
  ready                                the mark of a complete package.

FOLDER is emptied first. Several versions of one build are made by calling
the script again with another --version and --out.
"""

import argparse
import os
import shutil
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


def write_list(path, entries):
    with open(path, "w", encoding="utf-8", newline="\r\n") as out:
        for entry in entries:
            out.write(entry.replace("/", "\\") + "\n")


def make_package(bin_dir, packs_dir, out, version, root_files):
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
    for relative in packs:
        copy(os.path.join(packs_dir, *relative.split("/")), out, relative)
    files += packs
    for name in root_files:
        copy(stand_in, out, name)

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
    args = parser.parse_args()
    version = args.version
    if version and not all(part.isdigit() for part in version.split(".")):
        sys.exit("make_test_package: not a dotted version: %s" % version)
    root_files = args.root_files if args.root_files is not None else ["velta_proxy.exe"]
    make_package(args.bin, args.resource_packs, args.out, version, root_files)


if __name__ == "__main__":
    main()
