"""The whole install road cut short: an installation of the old tree with its main application
running, the update server offering the new one, a click on "Descarca actualizarea", and every
process of the wine session killed at a chosen moment between the end of the download and the
thank-you box. Then what a cut must leave: quill.exe whole right after the kill, and after the
next start of the updater the old or the new tree byte for byte, the version record naming the
quill.exe that is there, and nothing left over.

Used by the kill test in ctest (a few fixed moments) and by scripts/kill_install_trials.py (many
random ones). The moments are seen from outside, by watching the program folder."""
import os
import signal
import shutil
import subprocess
import time

import quill_e2e as e2e

DIALOG = "Versiune noua disponibila"
# What the updater keeps in the program folder besides the program's own files.
UPDATER_FILES = {"updater.exe", "ZipEng179.dll", "UpdateQl.zip", "UpdateQl.zip.part",
                 "lastVerNet.txt", "firme.reg"}
VERSIONS = {"old": "1.0.0.0", "new": "2.0.0.0"}


def is_journal(name):
    """The engine's install journal: ".ze", eight hex digits, ".journal"."""
    return name.startswith(".ze") and name.endswith(".journal")


def journal_state(names, folder):
    """"" without a journal; else "staging", "commit" (prepared, not done) or "done"."""
    for name in names:
        if is_journal(name):
            try:
                with open(os.path.join(folder, name), "rb") as f:
                    text = f.read()
            except OSError:
                return "staging"
            if b"\ndone\n" in text:
                return "done"
            return "commit" if b"\nprepared\t" in text else "staging"
    return ""


def read_tree(folder):
    """{name: bytes} of the files directly in folder."""
    tree = {}
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                tree[name] = f.read()
    return tree


def wine_session(command):
    script = os.path.join(e2e.SOURCE_DIR, "scripts", "wine-session.sh")
    subprocess.run(["bash", script, command, e2e.BINARY_DIR], capture_output=True)


def prefix_processes(prefix):
    """The wine processes (of any architecture) running in `prefix`."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if not os.path.basename(os.readlink("/proc/%s/exe" % pid)).startswith("wine"):
                continue
            with open("/proc/%s/environ" % pid, "rb") as f:
                if ("WINEPREFIX=%s" % prefix).encode() in f.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            pass  # gone meanwhile, or not ours to read
    return found


def kill_session():
    """Every process of the session at once, as a power cut or a forced shutdown does. Killing
    the wineserver alone leaves some of its programs waiting for it for good (holding a
    display connection each, until the display takes no more clients): they go too."""
    prefix = os.environ.get("WINEPREFIX", os.path.join(e2e.BINARY_DIR, "wineprefix"))
    env = dict(os.environ, WINEPREFIX=prefix)
    for pid in prefix_processes(prefix):
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    subprocess.run(["wineserver", "-k9"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def set_registry_version(version):
    subprocess.run([e2e.WINE_RUN, "reg", "add", r"HKCU\Quillora\Diverse", "/v",
                    "VersiuneStructura", "/d", version, "/f"], capture_output=True, cwd="/")


def registry_version():
    result = subprocess.run([e2e.WINE_RUN, "reg", "query", r"HKCU\Quillora\Diverse", "/v",
                             "VersiuneStructura"], capture_output=True, text=True, cwd="/")
    for line in result.stdout.splitlines():
        if "VersiuneStructura" in line:
            return line.split()[-1]
    return None


class Road:
    """One installation in its own folder under the build's e2e folder."""

    def __init__(self, name, trees):
        self.trees = {kind: read_tree(os.path.join(trees, kind)) for kind in ("old", "new")}
        self.program = e2e.ProgramFolder(name)
        shutil.copy(os.path.join(e2e.BINARY_DIR, "bin", "ZipEng179.dll"), self.program.folder)
        for file, content in self.trees["old"].items():
            with open(self.program.path(file), "wb") as f:
                f.write(content)
        with open(self.program.path("firme.reg"), "wb") as f:
            f.write(b"1.0.0.0\r\n")
        self.program.write_release("lastver.txt", "OK00012.0.0.0\r\n")
        shutil.copy(os.path.join(trees, "UpdateQl.zip"), self.program.release)
        self.updater = None
        self.main_app = None

    # ------------------------------------------------------------------ the cut road

    def start(self):
        """Main application running, dialog open, download asked for."""
        wine_session("start")
        set_registry_version("1.0.0.0")
        self.main_app = e2e.wine_start(self.program.path("quill.exe"), "--window",
                                       cwd=self.program.folder)
        if e2e.wait_window("QuilloraFree", timeout=30) is None:
            raise RuntimeError("the main application did not open")
        self.updater = self.program.start_updater("1.0.0.0", "inst42")
        if e2e.wait_window(DIALOG, timeout=60, process=self.updater) is None:
            raise RuntimeError("the dialog did not open")
        e2e.click_child(DIALOG, "Descarca actualizarea")

    def downloaded(self):
        return os.path.exists(self.program.path("UpdateQl.zip"))

    def thanked(self):
        return bool(e2e.find_windows("updater"))

    def wait_for(self, moment, timeout=120, poll=0.002):
        """Polls until moment(self) holds; False when the updater ended or time ran out."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if moment(self):
                return True
            if self.updater.poll() is not None:
                return False
            time.sleep(poll)
        return False

    def cut(self):
        """Freezes the updater where it stands (so the moment seen is the moment cut), notes
        what the folder holds then, and kills every process of the session."""
        try:
            os.kill(self.updater.pid, signal.SIGSTOP)
        except ProcessLookupError:
            pass
        names = os.listdir(self.program.folder)
        at_cut = sorted(names)
        state = journal_state(names, self.program.folder)
        if state:
            at_cut.append("<journal: %s>" % state)
        kill_session()
        for process in (self.updater, self.main_app):
            if process.poll() is None:
                process.kill()
            process.wait(timeout=30)
        return at_cut

    # ----------------------------------------------------------------------- checks

    def main_executable_kind(self):
        """"old" or "new" when quill.exe is whole, else a description of what is wrong."""
        path = self.program.path("quill.exe")
        if not os.path.exists(path):
            return "quill.exe is missing"
        with open(path, "rb") as f:
            data = f.read()
        for kind, tree in self.trees.items():
            if data == tree["quill.exe"]:
                return kind
        return "quill.exe is damaged (%d bytes)" % len(data)

    def restart(self, timeout=120):
        """The next start of the updater on a fresh session, as the main application would
        start it: it repairs the folder first, then offers the update again or not; an offer
        is declined. Returns the texts of any boxes it showed, and whether the update was
        offered again."""
        wine_session("start")
        updater = self.program.start_updater("1.0.0.0", "inst42")
        boxes, offered = [], False
        deadline = time.time() + timeout
        while updater.poll() is None and time.time() < deadline:
            if e2e.find_windows(DIALOG):
                offered = True
                e2e.click_child(DIALOG, "Mai tarziu")
            for box in e2e.find_windows("updater"):
                info = e2e.window_info_of(box)
                texts = [c["text"] for c in (info or {}).get("children", [])
                         if c["class"].lower() == "static" and c["text"]]
                boxes.append(texts[0] if texts else "")
                e2e.press(box, "Return")
            time.sleep(0.2)
        if updater.poll() is None:
            updater.kill()
            boxes.append("<the updater did not end>")
        updater.wait(timeout=30)
        return boxes, offered

    def problems(self):
        """What is wrong with the folder and the record; empty when the folder is the old or
        the new tree, the record names its quill.exe, and nothing is left over."""
        found = read_tree(self.program.folder)
        program = {name: data for name, data in found.items() if name not in UPDATER_FILES}
        kinds = [kind for kind, tree in self.trees.items() if program == tree]
        if not kinds:
            problems = []
            for kind, tree in self.trees.items():
                differ = sorted(n for n in set(tree) | set(program)
                                if tree.get(n) != program.get(n))
                problems.append("differs from the %s tree in %s" % (kind, differ[:8]))
            return problems
        version = VERSIONS[kinds[0]]
        problems = []
        record = found.get("firme.reg")
        if record != (version + "\r\n").encode():
            problems.append("firme.reg holds %r with the %s quill.exe" % (record, kinds[0]))
        registry = registry_version()
        if registry != version:
            problems.append("the registry holds %r with the %s quill.exe" % (registry, kinds[0]))
        return problems

    def outcome(self):
        """The tree the folder holds, "old" or "new" (after problems() found none)."""
        return self.main_executable_kind()
