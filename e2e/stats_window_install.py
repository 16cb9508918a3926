#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Window runs of the unpacked test package that report their statistics to
the loopback statistics server on port 9000, driven with the UI driver as a
user would: what the window and its controller send, decoded here with a
reader of the schema's JSON.

  stats_window_install.py --wine RUN_UNDER_WINE --driver UI_DRIVER_EXE
                          --package PACKAGE --schema-tool EXE
                          --server STATS_TEST_SERVER_PY --work FOLDER

Runs, each from its own copy of PACKAGE with --test-avro-srv and the
statistics allowed:
  - an installation through Options, Back and Accept: exit code 0; one
    page_transition per page shown (welcome, options, welcome, progress) with
    the button that led there, and one more with page 0xFFFFFFFF as the
    window goes; initial_settings_gathered before the Accept's
    settings_accepted; controller_launched first, controller_quitting last.
    The installation is then taken away again and the prefix checked;
  - a run the user closes on its welcome page (Alt+F4) and confirms: exit code 120,
    installation_cancelled with counter 1, the last page_transition records
    the Cancel, nothing installed.
Prints "stats window install: all checks passed" on success.

Runs alone in its tree's prefix (the port is fixed, and the removal takes
away everything new in the user profiles and in HKCU).
"""

import argparse
import json
import os
import shutil
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import stats_silent_install as stats  # noqa: E402
import ui_driver_e2e  # noqa: E402

OPTIONS_BUTTON = 1001
ACCEPT_BUTTON = 1003
VK_F4 = 115
BACK_BUTTON = 1201
IDYES = 6
# page_type of the window's last report, as the schema's int reads it.
WINDOW_GONE = -1


def run_window(driver, server, package, work, name, steps):
    """Starts a window run of `package`, lets `steps(window)` drive it and
    returns (exit code, the messages it sent, decoded)."""
    with server.state.lock:
        started_with = len(server.state.bodies)
    run = driver.start(os.path.join(work, "temp_" + name), os.path.join(package, "installer.exe"),
                       "--test-avro-srv", "--enable-installer-stats=1", "--launchvelta=0",
                       "--v=1", "--installfolder=" + ui_driver_e2e.windows_path(
                           os.path.join(work, "Velta " + name)))
    window = driver("find-window", "--pid=%d" % (run.pid or 0))
    if window:
        steps(window)
    exit_code = run.wait()
    if exit_code is None and run.pid:
        driver("end", str(run.pid))
    time.sleep(2)  # anything still on its way
    with server.state.lock:
        bodies = [bytes.fromhex(body["hex"]) for body in server.state.bodies[started_with:]]
    return exit_code, bodies, run


def events_of(bodies, schema, name):
    events = []
    for index, body in enumerate(bodies):
        try:
            event = stats.decode_body(body, schema).get("installer_event") or {}
        except (ValueError, KeyError) as error:
            ui_driver_e2e.check(False, "%s: body %d does not decode: %s" % (name, index, error))
            continue
        events.append(event)
        pages = {key: value for key, value in (event.get("page_transitions") or {}).items()
                 if value is not None}
        print("%s message %d: %s %s" % (name, index, event.get("event_type"),
                                        json.dumps(pages, sort_keys=True) if pages else ""))
    return events


def types_of(events):
    return [event.get("event_type") for event in events]


def pages_of(events):
    """(page_type, navigation_action) of each page_transition, in order."""
    return [((event.get("page_transitions") or {}).get("page_type"),
             (event.get("page_transitions") or {}).get("navigation_action"))
            for event in events if event.get("event_type") == "page_transition"]


def check_framing(name, types):
    check = ui_driver_e2e.check
    check(types[:1] == ["controller_launched"], "%s: controller_launched comes first" % name)
    check(types[-1:] == ["controller_quitting"], "%s: controller_quitting comes last" % name)
    check(types.count("initial_settings_gathered") == 1,
          "%s: initial_settings_gathered sent once, not %d"
          % (name, types.count("initial_settings_gathered")))


def install_run(driver, server, schema, package, work):
    def steps(window):
        driver("click", window, str(OPTIONS_BUTTON))
        driver("click", window, str(BACK_BUTTON))
        # Accept waits for the folder's status if it is not in yet.
        driver("click", window, str(ACCEPT_BUTTON))

    exit_code, bodies, _ = run_window(driver, server, package, work, "install", steps)
    check = ui_driver_e2e.check
    check(exit_code == 0, "install: exit code %s, expected 0" % exit_code)
    check(os.path.isfile(os.path.join(work, "Velta install", "launcher.exe")),
          "install: launcher.exe installed")
    events = events_of(bodies, schema, "install")
    types = types_of(events)
    check_framing("install", types)
    check("settings_accepted" in types and "initial_settings_gathered" in types
          and types.index("initial_settings_gathered") < types.index("settings_accepted"),
          "install: the settings were gathered before they were accepted: %s" % types)
    check("installation_cancelled" not in types, "install: nothing was cancelled")
    pages = pages_of(events)
    check(pages[:4] == [(0, None), (3, "OPTIONS"), (0, "BACK"), (4, "ACCEPT")],
          "install: pages shown with the buttons that led there: %s" % pages)
    check(pages[-1:] and pages[-1][0] == WINDOW_GONE,
          "install: the window's last report says it went: %s" % pages)


def cancel_run(driver, server, schema, package, work):
    def steps(window):
        # Alt+F4, as a user closes the window.
        driver("key", window, str(VK_F4), "--alt")
        question = None
        for _ in range(100):
            front = driver("foreground") or ""
            handle = front.split(" ", 1)[0]
            if handle and handle != window:
                question = handle
                break
            time.sleep(0.1)
        ui_driver_e2e.check(question is not None, "cancel: Close asks first")
        if question:
            driver("click", question, str(IDYES))

    exit_code, bodies, _ = run_window(driver, server, package, work, "cancel", steps)
    check = ui_driver_e2e.check
    check(exit_code == 120, "cancel: exit code %s, expected 120" % exit_code)
    check(not os.path.exists(os.path.join(work, "Velta cancel", "launcher.exe")),
          "cancel: nothing installed")
    events = events_of(bodies, schema, "cancel")
    types = types_of(events)
    check_framing("cancel", types)
    cancelled = [event for event in events if event.get("event_type") == "installation_cancelled"]
    check(len(cancelled) == 1 and cancelled[0].get("counter") == 1,
          "cancel: one installation_cancelled with counter 1: %s" % cancelled)
    check("settings_accepted" not in types, "cancel: no settings were accepted")
    pages = pages_of(events)
    check(pages == [(0, None), (WINDOW_GONE, "CANCEL")],
          "cancel: the welcome page, then the window going on Cancel: %s" % pages)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--driver", required=True)
    parser.add_argument("--package", required=True)
    parser.add_argument("--schema-tool", required=True)
    parser.add_argument("--server", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    package = os.path.join(args.work, "package")
    shutil.copytree(args.package, package)
    schema = stats.read_schema(args.wine, args.schema_tool, args.work)

    driver = ui_driver_e2e.Driver(args.wine, args.driver)
    files_before = stats.snapshot_files(stats.wine_folders(args.wine))
    hkcu_before = stats.export_hkcu(args.wine, args.work)
    server = stats.start_server(stats.load_server_module(args.server),
                                os.path.join(args.work, "bodies"), [])
    removal_failures = []
    try:
        install_run(driver, server, schema, package, args.work)
        stats.remove_installation(args.wine, args.work, os.path.join(args.work, "Velta install"),
                                  files_before, hkcu_before, removal_failures)
        cancel_run(driver, server, schema, package, args.work)
        stats.remove_installation(args.wine, args.work, os.path.join(args.work, "Velta cancel"),
                                  files_before, hkcu_before, [])
    finally:
        driver.close()
        server.shutdown()
        server.server_close()
    for failure in removal_failures:
        ui_driver_e2e.check(False, failure)
    shutil.rmtree(package, ignore_errors=True)
    if ui_driver_e2e.failures:
        return 1
    print("stats window install: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
