#!/usr/bin/env python3
"""The install sequence of an updater with public keys built in (the test build's own,
made by make_signing_keys.sh): a signed archive installs; an archive whose signature does
not verify, or has none, is refused before anything is extracted."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.environ["QUILL_SOURCE_DIR"], "tests", "support"))
import quill_e2e as e2e  # noqa: E402
from install_e2e import (DIALOG, INSTALLED, Installation,  # noqa: E402
                         answer_archive_boxes_until_message, clear_registry_version,
                         fresh_wine_session, registry_version)

REFUSED = ("Actualizarea nu a putut fi finalizata: "
           "a fost refuzata deoarece nu a putut fi verificata.")
KEYS = os.environ["QUILL_SIGNING_KEYS"]


def signature_of(data, key="current"):
    """The signature sign-release.sh writes for these bytes with one of the test keys."""
    work = os.path.join(e2e.BINARY_DIR, "e2e", "signing")
    os.makedirs(work, exist_ok=True)
    archive = os.path.join(work, "UpdateQl.zip")
    with open(archive, "wb") as f:
        f.write(data)
    subprocess.run(["sh", os.environ["QUILL_SIGN_RELEASE"], os.path.join(KEYS, key + ".pem"),
                    archive], check=True, stdout=subprocess.DEVNULL)
    with open(archive + ".sig", "rb") as f:
        return f.read()


def folder_contents(folder):
    contents = {}
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), "rb") as f:
            contents[name] = f.read()
    return contents


class SignedInstallTest(unittest.TestCase):
    def setUp(self):
        fresh_wine_session()
        clear_registry_version()
        with open(os.environ["QUILL_UPDATE_ARCHIVE"], "rb") as f:
            self.archive = f.read()
        self.installation = None

    def tearDown(self):
        if self.installation:
            self.installation.close()

    def run_update(self, name, signature):
        """Serves the archive with this signature (None: no signature file) to the signed
        updater and presses the download button; returns (the archive component's box
        titles, the updater's final box text, the requests, the folder before the click)."""
        inst = self.installation = Installation(name, updater="updater_signed.exe")
        if signature is not None:
            inst.program.write_release("UpdateQl.zip.sig", signature)
        with e2e.UpdateServer(inst.program.release) as server:
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
        # The signature is asked for once the archive is in, never before.
        self.assertEqual([p for p in paths if p.startswith("/UpdateQl")],
                         ["/UpdateQl.zip", "/UpdateQl.zip.sig"])
        return shown, message, before

    def test_signed_archive_installs(self):
        shown, message, _ = self.run_update("signed", signature_of(self.archive))
        self.assertEqual((shown, message), ([], INSTALLED))
        self.assertEqual(self.installation.file("firme.reg"), b"2.0.0.0\r\n")
        self.assertEqual(registry_version(), "2.0.0.0")
        self.assertEqual(self.installation.file("readme.txt"), b"Quillora 2.0.0.0\r\n")

    def refused(self, name, signature):
        shown, message, before = self.run_update(name, signature)
        self.assertEqual((shown, message), ([], REFUSED))
        # Nothing extracted and the archive gone: only the record of what is installed.
        after = folder_contents(self.installation.program.folder)
        self.assertEqual(after.pop("firme.reg", None), b"1.0.0.0\r\n")
        self.assertEqual(after, before)
        self.assertEqual(registry_version(), "1.0.0.0")

    def test_signature_by_a_key_not_built_in_is_refused(self):
        self.refused("stranger", signature_of(self.archive, key="stranger"))

    def test_signature_of_another_archive_is_refused(self):
        other = bytearray(self.archive)
        other[-1] ^= 0x01  # an archive one byte away
        self.refused("otherarchive", signature_of(bytes(other)))

    def test_truncated_signature_is_refused(self):
        good = signature_of(self.archive)
        self.refused("truncated", good[:len(good) // 2])

    def test_missing_signature_is_refused(self):
        self.refused("missing", None)

if __name__ == "__main__":
    unittest.main(verbosity=2)
