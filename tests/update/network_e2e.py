#!/usr/bin/env python3
"""The install road over a network that misbehaves, driven as a person drives it: cuts,
stalls, replies to range requests that do not fit, a cache that serves an old archive, a
proxy that asks for a password, a program folder that cannot be written. Each road ends
with the server's archive installed (the same SHA-256), or with a clear box and the
program untouched."""
import hashlib
import os
import subprocess
import sys
import time
import unittest
from urllib.parse import urlsplit

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.environ["QUILL_SOURCE_DIR"], "tests", "support"))
sys.path.insert(0, HERE)
import quill_e2e as e2e  # noqa: E402
import install_e2e as road  # noqa: E402

DIALOG = road.DIALOG
# Short waits instead of the product's 60 s stall and 2 s first pause.
FAST = {"QUILL_RETRY_PAUSE_MS": "200", "QUILL_STALL_MS": "1500"}
PROXY = "127.0.0.1:%d" % (urlsplit(e2e.SERVER_BASE).port or 80)
CREDENTIALS = "Enter Network Password"  # the system's (wine's) credentials dialog
INTERNET_SETTINGS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"


def sha256(data):
    return hashlib.sha256(data).hexdigest() if data is not None else None


def read(path):
    with open(path, "rb") as f:
        return f.read()


def reg(*args):
    subprocess.run([e2e.WINE_RUN, "reg", *args], capture_output=True, cwd="/")


class NetworkTest(unittest.TestCase):
    def setUp(self):
        road.fresh_wine_session()
        road.clear_registry_version()
        self.installation = None

    def tearDown(self):
        if self.installation:
            self.installation.close()

    def install(self, name):
        self.installation = road.Installation(name, updater="updater_probe.exe")
        self.probe = self.installation.program.root
        return self.installation

    def start(self, inst, *args):
        env = dict(FAST, QUILL_PROBE_DIR=e2e.windows_path(self.probe))
        return inst.start(*args, env=env)

    def notes(self, source):
        path = os.path.join(self.probe, "captions.txt")
        if not os.path.exists(path):
            return []
        with open(path) as f:
            return [line.rstrip("\n").split("\t", 1)[1] for line in f
                    if line.startswith(source + "\t")]

    def archive_requests(self, server):
        return [r for r in server.requests() if urlsplit(r["path"]).path.endswith("UpdateQl.zip")]

    def assert_installed(self, inst):
        self.assertEqual(sha256(inst.file("UpdateQl.zip")),
                         sha256(read(os.path.join(inst.program.release, "UpdateQl.zip"))))
        self.assertIsNone(inst.file("UpdateQl.zip.part"))
        self.assertEqual(inst.file("firme.reg"), b"2.0.0.0\r\n")
        self.assertEqual(inst.file("readme.txt"), b"Quillora 2.0.0.0\r\n")

    def assert_untouched(self, inst):
        self.assertIsNone(inst.file("readme.txt"))
        self.assertIsNone(inst.file("raport.dat"))
        self.assertIn(inst.file("firme.reg"), (None, b"1.0.0.0\r\n"))

    def download(self, inst, fault, options=()):
        """One run of the road against the server with this fault; returns the requests
        for the archive and the text of the box that ended the run."""
        with e2e.UpdateServer(inst.program.release, fault=fault, options=options) as server:
            self.assertIsNotNone(self.start(inst), "the dialog did not open")
            e2e.click_child(DIALOG, "Descarca actualizarea")
            text = road.answer_box("updater", process=inst.updater)
            return self.archive_requests(server), text

    def test_cuts_resume_with_the_missing_bytes_only(self):
        """A reset at 90 %, a 200 to the range request, an overlapping 206 and a changed
        ETag: each ends with exactly the server's archive installed."""
        for fault, second in (("reset", "206"), ("range-200", "200"), ("overlap", "refused"),
                              ("etag-change", "200")):
            with self.subTest(fault=fault):
                road.fresh_wine_session()
                inst = self.install("cut-" + fault)
                requests, text = self.download(inst, fault)
                self.assertEqual(text, road.INSTALLED)
                self.assertEqual(inst.updater.wait(timeout=30), 0)
                self.assert_installed(inst)
                size = len(inst.file("UpdateQl.zip"))
                first, retry = requests[0], requests[1]
                self.assertNotIn("Range", dict(first["headers"]))
                headers = dict(retry["headers"])
                # Asked from where the cut left the partial file, tied to its version (a
                # reset may drop what had arrived but was not read yet).
                self.assertRegex(headers.get("Range", ""), r"^bytes=\d+-$")
                start = int(headers["Range"][6:-1])
                self.assertTrue(0 < start <= int(size * 0.9), start)
                self.assertTrue(headers.get("If-Range", "").startswith('"'), headers)
                self.assertEqual(headers.get("Cache-Control"), "no-cache")
                # A 206 that would repeat bytes is refused: the file is asked whole again.
                self.assertEqual(len(requests), 3 if second == "refused" else 2)
                if second == "refused":
                    self.assertNotIn("Range", dict(requests[2]["headers"]))
                self.assertEqual(self.notes("status")[0], "Reconectare... (1 din 3)")
                inst.close()

    def test_stall_counts_as_a_cut(self):
        inst = self.install("stall")
        requests, text = self.download(inst, "stall", ["--stall", "20"])
        self.assertEqual(text, road.INSTALLED)
        self.assert_installed(inst)
        self.assertEqual(len(requests), 2)
        self.assertIn("Range", dict(requests[1]["headers"]))

    def test_spent_retries_keep_the_partial_file_for_the_next_run(self):
        inst = self.install("spent")
        requests, text = self.download(inst, "cut")
        self.assertIsNotNone(text, "no box")
        self.assertTrue(text.startswith("Descarcarea actualizarii a fost intrerupta"), text)
        self.assertEqual(len(requests), 4)  # the first try and three more
        self.assertEqual(self.notes("status"), ["Reconectare... (%d din 3)" % n for n in (1, 2, 3)])
        part = inst.file("UpdateQl.zip.part")
        self.assertIsNotNone(part)
        release = read(os.path.join(inst.program.release, "UpdateQl.zip"))
        self.assertEqual(part, release[:len(part)], "the kept bytes are the archive's own")
        self.assertIsNone(inst.file("UpdateQl.zip"))
        self.assert_untouched(inst)
        e2e.click_child(DIALOG, "Mai tarziu")
        self.assertEqual(inst.updater.wait(timeout=30), 0)

        requests, text = self.download(inst, None)
        self.assertEqual(text, road.INSTALLED)
        self.assertEqual(dict(requests[0]["headers"]).get("Range"), "bytes=%d-" % len(part))
        self.assert_installed(inst)

    def test_stale_archive_from_a_cache_is_not_installed(self):
        inst = self.install("stale")
        stale = os.path.join(inst.program.release, "stale")
        os.makedirs(stale)
        subprocess.run(["sh", os.path.join(HERE, "make_update_archive.sh"),
                        os.environ["QUILL_FAKE_V1"], os.path.join(stale, "UpdateQl.zip")],
                       check=True)
        requests, text = self.download(inst, "stale")
        self.assertIsNotNone(text, "no box")
        self.assertTrue(text.startswith("Actualizarea nu a putut fi finalizata: a sosit o copie "
                                        "veche a actualizarii (versiunea 1.0.0.0 in loc de "
                                        "2.0.0.0)"), text)
        self.assertEqual(inst.updater.wait(timeout=30), 0)
        self.assert_untouched(inst)
        self.assertEqual(urlsplit(requests[0]["path"]).query, "")

        # The next run asks with a request no cache can answer from store.
        requests, text = self.download(inst, "stale")
        self.assertEqual(text, road.INSTALLED)
        self.assertRegex(urlsplit(requests[0]["path"]).query, r"^r=[0-9a-f]{16}$")
        self.assert_installed(inst)

    def use_proxy(self):
        reg("add", INTERNET_SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "1", "/f")
        reg("add", INTERNET_SETTINGS, "/v", "ProxyServer", "/d", PROXY, "/f")
        self.addCleanup(reg, "delete", INTERNET_SETTINGS, "/v", "ProxyServer", "/f")
        self.addCleanup(reg, "add", INTERNET_SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD",
                        "/d", "0", "/f")

    def assert_proxy_box(self, text, requests):
        self.assertIsNotNone(text, "no box")
        self.assertIn("Serverul proxy %s cere un nume de utilizator si o parola" % PROXY, text)
        for request in requests:  # empty credentials never go to a proxy that asked
            self.assertNotIn(["Proxy-Authorization", "Basic Og=="], request["headers"])

    def test_proxy_asking_for_a_password_on_the_version_query(self):
        inst = self.install("proxyall")
        self.use_proxy()
        with e2e.UpdateServer(inst.program.release, fault="proxy-auth") as server:
            inst.updater = inst.program.start_updater("1.0.0.0", "inst42", env=FAST)
            text = road.answer_box("updater", process=inst.updater)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
            requests = server.requests()
        self.assert_proxy_box(text, requests)
        self.assertTrue(requests and requests[0]["path"].startswith("http://"),
                        "the query went through the proxy")
        self.assertEqual(e2e.find_windows(DIALOG), [])

    def test_proxy_asking_for_a_password_on_the_archive(self):
        inst = self.install("proxyarchive")
        self.use_proxy()
        with e2e.UpdateServer(inst.program.release, fault="proxy-auth-archive") as server:
            self.assertIsNotNone(self.start(inst), "the dialog did not open")
            e2e.click_child(DIALOG, "Descarca actualizarea")
            asked, text = self.cancel_credentials_then_answer(inst.updater)
            requests = self.archive_requests(server)
        self.assert_proxy_box(text, requests)
        self.assertEqual(asked, [CREDENTIALS], "the credentials are asked for once")
        self.assertIsNone(inst.file("UpdateQl.zip"))
        self.assert_untouched(inst)
        e2e.click_child(DIALOG, "Mai tarziu")
        self.assertEqual(inst.updater.wait(timeout=30), 0)

    def test_proxy_credentials_given_once_let_the_archive_through(self):
        inst = self.install("proxylogin")
        self.use_proxy()
        with e2e.UpdateServer(inst.program.release, fault="proxy-auth-archive") as server:
            self.assertIsNotNone(self.start(inst), "the dialog did not open")
            e2e.click_child(DIALOG, "Descarca actualizarea")
            self.assertIsNotNone(e2e.wait_window(CREDENTIALS, timeout=60, process=inst.updater),
                                 "the credentials were not asked for")
            time.sleep(0.5)
            info = e2e.window_info(CREDENTIALS)
            edits = [c for c in info["children"] if c["class"] == "Edit"]
            for edit, text in zip(edits, ("ana", "parola")):
                left, top, right, bottom = edit["rect"]
                e2e.click_screen((left + right) // 2, (top + bottom) // 2)
                e2e.xdotool("type", "--delay", "50", text)
            e2e.click_child(CREDENTIALS, "OK")
            self.assertEqual(road.answer_box("updater", process=inst.updater), road.INSTALLED)
            requests = self.archive_requests(server)
        self.assert_installed(inst)
        self.assertIn(["Proxy-Authorization", "Basic YW5hOnBhcm9sYQ=="], requests[-1]["headers"])

    def cancel_credentials_then_answer(self, process, timeout=60):
        """Cancels the system's credentials dialog, if one is shown, and answers the
        updater's box; returns the titles of the dialogs cancelled and the box's text."""
        asked, seen = [], set()
        deadline = time.time() + timeout
        while time.time() < deadline and process.poll() is None:
            if e2e.find_windows("updater"):
                return asked, road.answer_box("updater", process=process)
            for window in e2e.xdotool("search", "--onlyvisible", "--name", ".").split():
                name = e2e.xdotool("getwindowname", window)
                # A window is judged once it has its title (wine names it after mapping it).
                if window in seen or name in ("", DIALOG, "QuilloraFree", "Default IME"):
                    continue
                seen.add(window)
                asked.append(name)
                e2e.press(window, "Escape")
            time.sleep(0.2)
        return asked, None

    def test_unwritable_program_folder_is_told_at_start(self):
        inst = self.install("readonly")
        folder = inst.program.folder
        if subprocess.run(["chattr", "+i", folder], capture_output=True).returncode != 0:
            self.skipTest("chattr +i is not available here")
        self.addCleanup(subprocess.run, ["chattr", "-i", folder], capture_output=True)
        with e2e.UpdateServer(inst.program.release):
            inst.updater = inst.program.start_updater("1.0.0.0", "inst42", env=FAST)
            text = road.answer_box("updater", process=inst.updater)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
        self.assertIsNotNone(text, "no box (exit %r)" % inst.updater.returncode)
        self.assertIn("nu poate fi scris", text)
        self.assertIn("utilizator care are drept de scriere", text)
        self.assertEqual(e2e.find_windows("updater"), [], "told once")


if __name__ == "__main__":
    unittest.main(verbosity=2)
