#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Pictures of the installer's windows on an X server of their own (Xvfb),
taken two ways: by the UI driver (what the screen shows of the window) and
by `xwd -root` cut to the window's rectangle. The corrupted-installer box is
pictured at 96 and 144 DPI (the prefix's LogPixels).

  ui_driver_xvfb_e2e.py <build folder> <ui_driver.exe> <folder of installer.exe> <work folder>

Checks: both pictures of the box are the same; the text area is white with
dark text in it and each button shows its text; at 144 DPI the box is half
as large again. The pictures stay in the work folder. Exits 77 (skipped)
without Xvfb or xwd.
"""

import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import ui_driver_e2e  # noqa: E402
from xvfb_wine import XvfbWine, read_bmp, write_png  # noqa: E402

SKIPPED = 77
VK_F4 = 115
BOX_TEXT = 1221

check = ui_driver_e2e.check
failures = ui_driver_e2e.failures


class XvfbDriver(ui_driver_e2e.Driver):
    """The UI driver run in the Xvfb session's prefix."""

    def __init__(self, session, driver):
        super().__init__(None, driver)
        self.session = session

    def __call__(self, *args):
        try:
            done = self.session.run([self.driver, *args], capture_output=True, text=True,
                                    timeout=60)
        except subprocess.TimeoutExpired:
            check(False, "ui_driver %s: no answer (Xvfb: %s)" % (
                " ".join(args), "running" if self.session.alive() else "ended"))
            return None
        if done.returncode != 0:
            check(False, "ui_driver %s: %s" % (" ".join(args), done.stderr.strip()))
            return None
        return done.stdout.strip()

    def start(self, temp, program, *args):
        os.makedirs(temp, exist_ok=True)
        return SessionProcess(self, temp, program, args)


class SessionProcess(ui_driver_e2e.Process):
    def __init__(self, driver, temp, program, args):
        self.temp = temp
        self.popen = driver.session.popen(
            [driver.driver, "run", ui_driver_e2e.windows_path(temp),
             ui_driver_e2e.windows_path(program), *args],
            stdout=subprocess.PIPE, text=True)
        line = self.popen.stdout.readline().split()
        self.pid = int(line[1]) if len(line) == 2 and line[0] == "pid" else None


def rect_of(driver, window, control=None):
    text = driver("rect", window, *([str(control)] if control else []))
    return tuple(int(value) for value in text.split()) if text else None


def inside(rows, window_rect, rect):
    """The part of a window's picture that `rect` (screen coordinates)
    covers."""
    left, top = rect[0] - window_rect[0], rect[1] - window_rect[1]
    right, bottom = rect[2] - window_rect[0], rect[3] - window_rect[1]
    return [row[left:right] for row in rows[top:bottom]]


def dark_pixels(part):
    return sum(1 for row in part for pixel in row if max(pixel) < 128)


def picture_box(driver, session, corrupted, work, name):
    """Pictures the box of one run; its window rectangle."""
    run = driver.start(os.path.join(work, "temp_" + name), corrupted,
                       "--enable-installer-stats=0")
    box = driver("find-window", "--pid=%d" % (run.pid or 0))
    window_rect = rect_of(driver, box) if box else None
    if window_rect:
        bmp = os.path.join(work, name + "_driver.bmp")
        driver("screenshot", box, ui_driver_e2e.windows_path(bmp))
        by_driver = read_bmp(bmp)
        write_png(os.path.join(work, name + "_driver.png"), by_driver)
        by_xwd = session.screenshot(os.path.join(work, name + "_xwd.png"), window_rect)
        check(by_driver == by_xwd, name + ": the driver's picture is the screen's")

        text_part = inside(by_driver, window_rect, rect_of(driver, box, BOX_TEXT))
        whites = sum(1 for row in text_part for pixel in row if pixel == (255, 255, 255))
        total = sum(len(row) for row in text_part)
        check(total and whites > total // 2, name + ": the text area is white")
        check(dark_pixels(text_part) > 100, name + ": the text area holds text")
        for button in (ui_driver_e2e.BOX_FIRST_BUTTON, ui_driver_e2e.BOX_SECOND_BUTTON):
            part = inside(by_driver, window_rect, rect_of(driver, box, button))
            check(dark_pixels(part) > 10, "%s: button %d shows its text" % (name, button))
        driver("key", box, str(VK_F4), "--alt")
    exit_code = run.wait()
    check(exit_code == 118, "%s: exit code %s, expected 118" % (name, exit_code))
    print("%s: box %s, exit %s" % (name, window_rect, exit_code), flush=True)
    return window_rect


def main():
    build, driver_exe, bin_dir, work = sys.argv[1:5]
    if not shutil.which("Xvfb") or not shutil.which("xwd"):
        print("skipped: Xvfb or xwd is missing")
        return SKIPPED
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    corrupted = ui_driver_e2e.copy_installer(bin_dir, os.path.join(work, "corrupted"))
    ui_driver_e2e.point_certificate_table_past_the_end(corrupted)

    # Another program of the machine may end the X server under the session
    # (its Wine programs then hang): such a session is run once more.
    for attempt in (1, 2):
        del failures[:]
        with XvfbWine(os.path.join(build, "wine-prefix-xvfb"),
                      os.path.join(build, "wine-home-xvfb"),
                      log_file=os.path.join(work, "xvfb.log")) as session:
            driver = XvfbDriver(session, driver_exe)
            session.set_log_pixels(96)
            at_96 = picture_box(driver, session, corrupted, work, "box_96dpi")
            session.set_log_pixels(144)
            at_144 = picture_box(driver, session, corrupted, work, "box_144dpi")
            session.set_log_pixels(96)
            if session.alive():
                break
        print("the X server ended during attempt %d" % attempt, flush=True)
    if at_96 and at_144:
        ratio = (at_144[2] - at_144[0]) / (at_96[2] - at_96[0])
        check(1.35 <= ratio <= 1.65, "the box at 144 DPI is %.2f times as wide" % ratio)

    print("pictures in " + work)
    if failures:
        print("xvfb pictures: %d checks failed" % len(failures))
        return 1
    print("xvfb pictures: all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
