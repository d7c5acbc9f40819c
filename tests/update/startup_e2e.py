#!/usr/bin/env python3
"""The updater's start-up, driven as the main application drives it."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.environ["QUILL_SOURCE_DIR"], "tests", "support"))
import quill_e2e as e2e  # noqa: E402


class StartupTest(unittest.TestCase):
    def test_too_short_arguments_show_syntax_error_without_network(self):
        program = e2e.ProgramFolder("syntax")
        with e2e.UpdateServer(program.release) as server:
            updater = program.start_updater("1", "abc")
            box = e2e.wait_window("updater", process=updater)
            self.assertIsNotNone(box, "no message box titled 'updater'")
            e2e.press(box, "Return")
            self.assertEqual(updater.wait(timeout=30), 0)
            self.assertEqual(server.requests(), [])

    def test_zero_reply_ends_silently(self):
        program = e2e.ProgramFolder("zero")
        with e2e.UpdateServer(program.release, fault="zero") as server:
            updater = program.start_updater("1.0.0.0", "id77")
            self.assertEqual(updater.wait(timeout=60), 0)
            paths = [r["path"] for r in server.requests()]
            self.assertEqual(paths, ["/getLastVer.php?id=id77"])
        with open(program.path("lastVerNet.txt")) as f:
            self.assertEqual(f.read(), "0")

    def test_equal_versions_end_silently(self):
        program = e2e.ProgramFolder("equal")
        program.write_release("lastver.txt", "OK00001.0.0.0\r\n")
        with e2e.UpdateServer(program.release) as server:
            updater = program.start_updater("1.0.0.0", "id77")
            self.assertEqual(updater.wait(timeout=60), 0)
            self.assertEqual(len(server.requests()), 1)
        self.assertEqual(e2e.find_windows("Versiune noua disponibila"), [])

    def test_no_server_leaves_no_reply_file(self):
        program = e2e.ProgramFolder("noserver")
        with open(program.path("lastVerNet.txt"), "w") as f:
            f.write("OK0000old")
        updater = program.start_updater("1.0.0.0", "id77")
        self.assertEqual(updater.wait(timeout=60), 0)
        self.assertFalse(os.path.exists(program.path("lastVerNet.txt")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
