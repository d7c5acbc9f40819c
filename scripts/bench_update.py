#!/usr/bin/env python3
"""Benchmark of the whole road for a large update on loopback: from the click on
"Descarca actualizarea" to the thank-you box, and the updater's peak memory.

  python3 scripts/bench_update.py [--megabytes 50]

Needs a built Windows preset (scripts/test.sh or scripts/demo.sh builds one).
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--megabytes", type=int, default=50)
    args = parser.parse_args()
    preset = subprocess.run(["bash", "scripts/wine-preset.sh"], cwd=ROOT, capture_output=True,
                            text=True).stdout.strip()
    build = os.path.join(ROOT, "build", preset)
    subprocess.run(["cmake", "--build", build, "--target", "updater", "wininfo", "update_e2e_data"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["bash", "scripts/wine-session.sh", "start", build], cwd=ROOT, check=True)
    os.environ.update(QUILL_SOURCE_DIR=ROOT, QUILL_BINARY_DIR=build,
                      QUILL_WINE_RUN=os.path.join(build, "wine-run.sh"),
                      QUILL_SERVER=os.path.join(ROOT, "server", "update_server.py"))
    os.environ.pop("DISPLAY", None)
    sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
    import quill_e2e as e2e

    work = os.path.join(build, "bench-update")
    shutil.rmtree(work, ignore_errors=True)
    program, release, content = (os.path.join(work, n) for n in ("program", "release", "content"))
    for folder in (program, release, content):
        os.makedirs(folder)
    for name in ("updater.exe", "ZipEng179.dll"):
        shutil.copy(os.path.join(build, "bin", name), program)
    shutil.copy(os.path.join(build, "tests", "update", "quill_fake_v1.exe"),
                os.path.join(program, "quill.exe"))
    # Incompressible 5 MB files: the archive is as large as the update.
    for i in range(max(1, args.megabytes // 5)):
        with open(os.path.join(content, "data%02d.bin" % i), "wb") as f:
            f.write(os.urandom(5 << 20))
    subprocess.run(["zip", "-q", "-P", "marigoldstep", os.path.join(release, "UpdateQl.zip")] +
                   sorted(os.listdir(content)), cwd=content, check=True)
    with open(os.path.join(release, "lastver.txt"), "w") as f:
        f.write("OK00012.0.0.0\r\n")
    size = os.path.getsize(os.path.join(release, "UpdateQl.zip"))

    with e2e.UpdateServer(release):
        updater = e2e.wine_start(os.path.join(program, "updater.exe"), "1.0.0.0", "bench",
                                 cwd=program)
        if not e2e.wait_window("Versiune noua disponibila", timeout=60, process=updater):
            sys.exit("the dialog did not open")
        start = time.monotonic()
        e2e.click_child("Versiune noua disponibila", "Descarca actualizarea")
        peak = 0
        while not e2e.find_windows("updater") and updater.poll() is None:
            peak = max(peak, peak_kib(r"program[/\\]updater.exe"))
            time.sleep(0.2)
        elapsed = time.monotonic() - start
        peak = max(peak, peak_kib(r"program[/\\]updater.exe"))
        box = e2e.wait_window("updater", timeout=5)
        if box:
            e2e.press(box, "Return")
        updater.wait(timeout=60)
    print("archive:            %.1f MB" % (size / 1e6))
    print("click to thank-you: %.1f s" % elapsed)
    print("updater peak RSS:   %.1f MiB" % (peak / 1024))
    subprocess.run(["bash", "scripts/wine-session.sh", "stop", build], cwd=ROOT)
    return 0


if __name__ == "__main__":
    sys.exit(main())
