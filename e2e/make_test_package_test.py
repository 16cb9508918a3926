#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Checks make_test_package.py on a made-up build folder: every listed file
is in the package with the bytes of its source, the stand-ins stand under
each program's name, and a second run replaces the first package whole."""

import lzma
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_test_package.py")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def read(path):
    with open(path, "rb") as source:
        return source.read()


class MakeTestPackageTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        root = self.dir.name
        self.bin = os.path.join(root, "bin")
        self.packs = os.path.join(root, "packs")
        self.out = os.path.join(root, "package")
        write(os.path.join(self.bin, "installer.exe"), b"host")
        write(os.path.join(self.bin, "velta_installer.dll"), b"library")
        write(os.path.join(self.bin, "recording_stand_in.exe"), b"stand-in")
        write(os.path.join(self.packs, "velta_100_percent.pak"), b"pack 100")
        write(os.path.join(self.packs, "localization", "de.pak"), b"pack de")
        write(os.path.join(self.packs, "stamp"), b"")

    def tearDown(self):
        self.dir.cleanup()

    def make(self, *extra):
        return subprocess.run(
            [sys.executable, SCRIPT, "--bin", self.bin, "--resource-packs", self.packs,
             "--out", self.out] + list(extra),
            capture_output=True, text=True)

    def lines(self, name):
        return read(os.path.join(self.out, name)).decode("utf-8").split("\r\n")[:-1]

    def test_lists_name_every_file_with_its_source_bytes(self):
        self.assertEqual(0, self.make("--version", "2.0.1.7").returncode)
        files = self.lines("files_list")
        self.assertEqual(["installer.exe", "velta_installer.dll", "velta.exe",
                          "localization\\de.pak", "velta_100_percent.pak"], files)
        self.assertEqual(["velta_proxy.exe"], self.lines("root_files_list"))
        self.assertEqual(b"pack de", read(os.path.join(self.out, "localization", "de.pak")))
        self.assertEqual(b"library", read(os.path.join(self.out, "velta_installer.dll")))
        for name in ["launcher.exe", "installer_helper.exe", "installer_helper_64.exe",
                     "velta.exe", "velta_proxy.exe"]:
            self.assertEqual(b"stand-in", read(os.path.join(self.out, name)), name)
        self.assertEqual(b"2.0.1.7", read(os.path.join(self.out, "package_version")))
        self.assertTrue(os.path.isfile(os.path.join(self.out, "ready")))
        self.assertFalse(os.path.exists(os.path.join(self.out, "stamp")))

    def test_minimal_package_leaves_the_packs_to_the_fetch(self):
        self.assertEqual(0, self.make("--minimal").returncode)
        self.assertEqual(["installer.exe", "velta_installer.dll", "velta.exe"],
                         self.lines("files_list"))
        self.assertFalse(os.path.exists(os.path.join(self.out, "localization")))
        self.assertFalse(os.path.exists(os.path.join(self.out, "velta_100_percent.pak")))
        self.assertEqual(b"", read(os.path.join(self.out, "minimal_install")))
        self.assertEqual(0, self.make().returncode)
        self.assertFalse(os.path.exists(os.path.join(self.out, "minimal_install")))

    def test_second_run_replaces_the_package(self):
        self.assertEqual(0, self.make("--version", "2.0.1.7").returncode)
        self.assertEqual(0, self.make("--root-file", "a.exe", "--root-file", "b.exe").returncode)
        self.assertFalse(os.path.exists(os.path.join(self.out, "package_version")))
        self.assertFalse(os.path.exists(os.path.join(self.out, "velta_proxy.exe")))
        self.assertEqual(["a.exe", "b.exe"], self.lines("root_files_list"))

    def test_bulk_files_are_listed_sized_and_reproducible(self):
        self.assertEqual(0, self.make("--bulk-megabytes", "3").returncode)
        files = self.lines("files_list")
        bulk = [name for name in files
                if name.startswith(("velta_core", "velta_media", "velta_gpu", "velta_crypto",
                                    "resources\\", "locales\\"))]
        self.assertGreater(len(bulk), 300)
        paths = [os.path.join(self.out, *name.split("\\")) for name in bulk]
        total = sum(os.path.getsize(path) for path in paths)
        self.assertAlmostEqual(3 * 1024 * 1024, total, delta=64 * 1024)
        core = read(os.path.join(self.out, "velta_core.dll"))
        # A DLL's start, as packers recognise executables.
        self.assertEqual(b"MZ", core[:2])
        self.assertEqual(b"PE\0\0", core[0x80:0x84])
        # About half of it repeats earlier bytes, the rest does not compress.
        self.assertTrue(0.4 < len(lzma.compress(core, preset=1)) / len(core) < 0.7)
        first = {path: read(path) for path in paths}
        self.assertEqual(0, self.make("--bulk-megabytes", "3").returncode)
        self.assertEqual(first, {path: read(path) for path in paths})
        self.assertNotEqual(0, self.make("--bulk-megabytes", "-1").returncode)

    def test_refuses_a_bad_version_and_a_missing_program(self):
        refused = self.make("--version", "2.x")
        self.assertNotEqual(0, refused.returncode)
        self.assertIn("not a dotted version", refused.stderr)
        os.remove(os.path.join(self.bin, "velta_installer.dll"))
        missing = self.make()
        self.assertNotEqual(0, missing.returncode)
        self.assertIn("velta_installer.dll is not in", missing.stderr)


if __name__ == "__main__":
    unittest.main()
