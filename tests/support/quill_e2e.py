"""End-to-end helpers: the update server on the updater's port, a program folder
with the updater, wine processes, and xdotool to find windows, press keys and click.

Used by the end-to-end scripts run by ctest (environment from cmake/QuillTesting.cmake).
"""
import faulthandler
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from urllib.parse import urlsplit

# A test that hangs says where, before ctest's timeout ends it without a word.
_TEST_TIMEOUT = int(os.environ.get("QUILL_TEST_TIMEOUT", "0"))
if _TEST_TIMEOUT > 60:
    faulthandler.dump_traceback_later(_TEST_TIMEOUT - 30, exit=True)

SOURCE_DIR = os.environ["QUILL_SOURCE_DIR"]
BINARY_DIR = os.environ["QUILL_BINARY_DIR"]
WINE_RUN = os.environ["QUILL_WINE_RUN"]
SERVER_SCRIPT = os.environ["QUILL_SERVER"]
SERVER_BASE = os.environ.get("QUILL_SERVER_BASE", "http://127.0.0.1:18080/")


def display():
    if os.environ.get("DISPLAY"):
        return os.environ["DISPLAY"]
    with open(os.path.join(BINARY_DIR, "display")) as f:
        return f.read().strip()


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class UpdateServer:
    """The loopback update server on the port the updater is built for."""

    def __init__(self, release, fault=None, reply=None, slow_delay=None, options=(), pace=None):
        self.release = release
        self.log = os.path.join(release, "..", "requests.log")
        port = urlsplit(SERVER_BASE).port or 80
        self.args = [sys.executable, SERVER_SCRIPT, "--port", str(port), "--release", release,
                     "--log", self.log]
        if fault:
            self.args += ["--fault", fault]
        if reply is not None:
            self.args += ["--reply", reply]
        if slow_delay is not None:
            self.args += ["--slow-delay", str(slow_delay)]
        self.args += list(options)  # further server options, as on its command line
        if pace:
            self.args += ["--pace", str(pace)]
        self.process = None

    def __enter__(self):
        if os.path.exists(self.log):
            os.remove(self.log)
        self.process = subprocess.Popen(self.args)
        deadline = time.time() + 10
        while not os.path.exists(self.log):
            if time.time() > deadline or self.process.poll() is not None:
                raise RuntimeError("update server did not start")
            time.sleep(0.05)
        time.sleep(0.2)
        return self

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(timeout=10)

    def __exit__(self, *exc):
        self.stop()

    def requests(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]


class ProgramFolder:
    """A temporary installation: the updater (or a build of it from bin/, under the
    updater's name) in a folder named `folder`, and whatever a test puts beside it."""

    def __init__(self, name, updater="updater.exe", folder="program"):
        base = os.path.join(BINARY_DIR, "e2e")
        os.makedirs(base, exist_ok=True)
        self.root = tempfile.mkdtemp(prefix=name + "-", dir=base)
        self.folder = os.path.join(self.root, folder)
        self.release = os.path.join(self.root, "release")
        os.makedirs(self.folder)
        os.makedirs(self.release)
        shutil.copy(os.path.join(BINARY_DIR, "bin", updater), self.path("updater.exe"))

    def path(self, name):
        return os.path.join(self.folder, name)

    def write_release(self, name, content):
        mode = "wb" if isinstance(content, bytes) else "w"
        with open(os.path.join(self.release, name), mode) as f:
            f.write(content)

    def start_updater(self, *args, env=None):
        return wine_start(self.path("updater.exe"), *args, cwd=self.folder, env=env)


def wine_start(program, *args, cwd=None, env=None):
    env = dict(os.environ, DISPLAY=display(), **(env or {}))
    return subprocess.Popen([WINE_RUN, program, *args], cwd=cwd, env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def xdotool(*args, check=False):
    env = dict(os.environ, DISPLAY=display())
    result = subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True)
    if check and result.returncode != 0:
        raise RuntimeError("xdotool %s failed: %s" % (" ".join(args), result.stderr))
    return result.stdout.strip()


def find_windows(title):
    """Visible top-level windows whose title is exactly `title`."""
    # xdotool takes a POSIX extended expression: escape its own special characters only.
    pattern = re.sub(r"([.^$*+?()\[\]{}|\\])", r"\\\1", title)
    out = xdotool("search", "--onlyvisible", "--name", "^%s$" % pattern)
    return [w for w in out.split() if w]


def wait_window(title, timeout=30, process=None):
    deadline = time.time() + timeout
    while time.time() < deadline:
        windows = find_windows(title)
        if windows:
            return windows[0]
        if process is not None and process.poll() is not None:
            return None
        time.sleep(0.2)
    return None


def press(window, key):
    """Focuses the window and types the key as the keyboard does (XTEST). A key sent to the
    window itself (a synthetic event) left wine's input in a state in which the message
    boxes of programs started later took no keys."""
    xdotool("windowfocus", window)
    time.sleep(0.2)
    xdotool("key", key)


def click(window, x, y):
    xdotool("mousemove", "--window", window, str(x), str(y), "click", "1", check=True)


def screenshot(path):
    env = dict(os.environ, DISPLAY=display())
    subprocess.run(["import", "-window", "root", path], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def window_info(title):
    """Screen geometry of a top-level window and its child windows (see wininfo.cpp)."""
    env = dict(os.environ, DISPLAY=display())
    result = subprocess.run([WINE_RUN, os.path.join(BINARY_DIR, "bin", "wininfo.exe"), title],
                            env=env, capture_output=True, text=True)
    if result.returncode != 0:
        return None
    return json.loads(result.stdout.strip())


def x_geometry(window):
    """(left, top, width, height) of an X window, or None once it is gone."""
    out = xdotool("getwindowgeometry", "--shell", window)
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    try:
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
    except (KeyError, ValueError):
        return None


def window_info_of(window):
    """window_info for the wine window behind one X window (found by its place on the screen,
    so that one of several boxes with the same title is meant), or None."""
    geometry = x_geometry(window)
    if geometry is None:
        return None
    left, top, width, height = geometry
    info = window_info("@%d,%d" % (left + width // 2, top + height // 2))
    if info is None or info["window"][:2] != [left, top]:
        return None  # another window covers it, or it went
    return info


def wait_gone(window, timeout=10):
    """Waits until an X window is no longer shown; returns whether it went."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        if window not in xdotool("search", "--onlyvisible", "--name", ".").split():
            return True
        time.sleep(0.1)
    return False


def click_screen(x, y):
    xdotool("mousemove", str(x), str(y), "click", "1", check=True)


def click_close_box(title):
    """Clicks the close box at the right end of the window's title bar."""
    info = window_info(title)
    if info is None:
        raise RuntimeError("no window titled %r" % title)
    _, top, right, _ = info["window"]
    click_screen(right - 12, top + 12)


def click_child(title, text):
    """Clicks the middle of the child window of `title` whose text is `text`."""
    info = window_info(title)
    if info is None:
        raise RuntimeError("no window titled %r" % title)
    return _click_child_of(info, text)


def click_window_child(window, text):
    """As click_child, for the wine window behind one X window; False when it is gone."""
    info = window_info_of(window)
    if info is None:
        return False
    _click_child_of(info, text)
    return True


def _click_child_of(info, text):
    for child in info["children"]:
        if child["text"] == text:
            l, t, r, b = child["rect"]
            click_screen((l + r) // 2, (t + b) // 2)
            return child
    raise RuntimeError("no control %r in %r: %r" % (text, info.get("title"), info["children"]))
