#!/usr/bin/env python3
"""Benchmark of the whole road of an update under wine, for one or more updater builds in one
run, against the floor the design allows: a plain WinInet loop with the same 1025-byte reads
plus the zip engine's extraction of the same archive (both measured by download_benchmark).

  python3 scripts/bench_update.py [--megabytes 50] [--rounds 1] [--updater EXE]...
                                  [--paced-megabytes 20] [--paces 2000000,500000]

Loopback: the server sends as fast as it can; the time from the click on "Descarca
actualizarea" to the thank-you box against the floor's time, and the updater's peak memory.
Paced: the server sends the archive body at each steady rate (bytes a second), as a network
does; what counts there is processor time: the updater's (user + system of its wine process,
the whole run; and from the click on) against the plain loop's at the same pace plus the
extraction's. The wineserver's share, which the updater's calls cause, is printed beside it.

Each --updater (by default the build's own) runs once per round, in turn with the floor,
so that builds compare in one run; medians are printed, with the machine's load average.
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
TICKS = os.sysconf("SC_CLK_TCK")


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


def cpu_seconds(pid):
    """User + system time of a running process so far (0 when it is gone)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return 0.0
    return (int(fields[11]) + int(fields[12])) / TICKS


def wineserver_pid(prefix):
    """The wineserver that serves `prefix` (None when none runs)."""
    out = subprocess.run(["pgrep", "wineserver"], capture_output=True, text=True).stdout
    for pid in out.split():
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if b"WINEPREFIX=" + prefix.encode() + b"\0" in f.read() + b"\0":
                    return int(pid)
        except OSError:
            pass
    return None


def cached_setting(build, name):
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    return None


def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def road(e2e, build, work, updater, server):
    """One update by `updater`: seconds from the click to the thank-you box, peak RSS in
    KiB, processor seconds of the updater's process (whole run, and from the click on) and
    of the wineserver from the click on."""
    program = os.path.join(work, "program")
    shutil.rmtree(program, ignore_errors=True)
    os.makedirs(program)
    shutil.copy(updater, os.path.join(program, "updater.exe"))
    shutil.copy(os.path.join(build, "bin", "ZipEng179.dll"), program)
    shutil.copy(os.path.join(build, "tests", "update", "quill_fake_v1.exe"),
                os.path.join(program, "quill.exe"))
    # wine-run.sh execs wine, so this process is the updater's own.
    process = e2e.wine_start(os.path.join(program, "updater.exe"), "1.0.0.0", "bench",
                             cwd=program)
    if not e2e.wait_window("Versiune noua disponibila", timeout=60, process=process):
        sys.exit("the dialog did not open")
    time.sleep(0.5)  # the dialog settles (the browser's page request) before the clock runs
    start = time.monotonic()
    cpu_at_click = cpu_seconds(process.pid)
    server_at_click = cpu_seconds(server) if server else 0.0
    for attempt in range(5):  # the window lookup can miss on a busy machine
        try:
            e2e.click_child("Versiune noua disponibila", "Descarca actualizarea")
            break
        except RuntimeError:
            if attempt == 4 or process.poll() is not None:
                sys.exit("%s: the download button could not be clicked" % updater)
            time.sleep(1)
    peak = 0
    while not e2e.find_windows("updater") and process.poll() is None:
        peak = max(peak, peak_kib(r"program[/\\]updater.exe"))
        time.sleep(0.2)
    elapsed = time.monotonic() - start
    peak = max(peak, peak_kib(r"program[/\\]updater.exe"))
    server_cpu = (cpu_seconds(server) - server_at_click) if server else 0.0
    box = e2e.wait_window("updater", timeout=5)
    if box:
        e2e.press(box, "Return")
    # Reaped here rather than by the Popen, for the process's resource use.
    deadline = time.monotonic() + 60
    while True:
        pid, _, usage = os.wait4(process.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() > deadline:
            sys.exit("the updater did not end")
        time.sleep(0.05)
    process.returncode = 0
    total = usage.ru_utime + usage.ru_stime
    return {"elapsed": elapsed, "peak": peak, "cpu": total, "road_cpu": total - cpu_at_click,
            "server_cpu": server_cpu}


def floor(build, work, url, archive, plain_only):
    """The 1025-byte loop, the grabber alone (not paced) and the engine's extraction:
    seconds and processor seconds."""
    bench = os.path.join(work, "floor")
    shutil.rmtree(bench, ignore_errors=True)
    os.makedirs(os.path.join(bench, "out"))
    shutil.copy(os.path.join(build, "download", "download_benchmark.exe"), bench)
    shutil.copy(os.path.join(build, "bin", "ZipEng179.dll"), bench)
    out = subprocess.run([os.path.join(build, "wine-run.sh"),
                          os.path.join(bench, "download_benchmark.exe"), url, "1", "--extract",
                          "Z:" + archive.replace("/", "\\"), PASSWORD,
                          "Z:" + os.path.join(bench, "out").replace("/", "\\")]
                         + (["--plain-only"] if plain_only else []),
                         cwd=bench, capture_output=True, text=True, check=True).stdout

    def figures(label):
        line = re.search(label + r":\s+(.*)", out).group(1)
        return (float(re.match(r"([\d.]+) s", line).group(1)),
                float(re.search(r"([\d.]+) CPU s", line).group(1)))

    result = {"loop": figures(r"plain WinInet 1025 B"), "extraction": figures("engine extraction")}
    if not plain_only:
        result["grabber"] = figures("grabber")
    return result


def make_release(folder, megabytes):
    """A release of version 2.0.0.0 whose archive holds `megabytes` MB of incompressible
    files (so the archive is as large as the update); returns its folder and archive."""
    shutil.rmtree(folder, ignore_errors=True)
    release, content = (os.path.join(folder, n) for n in ("release", "content"))
    for f in (release, content):
        os.makedirs(f)
    left, index = megabytes, 0
    while left > 0:
        with open(os.path.join(content, "data%02d.bin" % index), "wb") as f:
            f.write(os.urandom(min(left, 5) << 20))
        left, index = left - 5, index + 1
    archive = os.path.join(release, "UpdateQl.zip")
    subprocess.run(["zip", "-q", "-P", PASSWORD, archive] + sorted(os.listdir(content)),
                   cwd=content, check=True)
    shutil.rmtree(content)
    with open(os.path.join(release, "lastver.txt"), "w") as f:
        f.write("OK00012.0.0.0\r\n")
    return release, archive


def prepare(targets):
    """Builds what the road needs and starts the wine session; returns the preset, the build
    folder, the server base and the end-to-end helpers."""
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
    return preset, build, base, e2e


def measure(e2e, build, work, url, release, archive, updaters, rounds, pace, server_pid):
    """Floor and roads, `rounds` times each, in turn; lists of results."""
    floors, roads = [], {u: [] for u in updaters}
    with e2e.UpdateServer(release, pace=pace):
        server = server_pid()
        for _ in range(rounds):
            floors.append(floor(build, work, url, archive, plain_only=bool(pace)))
            for u in updaters:
                roads[u].append(road(e2e, build, work, u, server))
    return floors, roads


def median_of(results, key, index=None):
    return statistics.median(r[key] if index is None else r[key][index] for r in results)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--megabytes", type=int, default=50, help="loopback update size")
    parser.add_argument("--paced-megabytes", type=int, default=20, help="paced update size")
    parser.add_argument("--paces", default="2000000,500000",
                        help="archive body rates in bytes a second, comma-separated ('' for none)")
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--updater", action="append",
                        help="an updater.exe to time (repeatable); default: the build's")
    args = parser.parse_args()
    paces = [float(p) for p in args.paces.split(",") if p.strip()]
    preset, build, base, e2e = prepare(["updater", "download_benchmark"])
    updaters = [os.path.abspath(u) for u in args.updater or
                [os.path.join(build, "bin", "updater.exe")]]

    prefix = os.environ.get("WINEPREFIX", os.path.join(build, "wineprefix"))
    server_pid = lambda: wineserver_pid(prefix)  # noqa: E731
    url = base + "UpdateQl.zip"
    work = os.path.join(build, "bench-update")
    shutil.rmtree(work, ignore_errors=True)
    print("%s build under wine, %d processors, %s at the start"
          % (preset, os.cpu_count(), load()), flush=True)

    def name(u):
        return os.path.relpath(u, ROOT)

    if args.megabytes > 0:
        release, archive = make_release(os.path.join(work, "loopback"), args.megabytes)
        floors, roads = measure(e2e, build, work, url, release, archive, updaters, args.rounds,
                                None, server_pid)
        loop = median_of(floors, "loop", 0)
        extraction = median_of(floors, "extraction", 0)
        grabber = median_of(floors, "grabber", 0)
        print("loopback: %.1f MB archive, %d round(s), medians, %s"
              % (os.path.getsize(archive) / 1e6, args.rounds, load()))
        print("  floor:               %.2f s (1025-byte WinInet loop %.2f s + engine extraction "
              "%.2f s); %.2f CPU s (%.2f + %.2f)"
              % (loop + extraction, loop, extraction,
                 median_of(floors, "loop", 1) + median_of(floors, "extraction", 1),
                 median_of(floors, "loop", 1), median_of(floors, "extraction", 1)))
        print("  grabber alone:       %.2f s, %.2f times the loop" % (grabber, grabber / loop))
        for u in updaters:
            elapsed = median_of(roads[u], "elapsed")
            print("  %s" % name(u))
            print("    click to thank-you: %.2f s (%s), %.2f times the floor"
                  % (elapsed, ", ".join("%.2f" % r["elapsed"] for r in roads[u]),
                     elapsed / (loop + extraction)))
            print("    processor:          %.2f CPU s the whole run, %.2f from the click; "
                  "wineserver %.2f" % (median_of(roads[u], "cpu"), median_of(roads[u], "road_cpu"),
                                       median_of(roads[u], "server_cpu")))
            print("    updater peak RSS:   %.1f MiB"
                  % (max(r["peak"] for r in roads[u]) / 1024), flush=True)

    if paces:
        release, archive = make_release(os.path.join(work, "paced"), args.paced_megabytes)
    for pace in paces:
        floors, roads = measure(e2e, build, work, url, release, archive, updaters, args.rounds,
                                pace, server_pid)
        loop, loop_wall = median_of(floors, "loop", 1), median_of(floors, "loop", 0)
        extraction = median_of(floors, "extraction", 1)
        print("paced %.2f MB/s: %.1f MB archive, %d round(s), medians, %s"
              % (pace / 1e6, os.path.getsize(archive) / 1e6, args.rounds, load()))
        print("  floor:               %.2f CPU s (1025-byte WinInet loop %.2f CPU s in %.1f s "
              "+ engine extraction %.2f CPU s)" % (loop + extraction, loop, loop_wall, extraction))
        for u in updaters:
            cpu = median_of(roads[u], "cpu")
            print("  %s" % name(u))
            print("    processor:          %.2f CPU s the whole run (%s), %.2f times the floor"
                  % (cpu, ", ".join("%.2f" % r["cpu"] for r in roads[u]),
                     cpu / (loop + extraction)))
            print("    from the click:     %.2f CPU s in %.1f s; wineserver %.2f CPU s"
                  % (median_of(roads[u], "road_cpu"), median_of(roads[u], "elapsed"),
                     median_of(roads[u], "server_cpu")), flush=True)
    subprocess.run(["bash", "scripts/wine-session.sh", "stop", build], cwd=ROOT)
    print("%s at the end" % load())
    return 0


if __name__ == "__main__":
    sys.exit(main())
