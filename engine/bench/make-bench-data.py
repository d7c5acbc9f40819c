#!/usr/bin/env python3
"""Writes the benchmark's mixed files (deterministic): text and log files that compress well,
random binary files that do not, and many small files. Usage: make-bench-data.py <folder>"""
import os
import random
import sys

folder = sys.argv[1]
rng = random.Random(179)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 10)))
         for _ in range(4000)]


def text(size):
    out, length = [], 0
    while length < size:
        line = ' '.join(rng.choice(words) for _ in range(rng.randint(4, 16))) + '\n'
        out.append(line)
        length += len(line)
    return ''.join(out)[:size].encode()


def write(relative, data):
    path = os.path.join(folder, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


for i in range(6):  # large incompressible files: 90 MB
    write(f'bin/blob{i}.dat', rng.randbytes(15 * 1024 * 1024))
for i in range(40):  # text and logs: 160 MB, roughly 3:1
    write(f'docs/part{i // 10}/text{i}.txt', text(4 * 1024 * 1024))
for i in range(2000):  # many small files
    write(f'small/{i % 20}/f{i}.cfg', text(rng.randint(100, 20000)))
