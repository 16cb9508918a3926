#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Times commands side by side: round after round, each command once, in
turn, so that a machine whose load changes slows every command alike. Prints
each command's median wall time with its spread (lowest and highest) and the
median of its per-round ratio to the first command (above 1: slower than the
first).

  interleaved.py [--runs N] [--warmup N] \\
      --name ours [--before "shell"] -- cmd args... \\
      --name 7zz  [--before "shell"] -- cmd args...

A command's --before shell text runs untimed ahead of each of its runs (to
empty an output folder, say). A command that fails ends the benchmark.
"""
import statistics
import subprocess
import sys
import time


def parse(argv):
    runs, warmup, commands = 7, 1, []
    i = 0
    while i < len(argv):
        arg = argv[i]
        if arg == "--runs":
            runs = int(argv[i + 1])
            i += 2
        elif arg == "--warmup":
            warmup = int(argv[i + 1])
            i += 2
        elif arg == "--name":
            command = {"name": argv[i + 1], "before": None, "argv": []}
            i += 2
            if i < len(argv) and argv[i] == "--before":
                command["before"] = argv[i + 1]
                i += 2
            if i >= len(argv) or argv[i] != "--":
                raise SystemExit("interleaved.py: -- and a command must follow --name")
            i += 1
            while i < len(argv) and argv[i] != "--name":
                command["argv"].append(argv[i])
                i += 1
            commands.append(command)
        else:
            raise SystemExit("interleaved.py: unknown argument %r" % arg)
    if not commands or any(not c["argv"] for c in commands) or runs < 1:
        raise SystemExit(__doc__)
    return runs, warmup, commands


def run_once(command):
    if command["before"]:
        subprocess.run(command["before"], shell=True, check=True)
    start = time.perf_counter()
    result = subprocess.run(command["argv"], stdout=subprocess.DEVNULL)
    seconds = time.perf_counter() - start
    if result.returncode != 0:
        raise SystemExit("interleaved.py: %s failed (exit code %d)"
                         % (command["name"], result.returncode))
    return seconds


def main(argv):
    runs, warmup, commands = parse(argv)
    for _ in range(warmup):
        for command in commands:
            run_once(command)
    times = {c["name"]: [] for c in commands}
    for _ in range(runs):
        for command in commands:
            times[command["name"]].append(run_once(command))
    first = commands[0]["name"]
    print("medians of %d interleaved runs (after %d untimed), seconds:" % (runs, warmup))
    for command in commands:
        name = command["name"]
        seconds = times[name]
        ratios = [t / f for t, f in zip(seconds, times[first])]
        print("  %-24s %8.3f s (%.3f to %.3f);  / %s: %.2f (%.2f to %.2f)" % (
            name, statistics.median(seconds), min(seconds), max(seconds), first,
            statistics.median(ratios), min(ratios), max(ratios)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
