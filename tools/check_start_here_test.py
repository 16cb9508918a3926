#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Tests of check_start_here.py over pages made of a few commands, against
the configured trees of VELTA_BUILD_ROOT (default <repo>/build: x64 and
native configured, as tools/test leaves them)."""

import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, HERE)
import check_start_here  # noqa: E402

BUILD_ROOT = os.environ.get("VELTA_BUILD_ROOT", os.path.join(os.path.dirname(HERE), "build"))
CONFIGURE = ("cmake -S . -B build/x64 -G Ninja "
             "-DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/toolchain-x86_64-mingw.cmake")
CASES = [
    # (name, commands after the x64 tree's configure, the fault expected or None)
    ("built_then_run", ["cmake --build build/x64 -j4 --target steps_unittests",
                        "build/x64/run_under_wine.sh build/x64/bin/steps_unittests.exe"], None),
    ("unknown_target", ["cmake --build build/x64 -j4 --target no_such_unittests"],
     "build/x64 has no target no_such_unittests"),
    ("run_before_built", ["build/x64/run_under_wine.sh build/x64/bin/steps_unittests.exe"],
     "build/x64/bin/steps_unittests.exe: no earlier command builds it"),
    ("other_target_built", ["cmake --build build/x64 -j4 --target ui_driver",
                            "build/x64/run_under_wine.sh build/x64/bin/steps_unittests.exe"],
     "build/x64/bin/steps_unittests.exe: no earlier command builds it"),
    ("test_without_its_package", ["ctest --test-dir build/x64 -R window_pages_xvfb_e2e"],
     "build/x64/test_package: no earlier command builds it"),
    ("test_with_its_package", ["cmake --build build/x64 --target velta_test_package ui_driver",
                               "ctest --test-dir build/x64 -R window_pages_xvfb_e2e"], None),
    ("no_such_test", ["ctest --test-dir build/x64 -R '^no_such_test$'"],
     "build/x64 has no test matching ^no_such_test$"),
    ("named_prefix_unmade", ["cmake --build build/x64 --target package_install_tests",
                             "build/x64/run_under_wine.sh build/x64/bin/package_install_tests.exe",
                             "VELTA_WINE_PREFIX_NAME=package_install_tests-1 "
                             "build/x64/run_under_wine.sh reg query 'HKCU\\Software' /s"],
     "reg reads the Wine prefix wine-prefix-package_install_tests-1"),
    ("named_prefix_made_by_its_test", [
        "cmake --build build/x64 --target package_install_tests",
        "ctest --test-dir build/x64 -R '^package_install_tests_1$'",
        "VELTA_WINE_PREFIX_NAME=package_install_tests-1 "
        "build/x64/run_under_wine.sh reg query 'HKCU\\Software' /s"], None),
    ("missing_script", ["python3 e2e/no_such_script.py build/x64"],
     "e2e/no_such_script.py does not exist"),
    ("unconfigured_tree", ["cmake --build build/x99 --target installer"],
     "no earlier command configures build/x99"),
    ("wine_in_unmade_prefix", ["export WINEPREFIX=$PWD/build/x64/wine-prefix-xvfb",
                               "wine build/x64/bin/installer.exe"],
     "no earlier command makes the Wine prefix wine-prefix-xvfb"),
]


class CheckStartHereTest(unittest.TestCase):
    def faults(self, lines):
        page = check_start_here.Page(BUILD_ROOT)
        for number, line in enumerate([CONFIGURE] + lines, 1):
            page.command(number, line)
        return page.faults

    def test_cases(self):
        for name, lines, expected in CASES:
            with self.subTest(name):
                faults = self.faults(lines)
                if expected is None:
                    self.assertEqual([], faults)
                else:
                    self.assertTrue(any(expected in fault for fault in faults), faults)

    def test_the_page(self):
        page = check_start_here.Page(BUILD_ROOT)
        with open(os.path.join(os.path.dirname(HERE), "docs", "start_here.md"),
                  encoding="utf-8") as text:
            for number, line in check_start_here.commands(text.read()):
                page.command(number, line)
        self.assertEqual([], page.faults)


if __name__ == "__main__":
    unittest.main()
