#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Whole window runs of installer.exe on an Xvfb display of its own, driven
with the UI driver as a user would, with pictures of the pages they reach:

- a window installation of the unpacked test package driven to success:
  exit 0, the browser in its folder;
- the same installation's uninstaller in its window: with the profile's
  "Local State" naming a country outside the survey's ("JP") Uninstall goes
  straight to the warning (answered No: the installation stays); with "DE"
  the survey comes first, Uninstall is enabled only once a reason is
  chosen, and Yes to the warning uninstalls (exit 0);
- a single-profile installation into a folder whose parent the user may
  not write to: once the backend has ended with error 7, the error page
  shows 37065 and no offer of the full package;
- a network installation whose fetch fails after Accept: the progress
  page's slideshow changes slides (first picture at the left, the next at
  the right, each with its title), then the error page shows 37057;
- the UI lock: a second run of the session ends 122 and brings the first
  window to the front; after the first is killed its lock file is gone and
  the next run takes the lock.

  window_pages_xvfb_e2e.py <build folder> <ui_driver.exe> <package folder> <work folder>

Pictures stay in the work folder. Exits 77 (skipped) without Xvfb or xwd.
"""

import json
import os
import shutil
import struct
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import ui_driver_e2e  # noqa: E402
import ui_driver_xvfb_e2e as xvfb  # noqa: E402
from xvfb_wine import XvfbWine, read_bmp, write_png  # noqa: E402

SKIPPED = 77
check = ui_driver_e2e.check
failures = ui_driver_e2e.failures
windows_path = ui_driver_e2e.windows_path

ACCEPT_BUTTON = 1003
FULL_PACKAGE_BUTTON = 1004
RETRY_BUTTON = 1005
UNINSTALL_BUTTON = 1006
REINSTALL_BUTTON = 1007
STATUS_TEXT = 1100
PROGRESS_BAR = 1211
DELETE_USER_DATA = 1216
SURVEY_QUESTION = 1225
SURVEY_FIRST_REASON = 1226
SURVEY_QUALITY = 1228
SURVEY_DESCRIPTION = 1237
ERROR_MARK = 1252
ERROR_TEXT = 1105
SLIDE_PICTURE = 1248
SLIDE_TITLE = 1249
SLIDE_TEXT = 1250
# The buttons and text of a Windows message box.
IDYES = 6
IDNO = 7
BOX_TEXT = 0xFFFF

# COLORREF 0x4B4AF5 and 0x0000FF as (r, g, b).
ERROR_TEXT_COLOUR = (0xF5, 0x4A, 0x4B)
ERROR_MARK_COLOUR = (0xFF, 0x00, 0x00)

NO_PRIVILEGES = "Insufficient privileges for installing to the desired location."
DOWNLOAD_FAILED = "Failed to download Velta."
UNINSTALL_WARNING = ("By continuing, you will not be able to browse the Internet with the safe "
                     "and secure Velta browser.\nAre you sure you want to continue?")
SURVEY_QUESTION_TEXT = "What is your main reason for uninstalling Velta?"
# The slideshow's slides in their order; a slide every 10 seconds.
SLIDE_TITLES = ("Browse without trackers", "Stay safer and more private",
                "Easy customization and extensions", "Your bookmarks on every device")
LOCK_FILE = "velta_installer_ui.lck"
ENGLISH = "--language=en-US"


def wait_until(what, bound_seconds):
    """Polls `what` until it answers something true, at most about
    `bound_seconds`; its last answer."""
    deadline = time.monotonic() + bound_seconds
    while True:
        answer = what()
        if answer or time.monotonic() >= deadline:
            return answer
        time.sleep(0.25)


def state(driver, window, control):
    return driver("state", window, str(control)) or ""


def shown(driver, window, control):
    return state(driver, window, control).startswith("visible=1")


def wait_shown(driver, window, control, bound_seconds=30):
    return wait_until(lambda: shown(driver, window, control), bound_seconds)


def wait_text(driver, window, control, text, bound_seconds=10):
    """Waits until `control` reads `text`: the error page's controls show
    before the window writes its message in (one call on the window's
    thread, read from another process meanwhile)."""
    return wait_until(lambda: driver("text", window, str(control)) == text, bound_seconds)


def picture(driver, window, work, name):
    """The window's picture, kept as a PNG; its rows of (r, g, b). (The
    progress page changes as it is taken: no second picture to compare.)"""
    time.sleep(1)  # the page's texts and images are drawn
    bmp = os.path.join(work, name + ".bmp")
    if driver("screenshot", window, windows_path(bmp)) is None:
        return []
    rows = read_bmp(bmp)
    write_png(os.path.join(work, name + ".png"), rows)
    return rows


def part_of(driver, rows, window, control):
    rect = xvfb.rect_of(driver, window, control)
    return xvfb.inside(rows, xvfb.rect_of(driver, window), rect) if rect else []


def log_order(log, lines):
    """Whether each line is logged after the one before it."""
    at = 0
    for line in lines:
        at = log.find(line, at)
        if at < 0:
            return False
    return True


def other_window(driver, pid, window, bound_seconds=30):
    """A visible top-level window of `pid` other than `window` (a box)."""
    def found():
        answer = driver("find-window", "--pid=%d" % pid, "--timeout-ms=500")
        return answer if answer and answer != window else None
    return wait_until(found, bound_seconds)


def start_window(driver, temp, program, *args):
    """Starts a window run; its process and its window. Now and then the
    first window of a fresh Xvfb session never appears: that run is ended
    and started once more."""
    for attempt in (1, 2):
        checked = len(failures)
        run = driver.start(temp if attempt == 1 else temp + "_again", program, *args)
        window = driver("find-window", "--pid=%d" % (run.pid or 0))
        if window or attempt == 2:
            return run, window
        print("%s: no window appeared; the run is made again" % os.path.basename(temp),
              flush=True)
        xvfb.end(driver, run)
        del failures[checked:]


def copy_package(package, folder):
    shutil.copytree(package, folder)
    return os.path.join(folder, "installer.exe")


def read_status(target):
    path = os.path.join(target, "installation_status.json")
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8") as file:
        return json.load(file)


def installation_to_success(driver, package, work):
    """A classic window installation driven to its end; the installation's
    folder."""
    installer = copy_package(package, os.path.join(work, "package"))
    target = os.path.join(work, "Velta Browser")
    run, window = start_window(driver, os.path.join(work, "temp_install"), installer,
                               "--enable-installer-stats=0", "--launchvelta=0", "--v=1",
                               ENGLISH, "--installfolder=" + windows_path(target))
    if window:
        check(wait_shown(driver, window, ACCEPT_BUTTON), "install: the welcome page")
        driver("click", window, str(ACCEPT_BUTTON))
    exit_code = run.wait()
    status = read_status(target)
    subfolder = (status or {}).get("_subfolder", "")
    check(exit_code == 0, "install: exit code %s, expected 0" % exit_code)
    check(status is not None and subfolder and
          os.path.isfile(os.path.join(target, subfolder, "velta.exe")),
          "install: the browser is in %s (status %s)" % (target, status is not None))
    print("window installation: exit %s, version folder %r" % (exit_code, subfolder), flush=True)
    return target, subfolder


def uninstall_runs(driver, target, subfolder, work):
    """The uninstaller's window for a profile outside and inside the
    survey's countries."""
    profile = os.path.join(work, "profile")
    os.makedirs(profile, exist_ok=True)
    prefs_path = os.path.join(target, "installer_prefs.json")
    with open(prefs_path, encoding="utf-8") as file:
        prefs = json.load(file)
    prefs["profile_path"] = windows_path(profile)
    with open(prefs_path, "w", encoding="utf-8") as file:
        json.dump(prefs, file)
    uninstaller = os.path.join(target, subfolder, "installer.exe")

    # country, whether the survey comes first, the answer to the warning.
    for country, survey, answer in (("JP", False, IDNO), ("DE", True, IDYES)):
        name = "uninstall_" + country
        with open(os.path.join(profile, "Local State"), "w", encoding="utf-8") as file:
            json.dump({"location": {"country": country}}, file)
        run, window = start_window(driver, os.path.join(work, "temp_" + name), uninstaller,
                                   "--uninstall", "--enable-installer-stats=0", "--v=1",
                                   ENGLISH)
        if not window:
            run.wait()
            continue
        check(wait_shown(driver, window, UNINSTALL_BUTTON), name + ": the uninstall page")
        # The page's controls change one after another in the window's
        # thread while the driver answers at once: their states are polled.
        check(wait_until(lambda: state(driver, window, UNINSTALL_BUTTON) ==
                         "visible=1 enabled=1", 10),
              name + ": Uninstall is enabled")
        check(shown(driver, window, REINSTALL_BUTTON), name + ": Re-install is shown")
        check(shown(driver, window, DELETE_USER_DATA), name + ": the profile can be deleted")
        rows = picture(driver, window, work, name + "_page")
        for control in (UNINSTALL_BUTTON, REINSTALL_BUTTON, DELETE_USER_DATA):
            check(xvfb.dark_pixels(part_of(driver, rows, window, control)) > 10,
                  "%s: %d shows its text" % (name, control))
        driver("click", window, str(UNINSTALL_BUTTON))
        if survey:
            check(wait_shown(driver, window, SURVEY_QUESTION), name + ": the survey is shown")
            check(driver("text", window, str(SURVEY_QUESTION)) == SURVEY_QUESTION_TEXT,
                  name + ": the survey's question")
            check(wait_until(lambda: state(driver, window, UNINSTALL_BUTTON) ==
                             "visible=1 enabled=0", 10),
                  name + ": Uninstall waits for a reason: %s"
                  % state(driver, window, UNINSTALL_BUTTON))
            rows = picture(driver, window, work, name + "_survey")
            check(xvfb.dark_pixels(part_of(driver, rows, window, SURVEY_FIRST_REASON)) > 10,
                  name + ": the first reason is drawn")
            # The quality reason opens its problems, with the description
            # box below "Other", all on the page.
            driver("click", window, str(SURVEY_QUALITY))
            check(wait_shown(driver, window, SURVEY_DESCRIPTION),
                  name + ": the description box is shown")
            rows = picture(driver, window, work, name + "_survey_quality")
            # Disabled until "Other" is checked: a light grey frame.
            box_part = part_of(driver, rows, window, SURVEY_DESCRIPTION)
            check(sum(1 for row in box_part for pixel in row if max(pixel) < 240) > 10,
                  name + ": the description box is drawn")
            description = xvfb.rect_of(driver, window, SURVEY_DESCRIPTION)
            uninstall = xvfb.rect_of(driver, window, UNINSTALL_BUTTON)
            check(description and uninstall and description[3] < uninstall[1],
                  name + ": the description box ends above the buttons")
            driver("click", window, str(SURVEY_FIRST_REASON))
            check(wait_until(lambda: state(driver, window, UNINSTALL_BUTTON) ==
                             "visible=1 enabled=1", 10),
                  name + ": a reason enables Uninstall")
            picture(driver, window, work, name + "_survey_answered")
            driver("click", window, str(UNINSTALL_BUTTON))
        box = other_window(driver, run.pid or 0, window)
        check(box, name + ": the uninstall warning is shown")
        if box and not survey:
            check(not shown(driver, window, SURVEY_QUESTION), name + ": no survey")
        if box:
            text = driver("text", box, str(BOX_TEXT)) or ""
            check(text.replace("\r\n", "\n") == UNINSTALL_WARNING,
                  "%s: the warning's text %r" % (name, text))
            check(driver("text", box, str(IDYES)) == "&Yes" and
                  driver("text", box, str(IDNO)) == "&No", name + ": the warning's buttons")
            driver("click", box, str(answer))
        exit_code = run.wait()
        for _ in range(100):
            if not os.path.exists(os.path.join(target, "k.bat")):
                break
            time.sleep(0.2)
        check("Uninstall:1" in run.log(), name + ": an uninstall run")
        if answer == IDNO:
            check(read_status(target) is not None, name + ": No keeps the installation")
        else:
            check(exit_code == 0, "%s: exit code %s, expected 0" % (name, exit_code))
            check(read_status(target) is None, name + ": the installation is removed")
        print("%s: exit %s" % (name, exit_code), flush=True)


def error_page(driver, package, work):
    """The simplified window of a single-profile installation into a folder
    whose parent the user may not write to: the backend ends with error 7."""
    installer = copy_package(package, os.path.join(work, "package_for_error"))
    parent = os.path.join(work, "read-only")
    os.makedirs(parent)
    # Wine's access check reads the folder's mode: no write access.
    os.chmod(parent, 0o555)
    run, window = start_window(driver, os.path.join(work, "temp_error"), installer,
                               "--enable-installer-stats=0", "--launchvelta=0", "--v=1",
                               ENGLISH, xvfb.SIMPLIFIED, "--singleprofile=1",
                               "--installfolder=" + windows_path(os.path.join(parent, "Velta")))
    if window:
        check(wait_shown(driver, window, ACCEPT_BUTTON), "error: the welcome page")
        driver("click", window, str(ACCEPT_BUTTON))
        check(wait_shown(driver, window, RETRY_BUTTON, 90), "error: the error page")
        wait_text(driver, window, STATUS_TEXT, NO_PRIVILEGES)
        log = run.log()
        check(log_order(log, ["IPC_MESSAGE_ERROR(7,", "Reporting error 37065", "Installer termination reported",
                              "Handling pending error", 'Displaying error: "' + NO_PRIVILEGES +
                              "\" and don't offer full package"]),
              "error: 37065 is shown once the backend has ended, without the full package")
        check(driver("text", window, str(STATUS_TEXT)) == NO_PRIVILEGES,
              "error: the message %r" % driver("text", window, str(STATUS_TEXT)))
        check(not shown(driver, window, FULL_PACKAGE_BUTTON),
              "error: no full package the first time")
        rows = picture(driver, window, work, "error_simplified")
        text_part = part_of(driver, rows, window, ERROR_TEXT)
        check(xvfb.count_near(text_part, ERROR_TEXT_COLOUR, 24) > 30,
              "error: the message is drawn in 0x4B4AF5 (%d pixels)"
              % xvfb.count_near(text_part, ERROR_TEXT_COLOUR, 24))
        mark = part_of(driver, rows, window, ERROR_MARK)
        check(xvfb.count_near(mark, ERROR_MARK_COLOUR, 24) > 10,
              "error: the error mark is drawn in red")
        # Try again runs the installation again; inside a package the full
        # package is never offered, the second time either.
        driver("click", window, str(RETRY_BUTTON))
        displayed = 'Displaying error: "%s" and ' % NO_PRIVILEGES
        check(wait_until(lambda: run.log().count(displayed) == 2, 90),
              "error: Try again ends with the error again")
        check(run.log().count(displayed + "don't offer full package") == 2 and
              wait_shown(driver, window, RETRY_BUTTON) and
              not shown(driver, window, FULL_PACKAGE_BUTTON),
              "error: inside a package the second error offers no full package")
    xvfb.end(driver, run)
    print("error page: %s" % ("shown" if window else "no window"), flush=True)


def slide(driver, window, work, name):
    """The slide shown: its title, its picture's and title's rectangles
    (client coordinates) and its picture's pixels. On busy cores a capture
    can take longer than a slide is shown: one that saw the slide change is
    taken again."""
    for _ in range(3):
        title = driver("text", window, str(SLIDE_TITLE))
        shown_slide = capture_slide(driver, window, work, name)
        if shown_slide["title"] == title:
            break
    return shown_slide


def capture_slide(driver, window, work, name):
    client = xvfb.rect_of_client(driver, window)
    rows = picture(driver, window, work, name)
    picture_rect = xvfb.rect_of(driver, window, SLIDE_PICTURE)
    title_rect = xvfb.rect_of(driver, window, SLIDE_TITLE)
    pixels = xvfb.inside(rows, xvfb.rect_of(driver, window), picture_rect) if picture_rect else []
    # The texts are black and grey on white: a coloured pixel under them is
    # a piece of a picture left behind.
    coloured = sum(1 for control in (SLIDE_TITLE, SLIDE_TEXT)
                   for row in part_of(driver, rows, window, control)
                   for pixel in row if max(pixel) - min(pixel) > 60)
    check(coloured == 0, "%s: %d coloured pixels under the slide's texts" % (name, coloured))
    # The status line and the bar stand above the slide: neither covers its
    # picture or its texts.
    status_rect = xvfb.rect_of(driver, window, STATUS_TEXT)
    bar_rect = xvfb.rect_of(driver, window, PROGRESS_BAR)
    slide_rects = [rect for rect in (picture_rect, title_rect,
                                     xvfb.rect_of(driver, window, SLIDE_TEXT)) if rect]
    check(status_rect and bar_rect and slide_rects and
          max(status_rect[3], bar_rect[3]) <= min(rect[1] for rect in slide_rects),
          "%s: the status line %s and the bar %s above the slide %s"
          % (name, status_rect, bar_rect, slide_rects))
    return {
        "title": driver("text", window, str(SLIDE_TITLE)),
        "text": driver("text", window, str(SLIDE_TEXT)),
        "client": client,
        "picture": picture_rect,
        "title_rect": title_rect,
        "pixels": pixels,
    }


def fetch_failure_with_slideshow(driver, bin_dir, work):
    """A network installation whose fetch fails after Accept: the progress
    page's slideshow, then the error page with 37057."""
    installer = ui_driver_e2e.copy_installer(bin_dir, os.path.join(work, "network"))
    run, window = start_window(driver, os.path.join(work, "temp_fetch"), installer,
                               "--enable-installer-stats=0", "--v=1", ENGLISH, xvfb.SIMPLIFIED,
                               xvfb.NO_PACKAGE_SERVER, "--installfolder=" +
                               windows_path(os.path.join(work, "Fetch Target")))
    if window:
        check(wait_shown(driver, window, ACCEPT_BUTTON), "fetch: the welcome page")
        driver("click", window, str(ACCEPT_BUTTON))
        check(wait_shown(driver, window, SLIDE_PICTURE), "fetch: the progress page")
        first = slide(driver, window, work, "slide_first")
        # A slide every 10 seconds; the error may come first only when the
        # fetch gives up sooner.
        changed = wait_until(lambda: driver("text", window, str(SLIDE_TITLE)) != first["title"]
                             or shown(driver, window, RETRY_BUTTON), 40)
        check(changed and not shown(driver, window, RETRY_BUTTON),
              "fetch: the slide changed while the fetch was retried")
        second = slide(driver, window, work, "slide_second")
        check(first["title"] in SLIDE_TITLES and second["title"] in SLIDE_TITLES
              and first["title"] != second["title"],
              "fetch: the slides' titles %r, %r" % (first["title"], second["title"]))
        check(first["text"] and second["text"] and first["text"] != second["text"],
              "fetch: each slide has its own text")
        check(first["pixels"] != second["pixels"], "fetch: the slide's picture changed")
        client = first["client"]
        if first["picture"] and second["picture"] and client:
            for shown_slide in (first, second):
                picture_rect, title_rect = shown_slide["picture"], shown_slide["title_rect"]
                # The slides alternate: the first's picture at the left.
                if shown_slide["title"] in SLIDE_TITLES[::2]:
                    check(picture_rect[0] == client[0] and title_rect[0] > picture_rect[2],
                          "fetch: %r: the picture at the left, the texts right of it: %s %s"
                          % (shown_slide["title"], picture_rect, title_rect))
                else:
                    check(picture_rect[2] == client[2] and title_rect[2] < picture_rect[0],
                          "fetch: %r: the picture at the right, the texts left of it: %s %s"
                          % (shown_slide["title"], picture_rect, title_rect))
            check(first["picture"][3] == client[3] and second["picture"][3] == client[3],
                  "fetch: the slides' pictures stand on the window's bottom")
        check(wait_shown(driver, window, RETRY_BUTTON, 120), "fetch: the error page")
        wait_text(driver, window, STATUS_TEXT, DOWNLOAD_FAILED)
        check(driver("text", window, str(STATUS_TEXT)) == DOWNLOAD_FAILED,
              "fetch: the message %r" % driver("text", window, str(STATUS_TEXT)))
        check(log_order(run.log(), ["Accept clicked.", "Package fetcher failed.",
                                    "Reporting fetcher error.", "Reporting error 37057",
                                    'Displaying error: "' + DOWNLOAD_FAILED]),
              "fetch: the fetch's failure after Accept is shown")
        picture(driver, window, work, "fetch_error_simplified")
    xvfb.end(driver, run)
    print("fetch failure: %s" % ("shown" if window else "no window"), flush=True)


def lock_file_id(temp):
    path = os.path.join(temp, LOCK_FILE)
    try:
        with open(path, "rb") as file:
            data = file.read()
    except OSError:
        return None
    return struct.unpack("<I", data)[0] if len(data) == 4 else data


def ui_lock_runs(driver, bin_dir, work):
    """Three windows of one session: the second of a temporary folder ends
    122 and brings the first to the front; once the first is killed its
    lock file is gone and the next run takes the lock."""
    installer = ui_driver_e2e.copy_installer(bin_dir, os.path.join(work, "lock_bin"))
    shared = os.path.join(work, "temp_lock")
    switches = ("--enable-installer-stats=0", "--v=1", ENGLISH, xvfb.NO_PACKAGE_SERVER,
                "--installfolder=" + windows_path(os.path.join(work, "Lock Target")))
    first = driver.start(shared, installer, *switches)
    first_window = driver("find-window", "--pid=%d" % (first.pid or 0))
    thread = lock_file_id(shared)
    check(isinstance(thread, int) and thread != 0,
          "lock: the first window's lock file holds a thread id: %r" % (thread,))
    # Another window of its own temporary folder (its own lock) in front.
    other = driver.start(os.path.join(work, "temp_lock_other"), installer, *switches)
    other_window = driver("find-window", "--pid=%d" % (other.pid or 0))
    wait_until(lambda: (driver("foreground") or "").split(" ")[0] == other_window, 10)
    before = (driver("foreground") or "").split(" ")[0]

    second = driver.start(shared, installer, *switches)
    exit_code = second.wait()
    after = (driver("foreground") or "").split(" ")[0]
    check(exit_code == 122, "lock: the second run's exit code %s, expected 122" % exit_code)
    check("Another instance of the installer UI is running. Switching to it" in second.log(),
          "lock: the second run switched to the first")
    check(first_window and after == first_window and before != first_window,
          "lock: the first window came to the front (before %s, after %s, first %s)"
          % (before, after, first_window))

    xvfb.end(driver, first)
    check(not os.path.exists(os.path.join(shared, LOCK_FILE)),
          "lock: the killed window's lock file is gone")
    next_run = driver.start(shared, installer, *switches)
    next_window = driver("find-window", "--pid=%d" % (next_run.pid or 0))
    check(next_window, "lock: the next run opens its window")
    check(isinstance(lock_file_id(shared), int), "lock: the next run holds the lock file")
    xvfb.end(driver, next_run)
    xvfb.end(driver, other)
    print("ui lock: second run exit %s" % exit_code, flush=True)


def main():
    build, driver_exe, package, work = sys.argv[1:5]
    if not shutil.which("Xvfb") or not shutil.which("xwd"):
        print("skipped: Xvfb or xwd is missing")
        return SKIPPED
    if os.path.isdir(os.path.join(work, "read-only")):
        os.chmod(os.path.join(work, "read-only"), 0o755)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    bin_dir = package
    # A prefix of its own beside the box pictures' (ui_driver_xvfb_e2e): the
    # two run side by side.
    with XvfbWine(os.path.join(build, "wine-prefix-xvfb-pages"),
                  os.path.join(build, "wine-home-xvfb-pages"),
                  log_file=os.path.join(work, "xvfb.log")) as session, \
            xvfb.XvfbDriver(session, driver_exe) as driver:
        session.set_log_pixels(96)
        target, subfolder = installation_to_success(driver, package, work)
        if subfolder:
            uninstall_runs(driver, target, subfolder, work)
        error_page(driver, package, work)
        fetch_failure_with_slideshow(driver, bin_dir, work)
        ui_lock_runs(driver, bin_dir, work)
    print("pictures in " + work)
    if failures:
        print("window pages: %d checks failed" % len(failures))
        return 1
    print("window pages: all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
