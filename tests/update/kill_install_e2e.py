#!/usr/bin/env python3
"""The whole install road killed at a few fixed moments (every process of the wine session at
once), then the next start of the updater: the program is the old or the new one, whole,
recorded as such, with nothing left over. The moments are seen in the program folder: staged
files beside the program, the install journal, the new version record."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.environ["QUILL_SOURCE_DIR"], "tests", "support"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import quill_e2e as e2e  # noqa: E402
import kill_road  # noqa: E402

TREES = os.environ["QUILL_KILL_TREES"]


def staged(road):
    return any(name.startswith(".ze") and name.endswith(".tmp")
               for name in os.listdir(road.program.folder))


def committing(road):
    return kill_road.journal_state(os.listdir(road.program.folder), road.program.folder) == "commit"


def recorded(road):
    try:
        with open(road.program.path("firme.reg"), "rb") as f:
            return f.read() == b"2.0.0.0\r\n"
    except OSError:
        return False


class KillInstallTest(unittest.TestCase):
    def cut_at(self, name, moment):
        road = kill_road.Road(name, TREES)
        with e2e.UpdateServer(road.program.release):
            road.start()
            self.assertTrue(road.wait_for(moment), "the moment never came")
            at_cut = road.cut()
            print("%s: cut with %s" % (name, at_cut), file=sys.stderr, flush=True)
            kind = road.main_executable_kind()
            self.assertIn(kind, ("old", "new"), "right after the kill (folder held %s)" % at_cut)
            boxes, offered = road.restart()
            self.assertEqual(boxes, [], "the next start showed boxes")
        self.assertEqual(road.problems(), [], "after the next start (cut with %s)" % at_cut)
        # After a repair the next start goes on with the version it finds, not the one it
        # was given.
        outcome = road.outcome()
        if any(name.startswith("<journal") for name in at_cut):
            self.assertEqual(offered, outcome == "old", "offered: %s tree" % outcome)
        return at_cut, outcome

    def test_cut_while_files_are_staged(self):
        self.cut_at("cut-staged", staged)

    def test_cut_during_the_commit(self):
        self.cut_at("cut-commit", committing)

    def test_cut_after_the_version_record(self):
        _, outcome = self.cut_at("cut-recorded", recorded)
        self.assertEqual(outcome, "new")


if __name__ == "__main__":
    unittest.main(verbosity=2)
