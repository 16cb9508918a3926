#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""The installer's windows driven from outside with the UI driver
(e2e/ui_driver), as a user would: real installer.exe processes under
Wine, each with a temporary folder of its own (its log, its UI lock).

  ui_driver_e2e.py <emulator> <ui_driver.exe> <folder of installer.exe> <work folder>

Checks:
- An installer whose payload cannot be trusted shows the corrupted-installer
  box: title "Velta installer", buttons "Go!" and "Cancel". Cancel, Alt+F4,
  and Tab to Cancel then Enter each end the run with 118 and open no page.
- A second window run of the same session brings the first installer
  window to the front and ends with 122 before it does anything else.
"""

import glob
import os
import shutil
import struct
import subprocess
import sys

VK_TAB = 9
VK_RETURN = 13
VK_F4 = 115
# Controls of the custom message box (host template 102).
BOX_FIRST_BUTTON = 1222
BOX_SECOND_BUTTON = 1223

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what, flush=True)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Driver:
    def __init__(self, emulator, driver):
        self.emulator = emulator
        self.driver = driver

    def __call__(self, *args):
        """Runs one driver command; its output, or None when it failed."""
        done = subprocess.run([self.emulator, self.driver, *args], capture_output=True,
                              text=True, timeout=120)
        if done.returncode != 0:
            failures.append("ui_driver %s: %s" % (" ".join(args), done.stderr.strip()))
            print("FAILED: " + failures[-1], flush=True)
            return None
        return done.stdout.strip()

    def start(self, temp, program, *args):
        """Starts `program` through the driver's run command."""
        return Process(self, temp, program, args)


class Process:
    """A program started with its own temporary folder; its pid is known at
    once, its whole exit code once it has ended."""

    def __init__(self, driver, temp, program, args):
        os.makedirs(temp, exist_ok=True)
        self.temp = temp
        self.popen = subprocess.Popen(
            [driver.emulator, driver.driver, "run", windows_path(temp), windows_path(program),
             *args],
            stdout=subprocess.PIPE, text=True)
        line = self.popen.stdout.readline().split()
        self.pid = int(line[1]) if len(line) == 2 and line[0] == "pid" else None

    def readline(self):
        return self.popen.stdout.readline().strip()

    def wait(self):
        """The exit code, or None when the run did not end in time."""
        try:
            rest, _ = self.popen.communicate(timeout=120)
        except subprocess.TimeoutExpired:
            self.popen.kill()
            return None
        for line in rest.splitlines():
            if line.startswith("exit "):
                return int(line.split()[1])
        return None

    def log(self):
        """The text of the run's own log files."""
        texts = []
        for path in sorted(glob.glob(os.path.join(self.temp, "Velta Installer", "*.log"))):
            with open(path, encoding="utf-8", errors="replace") as log:
                texts.append(log.read())
        return "\n".join(texts)


def point_certificate_table_past_the_end(exe):
    """The program still runs, but its payload cannot be trusted."""
    with open(exe, "rb") as file:
        data = bytearray(file.read())
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    security = directories + 4 * 8
    struct.pack_into("<II", data, security, len(data) + 8, 8)
    with open(exe, "wb") as file:
        file.write(data)


def copy_installer(bin_dir, folder):
    os.makedirs(folder)
    for name in ("installer.exe", "velta_installer.dll"):
        shutil.copy(os.path.join(bin_dir, name), folder)
    return os.path.join(folder, "installer.exe")


def corrupted_box_runs(driver, corrupted, work):
    # Each way of leaving the box: what the driver does once it is up.
    def cancel(box):
        driver("click", box, str(BOX_SECOND_BUTTON))

    def alt_f4(box):
        driver("key", box, str(VK_F4), "--alt")

    def tab_then_enter(box):
        driver("key", box, str(VK_TAB))
        driver("key", box, str(VK_RETURN))

    for name, leave in (("cancel", cancel), ("alt_f4", alt_f4),
                        ("tab_then_enter", tab_then_enter)):
        run = driver.start(os.path.join(work, "temp_" + name), corrupted,
                           "--enable-installer-stats=0", "--v=1")
        check(run.pid is not None, name + ": the installer started")
        box = driver("find-window", "--pid=%d" % (run.pid or 0))
        if box:
            if name == "cancel":
                check(driver("text", box, "0") == "Velta installer", "box title")
                check(driver("text", box, str(BOX_FIRST_BUTTON)) == "Go!", "first button")
                check(driver("text", box, str(BOX_SECOND_BUTTON)) == "Cancel", "second button")
                check(driver("state", box, str(BOX_FIRST_BUTTON)) == "visible=1 enabled=1",
                      "first button shown")
            leave(box)
        exit_code = run.wait()
        check(exit_code == 118, "%s: exit code %s, expected 118" % (name, exit_code))
        log = run.log()
        check("Displaying custom message box" in log, name + ": the box was shown")
        check("Opening web page" not in log, name + ": no page opened")
        print("corrupted payload box, %s: exit %s" % (name, exit_code), flush=True)


def second_instance_run(driver, installer, work):
    temp = os.path.join(work, "temp_second_instance")
    alive = os.path.join(work, "first_window_alive")
    open(alive, "w").close()
    first = driver.start(temp, driver.driver, "hold-ui-lock", "first installer window",
                         windows_path(alive))
    check(first.readline() == "ready", "the first window holds the UI lock")
    second = driver.start(temp, installer, "--enable-installer-stats=0", "--v=1")
    exit_code = second.wait()
    os.remove(alive)
    first_lines = [first.readline(), first.readline()]
    first.wait()
    check(exit_code == 122, "second instance: exit code %s, expected 122" % exit_code)
    log = second.log()
    check("Another instance of the installer UI is running. Switching to it" in log,
          "second instance: it switched to the first")
    check("Initializing installer UI" not in log, "second instance: no window of its own")
    check("foreground=1" in first_lines, "the first window came to the front: %s" % first_lines)
    print("second instance: exit %s, first window %s" % (exit_code, first_lines), flush=True)


def main():
    emulator, driver_exe, bin_dir, work = sys.argv[1:5]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    driver = Driver(emulator, driver_exe)
    installer = copy_installer(bin_dir, os.path.join(work, "bin"))
    corrupted = copy_installer(bin_dir, os.path.join(work, "corrupted"))
    point_certificate_table_past_the_end(corrupted)

    corrupted_box_runs(driver, corrupted, work)
    second_instance_run(driver, installer, work)

    if failures:
        print("ui driver checks: %d failed" % len(failures))
        return 1
    print("ui driver checks: all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
