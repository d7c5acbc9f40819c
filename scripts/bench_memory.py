#!/usr/bin/env python3
"""Benchmark of the updater's peak memory over the whole road (click on "Descarca
actualizarea", download, extraction, thank-you box) with a large update against a small one:
the download goes to disk as it arrives, so the two peaks should stay close.

  python3 scripts/bench_memory.py [--small 2] [--large 200]

Runs the watched build of the updater (updater_probe), which notes its own peak working set
(PeakWorkingSetSize) at its end; the peak resident size of its wine process (VmHWM) is read
beside it. Needs a built Windows preset (scripts/test.sh or scripts/demo.sh builds one).
"""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_update  # noqa: E402


def peak_of(build, e2e, megabytes):
    work = os.path.join(build, "bench-memory")
    release, archive = bench_update.make_release(work, megabytes)
    probe = os.path.join(work, "probe")
    os.makedirs(probe)
    os.environ["QUILL_PROBE_DIR"] = e2e.windows_path(probe)
    with e2e.UpdateServer(release):
        result = bench_update.road(e2e, build, work,
                                   os.path.join(build, "bin", "updater_probe.exe"), None)
    seconds, rss = result["elapsed"], result["peak"]
    working_set = 0
    with open(os.path.join(probe, "captions.txt")) as f:
        for line in f:
            if line.startswith("memory\tpeak "):
                working_set = int(line.split()[-1])
    if not working_set:
        sys.exit("the updater noted no peak: did the road end?")
    return os.path.getsize(archive), seconds, working_set, rss * 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--small", type=int, default=2, help="megabytes of the small update")
    parser.add_argument("--large", type=int, default=200, help="megabytes of the large update")
    args = parser.parse_args()
    _, build, _, e2e = bench_update.prepare(["updater_probe"])
    rows = [peak_of(build, e2e, mb) for mb in (args.small, args.large)]
    subprocess.run(["bash", "scripts/wine-session.sh", "stop", build], cwd=bench_update.ROOT)
    mib = 1024.0 * 1024.0
    print("archive      road      peak working set   peak RSS (wine process)")
    for size, seconds, working_set, rss in rows:
        print("%7.1f MB  %6.1f s  %10.1f MiB     %10.1f MiB"
              % (size / 1e6, seconds, working_set / mib, rss / mib))
    print("growth from the small to the large update: %.1f MiB working set, %.1f MiB RSS"
          % ((rows[1][2] - rows[0][2]) / mib, (rows[1][3] - rows[0][3]) / mib))
    return 0


if __name__ == "__main__":
    sys.exit(main())
