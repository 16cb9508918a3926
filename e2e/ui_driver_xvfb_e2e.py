#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Pictures of the installer's windows on an X server of their own (Xvfb),
taken two ways: by the UI driver (what the screen shows of the window) and
by `xwd -root` cut to the window's rectangle. The corrupted-installer box is
pictured at 96 and 144 DPI (the prefix's LogPixels), and the installer
window's first page in both variants at 96 DPI, the simplified one at 144
DPI, after a change to 144 DPI (WM_DPICHANGED) and in Hebrew.

  ui_driver_xvfb_e2e.py <build folder> <ui_driver.exe> <folder of installer.exe> <work folder>

Checks: both pictures of the box are the same; the text area is white with
dark text in it and each button shows its text; at 144 DPI the box is half
as large again. The simplified window paints the left 40 % of its client
area with the vertical gradient from 0x4D0FF5 to 0x08ADFF and the rest
white, at every DPI and in every language; a change to 144 DPI makes it
963 x 605 pixels; the classic title shows "VELTA." in black and the rest in
0xB5651D. The box's text is drawn in 0x000064 and its link in 0x686868.
The feature labels show white text on the gradient with nothing dark behind
it, and after the change of DPI nothing white is left where they were. At 96
DPI the simplified window is 642 x 403 pixels with its logo above its title;
the classic title and terms line stand on the window's painted background,
and the options page's Change button ends inside the window. A click
on the terms line's link (found in the picture) shows the terms page, white
with the terms' text. The classic welcome and options pages are pictured in
German, Finnish, Hungarian, Greek, Malayalam, Tamil, Japanese and both
Chinese. The title bar's close button of the box and of the classic window
shows its cross, not the "r" of a prefix without Marlett. The
pictures stay in the work folder. Exits 77 (skipped) without
Xvfb or xwd.
"""

import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import ui_driver_e2e  # noqa: E402
from xvfb_wine import XvfbWine, read_bmp, write_png  # noqa: E402

SKIPPED = 77
VK_F4 = 115
BOX_TEXT = 1221
CLASSIC_TITLE = 1101
ACCEPT_BUTTON = 1003
OPTIONS_BUTTON = 1001
CHANGE_FOLDER_BUTTON = 1206
LOGO = 1000
SIMPLIFIED_TITLE = 1254
TERMS_LINE = 1102
TERMS_TEXT = 1200
OPTION_LABELS = (1217, 1218, 1219)
TERMS_LINK_COLOUR = (0x68, 0x68, 0x68)
# The languages with the longest texts.
LONG_LANGUAGES = ("de", "fi", "hu", "el", "ml", "ta", "ja", "zh-CN", "zh-TW")
FEATURE_ICONS = (1239, 1240, 1241, 1242)
FEATURE_TEXTS = (1243, 1244, 1245, 1246)
LEFT_PICTURE = 1251
# The box's text and link colours (COLORREF 0x000064 and 0x686868).
BOX_TEXT_COLOUR = (0x64, 0x00, 0x00)
BOX_LINK_COLOUR = (0x68, 0x68, 0x68)
GRADIENT_TOP = (0x4D, 0x0F, 0xF5)
GRADIENT_BOTTOM = (0x08, 0xAD, 0xFF)
# COLORREF 0xB5651D.
CLASSIC_TITLE_BLUE = (0x1D, 0x65, 0xB5)
# A package server the fetch refuses to ask: the window stays on its first
# page and nothing leaves the machine.
NO_PACKAGE_SERVER = "--internal-package-server=http://fetch.invalid/meta"
SIMPLIFIED = "--with-feature:installer-simplified-ui=on"

check = ui_driver_e2e.check
failures = ui_driver_e2e.failures


class XvfbDriver(ui_driver_e2e.Driver):
    """The UI driver run in the Xvfb session's prefix."""

    timeout = 60

    def __init__(self, session, driver):
        super().__init__(None, driver)
        self.session = session

    def popen(self, args, **kwargs):
        return self.session.popen([self.driver, *args], **kwargs)

    def no_answer(self, args):
        return "ui_driver %s: no answer (Xvfb: %s)" % (
            " ".join(args), "running" if self.session.alive() else "ended")


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
    for attempt in (1, 2):
        checked = len(failures)
        run = driver.start(os.path.join(work, "temp_%s_%d" % (name, attempt)), corrupted,
                           "--enable-installer-stats=0")
        box = driver("find-window", "--pid=%d" % (run.pid or 0))
        if box or attempt == 2:
            break
        # Now and then the first window of a fresh session of 32-bit Wine
        # never appears: that run is ended and the box shown once more.
        print("%s: no window appeared; the run is made again" % name, flush=True)
        end(driver, run)
        del failures[checked:]
    window_rect = rect_of(driver, box) if box else None
    if window_rect:
        bmp = os.path.join(work, name + "_driver.bmp")
        by_driver = settled_picture(driver, box, bmp)
        write_png(os.path.join(work, name + "_driver.png"), by_driver)
        by_xwd = session.screenshot(os.path.join(work, name + "_xwd.png"), window_rect)
        check(by_driver == by_xwd, name + ": the driver's picture is the screen's")

        text_part = inside(by_driver, window_rect, rect_of(driver, box, BOX_TEXT))
        whites = sum(1 for row in text_part for pixel in row if pixel == (255, 255, 255))
        total = sum(len(row) for row in text_part)
        check(total and whites > total // 2, name + ": the text area is white")
        check(dark_pixels(text_part) > 100, name + ": the text area holds text")
        text_colour = count_near(text_part, BOX_TEXT_COLOUR)
        link_colour = count_near(text_part, BOX_LINK_COLOUR)
        black = sum(1 for row in text_part for pixel in row if pixel == (0, 0, 0))
        blue = sum(1 for row in text_part for pixel in row
                   if pixel[2] > 160 and pixel[0] < 100 and pixel[1] < 100)
        check(text_colour > 100 and link_colour > 20 and black == 0 and blue == 0,
              "%s: text in 0x000064 (%d pixels), the link in 0x686868 (%d), "
              "none black (%d) or blue (%d)" % (name, text_colour, link_colour, black, blue))
        for button in (ui_driver_e2e.BOX_FIRST_BUTTON, ui_driver_e2e.BOX_SECOND_BUTTON):
            part = inside(by_driver, window_rect, rect_of(driver, box, button))
            check(dark_pixels(part) > 10, "%s: button %d shows its text" % (name, button))
        check_close_glyph(name, by_driver, window_rect, rect_of_client(driver, box))
        driver("key", box, str(VK_F4), "--alt")
    exit_code = run.wait()
    check(exit_code == 118, "%s: exit code %s, expected 118" % (name, exit_code))
    print("%s: box %s, exit %s" % (name, window_rect, exit_code), flush=True)
    return window_rect


def check_close_glyph(name, rows, window_rect, client):
    """The title bar's close button shows its cross (Marlett's glyph), not
    the letter "r" that a prefix without Marlett draws: the dark pixels at the
    bar's right end, a square as high as the bar, are the same mirrored left
    to right and top to bottom (an "r" is neither)."""
    caption = client[1] - window_rect[1] if client else 0
    width = len(rows[0]) if rows else 0
    ink = {(x, y) for y in range(min(caption, len(rows)))
           for x in range(max(0, width - caption), width) if max(rows[y][x]) < 100}
    mirrored_x = mirrored_y = 0.0
    if len(ink) >= 6:
        xs = [x for x, _ in ink]
        ys = [y for _, y in ink]
        mirrored_x = sum((min(xs) + max(xs) - x, y) in ink for x, y in ink) / len(ink)
        mirrored_y = sum((x, min(ys) + max(ys) - y) in ink for x, y in ink) / len(ink)
    check(mirrored_x >= 0.9 and mirrored_y >= 0.9,
          "%s: the close button shows a cross (%d dark pixels, %.2f the same left to right, "
          "%.2f top to bottom)" % (name, len(ink), mirrored_x, mirrored_y))


def near(pixel, expected, tolerance=8):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, expected))


def count_near(part, colour, tolerance=6):
    return sum(1 for row in part for pixel in row if near(pixel, colour, tolerance))


def client_rects(driver, window, ids):
    """The controls' rectangles (screen coordinates) that exist."""
    rects = {}
    for control in ids:
        rect = rect_of(driver, window, control)
        if rect and rect[2] > rect[0] and rect[3] > rect[1]:
            rects[control] = rect
    return rects


def check_feature_labels(name, rows, window_rect, labels):
    """White text straight on the gradient: no dark box behind a label."""
    check(len(labels) == 4, "%s: %d feature labels found" % (name, len(labels)))
    for control, rect in labels.items():
        part = inside(rows, window_rect, rect)
        dark = sum(1 for row in part for pixel in row if max(pixel) < 60)
        whites = sum(1 for row in part for pixel in row if min(pixel) > 230)
        check(dark == 0 and whites > 20,
              "%s: label %d has %d dark pixels and %d white ones" % (name, control, dark, whites))


def check_no_stale_labels(name, rows, window_rect, old_labels, now_covered):
    """Where the labels were before the change and no control is now, the
    gradient alone shows: no white text is left."""
    left, top = window_rect[0], window_rect[1]
    stale = 0
    for rect in old_labels:
        for y in range(rect[1], rect[3]):
            for x in range(rect[0], rect[2]):
                if any(c[0] <= x < c[2] and c[1] <= y < c[3] for c in now_covered):
                    continue
                if min(rows[y - top][x - left]) > 200:
                    stale += 1
    check(stale == 0, "%s: %d white pixels left where the labels were" % (name, stale))


def check_stands_on_background(name, rows, window_rect, rect):
    """A control whose bottom row shows what the window shows just below
    it: no box of its own colour (the bottom row holds no text)."""
    bottom = rect[3] - 1 - window_rect[1]
    below = rect[3] + 1 - window_rect[1]
    columns = range(rect[0] - window_rect[0], rect[2] - window_rect[0])
    if below >= len(rows):
        check(False, "%s: nothing below the control" % name)
        return
    alike = sum(1 for x in columns if near(rows[bottom][x], rows[below][x], 4))
    check(alike >= len(columns) * 9 // 10,
          "%s: %d of %d pixels of its bottom row as the window below it"
          % (name, alike, len(columns)))


def check_gradient(name, rows, window_rect, client):
    """The simplified first page's background: the left 40 % of the client
    area a vertical gradient, the rest white."""
    left, top = client[0] - window_rect[0], client[1] - window_rect[1]
    width, height = client[2] - client[0], client[3] - client[1]
    edge = left + int(width * 0.4)
    column = edge - 3

    def at(x, y):
        return rows[top + y][x]

    middle = tuple((a + b) / 2 for a, b in zip(GRADIENT_TOP, GRADIENT_BOTTOM))
    check(near(at(column, 1), GRADIENT_TOP), "%s: gradient top %s" % (name, at(column, 1)))
    check(near(at(column, height // 2), middle),
          "%s: gradient middle %s" % (name, at(column, height // 2)))
    check(near(at(column, height - 2), GRADIENT_BOTTOM),
          "%s: gradient bottom %s" % (name, at(column, height - 2)))
    check(at(edge + 3, 3) == (255, 255, 255), "%s: white beside the gradient" % name)


def picture_window(driver, session, installer, work, name, *switches):
    """Starts a window run, pictures its first page both ways and checks
    what all first pages share; the run, the window and its pictures."""
    run = driver.start(os.path.join(work, "temp_" + name), installer,
                       "--enable-installer-stats=0", NO_PACKAGE_SERVER, *switches)
    window = driver("find-window", "--pid=%d" % (run.pid or 0))
    if not window:
        return run, None, None
    # The first page is drawn once the folder's status is in.
    driver("find-window", "--pid=%d" % run.pid, "--timeout-ms=2000")
    rows = take_pictures(driver, session, window, work, name)
    return run, window, rows


def settled_picture(driver, window, bmp, bound_seconds=10):
    """The driver's picture of the window once it has drawn itself: taken
    again until two in a row, a quarter second apart, are alike (a window
    just shown, or just changed, is still drawing while the driver answers
    at once)."""
    last = None
    deadline = time.monotonic() + bound_seconds
    while True:
        driver("screenshot", window, ui_driver_e2e.windows_path(bmp))
        rows = read_bmp(bmp)
        if rows == last or time.monotonic() >= deadline:
            return rows
        last = rows
        time.sleep(0.25)


def take_pictures(driver, session, window, work, name):
    window_rect = rect_of(driver, window)
    bmp = os.path.join(work, name + "_driver.bmp")
    rows = settled_picture(driver, window, bmp)
    write_png(os.path.join(work, name + ".png"), rows)
    by_xwd = session.screenshot(os.path.join(work, name + "_xwd.png"), window_rect)
    check(rows == by_xwd, name + ": the driver's picture is the screen's")
    return rows


def end(driver, run):
    if run.pid:
        driver("end", str(run.pid))
    run.wait()


def window_pictures(driver, session, installer, work):
    run, window, rows = picture_window(driver, session, installer, work, "classic_96dpi")
    if rows:
        title = inside(rows, rect_of(driver, window), rect_of(driver, window, CLASSIC_TITLE))
        blue = sum(1 for row in title for pixel in row if pixel == CLASSIC_TITLE_BLUE)
        black = sum(1 for row in title for pixel in row if pixel == (0, 0, 0))
        check(blue > 50 and black > 50,
              "classic title: %d pixels of 0xB5651D, %d black" % (blue, black))
        for control, label in ((CLASSIC_TITLE, "classic title"),
                               (TERMS_LINE, "classic terms line")):
            check_stands_on_background(label, rows, rect_of(driver, window),
                                       rect_of(driver, window, control))
        terms_page(driver, session, window, rows, work)
    end(driver, run)
    long_language_pages(driver, session, installer, work)

    run, window, rows = picture_window(driver, session, installer, work, "simplified_96dpi",
                                       SIMPLIFIED)
    if rows:
        before = rect_of(driver, window)
        check(before and (before[2] - before[0], before[3] - before[1]) == (642, 403),
              "at 96 DPI the window is %s" % (before,))
        logo, title = rect_of(driver, window, LOGO), rect_of(driver, window, SIMPLIFIED_TITLE)
        check(logo and title and logo[3] <= title[1],
              "the logo %s stands above the title %s" % (logo, title))
        check_gradient("simplified_96dpi", rows, before, rect_of_client(driver, window))
        labels = client_rects(driver, window, FEATURE_TEXTS)
        check_feature_labels("simplified_96dpi", rows, before, labels)
        # The labels' places relative to the window, for after the change.
        old_labels = [tuple(v - before[i % 2] for i, v in enumerate(rect))
                      for rect in labels.values()]
        driver("dpi", window, "144")
        changed = rect_of(driver, window)
        check(changed and (changed[2] - changed[0], changed[3] - changed[1]) == (963, 605),
              "after the change to 144 DPI the window is %s" % (changed,))
        rows = take_pictures(driver, session, window, work, "simplified_dpi_changed_144")
        check_gradient("simplified_dpi_changed_144", rows, changed,
                       rect_of_client(driver, window))
        labels = client_rects(driver, window, FEATURE_TEXTS)
        check_feature_labels("simplified_dpi_changed_144", rows, changed, labels)
        covered = client_rects(driver, window,
                               FEATURE_ICONS + FEATURE_TEXTS + (LEFT_PICTURE,)).values()
        check_no_stale_labels("simplified_dpi_changed_144", rows, changed,
                              [tuple(v + changed[i % 2] for i, v in enumerate(rect))
                               for rect in old_labels], list(covered))
    end(driver, run)

    run, window, rows = picture_window(driver, session, installer, work, "simplified_hebrew",
                                       SIMPLIFIED, "--language=he")
    if rows:
        check_gradient("simplified_hebrew", rows, rect_of(driver, window),
                       rect_of_client(driver, window))
        # (A rich edit control of another process answers no text under Wine.)
        install = driver("text", window, str(ACCEPT_BUTTON)) or ""
        check(any("\u05d0" <= c <= "\u05ea" for c in install), "the Hebrew button: %r" % install)
    end(driver, run)

    session.set_log_pixels(144)
    run, window, rows = picture_window(driver, session, installer, work, "simplified_144dpi",
                                       SIMPLIFIED)
    session.set_log_pixels(96)
    if rows:
        check_gradient("simplified_144dpi", rows, rect_of(driver, window),
                       rect_of_client(driver, window))
        check_feature_labels("simplified_144dpi", rows, rect_of(driver, window),
                             client_rects(driver, window, FEATURE_TEXTS))
    end(driver, run)


def wait_visible(driver, window, control):
    """Whether the control is shown within a few seconds."""
    for _ in range(50):
        if (driver("state", window, str(control)) or "").startswith("visible=1"):
            return True
        time.sleep(0.1)
    return False


def terms_page(driver, session, window, rows, work):
    """Clicks the link of the terms line where the picture shows it, and
    pictures the terms page."""
    window_rect = rect_of(driver, window)
    line = rect_of(driver, window, TERMS_LINE)
    part = inside(rows, window_rect, line)
    # The link's underline: the longest run of the link colour in a row
    # (the grey edges of black letters make only short runs).
    underline = (0, 0, 0)  # length, middle x, y
    for y, row in enumerate(part):
        run = 0
        for x, pixel in enumerate(row + [(255, 255, 255)]):
            if near(pixel, TERMS_LINK_COLOUR, 6):
                run += 1
                continue
            if run > underline[0]:
                underline = (run, x - run // 2, y)
            run = 0
    check(underline[0] > 30, "the terms line's link is underlined in 0x686868 (%d pixels)"
          % underline[0])
    if underline[0] <= 30:
        return
    # A click on the letters above the underline.
    driver("click-at", window, str(TERMS_LINE), str(underline[1]), str(underline[2] - 4))
    check(wait_visible(driver, window, TERMS_TEXT), "a click on the link shows the terms")
    rows = take_pictures(driver, session, window, work, "terms_96dpi")
    terms = inside(rows, window_rect, rect_of(driver, window, TERMS_TEXT))
    whites = sum(1 for row in terms for pixel in row if pixel == (255, 255, 255))
    total = sum(len(row) for row in terms)
    check(total and whites > total // 2 and dark_pixels(terms) > 200,
          "the terms page: white with text (%d of %d white)" % (whites, total))


def long_language_pages(driver, session, installer, work):
    """The classic welcome and options pages in the languages with the
    longest texts: each text of the options page's labels is drawn."""
    for language in LONG_LANGUAGES:
        name = "classic_" + language
        run, window, rows = picture_window(driver, session, installer, work, name,
                                           "--language=" + language)
        if rows:
            check(driver("text", window, str(ACCEPT_BUTTON)),
                  "%s: the accept button has a text" % name)
            check_close_glyph(name, rows, rect_of(driver, window), rect_of_client(driver, window))
            driver("click", window, str(OPTIONS_BUTTON))
            shown = wait_visible(driver, window, OPTION_LABELS[0])
            check(shown, "%s: the options page is shown" % name)
            if shown:
                time.sleep(1)  # the page's texts are drawn
                rows = take_pictures(driver, session, window, work, name + "_options")
                window_rect = rect_of(driver, window)
                for label in OPTION_LABELS:
                    part = inside(rows, window_rect, rect_of(driver, window, label))
                    check(dark_pixels(part) > 10, "%s: label %d is drawn" % (name, label))
                client = rect_of_client(driver, window)
                change = rect_of(driver, window, CHANGE_FOLDER_BUTTON)
                check(client and change and change[2] <= client[2],
                      "%s: the Change button %s ends inside the window %s" % (name, change, client))
                if change:
                    part = inside(rows, window_rect, change)
                    check(dark_pixels(part) > 10, "%s: the Change button shows its text" % name)
        end(driver, run)


def rect_of_client(driver, window):
    text = driver("client", window)
    return tuple(int(value) for value in text.split()) if text else None


def main():
    build, driver_exe, bin_dir, work = sys.argv[1:5]
    if not shutil.which("Xvfb") or not shutil.which("xwd"):
        print("skipped: Xvfb or xwd is missing")
        return SKIPPED
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    corrupted = ui_driver_e2e.copy_installer(bin_dir, os.path.join(work, "corrupted"))
    ui_driver_e2e.point_certificate_table_past_the_end(corrupted)
    installer = ui_driver_e2e.copy_installer(bin_dir, os.path.join(work, "bin"))

    # Another program of the machine may end the X server under the session
    # (its Wine programs then hang): such a session is run once more.
    for attempt in (1, 2):
        del failures[:]
        with XvfbWine(os.path.join(build, "wine-prefix-xvfb"),
                      os.path.join(build, "wine-home-xvfb"),
                      log_file=os.path.join(work, "xvfb.log")) as session, \
                XvfbDriver(session, driver_exe) as driver:
            session.set_log_pixels(96)
            at_96 = picture_box(driver, session, corrupted, work, "box_96dpi")
            session.set_log_pixels(144)
            at_144 = picture_box(driver, session, corrupted, work, "box_144dpi")
            session.set_log_pixels(96)
            window_pictures(driver, session, installer, work)
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
