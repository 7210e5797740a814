#!/usr/bin/env python3
"""A stand-in for the video service, for the download queue's tests.

    fake_video_service.py CONFIG.json

Listens on 127.0.0.1 with a free port, prints the port on the first line of standard output,
and stops by itself when its parent process goes away or after a maximum lifetime. The program
reaches it as an HTTP proxy (http_proxy), so the links keep the service's own host name:

  /watch?v=ID                  the video's page: a meta title and the video_id marker
  /get_video_info?video_id=ID  the form-encoded record with url_encoded_fmt_stream_map
  /videoplayback?v=ID&itag=N   the stream file of that quality

CONFIG.json: {"request_log": PATH (optional; one "PATH?QUERY" line per request),
              "videos": {ID: VIDEO}}, where VIDEO may hold
  "title": text put into the page as it is (so "&amp;" stays an entity); default "Video ID"
  "no_title": true       the page has no title meta element
  "no_marker": true      the page has no video_id marker
  "endless_page": true   the page never ends (no Content-Length, bytes until the client leaves)
  "no_map": true         the record has no url_encoded_fmt_stream_map
  "extra_pieces": [...]  raw stream pieces put first into the map (e.g. "url=x" without itag)
  "streams": {ITAG: {"file": PATH, "status": 200, "nolen": false, "delay_ms": 0,
                     "chunk": 65536, "missing_itag": false}}
     status other than 200 answers with that status; nolen sends no Content-Length; delay_ms
     waits after each chunk (a slow stream); missing_itag lists the stream without "&itag=".
"""
import json
import os
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MAX_LIFETIME_S = 600
ENDLESS_LIMIT = 512 << 20
HOST = "www.youtube.com"

CONFIG = {}
LOG_LOCK = threading.Lock()


def quote(text):
    return urllib.parse.quote(text, safe="")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True  # headers and a small body go out at once

    def log_message(self, *args):
        pass

    def send_body(self, code, body, content_type="text/html", length=True):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        parts = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(parts.query, keep_blank_values=True))
        log = CONFIG.get("request_log")
        if log:
            with LOG_LOCK, open(log, "a") as f:
                f.write("%s?%s\n" % (parts.path, parts.query))
        route = {"/watch": self.page, "/get_video_info": self.record,
                 "/videoplayback": self.stream}.get(parts.path)
        video = CONFIG.get("videos", {}).get(query.get("v") or query.get("video_id") or "")
        if route is None or video is None:
            self.send_body(404, b"no such video")
            return
        try:
            route(query.get("v") or query.get("video_id"), video, query)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def page(self, vid, video, _query):
        head = ""
        if not video.get("no_title"):
            head = '<meta name="title" content="%s">\n' % video.get("title", "Video " + vid)
        script = ""
        if not video.get("no_marker"):
            script = '<script>var player = {"args": "&video_id=%s\\u0026t=vjVQa1PpcFM"};</script>' % vid
        html = ("<!DOCTYPE html>\n<html><head>\n<meta charset=\"utf-8\">\n%s<title>page</title>"
                "</head>\n<body>\n%s\n</body></html>\n" % (head, script))
        if not video.get("endless_page"):
            self.send_body(200, html.encode("utf-8"))
            return
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        self.wfile.write(html.encode("utf-8"))
        filler = b"<p>" + b"x" * 65536 + b"</p>\n"
        sent = 0
        while sent < ENDLESS_LIMIT:
            self.wfile.write(filler)
            sent += len(filler)

    def record(self, vid, video, _query):
        pieces = list(video.get("extra_pieces", []))
        for itag, stream in video.get("streams", {}).items():
            url = "http://%s/videoplayback?v=%s&itag=%s" % (HOST, vid, itag)
            if stream.get("missing_itag"):
                pieces.append("url=" + quote(url))
            else:
                pieces.append("url=" + quote(url) + "&itag=" + itag)
        fields = ["status=ok", "title=" + quote(video.get("title", ""))]
        if not video.get("no_map"):
            fields.append("url_encoded_fmt_stream_map=" + quote(",".join(pieces)))
        fields.append("token=abc")
        self.send_body(200, "&".join(fields).encode("utf-8"), "application/x-www-form-urlencoded")

    def stream(self, _vid, video, query):
        stream = video.get("streams", {}).get(query.get("itag", ""))
        if stream is None:
            self.send_body(404, b"no such stream")
            return
        status = int(stream.get("status", 200))
        if status != 200:
            self.send_body(status, b"stream not available")
            return
        with open(stream["file"], "rb") as f:
            data = f.read()
        nolen = bool(stream.get("nolen"))
        self.send_response(200)
        self.send_header("Content-Type", "video/octet-stream")
        if nolen:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        chunk = int(stream.get("chunk", 65536))
        delay = int(stream.get("delay_ms", 0)) / 1000.0
        view = memoryview(data)
        for start in range(0, len(data), chunk):
            self.wfile.write(view[start:start + chunk])
            if delay:
                self.wfile.flush()
                time.sleep(delay)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def handle_error(self, request, client_address):
        pass  # clients that leave early are part of the tests


def watchdog(parent):
    started = time.monotonic()
    while True:
        time.sleep(0.5)
        if os.getppid() != parent or time.monotonic() - started > MAX_LIFETIME_S:
            os._exit(0)


def main():
    with open(sys.argv[1]) as f:
        CONFIG.update(json.load(f))
    server = Server(("127.0.0.1", 0), Handler)
    threading.Thread(target=watchdog, args=(os.getppid(),), daemon=True).start()
    sys.stdout.write("%d\n" % server.server_address[1])
    sys.stdout.flush()
    server.serve_forever(poll_interval=0.2)


if __name__ == "__main__":
    main()
