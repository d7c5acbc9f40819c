#!/usr/bin/env python3
"""Builds the reader's test archives with real tools (Info-ZIP zip, python's zipfile).

usage: make_archives.py OUT_DIR
Everything is deterministic (fixed contents, fixed times) so repeated builds agree.
"""
import os
import random
import shutil
import subprocess
import sys
import zipfile

out = os.path.abspath(sys.argv[1])
work = os.path.join(out, "src")
shutil.rmtree(out, ignore_errors=True)
os.makedirs(work)


def zip_(*args, cwd=work, **kw):
    subprocess.run(["zip", "-q", "-X", *args], cwd=cwd, check=True, **kw)


def write(rel, data):
    path = os.path.join(work, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (1700000000, 1700000000))


write("d/a.txt", b"hello from Quillora\n" * 20)
write("d/sub/b.txt", b"second file\n")
write("d/big.bin", random.Random(6).randbytes(150000))
write("a.txt", b"plain text entry\n" * 10)
for folder in ("d/sub", "d"):
    os.utime(os.path.join(work, folder), (1700000000, 1700000000))

# Directories first: "d/" is the first central entry, a directory only.
zip_("-r", os.path.join(out, "plain.zip"), "d/a.txt", "d/sub", "-x", "d/big.bin")
subprocess.run(["zip", "-q", "-X", os.path.join(out, "dirs.zip"), "d/", "d/a.txt", "d/sub/",
                "d/sub/b.txt"], cwd=work, check=True)
zip_(os.path.join(out, "comment.zip"), "a.txt")
subprocess.run(["zip", "-q", "-z", os.path.join(out, "comment.zip")], cwd=work, check=True,
               input=b"Quillora archive comment\n")
zip_("-P", "marigoldstep", os.path.join(out, "encrypted.zip"), "a.txt", "d/a.txt")
zip_("-r", "-s", "64k", os.path.join(out, "split.zip"), "d")
# Streaming to a pipe makes zip write data descriptors (flag bit 3).
stream = subprocess.run(["zip", "-q", "-X", "-", "a.txt"], cwd=work, check=True,
                        stdout=subprocess.PIPE).stdout
with open(os.path.join(out, "stream.zip"), "wb") as f:
    f.write(stream)

# Reading standard input, zip knows no size ahead: local headers with 0xFFFFFFFF sizes and a
# Zip64 field, Zip64 data descriptors, a Zip64 end record before the end record; the central
# headers hold the real sizes.
with open(os.path.join(work, "d/big.bin"), "rb") as f:
    big = f.read()
zip_("-P", "marigoldstep", os.path.join(out, "stdin.zip"), "-", input=b"plain text entry\n" * 10)
zip_("-s", "64k", os.path.join(out, "stdinsplit.zip"), "-", input=big)

with zipfile.ZipFile(os.path.join(out, "stored.zip"), "w", zipfile.ZIP_STORED) as z:
    for name, data in (("one.txt", b"stored one\n"), ("two/three.txt", b"stored three\n" * 3)):
        info = zipfile.ZipInfo(name, date_time=(2024, 1, 2, 3, 4, 6))
        z.writestr(info, data)

with open(os.path.join(out, "notes.zip"), "w") as f:
    f.write("This is a text file, not an archive.\n" * 5)

shutil.rmtree(work)
