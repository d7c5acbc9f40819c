#!/usr/bin/env python3
"""Benchmark of List on an archive of 65,535 entries against python's zipfile and unzip -l.

usage: bench_list.py BENCH_PROGRAM WORK_DIR [RUNS]
Makes WORK_DIR/many.zip (once), then runs each reader RUNS times as a separate process and
prints the median wall time of each and the ratios; also the in-process List median.
"""
import os
import statistics
import subprocess
import sys
import time
import zipfile

bench, work = sys.argv[1], sys.argv[2]
runs = int(sys.argv[3]) if len(sys.argv) > 3 else 9
os.makedirs(work, exist_ok=True)
archive = os.path.join(work, "many.zip")
if not os.path.exists(archive):
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_STORED) as z:
        for i in range(65535):
            z.writestr(f"folder{i % 97:02d}/entry{i:05d}.txt", b"x")

commands = {
    "List (this reader)": [bench, archive, "1"],
    "python zipfile infolist()": [sys.executable, "-c",
                                  "import sys,zipfile; zipfile.ZipFile(sys.argv[1]).infolist()",
                                  archive],
    "unzip -l": ["unzip", "-l", archive],
}
medians = {}
for name, cmd in commands.items():
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
        times.append((time.perf_counter() - start) * 1000)
    medians[name] = statistics.median(times)
    print(f"{name:28s} median {medians[name]:8.1f} ms (process wall time, {runs} runs)")
ours = medians["List (this reader)"]
for name, value in medians.items():
    if name != "List (this reader)":
        print(f"ratio {name} / List: {value / ours:.2f}")
print(subprocess.run([bench, archive, str(runs)], check=True, capture_output=True,
                     text=True).stdout.strip(), "(in-process)")
