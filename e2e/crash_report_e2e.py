#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""End-to-end crash reporting: a child of the test binary crashes with crash
reporting on, under Wine; the test binary checks the child's exit code, the
reporter's end and the dump through dbghelp; this script then reads the dump
with its own reader and checks what the local crash server received.

  crash_report_e2e.py <emulator> <test binary> <work folder> [reports|fallback|handler]

Without a group, runs every group, one after the other.
"""

import email.parser
import email.policy
import gzip
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import read_minidump  # noqa: E402

HTTP_SERVER = os.path.join(HERE, "..", "testing", "http_server", "http_server.py")

ACCESS_VIOLATION = 0xC0000005
BREAKPOINT = 0x80000003
PURE_CALL = 0xC0000025
INVALID_PARAMETER = 0xC000000D
ASSERTION_STREAM = 0x10001
ASSERTION_RECORD_SIZE = 776
TEST_CRASH_ADDRESS = 0x1F0
REQUIRED_FIELDS = ["ptype", "prod", "ver", "UBN", "BuildID", "ReleaseChannel",
                   "channel", "plat", "symbols-package", "StartupTime", "CrashTime",
                   "mem_load", "mem_physical_total", "mem_physical_avail",
                   "mem_page_file_total", "mem_page_file_avail",
                   "process_private_usage", "process_working_set_size",
                   "process_working_set_peak_size", "process_page_file_usage",
                   "process_page_file_peak_usage"]

failures = []


class CrashServer:
    """The loopback test server standing in for the crash server: a POST to
    /status/<n> is answered with status n; requests are read from its log."""

    STATUSES = (200, 201, 500)

    def __init__(self, folder):
        self.folder = folder
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.rules = os.path.join(folder, "rules.json")
        self.log = os.path.join(folder, "requests.jsonl")
        self.port_file = os.path.join(folder, "port")
        with open(self.rules, "w") as file:
            json.dump({"routes": [{"path": "/status/%d" % status, "method": "POST",
                                   "replies": [{"status": status}]}
                                  for status in self.STATUSES]}, file)
        self.process = None
        self.port = None

    def __enter__(self):
        self.process = subprocess.Popen(
            [sys.executable, HTTP_SERVER, "--port-file", self.port_file, "--rules", self.rules,
             "--log", self.log, "--bodies", os.path.join(self.folder, "bodies"),
             "--max-seconds", "1200"],
            stdout=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while not os.path.exists(self.port_file):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RuntimeError("the test server did not start")
            time.sleep(0.05)
        self.port = int(open(self.port_file).read())
        return self

    def __exit__(self, *args):
        self.process.terminate()
        self.process.wait(timeout=30)

    def url(self, status):
        return "http://127.0.0.1:%d/status/%d" % (self.port, status)

    @property
    def requests(self):
        """(path, headers, body) of every POST so far, in order."""
        if not os.path.exists(self.log):
            return []
        requests = []
        for line in open(self.log):
            entry = json.loads(line)
            if entry["method"] != "POST":
                continue
            body = b""
            if entry.get("body_file"):
                body = open(entry["body_file"], "rb").read()
            requests.append((entry["path"], entry["headers"], body))
        return requests


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED: " + message)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_scenario(emulator, binary, work_root, server, name, kind, status, keep_logs,
                 test="CrashLeavesOneDumpAndTheReporterEnds", scenario="", expected_uploads=1):
    work = os.path.join(work_root, name)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    before = len(server.requests)
    environment = dict(os.environ)
    for key in list(environment):
        if key.lower().endswith("_proxy"):
            del environment[key]
    environment.update({
        "VELTA_E2E_CRASH_SERVER_URL": server.url(status),
        "VELTA_E2E_WORK_DIR": windows_path(work),
        "VELTA_E2E_CRASH_KIND": kind,
        "VELTA_E2E_KEEP_LOGS": "1" if keep_logs else "0",
        "VELTA_E2E_SCENARIO": scenario,
    })
    for _ in range(3):
        result = subprocess.run(
            [emulator, binary, "--gtest_filter=CrashReportE2eTest." + test],
            env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            timeout=600)
        output = result.stdout.decode("utf-8", "replace")
        # Under load Wine now and then fails to start a program at all
        # ("ShellExecuteEx failed: Internal error."): nothing of the
        # scenario ran, so it is run again.
        if "ShellExecuteEx failed" not in output or len(server.requests) != before:
            break
        print("%s: Wine could not start the test program; again" % name)
    passed = "[  PASSED  ] 1 test" in output and "[  FAILED  ]" not in output
    check(passed, "%s: the Windows-side checks failed:\n%s" % (name, output))
    requests = server.requests[before:]
    if expected_uploads is None:
        return None, None, work
    check(len(requests) == expected_uploads,
          "%s: %d uploads instead of %d" % (name, len(requests), expected_uploads))
    log_path = os.path.join(work, "temp", "velta_crashreporter.log")
    if kind and os.path.exists(log_path):
        log = open(log_path, encoding="utf-8", errors="replace").read()
        expected = ("Crash report sent" if status == 200
                    else "did not accept the report: status %d" % status)
        check(expected in log, "%s: the reporter's log lacks %r:\n%s" % (name, expected, log))
    if not passed or len(requests) != 1:
        return None, None, work
    return requests[0], work, work


def parse_upload(name, request):
    path, headers, body = request
    headers = {key.lower(): value for key, value in headers.items()}
    check(headers.get("content-encoding") == "gzip", "%s: the body is not gzip" % name)
    body = gzip.decompress(body)
    message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
        b"Content-Type: " + headers["content-type"].encode() + b"\r\n\r\n" + body)
    check(message.is_multipart(), "%s: the body is not multipart" % name)
    fields = []
    files = {}
    for part in message.iter_parts():
        field = part.get_param("name", header="content-disposition")
        if part.get_filename():
            files[field] = (part.get_filename(), part.get_content_type(),
                            part.get_payload(decode=True))
        else:
            fields.append((field, part.get_payload(decode=True).decode("utf-8")))
    return fields, files


def check_access_violation(work, request):
    name = "access-violation"
    dumps = os.listdir(os.path.join(work, "dumps"))
    check(len(dumps) == 1, "%s: %d dumps kept" % (name, len(dumps)))
    if len(dumps) != 1:
        return
    dump_path = os.path.join(work, "dumps", dumps[0])
    reporter = open(os.path.join(work, "reporter.txt")).read().strip()
    check(dumps[0] == "velta-crashlog-%s-1.dmp" % reporter,
          "%s: dump named %s" % (name, dumps[0]))
    crash = dict(line.split("=", 1) for line in
                 open(os.path.join(work, "crash.txt")).read().split())
    thread_id = int(crash["thread"])

    dump = read_minidump.read(dump_path)
    check(len(dump.data) <= 3072000, "%s: dump of %d bytes" % (name, len(dump.data)))
    exception_thread, code, _flags, _address, parameters = dump.exception()
    check(exception_thread == thread_id, "%s: exception on thread %d, not %d"
          % (name, exception_thread, thread_id))
    check(code == ACCESS_VIOLATION, "%s: exception code 0x%08x" % (name, code))
    check(len(parameters) >= 2 and parameters[1] == TEST_CRASH_ADDRESS,
          "%s: faulting address %r" % (name, parameters[:2]))
    check(thread_id in dump.thread_ids(), "%s: crashing thread not in the thread list" % name)
    check(any(module.lower().endswith("crash_report_e2e_tests.exe")
              for module in dump.module_names()),
          "%s: executable not in the module list" % name)
    version_stream = dump.stream(0x10000).decode("ascii")
    check(re.fullmatch(r"\d+\.\d+\.\d+\.\d+ \d+", version_stream) is not None,
          "%s: version stream %r" % (name, version_stream))

    fields, files = parse_upload(name, request)
    names = [field for field, _ in fields]
    values = dict(fields)
    check(names == sorted(names), "%s: fields not in name order: %s" % (name, names))
    for field in REQUIRED_FIELDS:
        check(field in values, "%s: field %s missing" % (name, field))
    for field in ("crash_guid", "ptime"):
        check(field not in values, "%s: field %s present" % (name, field))
    check(values.get("ptype") == "installer", "%s: ptype %r" % (name, values.get("ptype")))
    check(values.get("Origin") == "Harness", "%s: Origin %r" % (name, values.get("Origin")))
    check(values.get("prod") == "VeltaBrowser", "%s: prod %r" % (name, values.get("prod")))
    version, build = version_stream.split(" ")
    check(values.get("ver") == version and values.get("UBN") == build,
          "%s: ver %r UBN %r against the dump's %r" % (name, values.get("ver"),
                                                       values.get("UBN"), version_stream))
    check(re.fullmatch(r"\d{14}", values.get("BuildID", "")) is not None,
          "%s: BuildID %r" % (name, values.get("BuildID")))
    # The platform names how the dump must be read: a 32-bit process is Win32.
    expected_plat = {"x64": "Win64", "x86": "Win32"}.get(dump.architecture())
    check(values.get("plat") == expected_plat,
          "%s: plat %r for a dump of an %s process" % (name, values.get("plat"),
                                                       dump.architecture()))
    check(int(values.get("StartupTime", "0")) <= int(values.get("CrashTime", "-1")),
          "%s: StartupTime after CrashTime" % name)
    upload = files.get("upload_file_minidump")
    check(upload is not None, "%s: no file part upload_file_minidump" % name)
    if upload:
        check(upload[0] == dumps[0], "%s: file name %r" % (name, upload[0]))
        check(upload[1] == "application/octet-stream", "%s: content type %r" % (name, upload[1]))
        check(upload[2] == dump.data, "%s: the uploaded dump differs from the kept one" % name)
    return values


def read_assertion_record(data):
    """(expression, function, file, line, kind) of a 776-byte record."""
    texts = [data[offset:offset + 256].decode("utf-16-le").split("\0")[0]
             for offset in (0, 256, 512)]
    line, kind = struct.unpack_from("<II", data, 768)
    return texts[0], texts[1], texts[2], line, kind


def check_report_dump(name, dump, code):
    check(dump.exception()[1] == code, "%s: exception code 0x%08x" % (name, dump.exception()[1]))
    record = dump.stream(ASSERTION_STREAM) if ASSERTION_STREAM in dump.streams else None
    if code != INVALID_PARAMETER:
        check(record is None, "%s: an assertion stream" % name)
        return
    check(record is not None and len(record) == ASSERTION_RECORD_SIZE,
          "%s: assertion stream %r" % (name, record and len(record)))
    if record is not None and len(record) == ASSERTION_RECORD_SIZE:
        check(read_assertion_record(record) ==
              ("kTestExpression", "ReportInvalidParameter", "crash_hook.cc", 42, 1),
              "%s: assertion record %r" % (name, read_assertion_record(record)))


def check_reporter_crash(work, requests):
    name = "reporter-crash"
    road_path = os.path.join(work, "road.txt")
    road = open(road_path).read() if os.path.exists(road_path) else "unknown"
    print("fallback handler road: %s" % road)
    check(road in ("sent", "not sent"), "%s: the road taken is unknown" % name)
    if road != "sent":
        check(len(requests) == 0, "%s: %d uploads on the road %r" % (name, len(requests), road))
        return
    check_crash_reporter_upload(name, work, requests, 512000, with_memory=True)


def check_crash_reporter_upload(name, work, requests, size_limit, with_memory,
                                compressed=False):
    """The one upload of a crashed crash role: ptype "crash_reporter", and
    the dump of the crash that crash.txt describes. A fallback role sends it
    uncompressed, a monitoring crash handler compressed like any report."""
    check(len(requests) == 1, "%s: %d uploads instead of exactly one" % (name, len(requests)))
    if len(requests) != 1:
        return
    path, headers, body = requests[0]
    if compressed:
        fields, files = parse_upload(name, requests[0])
    else:
        lower = {key.lower(): value for key, value in headers.items()}
        check("content-encoding" not in lower, "%s: the body is compressed" % name)
        fields, files = parse_upload(name, (path, dict(headers, **{"Content-Encoding": "gzip"}),
                                            gzip.compress(body)))
    values = dict(fields)
    check(values.get("ptype") == "crash_reporter", "%s: ptype %r" % (name, values.get("ptype")))
    for field in ("prod", "ver", "StartupTime", "CrashTime"):
        check(field in values, "%s: field %s missing" % (name, field))
    check(("mem_physical_total" in values) == with_memory,
          "%s: memory figures %s" % (name, "missing" if with_memory else "present"))
    upload = files.get("upload_file_minidump")
    check(upload is not None, "%s: no dump" % name)
    if not upload:
        return
    check(len(upload[2]) <= size_limit, "%s: dump of %d bytes" % (name, len(upload[2])))
    dump = read_minidump.Minidump(upload[2])
    crash = dict(line.split("=", 1) for line in
                 open(os.path.join(work, "crash.txt")).read().split())
    thread_id, code, _flags, _address, parameters = dump.exception()
    check(code == ACCESS_VIOLATION, "%s: exception code 0x%08x" % (name, code))
    check(thread_id == int(crash["thread"]), "%s: exception on thread %d" % (name, thread_id))
    check(len(parameters) >= 2 and parameters[1] == TEST_CRASH_ADDRESS,
          "%s: faulting address %r" % (name, parameters))


def run_reports(emulator, binary, work_root, server):
    """The reporter road: each kind of crash a client reports, and servers
    that do not take the report."""
    request, work, _ = run_scenario(emulator, binary, work_root, server,
                                    "access-violation", "worker-access-violation",
                                    200, True)
    values = check_access_violation(work, request) if request else None
    if values is not None:
        plat = values.get("plat")
        print("plat of this build: %s" % plat)

    # The other crashes a client reports: the dump's exception code, and
    # for an invalid parameter the record of stream 0x10001.
    for kind, code in (("breakpoint", BREAKPOINT), ("pure-call", PURE_CALL),
                       ("invalid-parameter", INVALID_PARAMETER)):
        request, work, _ = run_scenario(emulator, binary, work_root, server,
                                        kind, kind, 200, True)
        if request:
            dumps = os.listdir(os.path.join(work, "dumps"))
            dump = read_minidump.read(os.path.join(work, "dumps", dumps[0]))
            check_report_dump(kind, dump, code)

    # A server that answers anything but 200 has not taken the report; the
    # dump goes all the same when logs are not kept.
    for status in (201, 500):
        run_scenario(emulator, binary, work_root, server, "status-%d" % status,
                     "worker-access-violation", status, False)


def run_fallback(emulator, binary, work_root, server):
    """A crashed crash reporter and its fallback handler. The three share
    the last crash the fallback keeps in HKCU: one after the other."""
    # A crashed crash reporter: its fallback handler sends the dump,
    # uncompressed, once in 3 days, when Wine's dump fits 512000 bytes.
    before = len(server.requests)
    run_scenario(emulator, binary, work_root, server, "reporter-crash", "", 200, False,
                 "ReporterCrashGoesToTheFallbackHandler", "reporter", expected_uploads=None)
    check_reporter_crash(os.path.join(work_root, "reporter-crash"),
                         server.requests[before:])

    # A crash in the fallback handler ends it: nothing starts, nothing is
    # sent.
    run_scenario(emulator, binary, work_root, server, "fallback-crash", "", 200, False,
                 "FallbackHandlerCrashEndsItAndStartsNothing", "fallback-crash",
                 expected_uploads=0)

    # A client outlives its crashed reporter and still ends with its own
    # crash's code.
    run_scenario(emulator, binary, work_root, server, "reporter-died", "", 200, False,
                 "ClientOfACrashedReporterEndsWithItsCrash", "reporter-died",
                 expected_uploads=None)


def run_handler(emulator, binary, work_root, server):
    """The crash handler road."""
    # Two crashes reported (one of them restarted), one with handling
    # switched off not.
    run_scenario(emulator, binary, work_root, server, "handler", "", 200, True,
                 "CrashHandlerCountsRestartsAndFilters", "handler", expected_uploads=2)

    # A crashed crash handler is sent by its fallback role, as a crash
    # reporter's crash; also when the fallback role stalls (25 s) before it
    # dumps ("slow-fallback"): the crashed handler waits until its dump is
    # written.
    for name in ("handler-crash", "slow-fallback"):
        before = len(server.requests)
        run_scenario(emulator, binary, work_root, server, name, "", 200, True,
                     "CrashHandlerCrashGoesToItsFallback", name, expected_uploads=None)
        check_crash_reporter_upload(name, os.path.join(work_root, name),
                                    server.requests[before:], 3072000, with_memory=False)

    # A crash of a handler started with "--monitor-self" is sent by its
    # monitor, the second handler, as a crash reporter's.
    before = len(server.requests)
    run_scenario(emulator, binary, work_root, server, "monitor-self", "", 200, False,
                 "MonitoredHandlerCrashGoesToItsMonitor", "monitor-self",
                 expected_uploads=None)
    check_crash_reporter_upload("monitor-self", os.path.join(work_root, "monitor-self"),
                                server.requests[before:], 3072000, with_memory=True,
                                compressed=True)


# The scenarios in groups that share nothing but the test program: each
# group has a server and work folders of its own, so ctest runs the groups
# as tests of their own, side by side.
GROUPS = {"reports": run_reports, "fallback": run_fallback, "handler": run_handler}


def main():
    if len(sys.argv) not in (4, 5) or (len(sys.argv) == 5 and sys.argv[4] not in GROUPS):
        print(__doc__)
        return 2
    emulator, binary, work_root = sys.argv[1:4]
    groups = sys.argv[4:] or list(GROUPS)
    os.makedirs(work_root, exist_ok=True)
    for group in groups:
        with CrashServer(os.path.join(work_root, "server")) as server:
            GROUPS[group](emulator, binary, work_root, server)

    if failures:
        print("%d checks failed" % len(failures))
        return 1
    print("all crash report checks passed: %s" % ", ".join(groups))
    return 0


if __name__ == "__main__":
    sys.exit(main())
