#!/usr/bin/env python3
"""The updater with public keys built in (the test build's own, made by
make_signing_keys.sh), driven as a person drives it: a release with a fresh signed manifest
installs; every release that a network in the middle could forge, replay or hold back is
refused with a Romanian box, the main application left running and the program folder
byte-identical; and a stale "nothing new" is told once at start-up."""
import base64
import datetime
import hashlib
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.environ["QUILL_SOURCE_DIR"], "tests", "support"))
import quill_e2e as e2e  # noqa: E402
from install_e2e import (DIALOG, INSTALLED, Installation,  # noqa: E402
                         answer_archive_boxes_until_message, answer_box, clear_registry_version,
                         fresh_wine_session, registry_version)

KEYS = os.environ["QUILL_SIGNING_KEYS"]
REFUSED = "Actualizarea a fost refuzata: "
FROZEN = "Actualizarea nu a putut confirma cea mai noua versiune"


def utc(days):
    moment = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(days=days)
    return moment.strftime("%Y-%m-%dT%H:%M:%SZ")


def manifest(archive, version="2.0.0.0", product="Quillora", days=1, key="current", size=None,
             sha256=None):
    """A manifest as the vendor's tooling writes it, with any field chosen."""
    text = ("quillora-release-manifest 1\n"
            f"product: {product}\n"
            f"version: {version}\n"
            f"size: {len(archive) if size is None else size}\n"
            f"sha256: {sha256 or hashlib.sha256(archive).hexdigest()}\n"
            f"expires: {utc(days)}\n").encode()
    with tempfile.NamedTemporaryFile() as signed:
        signed.write(text)
        signed.flush()
        signature = subprocess.run(
            ["openssl", "dgst", "-sha256", "-sign", os.path.join(KEYS, key + ".pem"), signed.name],
            check=True, capture_output=True).stdout
    return text + b"signature: " + base64.b64encode(signature) + b"\n"


def folder_contents(folder):
    contents = {}
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), "rb") as f:
            contents[name] = f.read()
    return contents


class SignedInstallTest(unittest.TestCase):
    def setUp(self):
        with open(os.environ["QUILL_UPDATE_ARCHIVE"], "rb") as f:
            self.archive = f.read()
        self.installation = None

    def tearDown(self):
        if self.installation:
            self.installation.close()

    def fresh(self):
        if self.installation:
            self.installation.close()
        fresh_wine_session()
        clear_registry_version()

    def click_download(self, name, manifest_bytes, reply="OK00012.0.0.0", fault=None):
        """Offers the release (manifest_bytes None: none on the server) to the signed
        updater and clicks the download button; returns (the archive boxes' titles, the
        updater's box text, the requested paths, the folder as it was before the click)."""
        inst = self.installation = Installation(name, reply=reply, updater="updater_signed.exe")
        if manifest_bytes is not None:
            inst.program.write_release("UpdateQl.zip.manifest", manifest_bytes)
        with e2e.UpdateServer(inst.program.release, fault=fault) as server:
            self.assertIsNotNone(inst.start(), "the dialog did not open")
            before = folder_contents(inst.program.folder)
            e2e.click_child(DIALOG, "Descarca actualizarea")
            shown, message = answer_archive_boxes_until_message(inst.updater)
            self.assertEqual(inst.updater.wait(timeout=30), 0)
            # The main application is asked to quit only for an archive whose signature holds.
            if message == INSTALLED:
                self.assertEqual(inst.main_app.wait(timeout=30), 0, "quill.exe did not end")
            else:
                self.assertIsNone(inst.main_app.poll(), "quill.exe ended for a refused update")
            paths = [r["path"] for r in server.requests()]
        return shown, message, [p for p in paths if p.startswith("/UpdateQl")], before

    def assert_refused(self, why, outcome, downloaded):
        shown, message, paths, before = outcome
        self.assertEqual((shown, message), ([], REFUSED + why))
        # The manifest is asked for first; the archive only for a release that was admitted.
        self.assertEqual(paths, ["/UpdateQl.zip.manifest"] + ["/UpdateQl.zip"] * downloaded)
        self.assertEqual(folder_contents(self.installation.program.folder), before)
        self.assertIsNone(self.installation.main_app.poll(), "quill.exe was asked to quit")
        self.assertEqual(registry_version(), None)

    def test_fresh_manifest_installs(self):
        self.fresh()
        inst = self.installation = Installation("fresh", updater="updater_signed.exe")
        archive = os.path.join(inst.program.release, "UpdateQl.zip")
        subprocess.run(["sh", os.environ["QUILL_SIGN_RELEASE"], os.path.join(KEYS, "current.pem"),
                        archive], check=True, stdout=subprocess.DEVNULL)
        with e2e.UpdateServer(inst.program.release) as server:
            self.assertIsNotNone(inst.start(), "the dialog did not open")
            e2e.click_child(DIALOG, "Descarca actualizarea")
            self.assertEqual(inst.main_app.wait(timeout=60), 0, "quill.exe did not end")
            self.assertEqual(answer_archive_boxes_until_message(inst.updater), ([], INSTALLED))
            self.assertEqual(inst.updater.wait(timeout=30), 0)
            paths = [r["path"] for r in server.requests() if r["path"].startswith("/UpdateQl")]
        self.assertEqual(paths, ["/UpdateQl.zip.manifest", "/UpdateQl.zip"])
        self.assertEqual(inst.file("readme.txt"), b"Quillora 2.0.0.0\r\n")
        self.assertEqual(registry_version(), "2.0.0.0")
        self.assertEqual(registry_version("VersiuneMaxima"), "2.0.0.0")

    def test_releases_refused_before_the_download(self):
        a = self.archive
        cases = [
            ("rollback", manifest(a, version="0.9.0.0"), "OK00010.9.0.0",
             "versiunea oferita este mai veche decat cea instalata."),
            ("product", manifest(a, product="QuilloraPro"), None,
             "informatiile despre actualizare sunt pentru alt produs."),
            ("expired", manifest(a, days=-1), None,
             "informatiile despre actualizare au expirat; serverul nu a putut confirma cea mai "
             "noua versiune."),
            ("announced", manifest(a, version="3.0.0.0"), None,
             "versiunea semnata difera de cea anuntata de server."),
            ("stranger", manifest(a, key="stranger"), None,
             "informatiile despre actualizare nu poarta o semnatura valida a furnizorului."),
            ("missing", None, None,
             "informatiile semnate despre actualizare nu au putut fi obtinute de la server."),
        ]
        for name, text, reply, why in cases:
            with self.subTest(name):
                self.fresh()
                outcome = self.click_download(name, text, reply=reply or "OK00012.0.0.0")
                self.assert_refused(why, outcome, downloaded=0)

    def test_archives_refused_after_the_download(self):
        a = self.archive
        differs = "arhiva primita nu este cea semnata de furnizor."
        cases = [
            ("size", manifest(a, size=len(a) + 1), None, differs),
            ("hash", manifest(a, sha256=hashlib.sha256(a + b"x").hexdigest()), None, differs),
            ("long", manifest(a), "long",
             "serverul a trimis mai mult decat marimea semnata a arhivei."),
        ]
        for name, text, fault, why in cases:
            with self.subTest(name):
                self.fresh()
                self.assert_refused(why, self.click_download(name, text, fault=fault),
                                    downloaded=1)

    def test_stale_nothing_new_is_told_once_and_an_unreachable_server_is_not(self):
        self.fresh()
        inst = self.installation = Installation("frozen", reply="0", updater="updater_signed.exe")
        inst.program.write_release("UpdateQl.zip.manifest",
                                   manifest(self.archive, version="1.0.0.0", days=-1))
        with e2e.UpdateServer(inst.program.release):
            updater = inst.program.start_updater("1.0.0.0", "inst42")
            text = answer_box("updater", process=updater)
            self.assertEqual(updater.wait(timeout=30), 0)
        self.assertTrue(text and text.startswith(FROZEN), text)

        # No server at all: the run ends by itself, without a box to answer.
        updater = inst.program.start_updater("1.0.0.0", "inst42")
        self.assertEqual(updater.wait(timeout=60), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
