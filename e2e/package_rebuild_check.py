#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Checks that a built tree makes its test packages again exactly when one of
their inputs changes: a stale package would install old binaries in every
end-to-end test, and a package made at every build slows every run.

  package_rebuild_check.py --ninja NINJA --tree TREE --targets TARGET...
                           --case INPUT OUTPUT... [--case INPUT OUTPUT...]

First a dry run (ninja -n) of the targets must have no work to do, as after
the full build that precedes the tests. Then each case makes its INPUT newer
than everything it feeds, asks ninja (dry run, -d explain) what it would
make again, and puts the file's times back: each OUTPUT of the case must be
made again, and no OUTPUT named only by other cases. Nothing is built and
the tree is left as it was (a dry run writes no build log).

The dry runs read the tree's build.ninja through a manifest of their own
that includes it: with build.ninja itself as the manifest, ninja would first
re-check the configure step's globs, and a dry run ends as soon as that
would run.

The trees of one source folder share its scripts: their checks take turns
(a lock on this script), so that none sees another's changed time stamp. A
time stamp is put back only if the file was not written meanwhile.
"""

import argparse
import fcntl
import os
import re
import subprocess
import sys
import tempfile
import time

# Why ninja would run an edge (ninja -d explain): the output named, or a dirty
# input of the next edge.
EXPLAINED = [
    re.compile(r"^ninja explain: output (.+) older than most recent input "),
    re.compile(r"^ninja explain: recorded mtime of (.+) older than most recent input "),
    re.compile(r"^ninja explain: output (.+) doesn't exist$"),
    re.compile(r"^ninja explain: command line changed for (.+)$"),
    re.compile(r"^ninja explain: (.+) is dirty$"),
]


def dry_run(ninja, tree, manifest, targets, explain=False):
    command = [ninja, "-C", tree, "-f", manifest, "-n"]
    command += (["-d", "explain"] if explain else []) + targets
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                         universal_newlines=True)
    if run.returncode != 0:
        sys.exit("package rebuilds: %s failed (%d):\n%s%s" %
                 (" ".join(command), run.returncode, run.stdout, run.stderr))
    return run


def dirty_paths(tree, explanation):
    paths = set()
    for line in explanation.splitlines():
        for pattern in EXPLAINED:
            match = pattern.match(line)
            if match:
                paths.add(os.path.normpath(os.path.join(tree, match.group(1))))
                break
    return paths


def newest_mtime_ns(paths):
    return max((os.stat(path).st_mtime_ns for path in paths if os.path.exists(path)),
               default=0)


def check_case(ninja, tree, manifest, targets, touched, expected, others):
    """Returns what is wrong when `touched` becomes newer, or []."""
    if not os.path.isfile(touched):
        return ["%s: no such file" % touched]
    kept = os.stat(touched)
    newer = max(time.time_ns(), newest_mtime_ns(expected | others)) + 10**9
    os.utime(touched, ns=(kept.st_atime_ns, newer))
    try:
        dirty = dirty_paths(tree, dry_run(ninja, tree, manifest, targets, explain=True).stderr)
    finally:
        if os.stat(touched).st_mtime_ns == newer:
            os.utime(touched, ns=(kept.st_atime_ns, kept.st_mtime_ns))
    problems = ["%s changed, but %s would not be made again" % (touched, path)
                for path in sorted(expected - dirty)]
    problems += ["%s changed, and %s would be made again, which does not use it" %
                 (touched, path) for path in sorted(others & dirty)]
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ninja", required=True)
    parser.add_argument("--tree", required=True)
    parser.add_argument("--targets", nargs="+", required=True)
    parser.add_argument("--case", nargs="+", action="append", required=True,
                        metavar="INPUT OUTPUT", help="an input and the outputs made from it")
    args = parser.parse_args()
    tree = os.path.abspath(args.tree)
    cases = [(os.path.normpath(os.path.join(tree, case[0])),
              {os.path.normpath(os.path.join(tree, path)) for path in case[1:]})
             for case in args.case]
    outputs = set().union(*(expected for _, expected in cases))

    problems = []
    with open(os.path.abspath(__file__), "rb") as lock, tempfile.TemporaryDirectory() as scratch:
        fcntl.flock(lock, fcntl.LOCK_EX)
        manifest = os.path.join(scratch, "check.ninja")
        with open(manifest, "w", encoding="utf-8") as out:
            out.write("include %s\n" % os.path.join(tree, "build.ninja").replace("$", "$$"))
        warm = dry_run(args.ninja, tree, manifest, args.targets)
        if "ninja: no work to do." not in warm.stdout:
            problems.append("a warm build of %s has work to do (after a full build):\n%s" %
                            (" ".join(args.targets), warm.stdout.rstrip()))
        for touched, expected in cases:
            problems += check_case(args.ninja, tree, manifest, args.targets, touched, expected,
                                   outputs - expected)
    if problems:
        print("\n".join(problems))
        return 1
    print("package rebuilds: all %d inputs checked" % len(cases))
    return 0


if __name__ == "__main__":
    sys.exit(main())
