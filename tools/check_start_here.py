#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Checks that the commands of docs/start_here.md (its indented lines) still
name what exists, in the order the page gives them, against configured
build trees:

- every `--target X` of `cmake --build build/<tree>` is a target of that
  tree (ninja's targets);
- a path of the repository exists (globs match something);
- a file or folder the build makes (an output of the tree's build, or a
  path its build commands write) was made by a target an earlier command
  built; the same for what the tests an earlier `ctest -R` runs use;
- a Wine prefix a command reads (reg, wine, a path inside it) was made by an
  earlier command: run_under_wine.sh running a program, ctest running a
  test that uses it, a script that names it;
- a tree is configured by an earlier command before anything uses it.

Usage: check_start_here.py [--page PAGE] [--build-root ROOT]
(ROOT stands for the page's build/, default <repo>/build). Prints each
fault with its line and exits 1 when there is one.
"""

import argparse
import glob
import json
import os
import re
import shlex
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class Tree:
    """What one configured build tree knows: its targets, its outputs and
    its build commands."""

    def __init__(self, path):
        self.path = path
        self.configured = os.path.isfile(os.path.join(path, "build.ninja"))
        self.targets = set()
        self.outputs = set()
        self._commands = {}
        self._tests = None
        if self.configured:
            lines = self.ninja("-t", "targets", "all").splitlines()
            for line in lines:
                name = line.rsplit(":", 1)[0]
                self.outputs.add(name)
                if "/" not in name and "." not in name:
                    self.targets.add(name)

    def ninja(self, *args):
        return subprocess.run(["ninja", "-C", self.path, *args], capture_output=True,
                              text=True, check=True).stdout

    def made_by(self, target):
        """The outputs building `target` makes, and its commands' text."""
        if target not in self._commands:
            inputs = set(self.ninja("-t", "inputs", target).split())
            inputs.update(self.ninja("-t", "query", target).split())
            inputs.add(target)
            self._commands[target] = (inputs, self.ninja("-t", "commands", target))
        return self._commands[target]

    def tests(self, pattern):
        """The tests `ctest -R pattern` runs: (command, environment) each."""
        if self._tests is None:
            out = subprocess.run(["ctest", "--test-dir", self.path, "--show-only=json-v1"],
                                 capture_output=True, text=True, check=True).stdout
            self._tests = []
            for test in json.loads(out).get("tests", []):
                env = {}
                for prop in test.get("properties", []):
                    if prop.get("name") == "ENVIRONMENT":
                        env = dict(item.split("=", 1) for item in prop["value"] if "=" in item)
                self._tests.append((test["name"], test.get("command", []), env))
        return [(command, env) for name, command, env in self._tests
                if re.search(pattern, name)]


class Page:
    def __init__(self, build_root):
        self.build_root = os.path.abspath(build_root)
        self.trees = {}
        self.configured = set()  # tree names
        self.built = {}  # tree name: set of targets
        self.made = set()  # absolute paths made by earlier commands
        self.exported = {}  # variables an earlier `export` set
        self.faults = []

    def tree(self, name):
        if name not in self.trees:
            self.trees[name] = Tree(os.path.join(self.build_root, name))
        return self.trees[name]

    def fault(self, number, text):
        self.faults.append("docs/start_here.md:%d: %s" % (number, text))

    def resolve(self, word):
        """The absolute path a word names, when it names one in the
        repository or a build tree; None otherwise."""
        word = word.split("=", 1)[1] if word.startswith("-") and "=" in word else word
        word = word.replace("$PWD/", "")
        if word.startswith("build/"):
            return os.path.join(self.build_root, word[len("build/"):])
        first = word.split("/", 1)[0]
        if "/" in word and first and os.path.isdir(os.path.join(ROOT, first)):
            return os.path.join(ROOT, word)
        return None

    def tree_of(self, path):
        """(tree name, path inside it) of a path under the build root."""
        rel = os.path.relpath(path, self.build_root)
        if rel.startswith(".."):
            return None, None
        parts = rel.split(os.sep, 1)
        return parts[0], parts[1] if len(parts) > 1 else ""

    def prefix_of(self, path):
        """The Wine prefix folder a path lies in, if any."""
        name, inside = self.tree_of(path)
        if name is None:
            return None
        first = inside.split(os.sep, 1)[0]
        return os.path.join(self.build_root, name, first) if first.startswith("wine-prefix") \
            else None

    def known_to_build(self, tree, inside, path):
        """Whether the tree's build makes the path (an output, or a path its
        commands write)."""
        if inside in tree.outputs:
            return True
        text = subprocess.run(["grep", "-c", "-F", path, os.path.join(tree.path, "build.ninja")],
                              capture_output=True, text=True).stdout.strip()
        return text not in ("", "0")

    def made_by_built(self, name, inside, path):
        tree = self.tree(name)
        for target in self.built.get(name, ()):
            outputs, commands = tree.made_by(target)
            if inside in outputs or path in commands or inside in commands.split():
                return True
        return False

    def need(self, number, path):
        """Checks that `path` exists or was made by an earlier command."""
        if glob.has_magic(path):
            base = path.split("*", 1)[0].rstrip("/")
            return self.need(number, os.path.dirname(base) if not os.path.exists(base) and
                             self.tree_of(base)[0] is not None else base)
        name, inside = self.tree_of(path)
        if name is None:
            if not os.path.exists(path):
                self.fault(number, "%s does not exist" % os.path.relpath(path, ROOT))
            return
        shown = "build/" + os.path.relpath(path, self.build_root)
        if name not in self.configured:
            self.fault(number, "%s: no earlier command configures build/%s" % (shown, name))
            return
        tree_path = os.path.join(self.build_root, name)
        if path in self.made or any(path.startswith(m + os.sep) for m in self.made
                                    if m != tree_path):
            return
        prefix = self.prefix_of(path)
        if prefix:
            if prefix not in self.made:
                self.fault(number, "%s: no earlier command makes the Wine prefix %s" % (
                    shown, os.path.basename(prefix)))
            return
        tree = self.tree(name)
        if not tree.configured:
            self.fault(number, "%s: build/%s is not configured here" % (shown, name))
            return
        if self.known_to_build(tree, inside, path) and not self.made_by_built(name, inside, path):
            self.fault(number, "%s: no earlier command builds it" % shown)

    def command(self, number, line):
        words = shlex.split(line, comments=True)
        env = {}
        while words and re.match(r"^[A-Z_]+=", words[0]):
            key, value = words.pop(0).split("=", 1)
            env[key] = value
        if not words:
            return
        if words[0] == "export":
            for word in words[1:]:
                key, _, value = word.partition("=")
                path = self.resolve(value)
                if path:
                    self.need(number, path)
                self.exported[key] = value
            return
        program = words[0]
        if program in ("wait", "kill", "Xvfb", "wineserver"):
            return
        if program == "cmake" and "-B" in words:
            name, _ = self.tree_of(self.resolve(words[words.index("-B") + 1]))
            self.configured.add(name)
            self.made.add(os.path.join(self.build_root, name))
            self.made.add(os.path.join(self.build_root, name, "run_under_wine.sh"))
            for word in words:
                path = self.resolve(word)
                if path and self.tree_of(path)[0] is None:
                    self.need(number, path)
            return
        if program == "cmake" and "--build" in words:
            name, _ = self.tree_of(self.resolve(words[words.index("--build") + 1]))
            self.need(number, os.path.join(self.build_root, name))
            targets = []
            if "--target" in words:
                targets = [w for w in words[words.index("--target") + 1:] if not w.startswith("-")]
            tree = self.tree(name)
            for target in targets:
                if tree.configured and target not in tree.targets:
                    self.fault(number, "build/%s has no target %s" % (name, target))
            self.built.setdefault(name, set()).update(targets or ["all"])
            return
        if program == "ctest":
            name, _ = self.tree_of(self.resolve(words[words.index("--test-dir") + 1]))
            self.need(number, os.path.join(self.build_root, name))
            if "-R" not in words:
                return
            tree = self.tree(name)
            if not tree.configured:
                return
            tests = tree.tests(words[words.index("-R") + 1])
            if not tests:
                self.fault(number, "build/%s has no test matching %s" % (
                    name, words[words.index("-R") + 1]))
            for test_command, test_env in tests:
                for word in test_command:
                    path = os.path.abspath(word)
                    if self.tree_of(path)[0] == name and \
                            self.known_to_build(tree, os.path.relpath(path, tree.path), path):
                        self.need(number, path)
                if test_command and test_command[0].endswith("run_under_wine.sh"):
                    self.made.add(self.prefix_path(name, test_env))
                self.made.update(self.prefixes_named(name, test_command))
            self.made.add(os.path.join(tree.path, "Testing"))
            return
        if program == "wine":
            prefix = self.resolve(self.exported.get("WINEPREFIX", ""))
            if not prefix or prefix not in self.made:
                self.fault(number, "wine runs in a prefix no earlier command makes")
        paths = [p for p in (self.resolve(w) for w in words) if p]
        script = self.resolve(program) if program != "python3" else (
            paths[0] if paths else None)
        if program.endswith("run_under_wine.sh"):
            name, _ = self.tree_of(self.resolve(program))
            self.need(number, self.resolve(program))
            prefix = self.prefix_path(name, env)
            if len(words) > 1 and words[1] == "reg":
                if prefix not in self.made:
                    self.fault(number, "reg reads the Wine prefix %s, which no earlier command "
                               "makes" % os.path.basename(prefix))
            elif len(words) > 1 and words[1] != "--backtraces":
                self.made.add(prefix)
            paths = paths[1:]
        if program == "cp":
            for path in paths[:-1]:
                self.need(number, path)
            self.made.add(paths[-1])
            return
        for path in paths:
            name, _ = self.tree_of(path)
            if name is not None and path == paths[-1] and len(paths) > 1 and \
                    not os.path.exists(path) and not self.known_to_build(
                        self.tree(name), os.path.relpath(path, self.tree(name).path), path):
                # The command's output folder.
                self.made.add(path)
                continue
            self.need(number, path)
        if script and script.startswith(ROOT) and os.path.isfile(script):
            trees = [self.tree_of(p)[0] for p in paths if self.tree_of(p)[0]]
            for name in trees[:1]:
                self.made.update(self.prefixes_named(name, [script]))
        if program == "tools/fuzz" and len(words) > 1 and not words[1].startswith("-"):
            native = os.path.join(self.build_root, "native")
            self.configured.add("native")
            self.built.setdefault("native", set()).add("all")
            self.made.add(os.path.join(native, "fuzz", words[1] + "_corpus"))
        elif program == "tools/fuzz":
            self.configured.add("native")

    def prefix_path(self, tree, env):
        name = env.get("VELTA_WINE_PREFIX_NAME")
        return os.path.join(self.build_root, tree, "wine-prefix" + ("-" + name if name else ""))

    def prefixes_named(self, tree, command):
        """The prefixes a test's or script's Python scripts name
        ("wine-prefix-<name>" in their text)."""
        found = set()
        for word in command:
            if word.endswith(".py") and os.path.isfile(word):
                with open(word, encoding="utf-8") as script:
                    for name in re.findall(r'"(wine-prefix-[a-z0-9_-]+)"', script.read()):
                        found.add(os.path.join(self.build_root, tree, name))
        return found


def commands(page_text):
    """(line number, command) of each indented line of the page."""
    for number, line in enumerate(page_text.splitlines(), 1):
        if line.startswith("    ") and line.strip():
            yield number, line.strip()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--page", default=os.path.join(ROOT, "docs", "start_here.md"))
    parser.add_argument("--build-root", default=os.path.join(ROOT, "build"))
    args = parser.parse_args()
    page = Page(args.build_root)
    with open(args.page, encoding="utf-8") as text:
        for number, line in commands(text.read()):
            page.command(number, line)
    for fault in page.faults:
        print(fault)
    print("start_here commands: %d faults" % len(page.faults))
    return 1 if page.faults else 0


if __name__ == "__main__":
    sys.exit(main())
