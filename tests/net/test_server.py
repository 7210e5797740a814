#!/usr/bin/env python3
"""Scripted HTTP server for the transfer component's tests.

Listens on 127.0.0.1 with a free port, prints the port on the first line of standard output, and
stops by itself when its parent process goes away or after a maximum lifetime. Every behaviour
is chosen by the request path and its query:

  /data?size=N[&seed=S][&nolen=1][&norange=1][&chunk=B&delay=MS]
        N pattern bytes (see pattern()); honours "Range: bytes=A-[B]" with 206 and 416
  /status?code=C[&size=N]       status C with an N-byte body
  /lie?len=L&send=K              announces L bytes, sends K, closes
  /auth?user=U&pass=P[&size=N]   Basic authentication, 401 with a realm until it matches
  /redirect?to=PATH[&code=C]     redirect (302 by default) to PATH
  /stall?secs=T                  reads the request and answers nothing for T seconds
  /stallbody?size=N&after=K&secs=T[&nolen=1]   sends the headers and K bytes, then nothing for
                                 T seconds
  /echo                          the request line, the headers and the body, as text
  /headers                       a small body with Date, Last-Modified, Expires, ETag and more
  /hostile?kind=K                a broken answer (see route_hostile), then the connection closes
  /trickle?secs=T[&where=W]      one byte a second for T seconds: W "body" (default) after the
                                 headers of a 1000-byte body, or "status" before the status line
  /endless?code=C[&nolen=1]      status C and a body that never ends (chunked, or until close)

A request with an absolute URI is a proxy request: it is served the same way, and when its query
holds proxyauth=1 it needs "Proxy-Authorization" for pu:pp first (407 otherwise).
"""
import base64
import os
import socketserver
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MAX_LIFETIME_S = 900
PATTERN_PERIOD = 251


def pattern(offset, size, seed=0):
    table = bytes(((i * 7 + seed) % PATTERN_PERIOD) for i in range(PATTERN_PERIOD))
    start = offset % PATTERN_PERIOD
    reps = (start + size) // PATTERN_PERIOD + 1
    return (table * reps)[start:start + size]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, code, body, headers=(), length=True, close=False):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        if close or not length:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def do_POST(self):
        self.handle_any()

    def do_GET(self):
        self.handle_any()

    def handle_any(self):
        target = self.path
        proxied = target.startswith("http://") or target.startswith("https://")
        parts = urllib.parse.urlsplit(target)
        query = dict(urllib.parse.parse_qsl(parts.query, keep_blank_values=True))
        body = self.read_body()
        if proxied and query.get("proxyauth") == "1":
            expected = "Basic " + base64.b64encode(b"pu:pp").decode()
            if self.headers.get("Proxy-Authorization") != expected:
                self.send_body(407, b"proxy says no",
                               [("Proxy-Authenticate", 'Basic realm="test proxy"')])
                return
        route = getattr(self, "route_" + parts.path.strip("/").split("/")[0], None)
        if route is None:
            self.send_body(404, b"no such route")
            return
        route(query, body, proxied)

    def route_data(self, q, _body, proxied):
        size = int(q.get("size", "0"))
        seed = int(q.get("seed", "0"))
        start, end, code = 0, size - 1, 200
        headers = [("Content-Type", "application/octet-stream")]
        if proxied:
            headers.append(("X-Via-Proxy", "1"))
        rng = self.headers.get("Range")
        if rng and q.get("norange") != "1" and rng.lower().startswith("bytes="):
            first, _, last = rng[6:].partition("-")
            start = int(first or 0)
            end = min(int(last), size - 1) if last else size - 1
            if start >= size:
                self.send_body(416, b"", [("Content-Range", "bytes */%d" % size)])
                return
            code = 206
            headers.append(("Content-Range", "bytes %d-%d/%d" % (start, end, size)))
        count = end - start + 1
        nolen = q.get("nolen") == "1"
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        if nolen:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(count))
        self.end_headers()
        chunk = int(q.get("chunk", str(1 << 20)))
        delay = int(q.get("delay", "0")) / 1000.0
        sent = 0
        try:
            while sent < count:
                n = min(chunk, count - sent)
                self.wfile.write(pattern(start + sent, n, seed))
                sent += n
                if delay:
                    self.wfile.flush()
                    time.sleep(delay)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def route_status(self, q, _body, _proxied):
        code = int(q.get("code", "500"))
        self.send_body(code, pattern(0, int(q.get("size", "0"))), [("Content-Type", "text/plain")])

    def route_lie(self, q, _body, _proxied):
        self.send_response(200)
        self.send_header("Content-Length", q.get("len", "1000"))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(pattern(0, int(q.get("send", "600"))))
        self.wfile.flush()
        self.close_connection = True

    def route_auth(self, q, _body, _proxied):
        credentials = "%s:%s" % (q.get("user", "u"), q.get("pass", "p"))
        expected = "Basic " + base64.b64encode(credentials.encode()).decode()
        if self.headers.get("Authorization") != expected:
            self.send_body(401, b"denied", [("WWW-Authenticate", 'Basic realm="tallowin test"')])
            return
        self.send_body(200, pattern(0, int(q.get("size", "100"))))

    def route_redirect(self, q, _body, _proxied):
        self.send_body(int(q.get("code", "302")), b"moved", [("Location", q.get("to", "/"))])

    def route_stall(self, q, _body, _proxied):
        time.sleep(float(q.get("secs", "5")))
        self.close_connection = True

    def route_stallbody(self, q, _body, _proxied):
        self.send_response(200)
        if q.get("nolen") == "1":
            self.send_header("Connection", "close")
        else:
            self.send_header("Content-Length", q.get("size", "100000"))
        self.end_headers()
        self.wfile.write(pattern(0, int(q.get("after", "1000"))))
        self.wfile.flush()
        time.sleep(float(q.get("secs", "5")))
        self.close_connection = True

    def route_hostile(self, q, _body, _proxied):
        answers = {
            "garbage": b"HELLO THERE\r\n\r\n",
            "badlength": b"HTTP/1.1 200 OK\r\nContent-Length: abc\r\n\r\nhello",
            "hugelength": b"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999\r\n\r\nhello",
            "hugeheader": b"HTTP/1.1 200 OK\r\nX-Big: " + b"x" * 200000 +
                          b"\r\nContent-Length: 5\r\n\r\nhello",
            "neglength": b"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nhello",
            # The largest length there is, and one past every 64-bit number.
            "maxlength": b"HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775807\r\n\r\n" +
                         pattern(0, 10000),
            "overlength": b"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n" +
                          b"hello",
            # A chunk size no 64-bit number holds.
            "hugechunk": b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                         b"ffffffffffffffffff\r\nhello",
        }
        self.wfile.write(answers[q.get("kind", "garbage")])
        self.wfile.flush()
        self.close_connection = True

    def route_trickle(self, q, _body, _proxied):
        if q.get("where", "body") == "status":
            data = b"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello"
        else:
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            data = pattern(0, 1000)
        deadline = time.monotonic() + float(q.get("secs", "10"))
        try:
            for i in range(len(data)):
                if time.monotonic() > deadline:
                    break
                self.wfile.write(data[i:i + 1])
                self.wfile.flush()
                time.sleep(1)
        except (BrokenPipeError, ConnectionResetError):
            pass
        self.close_connection = True

    def route_endless(self, q, _body, _proxied):
        nolen = q.get("nolen") == "1"
        self.send_response(int(q.get("code", "200")))
        if nolen:
            self.send_header("Connection", "close")
        else:
            self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        block = pattern(0, 65536)
        deadline = time.monotonic() + 60
        try:
            while time.monotonic() < deadline:
                if nolen:
                    self.wfile.write(block)
                else:
                    self.wfile.write(b"%x\r\n%s\r\n" % (len(block), block))
        except (BrokenPipeError, ConnectionResetError):
            pass
        self.close_connection = True

    def route_echo(self, _q, body, _proxied):
        text = self.requestline + "\r\n"
        text += "".join("%s: %s\r\n" % item for item in self.headers.items()) + "\r\n"
        self.send_body(200, text.encode("latin-1") + body, [("Content-Type", "text/plain")])

    def route_headers(self, _q, _body, _proxied):
        self.send_body(200, b"hello", [
            ("Content-Type", "text/html; charset=utf-8"),
            ("Content-Language", "de"),
            ("Date", "Sun, 06 Nov 1994 08:49:37 GMT"),
            ("Last-Modified", "Sunday, 06-Nov-94 08:49:37 GMT"),
            ("Expires", "Sun Nov  6 08:49:37 1994"),
            ("ETag", '"abc"'),
        ])


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def handle_error(self, request, client_address):
        pass  # clients that go away early are part of the tests


def watchdog(parent):
    started = time.monotonic()
    while True:
        time.sleep(0.5)
        if os.getppid() != parent or time.monotonic() - started > MAX_LIFETIME_S:
            os._exit(0)


def main():
    server = Server(("127.0.0.1", 0), Handler)
    threading.Thread(target=watchdog, args=(os.getppid(),), daemon=True).start()
    sys.stdout.write("%d\n" % server.server_address[1])
    sys.stdout.flush()
    server.serve_forever(poll_interval=0.2)


if __name__ == "__main__":
    main()
