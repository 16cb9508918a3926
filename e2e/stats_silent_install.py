#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""A silent installation of the unpacked test package that reports its
statistics to the loopback statistics server on port 9000.

  stats_silent_install.py --wine RUN_UNDER_WINE --package PACKAGE
                          --schema-tool EXE --server STATS_TEST_SERVER_PY
                          --work FOLDER --record-dir FOLDER

Copies PACKAGE into FOLDER, writes the message schema with the schema tool,
serves the statistics server (recording every body into --record-dir for the
native peer decoder) and runs the copy's installer.exe with --silent,
--test-avro-srv and the statistics allowed. Then checks:
  - exit code 0, the install folder filled;
  - controller_launched is the first message and controller_quitting the
    last, every body decoded here with a reader of the schema JSON that
    shares nothing with the sender's encoder;
  - every request was answered before the installer process ended, and none
    came after; no reply was written to the user's internet cache.
Then takes the installation away again (the files it made in the user
profiles, its HKCU keys and values, its folder) and checks that the prefix is
as before; installs once more with the statistics not allowed, which must
send nothing, and takes that installation away as well.
Prints "stats silent install: all checks passed" on success.

Runs alone in its tree's prefix (RUN_SERIAL: the port is fixed, and the
removal takes away everything new in the user profiles and in HKCU, which
would include what other tests running at the same time make there).
"""

import argparse
import http.client
import importlib
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import threading
import time

PORT = 9000
PREFIX = b"\x00\x00\x00\x01\x7f"


# --- An Avro binary reader driven by the schema's JSON ------------------------

class AvroReader:
    def __init__(self, data):
        self.data = data
        self.pos = 0

    def take(self, count):
        if self.pos + count > len(self.data):
            raise ValueError("truncated at %d" % self.pos)
        chunk = self.data[self.pos:self.pos + count]
        self.pos += count
        return chunk

    def long(self):
        shift = 0
        value = 0
        while True:
            byte = self.take(1)[0]
            value |= (byte & 0x7F) << shift
            if not byte & 0x80:
                break
            shift += 7
            if shift > 63:
                raise ValueError("varint too long at %d" % self.pos)
        return (value >> 1) ^ -(value & 1)


def read_value(reader, schema, names):
    if isinstance(schema, list):
        branch = reader.long()
        if not 0 <= branch < len(schema):
            raise ValueError("union branch %d out of range" % branch)
        return read_value(reader, schema[branch], names)
    if isinstance(schema, str):
        if schema in names:
            return read_value(reader, names[schema], names)
        schema = {"type": schema}
    kind = schema["type"]
    if isinstance(kind, (list, dict)) or (isinstance(kind, str) and kind in names):
        return read_value(reader, kind, names)
    if kind == "null":
        return None
    if kind == "boolean":
        byte = reader.take(1)[0]
        if byte > 1:
            raise ValueError("boolean byte %d" % byte)
        return bool(byte)
    if kind in ("int", "long"):
        value = reader.long()
        if kind == "int" and not -2**31 <= value < 2**31:
            raise ValueError("int out of range")
        return value
    if kind == "float":
        return struct.unpack("<f", reader.take(4))[0]
    if kind == "double":
        return struct.unpack("<d", reader.take(8))[0]
    if kind in ("bytes", "string"):
        length = reader.long()
        if length < 0:
            raise ValueError("negative length")
        chunk = reader.take(length)
        return chunk.decode("utf-8") if kind == "string" else chunk.hex()
    if kind == "fixed":
        names[schema["name"]] = schema
        return reader.take(schema["size"]).hex()
    if kind == "enum":
        names[schema["name"]] = schema
        index = reader.long()
        if not 0 <= index < len(schema["symbols"]):
            raise ValueError("enum index %d out of range" % index)
        return schema["symbols"][index]
    if kind == "record":
        names[schema["name"]] = schema
        return {field["name"]: read_value(reader, field["type"], names)
                for field in schema["fields"]}
    if kind in ("array", "map"):
        result = [] if kind == "array" else {}
        while True:
            count = reader.long()
            if count == 0:
                return result
            if count < 0:
                count = -count
                reader.long()  # the block's size in bytes
            for _ in range(count):
                if kind == "array":
                    result.append(read_value(reader, schema["items"], names))
                else:
                    key = read_value(reader, "string", names)
                    result[key] = read_value(reader, schema["values"], names)
    raise ValueError("unknown schema type %r" % (kind,))


def collect_names(schema, names):
    """Every named type of `schema`, so that references resolve in any order."""
    if isinstance(schema, list):
        for branch in schema:
            collect_names(branch, names)
    elif isinstance(schema, dict):
        if schema.get("type") in ("record", "enum", "fixed"):
            names[schema["name"]] = schema
        for key in ("type", "items", "values"):
            if isinstance(schema.get(key), (list, dict)):
                collect_names(schema[key], names)
        for field in schema.get("fields", []):
            collect_names(field["type"], names)


def decode_body(body, schema):
    if not body.startswith(PREFIX):
        raise ValueError("no 00 00 00 01 7F prefix")
    names = {}
    collect_names(schema, names)
    reader = AvroReader(body[len(PREFIX):])
    value = read_value(reader, schema, names)
    if reader.pos != len(reader.data):
        raise ValueError("%d bytes left over" % (len(reader.data) - reader.pos))
    return value


# --- The run ------------------------------------------------------------------

def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def load_server_module(path):
    sys.dont_write_bytecode = True  # nothing written into the source tree
    sys.path.insert(0, os.path.dirname(os.path.abspath(path)))
    return importlib.import_module(os.path.splitext(os.path.basename(path))[0])


def start_server(module, record_dir, replies):
    # The connections the server has accepted and not yet closed.
    connections = threading.Condition()
    connections.open = 0

    class TimedHandler(module.Handler):
        def setup(self):
            with connections:
                connections.open += 1
            super().setup()

        def finish(self):
            try:
                super().finish()
            finally:
                with connections:
                    connections.open -= 1
                    connections.notify_all()

        def do_POST(self):
            super().do_POST()
            if self.path.startswith("/v1/binary"):
                with self.server.state.lock:
                    replies.append(time.monotonic())

    # Test runs of other build trees on this machine use the same fixed port:
    # the server takes turns with them through its port lock, held until this
    # process ends.
    server = module.start(PORT, record_dir, TimedHandler)
    server.connections = connections
    return server


def installation_processes(work):
    """The Wine programs still running from `work` (the package copy, the
    install folder), by their Windows command lines."""
    folder = windows_path(work).lower() + "\\"
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
                command = cmdline.read().replace(b"\0", b" ").decode("utf-8", "replace")
        except OSError:
            continue
        if folder in command.lower():
            found.append(command.strip())
    return found


def wait_for_the_installation_to_settle(server, work, bound_seconds=30):
    """Waits until no program of the installation runs any more and the
    server has read every request they sent: a request of the test's own,
    once answered, says that every connection opened before it was
    accepted (the server accepts them in turn), and then each of them is
    read to its end and closed (their programs have ended). Returns what
    still ran at the bound."""
    deadline = time.monotonic() + bound_seconds
    running = installation_processes(work)
    while running and time.monotonic() < deadline:
        time.sleep(0.05)
        running = installation_processes(work)
    connection = http.client.HTTPConnection("127.0.0.1", PORT, timeout=bound_seconds)
    try:
        connection.request("GET", "/control/bodies?wait=0")
        connection.getresponse().read()
    finally:
        connection.close()
    with server.connections:
        server.connections.wait_for(lambda: server.connections.open == 0,
                                    max(0, deadline - time.monotonic()))
    return running


def read_schema(wine, schema_tool, work):
    """The installer's message schema as the schema tool writes it (kept in
    `work` for a reader of the test's output)."""
    schema_path = os.path.join(work, "installer_message_schema.json")
    with open(schema_path, "wb") as out:
        subprocess.run([wine, schema_tool], stdout=out, env=wine_env(), check=True)
    with open(schema_path, encoding="utf-8") as schema_file:
        return json.load(schema_file)


def wine_env():
    env = dict(os.environ)
    for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "no_proxy"):
        env.pop(proxy, None)
    return env


def wine_folders(wine):
    """The prefix's user profiles and the home folder the Wine script
    exports (the desktop is a link into it): where an installation leaves
    files outside its own folder. The script names the tree's test prefix
    and home; VELTA_WINE_PREFIX_NAME picks the ones of that name beside
    them."""
    with open(wine, encoding="utf-8") as script:
        text = script.read()
    name = os.environ.get("VELTA_WINE_PREFIX_NAME")
    suffix = "-" + name if name else ""
    folders = []
    for variable in ("base_prefix", "base_home"):
        match = re.search(r'^%s="([^"]*)"' % variable, text, re.MULTILINE)
        if not match:
            sys.exit("stats silent install: %s not found in %s" % (variable, wine))
        folder = match.group(1) + suffix
        folders.append(os.path.join(folder, "drive_c", "users")
                       if variable == "base_prefix" else folder)
    return folders


def snapshot_files(folders):
    """Every file and folder below `folders` (symbolic links not followed)."""
    paths = set()
    for folder in folders:
        for root, dirs, files in os.walk(folder):
            for name in dirs + files:
                paths.add(os.path.join(root, name))
    return paths


def export_hkcu(wine, work):
    """HKCU as {key: {raw value name: raw .reg text}}, from `reg export`."""
    path = os.path.join(work, "hkcu.reg")
    subprocess.run([wine, "reg", "export", "HKCU", windows_path(path), "/y"], env=wine_env(),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    with open(path, "rb") as exported:
        text = exported.read().decode("utf-16")
    os.remove(path)
    keys = {}
    current = None
    pending = None
    for line in text.splitlines():
        if pending is not None:
            pending[2].append(line)
            if not line.endswith("\\"):
                current[pending[0]] = "\r\n".join(pending[2])
                pending = None
            continue
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1], {})
            continue
        if current is None or not line or line.startswith(";"):
            continue
        if line.startswith("@="):
            name = "@"
        else:
            match = re.match(r'("(?:[^"\\]|\\.)*")=', line)
            if not match:
                continue
            name = match.group(1)
        if line.endswith("\\"):
            pending = (name, None, [line])
        else:
            current[name] = line
    return keys


def restore_hkcu(wine, work, before, after):
    """Takes away the keys and values that are in `after` but not in
    `before`, and puts back the values that changed."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    new_keys = sorted(key for key in after if key not in before)
    for key in new_keys:
        parent = key.rsplit("\\", 1)[0]
        if parent in before or parent == key:
            lines += ["[-%s]" % key, ""]
    for key in sorted(set(after) & set(before)):
        changes = []
        for name in after[key]:
            if name not in before[key]:
                changes.append("%s=-" % name)
            elif after[key][name] != before[key][name]:
                changes.append(before[key][name])
        if changes:
            lines += ["[%s]" % key] + changes + [""]
    path = os.path.join(work, "restore.reg")
    with open(path, "wb") as out:
        out.write(("\r\n".join(lines) + "\r\n").encode("utf-16"))
    subprocess.run([wine, "reg", "import", windows_path(path)], env=wine_env(),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def recorded_registry(status):
    """(key, raw value name) pairs the installation status records in HKCU."""
    recorded = set()
    for entry in (status.get("registry") or {}).get("HKCU", []):
        key = "HKEY_CURRENT_USER\\" + entry["path"]
        for value in entry.get("values", []):
            name = value["name"]
            raw = "@" if name == "" else '"%s"' % name.replace("\\", "\\\\").replace('"', '\\"')
            recorded.add((key.lower(), raw.lower()))
    return recorded


def remove_installation(wine, work, install_folder, files_before, hkcu_before, failures):
    """Takes the installation away again: the files and folders it made in
    the prefix (shortcuts, logs), its HKCU keys and values, its folder.
    Checks that everything it wrote to HKCU is recorded in its status, so
    that an uninstallation can find it, and that the prefix is as before."""
    status_path = os.path.join(install_folder, "installation_status.json")
    try:
        with open(status_path, encoding="utf-8") as status_file:
            status = json.load(status_file)
    except (OSError, ValueError) as error:
        failures.append("cannot read %s: %s" % (status_path, error))
        status = {}
    hkcu_after = export_hkcu(wine, work)
    recorded = recorded_registry(status)
    for key, values in sorted(hkcu_after.items()):
        for name in values:
            if hkcu_before.get(key, {}).get(name) == values[name]:
                continue
            if (key.lower(), name.lower()) not in recorded:
                print("written to HKCU, not in the status: %s %s" % (key, name))
    restore_hkcu(wine, work, hkcu_before, hkcu_after)
    if export_hkcu(wine, work) != hkcu_before:
        failures.append("HKCU differs from before the installation after its removal")

    folders = wine_folders(wine)
    made = sorted(snapshot_files(folders) - files_before, reverse=True)
    shortcuts = (status.get("shortcuts") or {}).values()
    print("left in the prefix by the installation: %d files and folders, %d shortcuts recorded"
          % (len(made), len(shortcuts)))
    cached = [path for path in made if "INetCache" in path and not os.path.isdir(path)]
    if cached:
        failures.append("the statistics replies were written to the internet cache: %d files"
                        % len(cached))
    for path in made:
        print("  taken away: " + path)
        if os.path.isdir(path) and not os.path.islink(path):
            os.rmdir(path)
        else:
            os.remove(path)
    # Only what is new counts: the installer may rotate away older logs.
    left = snapshot_files(folders) - files_before
    if left:
        failures.append("still in the prefix after the removal: " + ", ".join(sorted(left)))
    shutil.rmtree(install_folder, ignore_errors=True)
    if os.path.exists(install_folder):
        failures.append("the install folder is still there after the removal")


def install(wine, work, package, install_folder, server, replies, stats_allowed, failures):
    """Runs the package's installer silently; returns its exit code and every
    body the server has recorded so far."""
    with server.state.lock:
        started_with = len(server.state.bodies)
    command = [wine, os.path.join(package, "installer.exe"), "--silent",
               "--installfolder=" + windows_path(install_folder), "--test-avro-srv",
               "--enable-installer-stats=%d" % stats_allowed]
    result = subprocess.run(command, env=wine_env(), timeout=600)
    ended = time.monotonic()
    with server.state.lock:
        bodies_at_end = len(server.state.bodies)
        replies_at_end = list(replies)
    # Anything still on its way has arrived once the installation's programs
    # have all ended and the server has read what they sent.
    for command in wait_for_the_installation_to_settle(server, work):
        print("still running 30 s after the installer ended: " + command)
    with server.state.lock:
        bodies = [bytes.fromhex(body["hex"]) for body in server.state.bodies]
    if result.returncode != 0:
        failures.append("installer.exe ended with %d" % result.returncode)
    if not os.path.isfile(os.path.join(install_folder, "launcher.exe")):
        failures.append("no launcher.exe in the install folder")
    if len(bodies) != bodies_at_end:
        failures.append("%d requests came after the process ended" % (len(bodies) - bodies_at_end))
    if len(replies_at_end) != bodies_at_end or any(stamp > ended for stamp in replies_at_end):
        failures.append("%d of %d requests were answered before the process ended"
                        % (len(replies_at_end), bodies_at_end))
    print("installation with the statistics %s: exit code %d, %d messages"
          % ("allowed" if stats_allowed else "not allowed", result.returncode,
             len(bodies) - started_with))
    return result.returncode, bodies


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--package", required=True)
    parser.add_argument("--schema-tool", required=True)
    parser.add_argument("--server", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--record-dir", required=True)
    args = parser.parse_args()

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    package = os.path.join(args.work, "package")
    shutil.copytree(args.package, package)
    install_folder = os.path.join(args.work, "Velta")

    schema = read_schema(args.wine, args.schema_tool, args.work)

    files_before = snapshot_files(wine_folders(args.wine))
    hkcu_before = export_hkcu(args.wine, args.work)
    replies = []
    server = start_server(load_server_module(args.server), args.record_dir, replies)
    failures = []
    try:
        result, bodies = install(args.wine, args.work, package, install_folder, server, replies,
                                 True, failures)
        remove_installation(args.wine, args.work, install_folder, files_before, hkcu_before,
                            failures)
        # The same installation with the statistics not allowed sends nothing.
        _, unallowed = install(args.wine, args.work, package, install_folder, server, replies,
                               False, failures)
        if len(unallowed) != len(bodies):
            failures.append("%d messages sent with the statistics not allowed"
                            % (len(unallowed) - len(bodies)))
        remove_installation(args.wine, args.work, install_folder, files_before, hkcu_before,
                            failures)
    finally:
        server.shutdown()
        server.server_close()

    events = []
    for index, body in enumerate(bodies):
        try:
            message = decode_body(body, schema)
        except (ValueError, KeyError) as error:
            failures.append("body %d does not decode: %s" % (index, error))
            events.append("?")
            continue
        event = message.get("installer_event") or {}
        events.append(event.get("event_type", "?"))
        print("message %d: %s %s" % (index, events[-1], event.get("description") or ""))
    if not events or events[0] != "controller_launched":
        failures.append("the first message is not controller_launched")
    if not events or events[-1] != "controller_quitting":
        failures.append("the last message is not controller_quitting")
    if events.count("controller_quitting") != 1:
        failures.append("controller_quitting was sent %d times"
                        % events.count("controller_quitting"))
    recorded = sorted(name for name in os.listdir(args.record_dir) if name.startswith("body-"))
    if len(recorded) != len(bodies):
        failures.append("%d bodies recorded for the peer, %d posted" % (len(recorded), len(bodies)))

    shutil.rmtree(package, ignore_errors=True)

    for failure in failures:
        print("FAILED: " + failure)
    if failures:
        return 1
    print("stats silent install: all checks passed (%d messages)" % len(events))
    return 0


if __name__ == "__main__":
    sys.exit(main())
