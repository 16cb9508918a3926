#!/usr/bin/env python3
"""A loopback statistics server for the sender's tests.

Serves 127.0.0.1 on the port given (0: one the system chooses), runs the
command after "--" with VELTA_STATS_TEST_PORT set to that port, and ends with
the command's exit code.

  POST /v1/binary        records the body and answers with the next scripted
                         answer: a status code, or "none" (the connection is
                         held open and never answered).
  POST /control/reset    JSON {"answers": [...], "default": 201}: forgets the
                         recorded bodies and scripts the next answers.
  GET  /control/bodies?wait=N
                         waits (up to 20 s) until N bodies are recorded, then
                         answers JSON {"bodies": [{"hex": ..., "header": ...}]}.

With --record-dir every body is also written there as body-<n>.bin, for the
peer decoder.

A fixed port is shared by every test run on the machine (other checkouts'
too): the server holds a lock named after the port while it serves, so such
runs take turns instead of failing to listen.
"""

import argparse
import fcntl
import json
import os
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlparse

HEADER_NAME = "X-Velta-Installer-Key"


class State:
    def __init__(self, record_dir):
        self.lock = threading.Condition()
        self.bodies = []
        self.answers = []
        self.default = 201
        self.record_dir = record_dir
        self.recorded = 0
        self.stopping = threading.Event()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def _reply(self, code, body=b"", content_type="application/json"):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def _read_body(self):
        length = int(self.headers.get("Content-Length", "0"))
        return self.rfile.read(length) if length else b""

    def do_POST(self):
        state = self.server.state
        path = urlparse(self.path).path
        body = self._read_body()
        if path == "/control/reset":
            request = json.loads(body or b"{}")
            with state.lock:
                state.bodies = []
                state.answers = list(request.get("answers", []))
                state.default = request.get("default", 201)
            self._reply(200, b"{}")
            return
        if path != "/v1/binary":
            self._reply(404)
            return
        with state.lock:
            state.bodies.append({"hex": body.hex(),
                                 "header": self.headers.get(HEADER_NAME, "")})
            answer = state.answers.pop(0) if state.answers else state.default
            if state.record_dir:
                name = os.path.join(state.record_dir, "body-%04d.bin" % state.recorded)
                with open(name, "wb") as out:
                    out.write(body)
            state.recorded += 1
            state.lock.notify_all()
        if answer == "none":
            # Accepted and never answered: the client's time-out must end it.
            state.stopping.wait(60)
            self.close_connection = True
            return
        self._reply(int(answer), b"")

    def do_GET(self):
        state = self.server.state
        url = urlparse(self.path)
        if url.path != "/control/bodies":
            self._reply(404)
            return
        wanted = int(parse_qs(url.query).get("wait", ["0"])[0])
        deadline = time.monotonic() + 20
        with state.lock:
            while len(state.bodies) < wanted and time.monotonic() < deadline:
                state.lock.wait(deadline - time.monotonic())
            reply = json.dumps({"bodies": state.bodies}).encode()
        self._reply(200, reply)


def start(port, record_dir, handler=Handler):
    """Serves 127.0.0.1:`port` (0: a port the system chooses) on a thread of
    its own with `handler`, recording into `record_dir` (emptied of earlier
    bodies first) when one is given. A fixed port is held under its lock
    until this process ends."""
    if record_dir:
        os.makedirs(record_dir, exist_ok=True)
        for name in os.listdir(record_dir):
            if name.startswith("body-"):
                os.remove(os.path.join(record_dir, name))
    port_lock = None
    if port:
        port_lock = open(os.path.join(tempfile.gettempdir(),
                                      "velta-test-port-%d.lock" % port), "a")
        fcntl.flock(port_lock, fcntl.LOCK_EX)
    server = ThreadingHTTPServer(("127.0.0.1", port), handler)
    server.port_lock = port_lock
    server.daemon_threads = True
    server.state = State(record_dir)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--record-dir")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    server = start(args.port, args.record_dir)
    env = dict(os.environ)
    env["VELTA_STATS_TEST_PORT"] = str(server.server_address[1])
    for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "no_proxy"):
        env.pop(proxy, None)
    try:
        code = subprocess.call(command, env=env)
    finally:
        server.state.stopping.set()
        server.shutdown()
    sys.exit(code)


if __name__ == "__main__":
    main()
