#!/usr/bin/env python3
"""Kills the whole install road at random moments, many times, and prints the tally.

  scripts/kill_install_trials.py <build folder> [--trials 100] [--seed N]

Each trial installs the kill tests' old tree (tests/update/make_kill_trees.sh, made by the
build) with its main application running, lets the updater download the new one, and kills
every process of the wine session (wineserver -k) at a moment drawn uniformly between the end of
the download and the thank-you box (the span is measured first by one uncut road). Then:
right after the kill quill.exe must be present and whole (the old or the new bytes); after the
next start of the updater the folder must be the old or the new tree byte for byte, firme.reg
and the registry must name the version of that quill.exe, and nothing may be left over.

A long run (minutes per ten trials), not a test: build the Windows preset first. Where the
kernel runs no 32-bit programs, use the windows64 build folder.
"""
import argparse
import os
import random
import re
import shutil
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)


def configure_environment(build):
    """What ctest gives the end-to-end tests, read from the build folder."""
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        cache = f.read()
    server_base = re.search(r"^QUILL_SERVER_BASE:\w+=(.*)$", cache, re.M).group(1)
    os.environ.update(QUILL_SOURCE_DIR=SOURCE, QUILL_BINARY_DIR=build,
                      QUILL_SERVER=os.path.join(SOURCE, "server", "update_server.py"),
                      QUILL_WINE_RUN=os.path.join(build, "wine-run.sh"),
                      QUILL_SERVER_BASE=server_base)
    sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))
    sys.path.insert(0, os.path.join(SOURCE, "tests", "update"))


def measure_span(kill_road, e2e, trees):
    """Seconds from the end of the download to the thank-you box, on one uncut road."""
    road = kill_road.Road("span", trees)
    with e2e.UpdateServer(road.program.release):
        road.start()
        if not road.wait_for(lambda r: r.downloaded()):
            raise RuntimeError("the download did not end")
        downloaded = time.time()
        if not road.wait_for(lambda r: r.thanked(), poll=0.01):
            raise RuntimeError("no thank-you box")
        span = time.time() - downloaded
        road.cut()
    return span


def trial(kill_road, e2e, trees, number, delay):
    """One cut road; returns (problems, what the folder held at the cut, outcome)."""
    road = kill_road.Road("trial%03d" % number, trees)
    with e2e.UpdateServer(road.program.release):
        road.start()
        if not road.wait_for(lambda r: r.downloaded()):
            return ["the download did not end"], [], None
        time.sleep(delay)
        at_cut = road.cut()
        problems = []
        kind = road.main_executable_kind()
        if kind not in ("old", "new"):
            problems.append("right after the kill: " + kind)
        boxes, _ = road.restart()
        if boxes:
            problems.append("the next start showed %r" % boxes)
    problems += road.problems()
    outcome = road.main_executable_kind()
    if not problems:
        shutil.rmtree(road.program.root, ignore_errors=True)  # kept only when it failed
    return problems, at_cut, outcome


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", help="the Windows build folder (built, tests included)")
    parser.add_argument("--trials", type=int, default=100)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    configure_environment(build)
    import kill_road  # noqa: E402  (needs the environment above)
    import quill_e2e as e2e  # noqa: E402

    trees = os.path.join(build, "tests", "update", "kill-trees")
    if not os.path.exists(os.path.join(trees, "UpdateQl.zip")):
        sys.exit("no %s: build the update tests first" % trees)
    seed = args.seed if args.seed is not None else int(time.time())
    rng = random.Random(seed)
    span = measure_span(kill_road, e2e, trees)
    print("seed %d; end of download to thank-you box: %.2f s" % (seed, span), flush=True)

    passed, outcomes = 0, {"old": 0, "new": 0}
    for number in range(1, args.trials + 1):
        delay = rng.uniform(0, span)
        problems, at_cut, outcome = trial(kill_road, e2e, trees, number, delay)
        staged = sum(1 for name in at_cut if name.startswith(".ze") and name.endswith(".tmp"))
        journal = [name for name in at_cut if name.startswith("<journal")]
        state = "%2d staged%s" % (staged, ", " + journal[0][1:-1] if journal else "")
        if problems:
            print("trial %3d  cut at %.2f s (%s): FAILED: %s" % (number, delay, state,
                                                                "; ".join(problems)), flush=True)
        else:
            passed += 1
            outcomes[outcome] += 1
            print("trial %3d  cut at %.2f s (%s): %s tree" % (number, delay, state, outcome),
                  flush=True)
    print("%d of %d trials left a whole program (%d old, %d new)" %
          (passed, args.trials, outcomes["old"], outcomes["new"]))
    return 0 if passed == args.trials else 1


if __name__ == "__main__":
    sys.exit(main())
