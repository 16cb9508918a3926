#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""A window installation of an unpacked package on an Xvfb display of its
own, driven with the UI driver, with a PNG picture of each page it shows:
the welcome page, the options page, the welcome page again (Back), and the
progress page while the installation runs. The run ends with the
installation. Then a window in Hebrew (a right-to-left language), one in
Japanese and one in Russian each show their welcome page for a picture and
are closed. The pictures' folder is named at the end.

  window_run_pictures.py <build folder> <ui_driver.exe> <package folder> <out folder>
"""

import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import ui_driver_e2e  # noqa: E402
import ui_driver_xvfb_e2e  # noqa: E402
from xvfb_wine import XvfbWine, read_bmp, write_png  # noqa: E402

OPTIONS_BUTTON = 1001
ACCEPT_BUTTON = 1003
BACK_BUTTON = 1201
PROGRESS_BAR = 1211


def main():
    build, driver_exe, package, out = sys.argv[1:5]
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    work = os.path.join(out, "run")
    shutil.copytree(package, os.path.join(work, "package"))
    target = os.path.join(work, "Velta Browser")
    with XvfbWine(os.path.join(build, "wine-prefix-xvfb"), os.path.join(build, "wine-home-xvfb"),
                  log_file=os.path.join(work, "xvfb.log")) as session, \
            ui_driver_xvfb_e2e.XvfbDriver(session, driver_exe) as driver:
        run = driver.start(os.path.join(work, "temp"),
                           os.path.join(work, "package", "installer.exe"),
                           "--enable-installer-stats=0", "--launchvelta=0", "--v=1",
                           "--installfolder=" + ui_driver_e2e.windows_path(target))
        window = driver("find-window", "--pid=%d" % (run.pid or 0))
        pictures = []

        def picture(name):
            time.sleep(1)  # the page's texts and images are drawn
            bmp = os.path.join(work, name + ".bmp")
            if driver("screenshot", window, ui_driver_e2e.windows_path(bmp)) is not None:
                path = os.path.join(out, name + ".png")
                write_png(path, read_bmp(bmp))
                pictures.append(path)

        if window:
            picture("1_welcome")
            driver("click", window, str(OPTIONS_BUTTON))
            picture("2_options")
            driver("click", window, str(BACK_BUTTON))
            picture("3_welcome_again")
            driver("click", window, str(ACCEPT_BUTTON))
            picture("4_progress")
            print("    " + describe_progress(driver("progress", window, str(PROGRESS_BAR))))
        exit_code = run.wait()

        # Other scripts: a right-to-left language (the texts in reading
        # order), Japanese and Russian, whose titles wrap.
        for number, language, name in ((5, "he", "hebrew"), (6, "ja", "japanese"),
                                       (7, "ru", "russian")):
            other = driver.start(os.path.join(work, "temp_" + name),
                                 os.path.join(work, "package", "installer.exe"),
                                 "--enable-installer-stats=0", "--language=" + language,
                                 ui_driver_xvfb_e2e.NO_PACKAGE_SERVER,
                                 "--installfolder=" + ui_driver_e2e.windows_path(
                                     os.path.join(work, "Velta Browser " + language)))
            window = driver("find-window", "--pid=%d" % (other.pid or 0))
            if window:
                picture("%d_welcome_%s" % (number, name))
            if other.pid:
                driver("end", str(other.pid))
            other.wait()
    print("    exit code: %s" % exit_code)
    print("    pictures:")
    for path in pictures:
        print("      " + path)
    print("    installed: %s" % ("yes" if os.path.exists(
        os.path.join(target, "installation_status.json")) else "no"))
    print("Pictures of the window run are in " + out)
    return 0 if exit_code == 0 and window and not ui_driver_e2e.failures else 1


def describe_progress(answer):
    """The UI driver's "<position> <minimum> <maximum>" in words."""
    try:
        position, low, high = (int(part) for part in (answer or "").split())
    except ValueError:
        return "progress bar: not read (%r)" % answer
    if high <= low:
        return "progress bar at %d (an empty range %d to %d)" % (position, low, high)
    percent = 100.0 * (position - low) / (high - low)
    return "progress bar at %d of %d to %d: %.0f %% done when the picture was taken" % (
        position, low, high, percent)


if __name__ == "__main__":
    sys.exit(main())
