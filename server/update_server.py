#!/usr/bin/env python3
"""Loopback update server for the updater's tests and demo.

Serves, from a release folder:
  getLastVer.php?id=...  the version reply (release/lastver.txt, or --reply; 404 without)
  getist.php?id=...      the release-notes page (release/notes.html)
  UpdateQl.zip           the update archive (release/UpdateQl.zip)
  UpdateQl.zip.manifest  the signed release manifest (release/UpdateQl.zip.manifest; 404 without)
Every request is appended to the log as one JSON line:
  {"method", "path", "version", "headers": [[name, value], ...]}

Path segments before the last one adjust a single request, so one server can
serve many test cases: "fault-<mode>" applies a fault mode, "release-<name>"
serves from the subfolder <name> of the release folder. For example
  /release-crlf/getLastVer.php?id=7    /fault-404/UpdateQl.zip

Fault modes (--fault for the whole run, or per request as above):
  zero         the version reply is "0"
  six          the version reply is six characters ("OK0000")
  no-length    the archive is sent without Content-Length
  404          the archive request answers 404 with an HTML body
  cut          the archive body stops halfway (Content-Length stays whole)
  slow         the archive body trickles (--slow-delay seconds per 4 KiB)
  bad-length   Content-Length is "12abc"
  huge-length  Content-Length is 2147483648 (2 GiB)
  long         the archive body goes on past the archive (1 MiB more, Content-Length counts it)
The archive always carries an ETag and a Last-Modified, and a request with "Range:
bytes=N-" gets a 206 with the bytes from N on, unless its If-Range names another version.
The faults below cut the first archive reply to each address at 90 % (--cut-at sets the fraction) and then
answer the following requests as named:
  reset        the cut is a connection reset; later replies are honest
  range-200    later range requests get the whole archive with 200
  overlap      later range requests get a 206 that starts 1000 bytes too early
  etag-change  later replies carry another ETag (so an If-Range asks for the whole body)
  stall        the cut is a stall: nothing more is sent for --stall seconds
  stale        no cut: a request without a query string gets release/stale/UpdateQl.zip,
               as a cache that ignores reloads would
Proxy faults: the server is also a proxy (requests with an absolute URL) that asks for
"Proxy-Authorization: Basic" with the user "ana" and the password "parola":
  proxy-auth          for every request
  proxy-auth-archive  for the archive only

--pace BYTES sends every archive body at that steady rate (bytes a second), in small
pieces as a network delivers them, for measuring what a download costs the client.
"""
import argparse
import base64
import json
import os
import signal
import socket
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit

FAULTS = ("zero", "six", "no-length", "404", "cut", "slow", "bad-length", "huge-length",
          "reset", "range-200", "overlap", "etag-change", "stall", "stale", "proxy-auth",
          "proxy-auth-archive", "long")
FIRST_CUT = ("reset", "range-200", "overlap", "etag-change", "stall")
PROXY_USER = base64.b64encode(b"ana:parola").decode()
PROXY_PAGE = b"<html><body><h1>407 Proxy Authentication Required</h1></body></html>\n"
LONG_EXTRA = 1 << 20
NOT_FOUND_PAGE = b"<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\n"


class UpdateHandler(BaseHTTPRequestHandler):
    server_version = "QuilloraUpdate/1.0"
    protocol_version = "HTTP/1.0"

    def log_message(self, fmt, *args):  # keep stderr quiet; the JSON log is the record
        pass

    def _record(self):
        entry = {
            "method": self.command,
            "path": self.path,
            "version": self.request_version,
            "headers": [[k, v] for k, v in self.headers.items()],
        }
        with self.server.log_lock, open(self.server.log_path, "a", encoding="utf-8") as log:
            log.write(json.dumps(entry) + "\n")

    def do_HEAD(self):
        self.do_GET(head=True)

    def do_GET(self, head=False):
        self._record()
        segments = urlsplit(self.path).path.split("/")
        route = segments[-1]
        self.fault = self.server.fault
        self.release = self.server.release
        for segment in segments[:-1]:
            if segment.startswith("fault-") and segment[6:] in FAULTS:
                self.fault = segment[6:]
            elif segment.startswith("release-") and "." not in segment and "\\" not in segment:
                self.release = os.path.join(self.server.release, segment[8:])
        if self._proxy_refuses(route):
            self.send_response(407)
            self.send_header("Proxy-Authenticate", 'Basic realm="Quillora test proxy"')
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(PROXY_PAGE)))
            self.end_headers()
            if not head:
                self.wfile.write(PROXY_PAGE)
            return
        if route == "getLastVer.php":
            reply = self._version_reply()
            if reply is None:
                self._send_small(NOT_FOUND_PAGE, "text/html", head, status=404)
            else:
                self._send_small(reply, "text/plain", head)
        elif route == "getist.php":
            self._send_small(self._read_release("notes.html", b"<html><body>Noutati</body></html>"),
                             "text/html", head)
        elif route == "UpdateQl.zip":
            self._send_archive(head)
        elif route == "UpdateQl.zip.manifest":
            manifest = self._read_release("UpdateQl.zip.manifest", None)
            if manifest is None:
                self._send_small(NOT_FOUND_PAGE, "text/html", head, status=404)
            else:
                self._send_small(manifest, "text/plain", head)
        else:
            self._send_small(NOT_FOUND_PAGE, "text/html", head, status=404)

    def _proxy_refuses(self, route):
        if self.fault not in ("proxy-auth", "proxy-auth-archive"):
            return False
        if not self.path.startswith("http://"):  # asked directly, not through the proxy
            return False
        if self.fault == "proxy-auth-archive" and route != "UpdateQl.zip":
            return False
        return self.headers.get("Proxy-Authorization", "") != "Basic " + PROXY_USER

    def _read_release(self, name, default=b""):
        path = os.path.join(self.release, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                return f.read()
        return default

    def _version_reply(self):
        fault = self.fault
        if fault == "zero":
            return b"0"
        if fault == "six":
            return b"OK0000"
        if self.server.reply is not None:
            return self.server.reply.encode("latin-1")
        return self._read_release("lastver.txt", None)

    def _send_small(self, body, ctype, head, status=200):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if not head:
            self.wfile.write(body)

    def _send_archive(self, head):
        fault = self.fault
        path = os.path.join(self.release, "UpdateQl.zip")
        if fault == "stale" and not urlsplit(self.path).query:
            path = os.path.join(self.release, "stale", "UpdateQl.zip")
        if fault == "404" or not os.path.isfile(path):
            self._send_small(NOT_FOUND_PAGE, "text/html", head, status=404)
            return
        # Counted per address, so that cases asking with their own query each meet the cut.
        with self.server.log_lock:
            replies = self.server.archive_replies
            if not head:
                replies[self.path] = replies.get(self.path, 0) + 1
            reply = replies.get(self.path, 0)
        size = os.path.getsize(path)
        extra = LONG_EXTRA if fault == "long" else 0
        stamp = os.path.getmtime(path)
        etag = '"%x-%x"' % (size, int(stamp))
        if fault == "etag-change" and reply > 1:
            etag = '"%x-%x-%d"' % (size, int(stamp), reply)
        modified = self.date_time_string(stamp)
        start = self._range_start(size, etag, modified)
        if fault == "range-200" and reply > 1:
            start = None
        if fault == "overlap" and reply > 1 and start is not None:
            start = max(0, start - 1000)
        first = start or 0
        self.send_response(200 if start is None else 206)
        self.send_header("Content-Type", "application/zip")
        self.send_header("ETag", etag)
        self.send_header("Last-Modified", modified)
        self.send_header("Accept-Ranges", "bytes")
        if start is not None:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, size - 1, size))
        if fault == "bad-length":
            self.send_header("Content-Length", "12abc")
        elif fault == "huge-length":
            self.send_header("Content-Length", "2147483648")
        elif fault != "no-length":
            self.send_header("Content-Length", str(size - first + extra))
        self.end_headers()
        if head:
            return
        limit = size
        if fault == "cut":  # every reply stops halfway through what it announced
            limit = first + (size - first) // 2
        elif fault in FIRST_CUT and reply == 1:
            limit = int(size * self.server.cut_at)
        pace = self.server.pace
        chunk = 4096 if fault == "slow" or pace else 256 * 1024
        sent = first
        began = time.monotonic()
        try:
            with open(path, "rb") as f:
                f.seek(first)
                while sent < limit:
                    data = f.read(min(chunk, limit - sent))
                    if not data:
                        break
                    self.wfile.write(data)
                    sent += len(data)
                    if fault == "slow":
                        self.wfile.flush()
                        time.sleep(self.server.slow_delay)
                    elif pace:
                        # On a schedule rather than a fixed sleep a piece, so that the
                        # average rate holds whatever each sleep overshoots.
                        self.wfile.flush()
                        ahead = began + (sent - first) / pace - time.monotonic()
                        if ahead > 0:
                            time.sleep(ahead)
            self.wfile.flush()
            if sent < size and fault == "stall":
                time.sleep(self.server.stall)
            if sent >= size and extra:
                self.wfile.write(b"\0" * extra)
        except (BrokenPipeError, ConnectionResetError):
            pass
        if sent < size:
            self.close_connection = True
            if fault == "reset":
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))

    def _range_start(self, size, etag, modified):
        """The first byte a "Range: bytes=N-" asks for, or None for the whole body."""
        wanted = self.headers.get("Range", "")
        if not wanted.startswith("bytes=") or not wanted.endswith("-"):
            return None
        try:
            start = int(wanted[6:-1])
        except ValueError:
            return None
        condition = self.headers.get("If-Range")
        if condition is not None and condition not in (etag, modified):
            return None
        return start if 0 <= start < size else None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=18080, help="0 picks a free port")
    parser.add_argument("--release", required=True, help="folder with lastver.txt, notes.html, UpdateQl.zip")
    parser.add_argument("--log", required=True, help="request log (JSON lines, appended)")
    parser.add_argument("--fault", choices=FAULTS)
    parser.add_argument("--reply", help="version reply body instead of release/lastver.txt")
    parser.add_argument("--slow-delay", type=float, default=0.05)
    parser.add_argument("--cut-at", type=float, default=0.9, help="where the first reply is cut")
    parser.add_argument("--stall", type=float, default=30, help="seconds a stalled reply waits")
    parser.add_argument("--pace", type=float, default=0,
                        help="archive body rate in bytes a second (0: as fast as possible)")
    parser.add_argument("--port-file", help="written with the bound port once the server listens")
    args = parser.parse_args()

    server = ThreadingHTTPServer(("127.0.0.1", args.port), UpdateHandler)
    server.daemon_threads = True
    server.release = args.release
    server.log_path = args.log
    server.log_lock = threading.Lock()
    server.fault = args.fault
    server.reply = args.reply
    server.slow_delay = args.slow_delay
    server.cut_at = args.cut_at
    server.stall = args.stall
    server.archive_replies = {}
    server.pace = args.pace
    open(args.log, "a").close()
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(str(server.server_address[1]))
        os.replace(tmp, args.port_file)
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    try:
        server.serve_forever(poll_interval=0.1)
    except KeyboardInterrupt:
        pass
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
