#!/usr/bin/env python3
"""Runs a command while the update server listens on a free loopback port.

  with_server.py [--release DIR] [--fault MODE] -- command args...

The command sees QUILL_TEST_SERVER (the server base, "http://127.0.0.1:PORT/"),
QUILL_TEST_RELEASE (the release folder, which the command may fill while it runs)
and QUILL_TEST_LOG (the request log). Exits with the command's exit code.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "..", "..", "server", "update_server.py")


def main():
    argv = sys.argv[1:]
    split = argv.index("--")
    parser = argparse.ArgumentParser()
    parser.add_argument("--release")
    parser.add_argument("--fault")
    args = parser.parse_args(argv[:split])
    command = argv[split + 1:]

    work = tempfile.mkdtemp(prefix="quill-server-", dir=os.environ.get("QUILL_BINARY_DIR"))
    release = args.release or os.path.join(work, "release")
    os.makedirs(release, exist_ok=True)
    log = os.path.join(work, "requests.log")
    port_file = os.path.join(work, "port")
    server_args = [sys.executable, SERVER, "--port", "0", "--port-file", port_file,
                   "--release", release, "--log", log]
    if args.fault:
        server_args += ["--fault", args.fault]
    server = subprocess.Popen(server_args)
    try:
        for _ in range(100):
            if os.path.exists(port_file):
                break
            time.sleep(0.05)
        with open(port_file) as f:
            port = f.read().strip()
        env = dict(os.environ, QUILL_TEST_SERVER=f"http://127.0.0.1:{port}/",
                   QUILL_TEST_RELEASE=release, QUILL_TEST_LOG=log)
        return subprocess.call(command, env=env)
    finally:
        server.terminate()
        server.wait(timeout=10)


if __name__ == "__main__":
    sys.exit(main())
