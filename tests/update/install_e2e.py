#!/usr/bin/env python3
"""The update dialog and the install sequence, driven as a person drives them: a program
folder with the updater, the zip engine and a running quill.exe of version 1.0.0.0, the
update server on the updater's port, clicks on the dialog's buttons, answers to its boxes."""
import io
import os
import re
import shutil
import subprocess
import sys
import time
import unittest
import zipfile
from decimal import ROUND_HALF_UP, Decimal

sys.path.insert(0, os.path.join(os.environ["QUILL_SOURCE_DIR"], "tests", "support"))
import quill_e2e as e2e  # noqa: E402

DIALOG = "Versiune noua disponibila"
INSTALLED = "Actualizarea a fost instalata. Va multumim."
NOT_INSTALLED = "Actualizarea nu a fost instalata. Va rugam sa incercati din nou mai tarziu."
STILL_OPEN = ("Quillora este inca deschis, iar actualizarea nu poate fi instalata cat timp "
              "programul ruleaza. Inchideti Quillora si incercati din nou, sau renuntati la "
              "actualizare.")
STOPPED = "Actualizarea a fost oprita. Programul a ramas asa cum era."
SHOTS = os.path.join(e2e.BINARY_DIR, "screenshots")


class Installation:
    """A program folder with a running main application, and the release it is offered."""

    def __init__(self, name, engine=True, reply="OK00012.0.0.0", updater="updater.exe",
                 folder="program"):
        self.program = e2e.ProgramFolder(name, updater, folder)
        if engine:
            shutil.copy(os.path.join(e2e.BINARY_DIR, "bin", "ZipEng179.dll"), self.program.folder)
        shutil.copy(os.environ["QUILL_FAKE_V1"], self.program.path("quill.exe"))
        self.program.write_release("lastver.txt", reply + "\r\n")
        with open(os.environ["QUILL_UPDATE_ARCHIVE"], "rb") as f:
            self.program.write_release("UpdateQl.zip", f.read())
        self.main_app = None
        self.updater = None

    def start(self, *args, env=None, main_args=("--window",)):
        self.main_app = e2e.wine_start(self.program.path("quill.exe"), *main_args,
                                       cwd=self.program.folder)
        e2e.wait_window("QuilloraFree", timeout=30)
        self.updater = self.program.start_updater(*(args or ("1.0.0.0", "inst42")), env=env)
        return e2e.wait_window(DIALOG, timeout=60, process=self.updater)

    def file(self, name):
        path = self.program.path(name)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def close(self):
        for process in (self.updater, self.main_app):
            if process and process.poll() is None:
                process.kill()


def box_text(box):
    """The text of a message box (its X window): its static control."""
    info = e2e.window_info_of(box)
    if not info:
        return None
    texts = [c["text"] for c in info["children"] if c["class"].lower() == "static" and c["text"]]
    return texts[0] if texts else ""


def answer_box(title, timeout=60, process=None):
    """Waits for a box with this title, returns its text and presses Enter."""
    box = e2e.wait_window(title, timeout=timeout, process=process)
    if box is None:
        return None
    time.sleep(0.3)
    text = box_text(box)
    e2e.press(box, "Return")
    time.sleep(0.5)
    return text


def answer_archive_boxes_until_message(process, timeout=90):
    """Answers the archive component's boxes ("updater   (<n>)") until the updater's own box
    appears; returns (the archive boxes' titles, the final box's text). Each box is counted
    once by its window, however long it takes to go."""
    titles, answered = [], set()
    deadline = time.time() + timeout
    while time.time() < deadline and process.poll() is None:
        for window in e2e.xdotool("search", "--onlyvisible", "--name", "^updater").split():
            name = e2e.xdotool("getwindowname", window)
            if name == "updater":
                return titles, answer_box("updater", process=process)
            if window not in answered:
                answered.add(window)
                titles.append(name)
            # A click, not a key: the key's release would reach the box that follows.
            e2e.click_window_child(window, "&OK")
            e2e.wait_gone(window, timeout=10)
        time.sleep(0.2)
    return titles, None


def wait_until(condition, timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if condition():
            return True
        time.sleep(0.1)
    return condition()


def registry_version(value="VersiuneStructura"):
    result = subprocess.run([e2e.WINE_RUN, "reg", "query", r"HKCU\Quillora\Diverse", "/v",
                             value], capture_output=True, text=True, cwd="/")
    for line in result.stdout.splitlines():
        if value in line:
            return line.split()[-1]
    return None


def clear_registry_version():
    for value in ("VersiuneStructura", "VersiuneMaxima"):
        subprocess.run([e2e.WINE_RUN, "reg", "delete", r"HKCU\Quillora\Diverse", "/v", value,
                        "/f"], capture_output=True, cwd="/")


def fresh_wine_session():
    """Each case starts on a fresh wineserver: a failed install can leave the server in a
    state in which the next program's first message box closes at once."""
    session = os.path.join(e2e.SOURCE_DIR, "scripts", "wine-session.sh")
    subprocess.run(["bash", session, "stop-server", e2e.BINARY_DIR], capture_output=True)
    subprocess.run(["bash", session, "start", e2e.BINARY_DIR], capture_output=True)


class InstallTest(unittest.TestCase):
    def setUp(self):
        fresh_wine_session()
        clear_registry_version()
        os.makedirs(SHOTS, exist_ok=True)
        self.installation = None

    def tearDown(self):
        if self.installation:
            self.installation.close()

    def install(self, name, **kwargs):
        self.installation = Installation(name, **kwargs)
        return self.installation

    def test_whole_road(self):
        inst = self.install("road")
        with e2e.UpdateServer(inst.program.release) as server:
            self.assertIsNotNone(inst.start(), "the dialog did not open")
            time.sleep(1)  # let it paint
            e2e.screenshot(os.path.join(SHOTS, "dialog_at_rest.png"))
            e2e.click_child(DIALOG, "Descarca actualizarea")
            self.assertEqual(inst.main_app.wait(timeout=30), 0, "quill.exe did not end")
            self.assertEqual(answer_box("updater", process=inst.updater), INSTALLED)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
            requests = server.requests()

        self.assertEqual(inst.file("firme.reg"), b"2.0.0.0\r\n")
        self.assertEqual(registry_version(), "2.0.0.0")
        self.assertEqual(inst.file("readme.txt"), b"Quillora 2.0.0.0\r\n")
        self.assertEqual(len(inst.file("raport.dat")), 200000)
        paths = [r["path"] for r in requests]
        self.assertEqual(paths[0], "/getLastVer.php?id=inst42")
        self.assertNotIn("/UpdateQl.zip.manifest", paths)  # a build without keys checks nothing
        archive = [r for r in requests if r["path"] == "/UpdateQl.zip"]
        self.assertEqual(len(archive), 1)
        headers = dict(archive[0]["headers"])
        self.assertEqual(headers.get("User-Agent"), "UrlGrabber")
        self.assertEqual(archive[0]["version"], "HTTP/1.0")
        self.assertEqual(headers.get("Pragma"), "no-cache")
        # The browser asks for the release notes when the platform's control can.
        notes = [p for p in paths if p.startswith("/getist.php")]
        self.assertIn(notes, ([], ["/getist.php?id=inst42"]))

    def test_progress_bar_texts(self):
        """The texts the progress bar shows, read from the bar by a watched build of the
        updater, and captures of the dialog downloading and extracting."""
        inst = self.install("captions", updater="updater_probe.exe")
        probe = inst.program.root
        with e2e.UpdateServer(inst.program.release):
            self.assertIsNotNone(inst.start(env={"QUILL_PROBE_DIR": e2e.windows_path(probe)}))
            e2e.click_child(DIALOG, "Descarca actualizarea")
            self.assertEqual(answer_box("updater", process=inst.updater), INSTALLED)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
        with open(os.path.join(probe, "captions.txt")) as f:
            lines = [tuple(line.rstrip("\n").split("\t")) for line in f]
        self.assertEqual([text for source, text in lines if source == "label"],
                         ["verInst 1.0.0.0 fits", "verDisp 2.0.0.0 fits"])
        shown = [line for line in lines if line[0] not in ("capture", "label", "memory", "status")]
        sources = [source for source, _ in shown]
        self.assertIn("extract", sources)
        first, last = sources.index("extract"), len(sources) - sources[::-1].index("extract")
        downloads = [text for _, text in shown[:first]]
        extracts = [text for _, text in shown[first:last]]
        # The download's texts, then the extraction's; closing the transfer's handles after
        # the install may only repeat the final count.
        self.assertEqual(set(sources[:first]), {"download"})
        self.assertEqual(set(sources[first:last]), {"extract"})
        self.assertEqual(set(shown[last:]) - {("download", downloads[-1])}, set())

        amount = r"\d{1,3}(?:\D\d{3})*\D\d\d"  # the locale's separators, two decimals
        for text in downloads:
            self.assertRegex(text, r"^%s KB / %s KB$" % (amount, amount))
        size = os.path.getsize(os.environ["QUILL_UPDATE_ARCHIVE"])
        kb = (Decimal(size) / 1024).quantize(Decimal("0.01"), ROUND_HALF_UP)
        digits = str(kb).replace(".", "")
        # The last one counts the whole archive on both sides.
        done = [re.sub(r"\D", "", part) for part in downloads[-1].split(" / ")]
        self.assertEqual(done, [digits, digits])

        self.assertEqual(extracts[0], "Dezarhivare...101 %")
        self.assertIn("Dezarhivare...100 %", extracts)
        for text in extracts:
            self.assertRegex(text, r"^Dezarhivare\.\.\.\d{1,3} %$")

        # The captures hold the bar as it drew itself, with those texts.
        self.assertEqual([text for source, text in lines if source == "capture"],
                         ["dialog_downloading shows the bar", "dialog_extracting shows the bar"])
        for name in ("dialog_downloading", "dialog_extracting"):
            capture = os.path.join(probe, name + ".png")
            self.assertTrue(os.path.exists(capture), name)
            colours = subprocess.run(["identify", "-format", "%k", capture],
                                     capture_output=True, text=True, check=True).stdout
            self.assertGreater(int(colours), 16, "%s is blank" % name)
            shutil.copy(capture, SHOTS)

    def test_close_while_installing_is_ignored(self):
        """A close request while the update is being extracted does not cut the install
        short: the sequence finishes and ends the program itself."""
        inst = self.install("closeinstall", updater="updater_probe.exe")
        probe = inst.program.root
        with e2e.UpdateServer(inst.program.release):
            self.assertIsNotNone(inst.start(env={"QUILL_PROBE_DIR": e2e.windows_path(probe),
                                                 "QUILL_PROBE_CLOSE_AT_EXTRACT": "1"}))
            e2e.click_child(DIALOG, "Descarca actualizarea")
            self.assertIsNotNone(e2e.wait_window("updater", timeout=60, process=inst.updater))
            # The dialog stays until the sequence itself ends the program.
            self.assertNotEqual(e2e.find_windows(DIALOG), [])
            self.assertEqual(answer_box("updater", process=inst.updater), INSTALLED)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
        with open(os.path.join(probe, "captions.txt")) as f:
            self.assertIn("close\tasked while extracting\n", f.readlines())
        self.assertEqual(inst.file("firme.reg"), b"2.0.0.0\r\n")
        self.assertEqual(inst.file("readme.txt"), b"Quillora 2.0.0.0\r\n")
        self.assertEqual(len(inst.file("raport.dat")), 200000)

    def test_end_is_certain_when_the_teardown_hangs(self):
        """Once the thank-you box is answered the updater ends, with code 0, even when its
        teardown waits for something that never comes (within its ten-second bound)."""
        inst = self.install("stuckend", updater="updater_probe.exe")
        probe = inst.program.root
        with e2e.UpdateServer(inst.program.release):
            self.assertIsNotNone(inst.start(env={"QUILL_PROBE_DIR": e2e.windows_path(probe),
                                                 "QUILL_PROBE_STUCK_TEARDOWN": "1"}))
            e2e.click_child(DIALOG, "Descarca actualizarea")
            self.assertEqual(answer_box("updater", process=inst.updater), INSTALLED)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
        with open(os.path.join(probe, "captions.txt")) as f:
            self.assertIn("teardown\tstuck\n", f.readlines())

    def test_later_before_download_installs_nothing(self):
        inst = self.install("later")
        with e2e.UpdateServer(inst.program.release) as server:
            self.assertIsNotNone(inst.start())
            e2e.click_child(DIALOG, "Mai tarziu")
            self.assertEqual(inst.updater.wait(timeout=30), 0)
            self.assertNotIn("/UpdateQl.zip", [r["path"] for r in server.requests()])
        self.assertIsNone(inst.file("firme.reg"))
        self.assertIsNone(inst.main_app.poll(), "quill.exe was closed without a download")

    def close_during_download(self, name, close):
        inst = self.install(name)
        with e2e.UpdateServer(inst.program.release, fault="slow", slow_delay=0.2) as server:
            self.assertIsNotNone(inst.start())
            e2e.click_child(DIALOG, "Descarca actualizarea")
            self.assertTrue(wait_until(lambda: "/UpdateQl.zip" in [r["path"] for r in
                                                                    server.requests()]),
                            "the download did not start")
            time.sleep(1)  # a few progress events in
            e2e.screenshot(os.path.join(SHOTS, "dialog_downloading.png"))
            # The main application is asked to quit only once the archive is here.
            self.assertIsNone(inst.main_app.poll(), "quill.exe ended during the download")
            close()
            if not wait_until(lambda: inst.updater.poll() is not None, timeout=30):
                self.fail(self.left_running("the updater still runs 30 s after the close"))
            self.assertEqual(inst.updater.returncode, 0)
        self.assertIsNone(inst.main_app.poll(), "a stopped download closed quill.exe")
        self.assertIsNone(inst.file("readme.txt"))
        self.assertIsNone(inst.file("firme.reg"))
        self.assertEqual(e2e.find_windows("updater"), [])  # no message on the way out

    def left_running(self, what):
        """A failure text naming the windows still shown, with a capture of the screen."""
        shot = os.path.join(SHOTS, "left_running_%s.png" % self.id().rsplit(".", 1)[-1])
        e2e.screenshot(shot)
        shown = e2e.xdotool("search", "--onlyvisible", "--name", ".").split()
        titles = [e2e.xdotool("getwindowname", w) for w in shown]
        return "%s; windows shown: %r; screen in %s" % (what, titles, shot)

    def test_close_during_download_stops_it(self):
        self.close_during_download("closing", lambda: e2e.click_child(DIALOG, "Mai tarziu"))

    def test_close_box_during_download_stops_it(self):
        self.close_during_download("closebox", lambda: e2e.click_close_box(DIALOG))

    def start_with_stubborn_main_app(self, inst):
        """A main application that does not end when asked, and a watched updater that waits
        for it two seconds instead of half a minute; returns at the box that says so."""
        env = {"QUILL_PROBE_DIR": e2e.windows_path(inst.program.root),
               "QUILL_PROBE_END_BOUND_MS": "2000"}
        self.assertIsNotNone(inst.start(env=env, main_args=("--window", "--stubborn")))
        e2e.click_child(DIALOG, "Descarca actualizarea")
        box = e2e.wait_window("updater", timeout=60, process=inst.updater)
        self.assertIsNotNone(box, "no box about the running main application")
        time.sleep(0.3)
        self.assertEqual(box_text(box), STILL_OPEN)
        self.assertIsNone(inst.file("readme.txt"), "extracted over a running quill.exe")
        return box

    def test_main_app_that_stays_open_then_ends(self):
        """The user closes Quillora and tries again: the update goes on."""
        inst = self.install("stubborn", updater="updater_probe.exe")
        with e2e.UpdateServer(inst.program.release):
            box = self.start_with_stubborn_main_app(inst)
            inst.main_app.kill()
            inst.main_app.wait(timeout=30)
            e2e.press(box, "Return")  # try again, the default choice
            self.assertEqual(answer_box("updater", process=inst.updater), INSTALLED)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
        self.assertEqual(inst.file("readme.txt"), b"Quillora 2.0.0.0\r\n")
        self.assertEqual(inst.file("firme.reg"), b"2.0.0.0\r\n")

    def test_main_app_that_stays_open_and_the_user_stops(self):
        """Stopping leaves the program as it was, says so, and the updater ends."""
        inst = self.install("stopped", updater="updater_probe.exe")
        with e2e.UpdateServer(inst.program.release):
            box = self.start_with_stubborn_main_app(inst)
            e2e.press(box, "Escape")  # stop
            self.assertEqual(answer_box("updater", process=inst.updater), STOPPED)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
        self.assertIsNone(inst.main_app.poll(), "quill.exe was ended")
        self.assertIsNone(inst.file("readme.txt"))
        self.assertIsNone(inst.file("firme.reg"))
        with open(os.environ["QUILL_FAKE_V1"], "rb") as f:
            self.assertEqual(inst.file("quill.exe"), f.read())

    def test_server_without_length_still_installs(self):
        inst = self.install("nolength")
        with e2e.UpdateServer(inst.program.release, fault="no-length"):
            self.assertIsNotNone(inst.start())
            e2e.click_child(DIALOG, "Descarca actualizarea")
            self.assertEqual(answer_box("updater", process=inst.updater), INSTALLED)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
        self.assertEqual(inst.file("firme.reg"), b"2.0.0.0\r\n")

    def failed_install(self, name, fault=None, archive=None, engine=True, boxes=2):
        inst = self.install(name, engine=engine)
        if archive is not None:
            inst.program.write_release("UpdateQl.zip", archive)
        with e2e.UpdateServer(inst.program.release, fault=fault):
            self.assertIsNotNone(inst.start())
            e2e.click_child(DIALOG, "Descarca actualizarea")
            shown, message = answer_archive_boxes_until_message(inst.updater)
            self.assertEqual(message, NOT_INSTALLED)
            self.assertEqual(shown, ["updater   (10001)"] * boxes)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
        # The guard still records the version of the quill.exe that is there.
        self.assertEqual(inst.file("firme.reg"), b"1.0.0.0\r\n")
        self.assertIsNone(inst.file("readme.txt"))
        return shown

    def test_error_page_is_an_error_never_the_archive(self):
        inst = self.install("notfound")
        with e2e.UpdateServer(inst.program.release, fault="404"):
            self.assertIsNotNone(inst.start())
            e2e.click_child(DIALOG, "Descarca actualizarea")
            text = answer_box("updater", process=inst.updater)
            self.assertIsNotNone(text, "no error box")
            self.assertIn("404 Not Found", text)
            self.assertIsNone(inst.updater.poll(), "the dialog stays until it is closed")
            e2e.click_child(DIALOG, "Mai tarziu")
            self.assertEqual(inst.updater.wait(timeout=30), 0)
        self.assertIsNone(inst.file("UpdateQl.zip"))
        self.assertIsNone(inst.file("readme.txt"))
        self.assertIsNone(inst.file("firme.reg"))

    def test_damaged_archive(self):
        with open(os.environ["QUILL_UPDATE_ARCHIVE"], "rb") as f:
            data = bytearray(f.read())
        data[200:260] = bytes(60)  # inside the first entry's data
        self.failed_install("damaged", archive=bytes(data), boxes=1)

    def test_entry_that_cannot_be_placed_safely_installs_nothing(self):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w") as archive:
            archive.writestr("good.txt", b"good")
            archive.writestr("../evil.txt", b"evil")
        self.failed_install("unsafe", archive=buffer.getvalue(), boxes=1)
        self.assertIsNone(self.installation.file("good.txt"))
        parent = os.path.dirname(os.path.normpath(self.installation.program.folder))
        self.assertFalse(os.path.exists(os.path.join(parent, "evil.txt")))

    def test_missing_engine(self):
        self.failed_install("noengine", engine=False, boxes=1)

    def test_no_network_after_the_dialog_opened(self):
        inst = self.install("nonetwork")
        server = e2e.UpdateServer(inst.program.release)
        with server:
            self.assertIsNotNone(inst.start())
        server.stop()
        e2e.click_child(DIALOG, "Descarca actualizarea")
        text = answer_box("updater", process=inst.updater)
        self.assertIsNotNone(text, "no error box")
        self.assertNotEqual(text.strip(), "", "the error box says nothing")
        self.assertIsNone(inst.updater.poll(), "the dialog stays until it is closed")
        e2e.click_child(DIALOG, "Mai tarziu")
        self.assertEqual(inst.updater.wait(timeout=30), 0)
        self.assertIsNone(inst.file("firme.reg"))

    def test_version_record_that_fails_is_told_and_the_program_ends(self):
        inst = self.install("lockedrecord")
        record = inst.program.path("firme.reg")
        with open(record, "wb") as f:
            f.write(b"1.0.0.0\r\n")
        # As root, wine writes read-only files; an immutable file nobody can write.
        if subprocess.run(["chattr", "+i", record], capture_output=True).returncode != 0:
            self.skipTest("chattr +i is not available here")
        self.addCleanup(subprocess.run, ["chattr", "-i", record], capture_output=True)
        with e2e.UpdateServer(inst.program.release):
            self.assertIsNotNone(inst.start())
            e2e.click_child(DIALOG, "Descarca actualizarea")
            text = answer_box("updater", process=inst.updater)
            self.assertIsNotNone(text, "no box")
            self.assertTrue(text.startswith(
                "Actualizarea a fost instalata, dar nu a putut fi finalizata: "), text)
            self.assertIn("firme.reg", text)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
        self.assertEqual(inst.file("readme.txt"), b"Quillora 2.0.0.0\r\n")
        self.assertEqual(inst.file("firme.reg"), b"1.0.0.0\r\n")

    def test_forced_dialog_with_equal_versions(self):
        inst = self.install("forced", reply="OK00011.0.0.0")
        with e2e.UpdateServer(inst.program.release):
            self.assertIsNotNone(inst.start("1.0.0.0", "inst42", "force"))
            e2e.click_child(DIALOG, "Mai tarziu")
            self.assertEqual(inst.updater.wait(timeout=30), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
