#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Loopback HTTP(S) server for the installer's tests, benchmarks and demo.

It stands in for the update, download, preference-overrides, statistics and
crash servers. It listens on 127.0.0.1 only, on a port the OS chooses unless
--port fixes one, and says which port it took: on standard output as
"PORT <n>" (one line, flushed) and, with --port-file, in that file (written
whole through a rename, so a reader never sees half a number).

Replies are chosen by the test in a rules file (--rules, JSON), read again for
every request so that a test may change it while the server runs:

  {"routes": [
     {"path": "/package", "method": "GET",
      "replies": [ {"status": 503}, {"status": 503},
                   {"body_file": "package.bin", "cut_after": 1000} ],
      "then": "last"}
  ]}

A route matches on the path without its query ("path") or with it
("path_query"), and on the method when "method" is given. Its replies are used
in order, one per request; after the last one "then" says what follows:
"last" (the default) repeats the last reply, "cycle" starts over, "files"
serves the file tree again. Counters restart whenever the rules file changes.
A request that no route matches is served from the file tree (--root), with
ranges; a POST to "/v1/binary" answers 201 and any other POST 200.

Reply fields (all optional):
  status            HTTP status, 200 by default (204, 407, 416, 5xx ...).
  body | body_hex | body_file
                    The body: text, hex bytes, or a file under --root (or an
                    absolute path). A 200 reply to a request with
                    "Range: bytes=N-" answers 206 with the rest of the body,
                    or 416 past its end, unless "ignore_range" is true.
  headers           Extra response headers (a dictionary).
  content_length    Content-Length to announce instead of the true one; null
                    leaves the header out (the body then ends at the close).
  cut_after         Send only this many bytes of the body, then close.
  stall_after       Send this many bytes, then wait "stall_seconds" (default
                    30) before going on; with cut_after as well, close after
                    the stall.
  trickle           {"bytes": n, "seconds": s}: send the body n bytes at a
                    time, waiting s seconds before each piece after the first.
  cut_before_headers  Close the connection without answering.
  stall_before_headers  Seconds to wait before answering.
  proxy_credentials "user:password": answer 407 with Proxy-Authenticate
                    unless the request carries these credentials, as a proxy
                    would; requests through a proxy (absolute URL in the
                    request line) are served from this server's own routes.

Every request is appended to the log (--log) as one JSON object per line,
before its reply is sent, so a client that has its reply can read its entry:
seq, method, path, headers, range, body_size, body_sha256, body_file (the
request body saved under --bodies), reply status, planned bytes and outcome,
and the connection it came on: "connection" numbers the connections the
server accepted (1, 2, ... in order), "connection_request" the requests on
that connection (1 for its first).

The server ends on SIGTERM/SIGINT, when the file given as --alive-file is
removed (polled five times a second), or after --max-seconds. A test under
Wine starts it as a Unix child, which Wine double-forks: no process handle,
no parent to watch, and a pipe reads as ended at once; so the test makes the
alive file and deletes it to stop the server (its scratch folder's removal
does as well), and the time limit ends a server whose test died.
"""

import argparse
import base64
import hashlib
import http.server
import json
import os
import re
import signal
import socket
import ssl
import sys
import threading
import time
import urllib.parse

RANGE_RE = re.compile(r"^bytes=(\d+)-(\d*)$")


class RequestLog:
    """Appends one JSON line per request; safe for the server's threads."""

    def __init__(self, path, bodies_dir):
        self._path = path
        self._bodies_dir = bodies_dir
        self._lock = threading.Lock()
        self._seq = 0
        self._connections = 0
        if path:
            with open(path, "w", encoding="utf-8"):
                pass

    def next_seq(self):
        with self._lock:
            self._seq += 1
            return self._seq

    def next_connection(self):
        with self._lock:
            self._connections += 1
            return self._connections

    def save_body(self, seq, body):
        if not self._bodies_dir or not body:
            return None
        os.makedirs(self._bodies_dir, exist_ok=True)
        name = os.path.join(self._bodies_dir, "request_%04d.bin" % seq)
        with open(name, "wb") as f:
            f.write(body)
        return name

    def write(self, entry):
        if not self._path:
            return
        line = json.dumps(entry, sort_keys=True) + "\n"
        with self._lock:
            with open(self._path, "a", encoding="utf-8") as f:
                f.write(line)
                f.flush()


class Rules:
    """The rules file, re-read on every request, with per-route counters."""

    def __init__(self, path):
        self._path = path
        self._lock = threading.Lock()
        self._text = None
        self._routes = []
        self._counters = {}

    def _reload(self):
        if not self._path or not os.path.exists(self._path):
            text = ""
        else:
            with open(self._path, "r", encoding="utf-8") as f:
                text = f.read()
        if text == self._text:
            return
        self._text = text
        self._counters = {}
        self._routes = json.loads(text).get("routes", []) if text.strip() else []

    def pick(self, method, path, path_query):
        """Returns the reply dictionary for a request, or None for the files."""
        with self._lock:
            try:
                self._reload()
            except (OSError, ValueError) as error:
                print("rules file unreadable: %s" % error, file=sys.stderr)
                return {"status": 500, "body": "rules file unreadable"}
            for index, route in enumerate(self._routes):
                if "method" in route and route["method"] != method:
                    continue
                if "path_query" in route:
                    if route["path_query"] != path_query:
                        continue
                elif route.get("path") != path:
                    continue
                replies = route.get("replies") or [route.get("reply", {})]
                count = self._counters.get(index, 0)
                self._counters[index] = count + 1
                if count < len(replies):
                    return replies[count]
                then = route.get("then", "last")
                if then == "cycle":
                    return replies[count % len(replies)]
                if then == "files":
                    return None
                return replies[-1]
            return None


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VeltaTestServer/1.0"

    server_header = None

    def setup(self):
        super().setup()
        self.connection_number = self.server.request_log.next_connection()
        self.requests_on_connection = 0

    def log_message(self, fmt, *args):  # the JSON log is the record
        pass

    def version_string(self):
        # A reply's own "Server" header replaces the default one.
        return self.server_header or super().version_string()

    def do_GET(self):
        self._serve()

    def do_POST(self):
        self._serve()

    def do_PUT(self):
        self._serve()

    def do_HEAD(self):
        self._serve()

    def _read_body(self):
        length = self.headers.get("Content-Length")
        if length is not None:
            return self.rfile.read(int(length))
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            chunks = []
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    self.rfile.readline()
                    break
                chunks.append(self.rfile.read(size))
                self.rfile.readline()
            return b"".join(chunks)
        return b""

    def _serve(self):
        options = self.server.options
        request_body = self._read_body()
        target = self.path
        via_proxy = target.startswith("http://") or target.startswith("https://")
        if via_proxy:
            parsed = urllib.parse.urlsplit(target)
            target = parsed.path + ("?" + parsed.query if parsed.query else "")
        path = urllib.parse.urlsplit(target).path
        reply = self.server.rules.pick(self.command, path, target)
        if reply is None:
            reply = self._default_reply(path)

        seq = self.server.request_log.next_seq()
        self.requests_on_connection += 1
        entry = {
            "seq": seq,
            "connection": self.connection_number,
            "connection_request": self.requests_on_connection,
            "method": self.command,
            "path": target,
            "via_proxy": via_proxy,
            "headers": {k: v for k, v in self.headers.items()},
            "range": self.headers.get("Range"),
            "body_size": len(request_body),
            "body_sha256": hashlib.sha256(request_body).hexdigest(),
            "body_file": self.server.request_log.save_body(seq, request_body),
        }

        stall = reply.get("stall_before_headers")
        if reply.get("cut_before_headers"):
            entry.update({"status": 0, "outcome": "cut_before_headers"})
            self.server.request_log.write(entry)
            self._abort()
            return
        if stall:
            entry["stalled_before_headers"] = stall

        wanted = reply.get("proxy_credentials")
        if wanted and not self._has_proxy_credentials(wanted):
            entry.update({"status": 407, "outcome": "complete", "planned_bytes": 0})
            self.server.request_log.write(entry)
            self._sleep(stall)
            self.send_response(407)
            self.send_header("Proxy-Authenticate", 'Basic realm="velta-test"')
            self.send_header("Content-Length", "0")
            self.end_headers()
            return

        status = int(reply.get("status", 200))
        body = self._reply_body(reply)
        if body is None:
            status, body = 404, b"no such file"
        # Slices of a large body are views, not copies.
        body = memoryview(body)
        headers = dict(reply.get("headers", {}))
        self.server_header = headers.pop("Server", None)
        offset = 0
        total = len(body)
        range_header = self.headers.get("Range")
        if status == 200 and range_header and not reply.get("ignore_range"):
            match = RANGE_RE.match(range_header.strip())
            if match:
                first = int(match.group(1))
                last = int(match.group(2)) if match.group(2) else total - 1
                if first >= total or last < first:
                    status, body = 416, memoryview(b"")
                    headers["Content-Range"] = "bytes */%d" % total
                else:
                    last = min(last, total - 1)
                    status = 206
                    headers["Content-Range"] = "bytes %d-%d/%d" % (first, last, total)
                    offset = first
                    body = body[first:last + 1]
        if status in (204, 304) or self.command == "HEAD":
            send = memoryview(b"")
        else:
            send = body
        announced = reply.get("content_length", len(send)) if "content_length" in reply \
            else len(send)
        cut_after = reply.get("cut_after")
        stall_after = reply.get("stall_after")
        entry.update({
            "status": status,
            "range_offset": offset,
            "planned_bytes": len(send) if cut_after is None else min(len(send), cut_after),
            "outcome": "complete" if cut_after is None else "cut",
        })
        self.server.request_log.write(entry)

        self._sleep(stall)
        self.send_response(status)
        for name, value in headers.items():
            self.send_header(name, str(value))
        if announced is not None and status not in (204, 304):
            self.send_header("Content-Length", str(announced))
        if announced is None or cut_after is not None:
            self.send_header("Connection", "close")
        if "Content-Type" not in headers:
            self.send_header("Content-Type", "application/octet-stream")
        self.end_headers()

        trickle = reply.get("trickle")
        try:
            if trickle:
                step = max(1, int(trickle.get("bytes", 512)))
                for start in range(0, len(send), step):
                    if start:
                        self._sleep(trickle.get("seconds", 1))
                    self.wfile.write(send[start:start + step])
                    self.wfile.flush()
            elif stall_after is not None:
                self._write_all(send[:stall_after])
                self.wfile.flush()
                self._sleep(reply.get("stall_seconds", 30))
                if cut_after is not None:
                    self._abort()
                    return
                self._write_all(send[stall_after:])
            elif cut_after is not None:
                self._write_all(send[:cut_after])
                self.wfile.flush()
                self._abort()
                return
            else:
                self._write_all(send)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True
            return
        if announced is None:
            self.close_connection = True

    def _write_all(self, view):
        step = 256 * 1024
        for start in range(0, len(view), step):
            self.wfile.write(view[start:start + step])

    def _sleep(self, seconds):
        if seconds:
            time.sleep(float(seconds))

    def _abort(self):
        """Closes the connection at once, without a clean end of the body."""
        self.close_connection = True
        try:
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def _has_proxy_credentials(self, wanted):
        header = self.headers.get("Proxy-Authorization", "")
        expected = "Basic " + base64.b64encode(wanted.encode("utf-8")).decode("ascii")
        return header.strip() == expected

    def _default_reply(self, path):
        if self.command == "POST" or self.command == "PUT":
            return {"status": 201 if path == "/v1/binary" else 200, "body": ""}
        return {"body_file": urllib.parse.unquote(path).lstrip("/")}

    def _reply_body(self, reply):
        if "body" in reply:
            return reply["body"].encode("utf-8")
        if "body_hex" in reply:
            return bytes.fromhex(reply["body_hex"])
        name = reply.get("body_file")
        if name is None:
            return b""
        root = self.server.options.root
        full = name if os.path.isabs(name) else os.path.join(root or ".", name)
        full = os.path.normpath(full)
        if not os.path.isabs(name) and root and \
                os.path.commonpath([os.path.abspath(root), os.path.abspath(full)]) != \
                os.path.abspath(root):
            return None
        if not os.path.isfile(full):
            return None
        cache = self.server.file_cache
        stat = os.stat(full)
        key = (full, stat.st_mtime_ns, stat.st_size)
        with self.server.file_cache_lock:
            data = cache.get(key)
        if data is None:
            with open(full, "rb") as f:
                data = f.read()
            with self.server.file_cache_lock:
                cache.clear()
                cache[key] = data
        return data


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = False


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0, help="0: the OS chooses")
    parser.add_argument("--port-file", help="write the port number here")
    parser.add_argument("--root", help="folder of files to serve")
    parser.add_argument("--rules", help="JSON rules file, read on every request")
    parser.add_argument("--log", help="JSON-lines request log")
    parser.add_argument("--bodies", help="folder where request bodies are saved")
    parser.add_argument("--tls-cert", help="serve HTTPS with this PEM certificate chain")
    parser.add_argument("--tls-key", help="the certificate's PEM key")
    parser.add_argument("--alive-file", help="end when this file is removed")
    parser.add_argument("--max-seconds", type=float, help="end after this long")
    return parser.parse_args(argv)


def main(argv):
    options = parse_args(argv)
    server = Server(("127.0.0.1", options.port), Handler)
    server.options = options
    server.rules = Rules(options.rules)
    server.request_log = RequestLog(options.log, options.bodies)
    server.file_cache = {}
    server.file_cache_lock = threading.Lock()
    if options.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.tls_cert, options.tls_key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    port = server.server_address[1]
    if options.port_file:
        temporary = options.port_file + ".tmp"
        with open(temporary, "w", encoding="ascii") as f:
            f.write("%d\n" % port)
        os.replace(temporary, options.port_file)
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()

    def stop(*_):
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if options.alive_file or options.max_seconds:
        def watch():
            deadline = time.monotonic() + (options.max_seconds or float("inf"))
            while time.monotonic() < deadline:
                if options.alive_file and not os.path.exists(options.alive_file):
                    break
                time.sleep(0.2)
            stop()
        threading.Thread(target=watch, daemon=True).start()
    server.serve_forever(poll_interval=0.2)
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
