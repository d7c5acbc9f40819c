#!/usr/bin/env python3
"""Building the vendor's keys into the updater (cmake/EmbedUpdateKeys.cmake): the key
files the build accepts and the ones it stops on."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

SCRIPT = os.path.join(os.environ["QUILL_SOURCE_DIR"], "cmake", "EmbedUpdateKeys.cmake")
KEYS = os.environ["QUILL_SIGNING_KEYS"]


def key(name):
    with open(os.path.join(KEYS, name)) as f:
        return f.read()


class EmbedKeysTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="quill-embed-")
        self.output = os.path.join(self.work, "keys.cpp")

    def tearDown(self):
        shutil.rmtree(self.work)

    def embed(self, text):
        """Runs the script on a keys file with this text (None: no file); returns the
        result and the text of the generated source, if any."""
        args = ["cmake", "-DOUTPUT=" + self.output, "-DOPENSSL=" + shutil.which("openssl")]
        if text is not None:
            path = os.path.join(self.work, "keys.pem")
            with open(path, "w") as f:
                f.write(text)
            args.append("-DKEYS=" + path)
        result = subprocess.run(args + ["-P", SCRIPT], capture_output=True, text=True)
        source = None
        if os.path.exists(self.output):
            with open(self.output) as f:
                source = f.read()
        return result, source

    def embedded_text(self, source):
        return re.search(r'R"pem\((.*)\)pem"', source, re.S).group(1)

    def test_every_public_key_and_nothing_else_is_built_in(self):
        previous, current = key("previous.pub.pem"), key("current.pub.pem")
        result, source = self.embed("# Quillora update keys\n" + previous + "\nrotated:\n" + current)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.embedded_text(source), previous + current)

    def test_without_a_file_the_keys_are_empty(self):
        result, source = self.embed(None)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.embedded_text(source), "")

    def test_files_that_would_ship_a_useless_or_secret_key_stop_the_build(self):
        good = key("current.pub.pem")
        cases = {
            "private key": (good + key("stranger.pem"), "private key"),
            "2048 bits": (good + key("weak.pub.pem"), "2048 bits"),
            "not RSA": (key("ec.pub.pem") + good, "RSA public key"),
            "no key": ("no keys here\n", "no PEM public key"),
        }
        for name, (text, message) in cases.items():
            with self.subTest(name):
                result, source = self.embed(text)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, " ".join(result.stderr.split()))  # cmake wraps lines
                self.assertIsNone(source)


if __name__ == "__main__":
    unittest.main(verbosity=2)
