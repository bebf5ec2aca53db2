"""The stand-in services, natively: each answer primitive, the spaces, the recorded requests,
the service modules and the authentication modes (Digest checked by urllib's own client)."""

import http.client
import json
import os
import socket
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "standin"))
import standin  # noqa: E402


def parse_framed(data):
    """The recorded requests as the control endpoint frames them: "key length\\n" fields."""
    records, pos = [], 0
    while pos < len(data):
        eol = data.index(b"\n", pos)
        key, length = data[pos:eol].split(b" ")
        start = eol + 1
        value = data[start:start + int(length)]
        assert data[start + int(length):start + int(length) + 1] == b"\n"
        pos = start + int(length) + 1
        key = key.decode()
        if key == "request":
            records.append({"header": []})
        elif key == "header":
            records[-1]["header"].append(value.decode("latin-1"))
        else:
            records[-1][key] = value if key == "body" else value.decode("latin-1")
    return records


class StandInCase(unittest.TestCase):
    services_folder = None

    @classmethod
    def setUpClass(cls):
        cls.server = standin.StandInServer(0, services_folder=cls.services_folder)
        cls.thread = threading.Thread(target=cls.server.serve_forever,
                                      kwargs={"poll_interval": 0.05}, daemon=True)
        cls.thread.start()
        cls.port = cls.server.server_port

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()

    def setUp(self):
        self.space = self.id().split(".")[-1][:60]
        self.control("reset")

    # -- helpers ----------------------------------------------------------------------

    def control(self, verb, data=None, query="", space=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
        body = json.dumps(data).encode() if data is not None else b""
        conn.request("POST" if verb not in ("requests", "wait") else "GET",
                     "/control/%s/%s%s" % (space or self.space, verb, query), body)
        resp = conn.getresponse()
        payload = resp.read()
        conn.close()
        return resp.status, payload

    def queue(self, path, *answers, space=None):
        status, text = self.control("queue", {"path": path, "answers": list(answers)},
                                    space=space)
        self.assertEqual(status, 200, text)

    def url(self, path, space=None):
        return "http://127.0.0.1:%d/s/%s%s" % (self.port, space or self.space, path)

    def fetch(self, path, method="GET", body=None, headers=None, space=None):
        """(status, headers, body) through a fresh connection."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
        conn.request(method, "/s/%s%s" % (space or self.space, path), body, headers or {})
        resp = conn.getresponse()
        data = resp.read()
        conn.close()
        return resp.status, resp.headers, data

    def raw(self, path, method="GET"):
        """The bytes of the whole answer, read to the closed connection."""
        sock = socket.create_connection(("127.0.0.1", self.port), timeout=20)
        sock.sendall(("%s /s/%s%s HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"
                      % (method, self.space, path)).encode())
        data = b""
        while True:
            part = sock.recv(65536)
            if not part:
                break
            data += part
        sock.close()
        return data

    def requests(self, space=None):
        status, data = self.control("requests", space=space)
        self.assertEqual(status, 200)
        return parse_framed(data)


class QueueTest(StandInCase):
    def test_answers_in_order_with_counts_then_no_scenario(self):
        self.queue("/a", {"status": 201, "body": "one", "count": 2},
                   {"status": 503, "body": "two"})
        got = [self.fetch("/a")[::2] for _ in range(4)]
        self.assertEqual(got, [(201, b"one"), (201, b"one"), (503, b"two"),
                               (404, b"no scenario for /a\n")])

    def test_exact_path_before_longest_prefix(self):
        self.queue("/x/*", {"body": "short prefix", "count": 9})
        self.queue("/x/y/*", {"body": "long prefix", "count": 9})
        self.queue("/x/y/z", {"body": "exact"})
        cases = [("/x/y/z", b"exact"), ("/x/y/z", b"long prefix"), ("/x/y/q", b"long prefix"),
                 ("/x/q", b"short prefix"), ("/x", b"no scenario for /x\n")]
        for path, body in cases:
            with self.subTest(path=path):
                self.assertEqual(self.fetch(path)[2], body)

    def test_spaces_are_apart_and_reset_empties_one(self):
        other = self.space + "_other"
        self.control("reset", space=other)
        self.queue("/p", {"body": "mine"})
        self.queue("/p", {"body": "theirs"}, space=other)
        self.assertEqual(self.fetch("/p", space=other)[2], b"theirs")
        self.assertEqual(len(self.requests()), 0)
        self.control("reset", space=other)
        self.assertEqual(self.requests(space=other), [])
        self.assertEqual(self.fetch("/p")[2], b"mine")

    def test_bounds_and_bad_requests_refused(self):
        cases = [("queue", {"path": "/a", "answer": {"count": 0}}),
                 ("queue", {"path": "/a", "answer": {"count": standin.MAX_COUNT + 1}}),
                 ("queue", {"answer": {}}),
                 ("nothing", {})]
        for verb, data in cases:
            with self.subTest(verb=verb, data=data):
                self.assertIn(self.control(verb, data)[0], (400, 404))
        self.assertEqual(self.control("reset", space="bad*name")[0], 404)
        status, _, _ = self.fetch("/a")
        self.assertEqual(status, 404)


class BodyTest(StandInCase):
    def test_body_sources(self):
        with tempfile.NamedTemporaryFile(delete=False) as f:
            f.write(b"\x00file\xff")
        self.addCleanup(os.unlink, f.name)
        expected_pattern = bytes((i % 251) ^ ((i // 251) & 0xFF) for i in range(70000))
        cases = [({"body": "テキスト"}, "テキスト".encode("utf-8")),
                 ({"body_hex": "00ff0d0a"}, b"\x00\xff\r\n"),
                 ({"body_file": f.name}, b"\x00file\xff"),
                 ({"body_pattern": 70000}, expected_pattern),
                 ({}, b"")]
        for spec, body in cases:
            with self.subTest(spec=spec):
                self.queue("/b", spec)
                status, headers, data = self.fetch("/b")
                self.assertEqual((status, data), (200, body))
                self.assertEqual(headers["Content-Length"], str(len(body)))

    def test_length_modes_on_the_wire(self):
        cases = [({"body": "abcdef"}, b"Content-Length: 6\r\n", b"\r\n\r\nabcdef"),
                 ({"body": "abcdef", "length": "none"}, b"Connection: close\r\n",
                  b"\r\n\r\nabcdef"),
                 ({"body": "abcdef", "length": "chunked", "chunk_size": 4},
                  b"Transfer-Encoding: chunked\r\n", b"\r\n\r\n4\r\nabcd\r\n2\r\nef\r\n0\r\n\r\n"),
                 ({"body": "abcdef", "send_bytes": 2}, b"Content-Length: 6\r\n", b"\r\n\r\nab"),
                 ({"body": "abcdef", "length": "chunked", "send_bytes": 5, "chunk_size": 4},
                  b"Transfer-Encoding: chunked\r\n", b"\r\n\r\n4\r\nabcd\r\n1\r\ne\r\n"),
                 ({"body": "abc", "length": 10}, b"Content-Length: 10\r\n", b"\r\n\r\nabc"),
                 ({"status": 204}, b"HTTP/1.1 204", b"Content-Length: 0\r\n\r\n")]
        for spec, header, tail in cases:
            with self.subTest(spec=spec):
                self.queue("/l", spec)
                data = self.raw("/l")
                self.assertIn(header, data)
                self.assertTrue(data.endswith(tail), data)
                if spec.get("length") == "none":
                    self.assertNotIn(b"Content-Length", data)

    def test_head_gets_the_length_without_body(self):
        self.queue("/h", {"body": "abcdef"})
        data = self.raw("/h", method="HEAD")
        self.assertIn(b"Content-Length: 6\r\n", data)
        self.assertTrue(data.endswith(b"\r\n\r\n"))

    def test_short_body_is_incomplete_for_a_client(self):
        self.queue("/s", {"body": "0123456789", "send_bytes": 4})
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
        conn.request("GET", "/s/%s/s" % self.space)
        with self.assertRaises(http.client.IncompleteRead) as caught:
            conn.getresponse().read()
        self.assertEqual(caught.exception.partial, b"0123")


class TimingTest(StandInCase):
    def timed_pieces(self, path):
        """Arrival times of the answer's bytes, from the request."""
        sock = socket.create_connection(("127.0.0.1", self.port), timeout=20)
        start = time.monotonic()
        sock.sendall(("GET /s/%s%s HTTP/1.1\r\nHost: x\r\n\r\n" % (self.space, path)).encode())
        arrivals, data = [], b""
        while True:
            part = sock.recv(65536)
            if not part:
                break
            data += part
            arrivals.append((time.monotonic() - start, len(data)))
            if b"\r\n\r\n" in data:
                head, _, body = data.partition(b"\r\n\r\n")
                length = int(head.split(b"Content-Length: ")[1].split(b"\r\n")[0])
                if len(body) >= length:
                    break
        sock.close()
        return arrivals, data

    def test_delay_stall_and_trickle(self):
        # (spec, earliest end in seconds, body bytes that come before the first wait ends).
        # The waits are of a second: no byte sent after one can come before it, and the
        # bytes sent at once have that second to come, however loaded the machine.
        cases = [({"body": "abcdef", "delay_ms": 1000}, 1.0, 0),
                 ({"body": "abcdef", "stall_after": 2, "stall_ms": 1000}, 1.0, 2),
                 ({"body": "abcdef", "trickle_bytes": 2, "trickle_ms": 1000}, 2.0, 2)]
        for spec, least, early in cases:
            with self.subTest(spec=spec):
                self.queue("/t", spec)
                arrivals, data = self.timed_pieces("/t")
                self.assertTrue(data.endswith(b"abcdef"))
                self.assertGreaterEqual(arrivals[-1][0], least)
                before = [n for t, n in arrivals if t < 1.0]
                body_before = max(before) - data.index(b"\r\n\r\n") - 4 if before else 0
                self.assertEqual(max(body_before, 0), early)

    def test_hold_until_released_and_reset_ends_waits(self):
        self.queue("/hold", {"body": "held", "hold": "g1"})
        result = {}
        worker = threading.Thread(target=lambda: result.update(r=self.fetch("/hold")))
        worker.start()
        status, text = self.control("wait", query="?count=1&timeout_ms=30000")
        self.assertEqual(text, b"1\n")
        time.sleep(0.2)  # held until released: nothing can have come
        self.assertNotIn("r", result)
        self.control("release", query="?gate=g1")
        worker.join(30)
        self.assertEqual(result["r"][2], b"held")
        # A stall of a minute ends with the space's reset: the client sees the closed link.
        self.queue("/stall", {"body": "x", "delay_ms": 60000})
        start = time.monotonic()
        worker = threading.Thread(target=lambda: result.update(s=self._fetch_error("/stall")))
        worker.start()
        self.control("wait", query="?count=2&timeout_ms=30000")
        self.control("reset")
        worker.join(30)
        self.assertLess(time.monotonic() - start, 30)
        self.assertIsInstance(result["s"], Exception)

    def test_stall_until_released(self):
        # The first bytes come at once; the rest only after the gate opens, however long.
        self.queue("/gated", {"body": "abcdef", "stall_after": 2, "stall_gate": "g2"})
        sock = socket.create_connection(("127.0.0.1", self.port), timeout=20)
        sock.sendall(("GET /s/%s/gated HTTP/1.1\r\nHost: x\r\n\r\n" % self.space).encode())
        data = b""
        while not data.endswith(b"\r\n\r\nab"):
            part = sock.recv(65536)
            self.assertTrue(part, "the connection closed before the first bytes")
            data += part
        sock.settimeout(0.5)
        with self.assertRaises(socket.timeout):
            sock.recv(65536)
        self.control("release", query="?gate=g2")
        sock.settimeout(20)
        while not data.endswith(b"abcdef"):
            part = sock.recv(65536)
            self.assertTrue(part, "the connection closed before the rest")
            data += part
        sock.close()

    def _fetch_error(self, path):
        try:
            return self.fetch(path)
        except Exception as e:  # the connection closed without an answer
            return e

    def test_a_client_that_leaves_ends_the_wait(self):
        # The client closes its side while the answer is delayed by a minute: the stand-in
        # sees the end of the stream and closes at once, without answering.
        self.queue("/gone", {"body": "x", "delay_ms": 60000})
        sock = socket.create_connection(("127.0.0.1", self.port), timeout=30)
        sock.sendall(("GET /s/%s/gone HTTP/1.1\r\nHost: x\r\n\r\n" % self.space).encode())
        self.control("wait", query="?count=1&timeout_ms=30000")
        start = time.monotonic()
        sock.shutdown(socket.SHUT_WR)
        self.assertEqual(sock.recv(100), b"")
        self.assertLess(time.monotonic() - start, 30)
        sock.close()

    def test_every_wait_is_bounded(self):
        saved = standin.MAX_WAIT_S
        standin.MAX_WAIT_S = 0.3
        self.addCleanup(setattr, standin, "MAX_WAIT_S", saved)
        self.queue("/b", {"body": "x", "delay_ms": 600000}, {"body": "y", "hold": "never"})
        for body in (b"x", b"y"):
            start = time.monotonic()
            self.assertEqual(self.fetch("/b")[2], body)
            self.assertLess(time.monotonic() - start, 30)  # not the delay's ten minutes


class ConnectionTest(StandInCase):
    def test_refused_closed_and_reset_connections(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        conn.request("GET", "/control/info")
        info = dict(line.split("=") for line in conn.getresponse().read().decode().split())
        self.assertEqual(int(info["port"]), self.port)
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.1", int(info["refused_port"])), timeout=5)
        self.queue("/c", {"action": "close"}, {"action": "reset"})
        with self.assertRaises(http.client.RemoteDisconnected):
            self.fetch("/c")
        with self.assertRaises(ConnectionResetError):
            self.fetch("/c")
        self.assertEqual([r["status"] for r in self.requests()], ["0", "0"])

    def test_redirect_inside_the_space_is_followed(self):
        self.queue("/from", {"redirect": "/to"})
        self.queue("/to", {"body": "arrived"})
        with urllib.request.urlopen(self.url("/from"), timeout=10) as resp:
            self.assertEqual(resp.read(), b"arrived")
        self.assertEqual([(r["path"], r["status"]) for r in self.requests()],
                         [("/from", "302"), ("/to", "200")])
        self.queue("/moved", {"redirect": "http://elsewhere.invalid/x", "status": 301})
        status, headers, _ = self.fetch("/moved")
        self.assertEqual((status, headers["Location"]), (301, "http://elsewhere.invalid/x"))

    def test_proxy_mode_serves_absolute_targets(self):
        self.queue("/via", {"body": "proxied answer"})
        opener = urllib.request.build_opener(urllib.request.ProxyHandler(
            {"http": "http://127.0.0.1:%d" % self.port}))
        target = "http://kestrum-host.invalid/s/%s/via?q=1" % self.space
        with opener.open(target, timeout=10) as resp:
            self.assertEqual(resp.read(), b"proxied answer")
        record = self.requests()[0]
        self.assertEqual((record["proxied"], record["host"], record["target"], record["path"],
                          record["query"]),
                         ("1", "kestrum-host.invalid", target, "/via", "q=1"))


class RecordTest(StandInCase):
    def test_request_recorded_whole(self):
        self.queue("/r", {"body": "ok"})
        body = bytes(range(256)) + b"\n\nrequest 0\n"
        self.fetch("/r?x=%20y", method="POST", body=body,
                   headers={"Content-Type": "application/x-test", "X-Twice": "1"})
        record, = self.requests()
        self.assertEqual((record["method"], record["target"], record["path"], record["query"],
                          record["proxied"], record["status"], record["body"]),
                         ("POST", "/s/%s/r?x=%%20y" % self.space, "/r", "x=%20y", "0", "200",
                          body))
        self.assertIn("Content-Type: application/x-test", record["header"])
        self.assertIn("Content-Length: %d" % len(body), record["header"])

    def test_chunked_request_body_is_joined(self):
        self.queue("/r", {"body": "ok"})
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        conn.request("POST", "/s/%s/r" % self.space, body=iter([b"ab", b"cde"]),
                     encode_chunked=True)
        self.assertEqual(conn.getresponse().read(), b"ok")
        self.assertEqual(self.requests()[0]["body"], b"abcde")

    def test_wait_counts_and_recording_off(self):
        status, text = self.control("wait", query="?count=1&timeout_ms=100")
        self.assertEqual(text, b"0\n")
        self.control("reset", {"record": False})
        self.queue("/big", {"body": "ok"})
        self.fetch("/big", method="POST", body=b"x" * 1000)
        self.assertEqual(self.control("wait", query="?count=1")[1], b"1\n")
        self.assertEqual(self.requests()[0]["body"], b"")


class AuthTest(StandInCase):
    def open_with(self, handler_class, user, password, path="/secret"):
        manager = urllib.request.HTTPPasswordMgrWithDefaultRealm()
        manager.add_password(None, self.url(path), user, password)
        opener = urllib.request.build_opener(handler_class(manager))
        try:
            with opener.open(self.url(path), timeout=10) as resp:
                return resp.status
        except urllib.error.HTTPError as e:
            return e.code
        except ValueError:  # a Basic-only client offered nothing but Digest
            return 401

    def test_modes_against_urllib_clients(self):
        digest, basic = urllib.request.HTTPDigestAuthHandler, urllib.request.HTTPBasicAuthHandler
        # (mode, client, password the client knows, final status)
        cases = [("both", digest, "pw", 200), ("both", digest, "bad", 401),
                 ("both", basic, "pw", 200), ("both", basic, "bad", 401),
                 ("digest", digest, "pw", 200), ("digest", basic, "pw", 401),
                 ("wrong-password", digest, "pw", 401), ("wrong-password", basic, "pw", 401)]
        for mode, client, password, status in cases:
            with self.subTest(mode=mode, client=client.__name__, password=password):
                self.control("reset")
                self.queue("/secret", {"body": "in", "auth": {"mode": mode, "user": "acct",
                                                              "password": "pw"}})
                self.assertEqual(self.open_with(client, "acct", password), status)
                records = self.requests()
                self.assertEqual(records[0]["status"], "401")
                self.assertNotIn("Authorization", " ".join(records[0]["header"]))

    def test_challenges_name_digest_first(self):
        for mode, schemes in (("both", ["Digest", "Basic"]), ("digest", ["Digest"]),
                              ("wrong-password", ["Digest", "Basic"])):
            with self.subTest(mode=mode):
                self.control("reset")
                self.queue("/c", {"body": "in", "auth": {"mode": mode, "user": "u",
                                                         "password": "p", "realm": "wx"}})
                status, headers, _ = self.fetch("/c")
                values = headers.get_all("WWW-Authenticate")
                self.assertEqual((status, [v.split()[0] for v in values]), (401, schemes))
                self.assertIn('qop="auth"', values[0])
                self.assertIn('realm="wx"', values[0])

    def test_digest_answer_checked_field_by_field(self):
        self.queue("/d", {"body": "in", "count": 9,
                          "auth": {"mode": "digest", "user": "u", "password": "p"}})
        _, headers, _ = self.fetch("/d")
        challenge = standin.parse_digest(headers["WWW-Authenticate"][len("Digest "):])
        target = "/s/%s/d" % self.space

        def answer(**change):
            fields = {"username": "u", "realm": challenge["realm"], "nonce": challenge["nonce"],
                      "uri": target, "qop": "auth", "nc": "00000001", "cnonce": "c0ffee",
                      "opaque": challenge["opaque"], "password": "p", "method": "GET"}
            fields.update(change)
            fields["response"] = fields.get("response") or standin.digest_response(
                fields["username"], fields["realm"], fields.pop("password"),
                fields.pop("method"), fields["uri"], fields["nonce"], fields["nc"],
                fields["cnonce"], fields["qop"])
            return "Digest " + ", ".join('%s="%s"' % kv for kv in fields.items())

        cases = [({}, 200), ({"password": "q"}, 401), ({"uri": target + "x"}, 401),
                 ({"nonce": "0" * 32}, 401), ({"qop": "auth-int"}, 401),
                 ({"method": "POST"}, 401), ({"opaque": "00"}, 401),
                 ({"username": "v"}, 401), ({"response": "0" * 32}, 401)]
        for change, status in cases:
            with self.subTest(change=change):
                got = self.fetch("/d", headers={"Authorization": answer(**change)})[0]
                self.assertEqual(got, status)

    def test_a_challenge_does_not_use_up_the_answer(self):
        self.queue("/once", {"body": "in", "auth": {"mode": "both", "user": "u",
                                                    "password": "p"}})
        for _ in range(3):
            self.assertEqual(self.fetch("/once")[0], 401)
        self.assertEqual(self.fetch("/once", headers={
            "Authorization": "Basic dTpw"})[2], b"in")
        self.assertEqual(self.fetch("/once", headers={"Authorization": "Basic dTpw"})[0], 404)


class ServiceTest(StandInCase):
    def test_basics_and_rules(self):
        status, _, data = self.fetch("/pattern/300000")
        self.assertEqual(data, bytes((i % 251) ^ ((i // 251) & 0xFF) for i in range(300000)))
        status, headers, data = self.fetch("/echo/x", method="POST", body=b"a=1",
                                           headers={"Content-Type": "text/x-form"})
        self.assertEqual((status, headers["Content-Type"], data), (200, "text/x-form", b"a=1"))
        self.assertEqual(self.fetch("/pattern/x")[0], 400)
        # A rule applies to the service's answers; a queued "service" entry changes how one
        # answer is delivered.
        self.control("rule", {"path": "/pattern/*",
                              "answer": {"auth": {"mode": "digest", "user": "u",
                                                  "password": "p"}}})
        self.assertEqual(self.fetch("/pattern/10")[0], 401)
        self.control("rule", {"path": "/pattern/*", "answer": {"length": "chunked"}})
        self.queue("/pattern/*", {"service": True, "length": "none"})
        self.assertIn(b"Connection: close", self.raw("/pattern/5"))
        self.assertIn(b"Transfer-Encoding: chunked", self.raw("/pattern/5"))
        self.queue("/nothing", {"service": True})
        self.assertEqual(self.fetch("/nothing")[:3:2], (404, b"no service for /nothing\n"))


class ModuleFolderTest(unittest.TestCase):
    def write(self, folder, name, text):
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)

    def test_each_file_adds_its_routes_and_a_route_twice_is_refused(self):
        with tempfile.TemporaryDirectory() as folder:
            self.write(folder, "one.py", "ROUTES = {'/one': lambda r, s: {'body': 'one ' + "
                                         "s.vars.get('who', '?')}}\n")
            self.write(folder, "two.py", "def broken(r, s):\n    raise RuntimeError('bug')\n"
                                         "ROUTES = {'/two/*': broken}\n")
            self.write(folder, "_helper.py", "raise SystemExit('never imported')\n")
            self.write(folder, "notes.txt", "not a module\n")
            services = standin.Services(folder)
            self.assertEqual(sorted(services.routes), ["/one", "/two/*"])
            server = standin.StandInServer(0, services_folder=folder)
            thread = threading.Thread(target=server.serve_forever, daemon=True)
            thread.start()
            try:
                conn = http.client.HTTPConnection("127.0.0.1", server.server_port, timeout=10)
                conn.request("POST", "/control/m/vars", json.dumps({"who": "me"}))
                conn.getresponse().read()
                for path, status, body in (("/one", 200, b"one me"),
                                           ("/two/x", 500, b"stand-in error")):
                    conn.request("GET", "/s/m" + path)
                    resp = conn.getresponse()
                    data = resp.read()
                    self.assertEqual(resp.status, status)
                    self.assertTrue(data.startswith(body), data)
            finally:
                server.shutdown()
                server.server_close()
            self.write(folder, "three.py", "ROUTES = {'/one': None}\n")
            with self.assertRaises(RuntimeError):
                standin.Services(folder)


if __name__ == "__main__":
    unittest.main()
