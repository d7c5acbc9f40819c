#!/usr/bin/env python3
"""Benchmark of the whole road for a large update on loopback: from the click on
"Descarca actualizarea" to the thank-you box, and the updater's peak memory, against the
floor the design allows: a plain WinInet loop with the same 1025-byte reads plus the zip
engine's extraction of the same archive (both timed by download_benchmark).

  python3 scripts/bench_update.py [--megabytes 50] [--rounds 3] [--updater EXE]...

Each --updater (by default the build's own) runs once per round, in turn with the floor,
so that builds compare in one run on a busy machine; medians are printed.
Needs a built Windows preset (scripts/test.sh or scripts/demo.sh builds one).
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PASSWORD = "marigoldstep"


def peak_kib(pid_pattern):
    """Peak resident memory (VmHWM) of the wine process running the updater."""
    out = subprocess.run(["pgrep", "-f", pid_pattern], capture_output=True, text=True).stdout
    peak = 0
    for pid in out.split():
        try:
            with open("/proc/%s/status" % pid) as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        peak = max(peak, int(line.split()[1]))
        except OSError:
            pass
    return peak


def cached_setting(build, name):
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    return None


def road(e2e, build, work, updater):
    """Seconds from the click to the thank-you box, and the peak RSS in KiB."""
    program = os.path.join(work, "program")
    shutil.rmtree(program, ignore_errors=True)
    os.makedirs(program)
    shutil.copy(updater, os.path.join(program, "updater.exe"))
    shutil.copy(os.path.join(build, "bin", "ZipEng179.dll"), program)
    shutil.copy(os.path.join(build, "tests", "update", "quill_fake_v1.exe"),
                os.path.join(program, "quill.exe"))
    process = e2e.wine_start(os.path.join(program, "updater.exe"), "1.0.0.0", "bench",
                             cwd=program)
    if not e2e.wait_window("Versiune noua disponibila", timeout=60, process=process):
        sys.exit("the dialog did not open")
    time.sleep(0.5)  # the dialog settles (the browser's page request) before the clock runs
    start = time.monotonic()
    e2e.click_child("Versiune noua disponibila", "Descarca actualizarea")
    peak = 0
    while not e2e.find_windows("updater") and process.poll() is None:
        peak = max(peak, peak_kib(r"program[/\\]updater.exe"))
        time.sleep(0.2)
    elapsed = time.monotonic() - start
    peak = max(peak, peak_kib(r"program[/\\]updater.exe"))
    box = e2e.wait_window("updater", timeout=5)
    if box:
        e2e.press(box, "Return")
    process.wait(timeout=60)
    return elapsed, peak


def floor(build, work, url, archive):
    """The 1025-byte loop, the grabber alone and the engine's extraction, in seconds."""
    bench = os.path.join(work, "floor")
    shutil.rmtree(bench, ignore_errors=True)
    os.makedirs(os.path.join(bench, "out"))
    shutil.copy(os.path.join(build, "download", "download_benchmark.exe"), bench)
    shutil.copy(os.path.join(build, "bin", "ZipEng179.dll"), bench)
    out = subprocess.run([os.path.join(build, "wine-run.sh"),
                          os.path.join(bench, "download_benchmark.exe"), url, "1", "--extract",
                          "Z:" + archive.replace("/", "\\"), PASSWORD,
                          "Z:" + os.path.join(bench, "out").replace("/", "\\")],
                         cwd=bench, capture_output=True, text=True, check=True).stdout

    def seconds(label):
        return float(re.search(label + r":\s+([\d.]+) s", out).group(1))

    return seconds(r"plain WinInet 1025 B"), seconds("grabber"), seconds("engine extraction")


def prepare(targets):
    """Builds what the road needs, starts the wine session; returns the build folder, the
    server base and the end-to-end helpers."""
    preset = subprocess.run(["bash", "scripts/wine-preset.sh"], cwd=ROOT, capture_output=True,
                            text=True).stdout.strip()
    build = os.path.join(ROOT, "build", preset)
    subprocess.run(["cmake", "--build", build, "--target", "wininfo", "update_e2e_data",
                    "ZipEng179"] + targets, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["bash", "scripts/wine-session.sh", "start", build], cwd=ROOT, check=True)
    base = cached_setting(build, "QUILL_SERVER_BASE") or "http://127.0.0.1:18080/"
    os.environ.update(QUILL_SOURCE_DIR=ROOT, QUILL_BINARY_DIR=build, QUILL_SERVER_BASE=base,
                      QUILL_WINE_RUN=os.path.join(build, "wine-run.sh"),
                      QUILL_SERVER=os.path.join(ROOT, "server", "update_server.py"))
    os.environ.pop("DISPLAY", None)
    sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
    import quill_e2e as e2e
    return build, base, e2e


def make_release(work, megabytes):
    """A release of version 2.0.0.0 whose archive holds `megabytes` of incompressible data
    (so the archive is as large as the update); returns its folder and archive."""
    shutil.rmtree(work, ignore_errors=True)
    release, content = (os.path.join(work, n) for n in ("release", "content"))
    for folder in (release, content):
        os.makedirs(folder)
    left, index = megabytes, 0
    while left > 0:
        with open(os.path.join(content, "data%02d.bin" % index), "wb") as f:
            f.write(os.urandom(min(left, 5) << 20))
        left, index = left - 5, index + 1
    archive = os.path.join(release, "UpdateQl.zip")
    subprocess.run(["zip", "-q", "-P", PASSWORD, archive] + sorted(os.listdir(content)),
                   cwd=content, check=True)
    with open(os.path.join(release, "lastver.txt"), "w") as f:
        f.write("OK00012.0.0.0\r\n")
    return release, archive


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--megabytes", type=int, default=50)
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--updater", action="append",
                        help="an updater.exe to time (repeatable); default: the build's")
    args = parser.parse_args()
    build, base, e2e = prepare(["updater", "download_benchmark"])
    updaters = [os.path.abspath(u) for u in args.updater or
                [os.path.join(build, "bin", "updater.exe")]]
    work = os.path.join(build, "bench-update")
    release, archive = make_release(work, args.megabytes)
    size = os.path.getsize(archive)

    times = {u: [] for u in updaters}
    peaks = {u: [] for u in updaters}
    floors = []
    with e2e.UpdateServer(release):
        for _ in range(args.rounds):
            floors.append(floor(build, work, base + "UpdateQl.zip", archive))
            for u in updaters:
                elapsed, peak = road(e2e, build, work, u)
                times[u].append(elapsed)
                peaks[u].append(peak)
    subprocess.run(["bash", "scripts/wine-session.sh", "stop", build], cwd=ROOT)

    loop = statistics.median(f[0] for f in floors)
    grabber = statistics.median(f[1] for f in floors)
    extraction = statistics.median(f[2] for f in floors)
    print("archive:             %.1f MB, %d round(s), medians" % (size / 1e6, args.rounds))
    print("floor:               %.2f s (1025-byte WinInet loop %.2f s + engine extraction %.2f s)"
          % (loop + extraction, loop, extraction))
    print("grabber alone:       %.2f s, %.2f times the loop" % (grabber, grabber / loop))
    for u in updaters:
        elapsed = statistics.median(times[u])
        print("%s" % os.path.relpath(u, ROOT))
        print("  click to thank-you: %.2f s (%s), %.2f times the floor"
              % (elapsed, ", ".join("%.2f" % t for t in times[u]), elapsed / (loop + extraction)))
        print("  updater peak RSS:   %.1f MiB" % (max(peaks[u]) / 1024))
    return 0


if __name__ == "__main__":
    sys.exit(main())
