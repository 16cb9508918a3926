#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""The build's time stamp (cmake/velta_version.cmake) across configures of a
small project that includes it: a configure keeps the stamp of the last one
while no source file is newer than it (so an unchanged tree rebuilds
nothing), takes a new one when a source file is, and takes SOURCE_DATE_EPOCH
when that is set."""

import os
import re
import subprocess
import sys
import tempfile
import unittest

VERSION_CMAKE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "velta_version.cmake")
OLD = "20000101_000000"
PAST = 946684800  # 2000-01-01, the stamp's file time
LONG_AGO = PAST - 3600  # the sources' file time

CASES = [
    # (name, file written after the first configure or None, SOURCE_DATE_EPOCH, stamp expected:
    #  OLD kept, "new" a new one, or the stamp itself)
    ("unchanged", None, None, OLD),
    ("source_changed", "base/a.cc", None, "new"),
    ("source_added", "base/b.cc", None, "new"),
    ("build_tree_written", "build/x64/out.txt", None, OLD),
    ("python_cache_written", "e2e/__pycache__/a.pyc", None, OLD),
    ("history_written", ".git/index", None, OLD),
    ("source_date_epoch", None, "86400", "19700102_000000"),
]


def configure(source, binary, epoch):
    env = dict(os.environ)
    env.pop("SOURCE_DATE_EPOCH", None)
    if epoch:
        env["SOURCE_DATE_EPOCH"] = epoch
    subprocess.run(["cmake", "-S", source, "-B", binary], env=env, check=True,
                   stdout=subprocess.DEVNULL)
    with open(os.path.join(binary, "gen", "velta_build_info.h"), encoding="utf-8") as header:
        return re.search(r'VELTA_BUILD_TIMESTAMP_STRING "([^"]*)"', header.read()).group(1)


def write(path, text="x"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as file:
        file.write(text)


class BuildTimestampTest(unittest.TestCase):
    def test_cases(self):
        for name, written, epoch, expected in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as work:
                source = os.path.join(work, "source")
                binary = os.path.join(source, "build", "x64")
                write(os.path.join(source, "CMakeLists.txt"),
                      "cmake_minimum_required(VERSION 3.25)\nproject(stamp NONE)\n"
                      "include(%s)\n" % VERSION_CMAKE)
                write(os.path.join(source, "base", "a.cc"))
                write(os.path.join(source, ".git", "HEAD"))
                configure(source, binary, None)
                # The last configure's stamp, older than it could be.
                stamp_file = os.path.join(binary, "gen", "velta_build_timestamp")
                write(stamp_file, OLD + "\n")
                for folder, _, files in os.walk(source):
                    for file in files:
                        os.utime(os.path.join(folder, file), (LONG_AGO, LONG_AGO))
                os.utime(stamp_file, (PAST, PAST))
                if written:
                    write(os.path.join(source, written), "changed")
                stamp = configure(source, binary, epoch)
                if expected == "new":
                    self.assertRegex(stamp, r"^\d{8}_\d{6}$")
                    self.assertNotEqual(OLD, stamp)
                else:
                    self.assertEqual(expected, stamp)


if __name__ == "__main__":
    unittest.main()
