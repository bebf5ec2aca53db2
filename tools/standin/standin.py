#!/usr/bin/env python3
"""Stand-in online services for the tests: a threaded HTTP server on 127.0.0.1.

Started once per Wine session by tools/wine-session (see tools/standin/README.md):

    standin.py --port-file FILE [--parent PID] [--port N]

Every test program works in a scenario space of its own, the URL prefix "/s/<space>/". A
request there is recorded, then answered from the space's queue, else by the service module
that serves its path (tools/standin/services/*.py), else with 404. The tests drive their
space through the control endpoints under "/control/"; every wait of an answer is bounded
and ends when its space is reset or the client goes away.
"""

import argparse
import base64
import binascii
import hashlib
import importlib.util
import json
import os
import re
import secrets
import select
import signal
import socket
import struct
import sys
import threading
import time
import urllib.parse
import urllib.request
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))

# Bounds of every scenario.
MAX_WAIT_S = 60.0           # any one delay, stall, hold or trickle pause
KEEPALIVE_S = 2.0           # a held body's trickle of single bytes
MAX_ANSWER_S = 120.0        # one answer from its first wait to its last byte
MAX_COUNT = 100000          # requests answered by one queued entry
MAX_QUEUE = 10000           # entries queued on one path
MAX_RECORDS = 5000          # recorded requests kept per space (later ones are counted only)
MAX_BODY = 256 * 1024 * 1024
SOCKET_TIMEOUT_S = 60.0     # a client that sends nothing for this long is dropped
SPACE_NAME = re.compile(r"^[A-Za-z0-9_.-]{1,64}$")

# The generated body: byte i is (i % 251) ^ ((i // 251) & 0xFF), period 251 * 256. The C++
# test support has the same formula (onlinetest::PatternByte).
PATTERN_PERIOD = 251 * 256
WRITE_PIECE = 1024 * 1024
_PATTERN = bytes((i % 251) ^ ((i // 251) & 0xFF) for i in range(PATTERN_PERIOD))
_PATTERN_RUN = _PATTERN * (WRITE_PIECE // PATTERN_PERIOD + 2)


def pattern_bytes(start, end):
    """Bytes start..end of the generated body (end - start <= WRITE_PIECE)."""
    offset = start % PATTERN_PERIOD
    return _PATTERN_RUN[offset:offset + (end - start)]


class Body:
    """An answer's body: real bytes, or the generated pattern of a given size."""

    def __init__(self, data=b"", pattern_size=None):
        self.data = data
        self.pattern_size = pattern_size

    def __len__(self):
        return self.pattern_size if self.pattern_size is not None else len(self.data)

    def slice(self, start, end):
        if self.pattern_size is None:
            return self.data[start:end]
        return pattern_bytes(start, end)


def body_of(spec):
    if "body_bytes" in spec:
        return Body(bytes(spec["body_bytes"]))
    if "body_hex" in spec:
        return Body(binascii.unhexlify(spec["body_hex"]))
    if "body_file" in spec:
        path = spec["body_file"]
        try:  # the C++ support sends the path's bytes as code points below 256
            path = path.encode("latin-1")
        except UnicodeEncodeError:
            pass
        with open(path, "rb") as f:
            return Body(f.read())
    if "body_pattern" in spec:
        return Body(pattern_size=int(spec["body_pattern"]))
    text = spec.get("body", "")
    return Body(text.encode("utf-8") if isinstance(text, str) else bytes(text))


# --- Authentication (RFC 2617: Basic, and Digest with MD5 and qop=auth) -----------------

AUTH_MODES = ("both", "digest", "wrong-password")


def _md5(text):
    return hashlib.md5(text.encode("latin-1")).hexdigest()


def digest_response(user, realm, password, method, uri, nonce, nc, cnonce, qop="auth"):
    ha1 = _md5("%s:%s:%s" % (user, realm, password))
    ha2 = _md5("%s:%s" % (method, uri))
    return _md5("%s:%s:%s:%s:%s:%s" % (ha1, nonce, nc, cnonce, qop, ha2))


def parse_digest(value):
    items = urllib.request.parse_http_list(value)
    return urllib.request.parse_keqv_list([i for i in items if "=" in i])


def authorized(auth, space, request):
    """True when the request carries credentials that `auth` accepts."""
    mode = auth.get("mode", "both")
    if mode == "wrong-password":
        return False
    user = auth.get("user", "")
    password = auth.get("password", "")
    realm = auth.get("realm", "kestrum")
    for value in request.header_values("Authorization"):
        scheme, _, rest = value.strip().partition(" ")
        scheme = scheme.lower()
        if scheme == "basic" and mode == "both":
            try:
                pair = base64.b64decode(rest.strip(), validate=True).decode("latin-1")
            except (binascii.Error, ValueError):
                continue
            if pair == "%s:%s" % (user, password):
                return True
        elif scheme == "digest":
            p = parse_digest(rest)
            if (p.get("username") != user or p.get("realm") != realm
                    or p.get("qop") != "auth"
                    or p.get("algorithm", "MD5").upper() != "MD5"
                    or not space.knows_nonce(p.get("nonce", ""))
                    or p.get("opaque", space.opaque) != space.opaque
                    or p.get("uri") not in (request.target, request.path_query)
                    or not p.get("nc") or not p.get("cnonce")):
                continue
            expected = digest_response(user, realm, password, request.method, p["uri"],
                                       p["nonce"], p["nc"], p["cnonce"])
            if secrets.compare_digest(expected, p.get("response", "").lower()):
                return True
    return False


def challenge_headers(auth, space):
    realm = auth.get("realm", "kestrum")
    headers = [("WWW-Authenticate",
                'Digest realm="%s", qop="auth", nonce="%s", opaque="%s", algorithm=MD5'
                % (realm, space.new_nonce(), space.opaque))]
    if auth.get("mode", "both") in ("both", "wrong-password"):
        headers.append(("WWW-Authenticate", 'Basic realm="%s"' % realm))
    return headers


# --- Scenario spaces ----------------------------------------------------------------------

def best_key(keys, path):
    """The key that serves a path: the path itself, else the longest key ending in "*"
    whose text before the "*" begins the path."""
    if path in keys:
        return path
    found = [k for k in keys if k.endswith("*") and path.startswith(k[:-1])]
    return max(found, key=len) if found else None


class Space:
    """One test program's scenario space."""

    def __init__(self, name, server):
        self.name = name
        self.server = server
        self.lock = threading.Condition()
        self._reset_locked(record=True)

    def _reset_locked(self, record):
        self.queues = {}        # path key -> list of [spec, remaining count]
        self.rules = {}         # path key -> spec merged under every answer there
        self.vars = {}          # values set by the test, read by service modules
        self.state = {}         # service modules' own state until the next reset
        self.records = []
        self.request_count = 0
        self.record_bodies = record
        self.nonces = set()
        self.opaque = secrets.token_hex(8)
        self.gates = {}
        self.epoch = threading.Event()   # set when this generation of the space ends

    def reset(self, record=True):
        with self.lock:
            self.epoch.set()
            for gate in self.gates.values():
                gate.set()
            self._reset_locked(record)
            self.lock.notify_all()

    @property
    def base_url(self):
        return "http://127.0.0.1:%d/s/%s" % (self.server.server_port, self.name)

    def new_nonce(self):
        nonce = secrets.token_hex(16)
        with self.lock:
            self.nonces.add(nonce)
        return nonce

    def knows_nonce(self, nonce):
        with self.lock:
            return nonce in self.nonces

    def gate(self, name):
        with self.lock:
            return self.gates.setdefault(name, threading.Event())

    def queue(self, path, specs):
        counts = [int(spec.get("count", 1)) for spec in specs]
        if not all(1 <= count <= MAX_COUNT for count in counts):
            raise ValueError("a count out of 1 to %d" % MAX_COUNT)
        with self.lock:
            entries = self.queues.setdefault(path, [])
            if len(entries) + len(specs) > MAX_QUEUE:
                raise ValueError("more than %d answers queued on %s" % (MAX_QUEUE, path))
            entries.extend([spec, count] for spec, count in zip(specs, counts))

    def record(self, request):
        with self.lock:
            self.request_count += 1
            if len(self.records) < MAX_RECORDS:
                request.record_body = self.record_bodies
                self.records.append(request)
            self.lock.notify_all()

    def wait_for(self, count, timeout):
        deadline = time.monotonic() + min(timeout, MAX_WAIT_S)
        with self.lock:
            while self.request_count < count:
                left = deadline - time.monotonic()
                if left <= 0:
                    break
                self.lock.wait(left)
            return self.request_count

    def choose(self, request):
        """The spec that answers the request, or None when nothing serves its path.

        The queued entry for the path (if any) is merged over the rule for the path; an
        entry with "service" set is merged over the service module's answer instead. An
        entry is used up only when it answers: a 401 challenge leaves it queued."""
        with self.lock:
            rule_key = best_key(self.rules.keys(), request.path)
            rule = dict(self.rules[rule_key]) if rule_key else {}
            key = best_key([k for k, v in self.queues.items() if v], request.path)
            entry = dict(self.queues[key][0][0]) if key else None
            auth = (entry or {}).get("auth", rule.get("auth"))
            if auth and not authorized(auth, self, request):
                return {"status": 401, "body": "authorization required\n",
                        "headers": challenge_headers(auth, self)}
            if key:
                head = self.queues[key][0]
                head[1] -= 1
                if head[1] <= 0:
                    self.queues[key].pop(0)
        if entry is not None and not entry.pop("service", False):
            spec = rule
            spec.update(entry)
            return spec
        served = self.server.services.answer(request, self)
        if served is None:
            if entry is None:
                return None
            served = {"status": 404, "body": "no service for %s\n" % request.path}
        spec = rule
        spec.update(served)
        spec.update(entry or {})
        return spec


class Services:
    """The service modules of tools/standin/services: each file defines ROUTES, a dict of
    path key ("/probe/OFPB", or "/wlink36/*" for a folder) to handler(request, space),
    which returns an answer dict (the queue's keys, plus "body_bytes") or None for 404."""

    def __init__(self, folder):
        self.routes = {}
        for name in sorted(os.listdir(folder)):
            if not name.endswith(".py") or name.startswith("_"):
                continue
            spec = importlib.util.spec_from_file_location("standin_service_" + name[:-3],
                                                          os.path.join(folder, name))
            module = importlib.util.module_from_spec(spec)
            spec.loader.exec_module(module)
            for key, handler in getattr(module, "ROUTES", {}).items():
                if key in self.routes:
                    raise RuntimeError("%s: route %s is served twice" % (name, key))
                self.routes[key] = handler

    def answer(self, request, space):
        key = best_key(self.routes.keys(), request.path)
        if key is None:
            return None
        return self.routes[key](request, space)


# --- Requests and answers -----------------------------------------------------------------

class Request:
    def __init__(self, method, target, headers, body):
        self.method = method
        self.target = target
        self.headers = headers          # list of (name, value) as received
        self.body = body
        self.status = 0
        self.record_body = True
        self.proxied = False
        self.host = self.header("Host") or ""
        path = target
        if re.match(r"^[A-Za-z][A-Za-z0-9+.-]*://", target):
            # Absolute form: the client took us for its proxy.
            parts = urllib.parse.urlsplit(target)
            self.proxied = True
            self.host = parts.netloc
            path = parts.path or "/"
            if parts.query:
                path += "?" + parts.query
        self.path_query = path
        self.full_path, _, self.query = path.partition("?")
        self.space_name = None
        self.path = self.full_path
        m = re.match(r"^/s/([^/]+)(/.*)?$", self.full_path)
        if m:
            self.space_name = m.group(1)
            self.path = m.group(2) or "/"

    def header(self, name):
        values = self.header_values(name)
        return values[0] if values else None

    def header_values(self, name):
        return [v for n, v in self.headers if n.lower() == name.lower()]

    def form(self):
        """The body as an url-encoded form (a service module's helper)."""
        return urllib.parse.parse_qs(self.body.decode("latin-1"), keep_blank_values=True)

    def framed(self):
        fields = [("request", b""), ("method", self.method), ("target", self.target),
                  ("path", self.path), ("query", self.query), ("host", self.host),
                  ("proxied", "1" if self.proxied else "0"), ("status", str(self.status))]
        fields += [("header", "%s: %s" % nv) for nv in self.headers]
        fields.append(("body", self.body if self.record_body else b""))
        out = bytearray()
        for key, value in fields:
            data = value if isinstance(value, bytes) else value.encode("latin-1", "replace")
            out += b"%s %d\n" % (key.encode(), len(data)) + data + b"\n"
        return bytes(out)


class ClientGone(Exception):
    pass


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "KestrumStandIn/1.0"
    timeout = SOCKET_TIMEOUT_S

    def setup(self):
        super().setup()
        # Small answers go out at once: without it, the body's write waits for the client's
        # delayed acknowledgement of the headers (some 40 ms a request).
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("standin: " + (fmt % args) + "\n")

    # Every method goes the same way.
    def do_GET(self):
        self._serve()

    do_POST = do_HEAD = do_PUT = do_DELETE = do_OPTIONS = do_PATCH = do_CONNECT = do_GET

    def _ack_now(self):
        """Acknowledges the headers at once. A client that sends its body in a write of its
        own (WinHTTP does) holds that write until the headers are acknowledged, and Linux
        delays an acknowledgement up to 40 ms."""
        quickack = getattr(socket, "TCP_QUICKACK", None)
        if quickack is not None:
            try:
                self.connection.setsockopt(socket.IPPROTO_TCP, quickack, 1)
            except OSError:
                pass

    def _read_body(self):
        self._ack_now()
        if "chunked" in (self.headers.get("Transfer-Encoding") or "").lower():
            data = bytearray()
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline().strip():
                        pass
                    return bytes(data)
                data += self.rfile.read(size)
                self.rfile.readline()
                if len(data) > MAX_BODY:
                    raise ValueError("body too large")
        length = int(self.headers.get("Content-Length") or 0)
        if length > MAX_BODY:
            raise ValueError("body too large")
        data = self.rfile.read(length) if length else b""
        if len(data) < length:
            raise ClientGone()
        return data

    def _serve(self):
        try:
            body = self._read_body()
        except ClientGone:
            self.close_connection = True
            return
        except ValueError as e:
            self.close_connection = True
            self._plain(413, str(e) + "\n")
            return
        request = Request(self.command, self.path, list(self.headers.items()), body)
        if request.full_path.startswith("/control/") and not request.proxied:
            self._control(request)
            return
        space = self.server.space(request.space_name) if request.space_name else None
        if space is None:
            self._plain(404, "no scenario space in %s\n" % request.target)
            return
        space.record(request)
        epoch = space.epoch
        try:
            spec = space.choose(request)
        except Exception as e:  # a broken service module answers 500, visibly
            spec = {"status": 500, "body": "stand-in error: %r\n" % (e,)}
        if spec is None:
            spec = {"status": 404, "body": "no scenario for %s\n" % request.path}
        try:
            self._answer(request, spec, epoch)
        except (ClientGone, ConnectionError, BrokenPipeError, socket.timeout):
            self.close_connection = True

    # -- waits that end early -----------------------------------------------------------

    def _wait(self, seconds, epoch, gate=None):
        """Sleeps up to `seconds` (bounded); ends early when the space is reset or the gate
        opens; raises ClientGone when the client closed the connection or the answer ran
        out of its time."""
        deadline = min(time.monotonic() + min(max(seconds, 0.0), MAX_WAIT_S),
                       self._answer_deadline)
        while True:
            left = deadline - time.monotonic()
            if epoch.is_set() or (gate is not None and gate.is_set()):
                return
            if left <= 0:
                if deadline >= self._answer_deadline:
                    raise ClientGone()
                return
            readable, _, _ = select.select([self.connection], [], [], min(left, 0.05))
            if readable:
                try:
                    if not self.connection.recv(1, socket.MSG_PEEK):
                        raise ClientGone()
                except OSError:
                    raise ClientGone()
                # The client sent its next request already: keep waiting on time only.
                time.sleep(min(left, 0.05))

    def _plain(self, status, text):
        data = text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def _answer(self, request, spec, epoch):
        self._answer_deadline = time.monotonic() + MAX_ANSWER_S
        seconds = lambda key: float(spec.get(key) or 0) / 1000.0
        if spec.get("delay_ms"):
            self._wait(seconds("delay_ms"), epoch)
        if spec.get("hold"):
            self._wait(MAX_WAIT_S, epoch, self.server.space(request.space_name).gate(spec["hold"]))
        if epoch.is_set():
            raise ClientGone()
        action = spec.get("action")
        if action in ("close", "reset"):
            if action == "reset":  # linger 0: the close sends RST
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
            raise ClientGone()
        status = int(spec.get("status", 200))
        headers = [tuple(h) for h in spec.get("headers", [])]
        if spec.get("redirect") is not None:
            location = spec["redirect"]
            if location.startswith("/"):
                location = "/s/%s%s" % (request.space_name, location)
            headers.append(("Location", location))
            if "status" not in spec:
                status = 302
        body = body_of(spec)
        total = len(body)
        limit = total if spec.get("send_bytes") is None else min(total, int(spec["send_bytes"]))
        length = spec.get("length", "auto")
        chunked = length == "chunked"
        announced = total if length in ("auto", "chunked", "none") else int(length)
        request.status = status
        self.send_response(status, spec.get("reason"))
        for name, value in headers:
            self.send_header(name, value)
        if total and "content-type" not in {n.lower() for n, _ in headers}:
            self.send_header("Content-Type", "application/octet-stream")
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        elif length != "none":
            self.send_header("Content-Length", str(announced))
        if length == "none" or limit < announced:
            # The client can see the end of such a body only by the closed connection.
            self.close_connection = True
            self.send_header("Connection", "close")
        self.end_headers()
        if self.command == "HEAD":
            return
        piece = int(spec.get("trickle_bytes") or spec.get("chunk_size") or WRITE_PIECE)
        piece = max(1, min(piece, WRITE_PIECE))
        stall_at = spec.get("stall_after")
        stall_at = None if stall_at is None else int(stall_at)
        pos = 0
        while True:
            if stall_at is not None and pos >= stall_at:
                if spec.get("stall_gate"):
                    pos = self._hold_body(request, spec["stall_gate"], body, pos, limit,
                                          chunked, epoch)
                else:
                    self._wait(seconds("stall_ms"), epoch)
                stall_at = None
            elif pos > 0 and spec.get("trickle_ms") and pos < limit:
                self._wait(seconds("trickle_ms"), epoch)
            if epoch.is_set():
                raise ClientGone()
            if pos >= limit:
                break
            end = min(pos + piece, limit)
            if stall_at is not None and pos < stall_at < end:
                end = stall_at
            self._write(body.slice(pos, end), chunked)
            pos = end
        if chunked and limit == total:
            self.wfile.write(b"0\r\n\r\n")

    def _hold_body(self, request, name, body, pos, limit, chunked, epoch):
        """Holds the rest of the body until the gate opens (at most MAX_WAIT_S). A byte goes
        out every KEEPALIVE_S meanwhile, so that the client's receive time-out (WinHTTP's is
        30 s) never ends the transfer; the body's last byte always waits for the gate.
        Returns the new position."""
        gate = self.server.space(request.space_name).gate(name)
        until = time.monotonic() + MAX_WAIT_S
        while not gate.is_set() and time.monotonic() < until:
            self._wait(min(KEEPALIVE_S, until - time.monotonic()), epoch, gate)
            if epoch.is_set():
                raise ClientGone()
            if not gate.is_set() and pos < limit - 1:
                self._write(body.slice(pos, pos + 1), chunked)
                pos += 1
        return pos

    def _write(self, data, chunked):
        if chunked:
            self.wfile.write(b"%x\r\n" % len(data) + bytes(data) + b"\r\n")
        else:
            self.wfile.write(data)

    # -- control endpoints --------------------------------------------------------------

    def _control(self, request):
        parts = request.full_path.split("/")[2:]
        query = urllib.parse.parse_qs(request.query)
        try:
            if parts == ["info"]:
                self._plain(200, "port=%d\nrefused_port=%d\n"
                            % (self.server.server_port, self.server.refused_port))
                return
            if len(parts) != 2 or not SPACE_NAME.match(parts[0]):
                self._plain(404, "unknown control path\n")
                return
            space = self.server.space(parts[0])
            verb = parts[1]
            data = json.loads(request.body.decode("utf-8")) if request.body else {}
            if verb == "reset":
                space.reset(record=bool(data.get("record", True)))
            elif verb == "queue":
                specs = data["answers"] if "answers" in data else [data["answer"]]
                space.queue(data["path"], specs)
            elif verb == "rule":
                with space.lock:
                    space.rules[data["path"]] = data["answer"]
            elif verb == "vars":
                with space.lock:
                    space.vars.update(data)
            elif verb == "release":
                space.gate(query["gate"][0]).set()
            elif verb == "wait":
                count = space.wait_for(int(query["count"][0]),
                                       float(query.get("timeout_ms", ["10000"])[0]) / 1000.0)
                self._plain(200, "%d\n" % count)
                return
            elif verb == "requests":
                with space.lock:
                    data = b"".join(r.framed() for r in space.records)
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)
                return
            else:
                self._plain(404, "unknown control verb %s\n" % verb)
                return
            self._plain(200, "ok\n")
        except (KeyError, ValueError, TypeError) as e:
            self._plain(400, "bad control request: %r\n" % (e,))


class StandInServer(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 128

    def __init__(self, port=0, verbose=False, services_folder=None):
        super().__init__(("127.0.0.1", port), Handler)
        self.verbose = verbose
        self.services = Services(services_folder or os.path.join(HERE, "services"))
        self._spaces = {}
        self._spaces_lock = threading.Lock()
        # A port that refuses every connection: bound, never listening.
        self._refusing = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._refusing.bind(("127.0.0.1", 0))
        self.refused_port = self._refusing.getsockname()[1]

    def space(self, name):
        """The space of that name, made on first use; None for a name we refuse."""
        if not SPACE_NAME.match(name or ""):
            return None
        with self._spaces_lock:
            found = self._spaces.get(name)
            if found is None:
                found = self._spaces[name] = Space(name, self)
            return found

    def server_close(self):
        with self._spaces_lock:
            for space in self._spaces.values():
                space.epoch.set()
        self._refusing.close()
        super().server_close()


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--parent", type=int, help="stop when this process is gone")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args(argv)
    server = StandInServer(args.port, args.verbose)
    stop = threading.Event()

    def on_signal(signum, frame):
        stop.set()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)
    worker = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                              daemon=True)
    worker.start()
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % server.server_port)
        os.replace(tmp, args.port_file)
    while not stop.wait(1.0):
        if args.parent:
            try:
                os.kill(args.parent, 0)
            except ProcessLookupError:
                break
    server.shutdown()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
