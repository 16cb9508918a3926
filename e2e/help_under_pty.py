#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Runs installer.exe --help on a terminal and answers its pause with a key.

The switch help goes to a console, which under Wine reaches the caller only
through a terminal: the program runs under `script` on a pseudo-terminal.
Wine's console draws every character between cursor escapes and writes
blanks as "erase, move right", so the text is rebuilt before it is checked.

Usage: help_under_pty.py RUN_UNDER_WINE INSTALLER_EXE
"""

import os
import re
import select
import shlex
import subprocess
import sys
import time

TIMEOUT_S = 120

EXPECTED = [
    "Velta Installer ",
    "The following command line parameters affect the behavior of the installer:",
    "  silent",
    "  language=LANGUAGE",
    "    Install Velta in the specified folder.",
    "    Default value: True for Velta Granite.",
    "  enable-installer-stats=[0|1]",
    "Languages available for the language option:",
    "en-US",
    "Features available through command-line switches:",
    "--with-feature:installer-experiment-test [Enabled by default: false]",
    "--with-feature:installer-use-minimal-package [Enabled by default: false]",
    "--with-feature:installer-simplified-ui [Enabled by default: false]",
]


def plain_text(raw):
    """The console's output as text: moves right become blanks, other
    escapes go."""
    text = raw.decode("utf-8", "replace")
    text = re.sub(r"\x1b\[K\x1b\[(\d+)C", lambda m: " " * int(m.group(1)), text)
    text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", text)
    return text.replace("\r", "")


def main():
    run_under_wine, installer = sys.argv[1:3]
    command = " ".join(shlex.quote(part) for part in [run_under_wine, installer, "--help"])
    process = subprocess.Popen(["script", "-qec", command, "/dev/null"],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    raw = b""
    answered = False
    deadline = time.monotonic() + TIMEOUT_S
    while True:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            process.kill()
            print("FAILED: no end within %d s; output so far:\n%s" % (TIMEOUT_S, plain_text(raw)))
            return 1
        ready, _, _ = select.select([process.stdout], [], [], remaining)
        if not ready:
            continue
        chunk = os.read(process.stdout.fileno(), 65536)
        if not chunk:
            break
        raw += chunk
        if not answered and "Press any key" in plain_text(raw):
            # The pause waits for this key; the program then ends.
            process.stdin.write(b"x\r")
            process.stdin.flush()
            answered = True
    code = process.wait()
    text = plain_text(raw)
    failures = [line for line in EXPECTED if line not in text]
    if not answered:
        failures.append("the pause prompt")
    if code != 0:
        failures.append("exit code 0 (got %d)" % code)
    if failures:
        print("FAILED: missing " + "; ".join(repr(f) for f in failures))
        print(text)
        return 1
    print("help under a terminal: all %d lines, pause answered, exit code 0" % len(EXPECTED))
    return 0


if __name__ == "__main__":
    sys.exit(main())
