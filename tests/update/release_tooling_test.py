#!/usr/bin/env python3
"""The vendor's side: scripts/sign-release.sh (the manifest it writes, the archives and keys
it refuses, a refresh on the same archive) and the configure choice between keys and
unsigned updates."""
import datetime
import os
import shutil
import subprocess
import tempfile
import unittest
import zipfile

SOURCE = os.environ["QUILL_SOURCE_DIR"]
SIGN = os.path.join(SOURCE, "scripts", "sign-release.sh")
KEYS = os.environ["QUILL_SIGNING_KEYS"]


class ReleaseToolingTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="quill-release-")
        self.archive = os.path.join(self.work, "UpdateQl.zip")
        shutil.copy(os.environ["QUILL_UPDATE_ARCHIVE"], self.archive)

    def tearDown(self):
        shutil.rmtree(self.work)

    def sign(self, *args, key="current", archive=None):
        return subprocess.run(["sh", SIGN, os.path.join(KEYS, key + ".pem"),
                               archive or self.archive, *args], capture_output=True, text=True)

    def manifest(self):
        with open(self.archive + ".manifest") as f:
            return f.read()

    def test_manifest_names_the_archive_and_is_refreshed_in_place(self):
        self.assertEqual(self.sign("2").returncode, 0)
        first = self.manifest()
        lines = dict(line.split(": ", 1) for line in first.splitlines()[1:])
        self.assertEqual(lines["product"], "Quillora")
        self.assertEqual(lines["version"], "2.0.0.0")  # from the quill.exe inside
        self.assertEqual(int(lines["size"]), os.path.getsize(self.archive))
        expires = datetime.datetime.strptime(lines["expires"], "%Y-%m-%dT%H:%M:%SZ")
        days = (expires - datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)).total_seconds() / 86400
        self.assertAlmostEqual(days, 2, delta=0.01)
        # The signature covers every byte before its line, with the vendor's key.
        signed = first[:first.index("signature: ")].encode()
        with open(os.path.join(self.work, "signed"), "wb") as f:
            f.write(signed)
        subprocess.run(["sh", "-c", 'openssl base64 -d -A >"$1"', "-",
                        os.path.join(self.work, "sig")], input=lines["signature"], text=True,
                       check=True)
        verify = subprocess.run(["openssl", "dgst", "-sha256", "-verify",
                                 os.path.join(KEYS, "current.pub.pem"), "-signature",
                                 os.path.join(self.work, "sig"), os.path.join(self.work, "signed")],
                                capture_output=True)
        self.assertEqual(verify.returncode, 0)

        self.assertEqual(self.sign().returncode, 0)  # default 30 days, same archive
        refreshed = dict(line.split(": ", 1) for line in self.manifest().splitlines()[1:])
        self.assertGreater(refreshed["expires"], lines["expires"])
        self.assertEqual(refreshed["sha256"], lines["sha256"])

    def test_refuses_weak_keys_and_archives_without_quill_exe(self):
        other = os.path.join(self.work, "other.zip")
        with zipfile.ZipFile(other, "w") as z:
            z.writestr("readme.txt", "no program here")
        cases = {
            "weak key": (self.sign(key="weak"), "3072"),
            "EC key": (self.sign(key="ec"), "3072"),
            "no quill.exe": (self.sign(archive=other), "no quill.exe"),
            "no days": (self.sign("0"), "VALID_DAYS"),
        }
        for name, (result, message) in cases.items():
            with self.subTest(name):
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, result.stderr)
        self.assertFalse(os.path.exists(self.archive + ".manifest"))
        self.assertFalse(os.path.exists(other + ".manifest"))

    def test_configure_without_a_choice_stops_naming_both(self):
        build = os.path.join(self.work, "build")
        result = subprocess.run(
            ["cmake", "-S", SOURCE, "-B", build, "-G", "Ninja", "-DQUILL_ONLY=update",
             "-DQUILL_ONLY_TESTS=none",
             "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(SOURCE, "cmake", "toolchain-mingw32.cmake")],
            capture_output=True, text=True)
        self.assertNotEqual(result.returncode, 0)
        message = " ".join(result.stderr.split())
        self.assertIn("-DQUILL_UPDATE_PUBLIC_KEYS=", message)
        self.assertIn("-DQUILL_UNSIGNED_UPDATES=ON", message)


if __name__ == "__main__":
    unittest.main(verbosity=2)
