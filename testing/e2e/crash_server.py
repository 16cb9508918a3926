#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""A loopback HTTP server that stands in for the crash server: it records
every POST (path, headers, body) and answers with the status its path
names: /status/200, /status/201, /status/500. The port is the system's
choice."""

import http.server
import threading


class _Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        self.server.requests.append((self.path, dict(self.headers), body))
        status = 404
        if self.path.startswith("/status/"):
            status = int(self.path.rsplit("/", 1)[1])
        self.send_response(status)
        self.send_header("Content-Length", "2")
        self.end_headers()
        self.wfile.write(b"ok")

    def log_message(self, *args):
        pass


class CrashServer:
    def __init__(self):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Handler)
        self.server.requests = []
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *args):
        self.server.shutdown()
        self.server.server_close()

    def url(self, status):
        return "http://127.0.0.1:%d/status/%d" % (self.server.server_port, status)

    @property
    def requests(self):
        return list(self.server.requests)
