#!/usr/bin/env python3
# Copyright 2026 Velta Software. All rights reserved.
"""Tests of the loopback test server, run as a real process on 127.0.0.1."""

import base64
import hashlib
import http.client
import json
import os
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "http_server.py")


class ServerProcess:
    def __init__(self, folder, extra=()):
        self.folder = folder
        self.root = os.path.join(folder, "root")
        self.rules = os.path.join(folder, "rules.json")
        self.log = os.path.join(folder, "log.jsonl")
        self.bodies = os.path.join(folder, "bodies")
        self.alive = os.path.join(folder, "alive")
        os.makedirs(self.root, exist_ok=True)
        open(self.alive, "w").close()
        self.process = subprocess.Popen(
            [sys.executable, SERVER, "--root", self.root, "--rules", self.rules, "--log",
             self.log, "--bodies", self.bodies, "--port-file",
             os.path.join(folder, "port"), "--alive-file", self.alive, *extra],
            stdout=subprocess.PIPE)
        line = self.process.stdout.readline().decode("ascii")
        assert line.startswith("PORT "), line
        self.port = int(line.split()[1])

    def set_rules(self, routes):
        with open(self.rules + ".tmp", "w", encoding="utf-8") as f:
            json.dump({"routes": routes}, f)
        os.replace(self.rules + ".tmp", self.rules)

    def entries(self):
        with open(self.log, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def stop(self):
        if os.path.exists(self.alive):
            os.remove(self.alive)
        self.process.wait(timeout=10)
        self.process.stdout.close()


def raw_request(port, text):
    """Sends `text` and returns everything the server sends until it closes."""
    with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
        s.sendall(text.encode("ascii"))
        chunks = []
        while True:
            data = s.recv(65536)
            if not data:
                break
            chunks.append(data)
        return b"".join(chunks)


class HttpServerTest(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.TemporaryDirectory()
        self.server = ServerProcess(self.temp.name)
        self.body = bytes(range(256)) * 40  # 10240 bytes
        with open(os.path.join(self.server.root, "package.bin"), "wb") as f:
            f.write(self.body)

    def tearDown(self):
        self.server.stop()
        self.temp.cleanup()

    def get(self, path, headers=None, method="GET", body=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=10)
        connection.request(method, path, body=body, headers=headers or {})
        response = connection.getresponse()
        data = response.read()
        connection.close()
        return response, data

    def test_port_file_holds_the_announced_port(self):
        with open(os.path.join(self.temp.name, "port"), encoding="ascii") as f:
            self.assertEqual(self.server.port, int(f.read()))

    def test_ranges(self):
        cases = [
            # (range header, status, expected body, content-range)
            (None, 200, self.body, None),
            ("bytes=0-", 206, self.body, "bytes 0-10239/10240"),
            ("bytes=3413-", 206, self.body[3413:], "bytes 3413-10239/10240"),
            ("bytes=10-19", 206, self.body[10:20], "bytes 10-19/10240"),
            ("bytes=10240-", 416, b"", "bytes */10240"),
        ]
        for header, status, body, content_range in cases:
            with self.subTest(header=header):
                response, data = self.get("/package.bin", {"Range": header} if header else {})
                self.assertEqual(status, response.status)
                self.assertEqual(body, data)
                self.assertEqual(content_range, response.getheader("Content-Range"))

    def test_replies_follow_the_rules_in_order_then_repeat_the_last(self):
        self.server.set_rules([{"path": "/p", "replies": [
            {"status": 503}, {"status": 204}, {"body": "done"}]}])
        results = [self.get("/p?x=1") for _ in range(4)]
        self.assertEqual([503, 204, 200, 200], [r.status for r, _ in results])
        self.assertEqual(b"done", results[3][1])
        self.assertEqual(["/p?x=1"] * 4, [e["path"] for e in self.server.entries()])

    def test_a_changed_rules_file_starts_counting_again(self):
        self.server.set_rules([{"path": "/p", "replies": [{"status": 502}, {"body": "a"}]}])
        self.assertEqual(502, self.get("/p")[0].status)
        self.server.set_rules([{"path": "/p", "replies": [{"status": 504}, {"body": "b"}]}])
        self.assertEqual(504, self.get("/p")[0].status)
        self.assertEqual(b"b", self.get("/p")[1])

    def test_ignore_range_answers_200_with_the_whole_body(self):
        self.server.set_rules([{"path": "/p", "reply": {"body_file": "package.bin",
                                                        "ignore_range": True}}])
        response, data = self.get("/p", {"Range": "bytes=100-"})
        self.assertEqual((200, self.body), (response.status, data))

    def test_cut_after_closes_mid_body_with_the_full_length_announced(self):
        self.server.set_rules([{"path": "/p", "reply": {"body_file": "package.bin",
                                                        "cut_after": 3413}}])
        answer = raw_request(self.server.port, "GET /p HTTP/1.1\r\nHost: x\r\n\r\n")
        head, _, body = answer.partition(b"\r\n\r\n")
        self.assertIn(b"Content-Length: 10240", head)
        self.assertEqual(self.body[:3413], body)
        self.assertEqual("cut", self.server.entries()[0]["outcome"])

    def test_cut_before_headers_sends_nothing(self):
        self.server.set_rules([{"path": "/p", "reply": {"cut_before_headers": True}}])
        self.assertEqual(b"", raw_request(self.server.port, "GET /p HTTP/1.1\r\nHost: x\r\n\r\n"))

    def test_stall_after_sends_the_first_bytes_then_waits(self):
        self.server.set_rules([{"path": "/p", "reply": {
            "body": "abcdef", "stall_after": 2, "stall_seconds": 30}}])
        with socket.create_connection(("127.0.0.1", self.server.port), timeout=10) as s:
            s.sendall(b"GET /p HTTP/1.1\r\nHost: x\r\n\r\n")
            received = b""
            while not received.endswith(b"ab"):
                received += s.recv(100)
            s.settimeout(0.3)
            with self.assertRaises(socket.timeout):
                s.recv(100)

    def test_missing_content_length_ends_the_body_at_the_close(self):
        self.server.set_rules([{"path": "/p", "reply": {"body": "xyz", "content_length": None}}])
        answer = raw_request(self.server.port, "GET /p HTTP/1.1\r\nHost: x\r\n\r\n")
        head, _, body = answer.partition(b"\r\n\r\n")
        self.assertNotIn(b"Content-Length", head)
        self.assertEqual(b"xyz", body)

    def test_the_log_says_which_connection_carried_each_request(self):
        kept = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=10)
        for _ in range(2):
            kept.request("GET", "/package.bin")
            kept.getresponse().read()
        self.get("/package.bin")
        kept.request("GET", "/package.bin")
        kept.getresponse().read()
        kept.close()
        self.assertEqual([(1, 1), (1, 2), (2, 1), (1, 3)],
                         [(e["connection"], e["connection_request"])
                          for e in self.server.entries()])

    def test_trickle_sends_the_body_in_pieces_with_pauses(self):
        self.server.set_rules([{"path": "/p", "reply": {
            "body": "abcdef", "content_length": None,
            "trickle": {"bytes": 2, "seconds": 0.3}}}])
        with socket.create_connection(("127.0.0.1", self.server.port), timeout=10) as s:
            s.sendall(b"GET /p HTTP/1.1\r\nHost: x\r\n\r\n")
            received = b""
            while not received.endswith(b"\r\n\r\nab"):
                received += s.recv(100)
            s.settimeout(0.1)
            with self.assertRaises(socket.timeout):
                s.recv(100)
            s.settimeout(10)
            while True:
                data = s.recv(100)
                if not data:
                    break
                received += data
        self.assertTrue(received.endswith(b"\r\n\r\nabcdef"), received)

    def test_proxy_credentials(self):
        self.server.set_rules([{"path": "/p", "reply": {"body": "ok",
                                                        "proxy_credentials": "user:secret"}}])
        good = "Basic " + base64.b64encode(b"user:secret").decode()
        cases = [({}, 407), ({"Proxy-Authorization": "Basic d3Jvbmc="}, 407),
                 ({"Proxy-Authorization": good}, 200)]
        for headers, status in cases:
            with self.subTest(headers=headers):
                response, _ = self.get("/p", headers)
                self.assertEqual(status, response.status)
        self.assertEqual('Basic realm="velta-test"',
                         self.get("/p")[0].getheader("Proxy-Authenticate"))

    def test_proxied_request_line_is_served_from_the_routes(self):
        answer = raw_request(self.server.port,
                             "GET http://example.invalid/package.bin HTTP/1.1\r\n"
                             "Host: example.invalid\r\nConnection: close\r\n\r\n")
        self.assertTrue(answer.endswith(self.body))
        entry = self.server.entries()[0]
        self.assertEqual(("/package.bin", True), (entry["path"], entry["via_proxy"]))

    def test_posts_are_recorded_with_their_bodies(self):
        cases = [("/v1/binary", 201), ("/crash", 200)]
        for path, status in cases:
            with self.subTest(path=path):
                payload = path.encode() * 100
                response, _ = self.get(path, method="POST", body=payload)
                self.assertEqual(status, response.status)
                entry = self.server.entries()[-1]
                self.assertEqual(hashlib.sha256(payload).hexdigest(), entry["body_sha256"])
                with open(entry["body_file"], "rb") as f:
                    self.assertEqual(payload, f.read())

    def test_files_outside_the_root_are_not_served(self):
        self.assertEqual(404, self.get("/../rules.json")[0].status)

    def test_ends_when_its_alive_file_is_removed(self):
        os.remove(self.server.alive)
        self.assertEqual(0, self.server.process.wait(timeout=10))


class HttpsServerTest(unittest.TestCase):
    """HTTPS with the test CA made by make_test_ca.py (given by the build)."""

    def test_https_answers_with_a_certificate_for_the_loopback_names(self):
        ca_folder = os.environ.get("VELTA_TEST_SERVER_CA")
        if not ca_folder:
            self.skipTest("no test CA given")
        with tempfile.TemporaryDirectory() as folder:
            server = ServerProcess(folder, [
                "--tls-cert", os.path.join(ca_folder, "server_chain.pem"),
                "--tls-key", os.path.join(ca_folder, "server_key.pem")])
            try:
                with open(os.path.join(server.root, "a.txt"), "w") as f:
                    f.write("secure")
                context = ssl.create_default_context(
                    cafile=os.path.join(ca_folder, "root.pem"))
                for host in ("127.0.0.1", "localhost"):
                    with self.subTest(host=host):
                        connection = http.client.HTTPSConnection(
                            host, server.port, context=context, timeout=10)
                        connection.request("GET", "/a.txt")
                        self.assertEqual(b"secure", connection.getresponse().read())
                        connection.close()
            finally:
                server.stop()


if __name__ == "__main__":
    unittest.main()
