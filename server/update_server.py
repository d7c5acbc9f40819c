#!/usr/bin/env python3
"""Loopback update server for the updater's tests and demo.

Serves, from a release folder:
  getLastVer.php?id=...  the version reply (release/lastver.txt, or --reply; 404 without)
  getist.php?id=...      the release-notes page (release/notes.html)
  UpdateQl.zip           the update archive (release/UpdateQl.zip)
  UpdateQl.zip.sig       the archive's detached signature (release/UpdateQl.zip.sig; 404 without)
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

--pace BYTES sends every archive body at that steady rate (bytes a second), in small
pieces as a network delivers them, for measuring what a download costs the client.
"""
import argparse
import json
import os
import signal
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit

FAULTS = ("zero", "six", "no-length", "404", "cut", "slow", "bad-length", "huge-length")
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
        elif route == "UpdateQl.zip.sig":
            signature = self._read_release("UpdateQl.zip.sig", None)
            if signature is None:
                self._send_small(NOT_FOUND_PAGE, "text/html", head, status=404)
            else:
                self._send_small(signature, "application/octet-stream", head)
        else:
            self._send_small(NOT_FOUND_PAGE, "text/html", head, status=404)

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
        if fault == "404" or not os.path.isfile(path):
            self._send_small(NOT_FOUND_PAGE, "text/html", head, status=404)
            return
        size = os.path.getsize(path)
        self.send_response(200)
        self.send_header("Content-Type", "application/zip")
        if fault == "bad-length":
            self.send_header("Content-Length", "12abc")
        elif fault == "huge-length":
            self.send_header("Content-Length", "2147483648")
        elif fault != "no-length":
            self.send_header("Content-Length", str(size))
        self.end_headers()
        if head:
            return
        limit = size // 2 if fault == "cut" else size
        pace = self.server.pace
        chunk = 4096 if fault == "slow" or pace else 256 * 1024
        sent = 0
        start = time.monotonic()
        try:
            with open(path, "rb") as f:
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
                        ahead = start + sent / pace - time.monotonic()
                        if ahead > 0:
                            time.sleep(ahead)
        except (BrokenPipeError, ConnectionResetError):
            pass
        if fault == "cut":
            self.close_connection = True


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=18080, help="0 picks a free port")
    parser.add_argument("--release", required=True, help="folder with lastver.txt, notes.html, UpdateQl.zip")
    parser.add_argument("--log", required=True, help="request log (JSON lines, appended)")
    parser.add_argument("--fault", choices=FAULTS)
    parser.add_argument("--reply", help="version reply body instead of release/lastver.txt")
    parser.add_argument("--slow-delay", type=float, default=0.05)
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
