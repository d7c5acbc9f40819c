#!/bin/sh
# The program trees of the kill tests: the installed one (old/: quill.exe 1.0.0.0 and a few
# dozen files, a few of which the new version no longer has), the one an update makes of it
# (new/: the old-only files stay, every other file is the new version's), and the update
# archive (the new version's files, encrypted with the dialog's password by Info-ZIP).
#   make_kill_trees.sh <quill.exe 1.0.0.0> <quill.exe 2.0.0.0> <output folder>
set -e
v1=$1
v2=$2
out=$3
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
# Flat: the dialog extracts without the entries' folder names.
mkdir -p "$out/old" "$out/release"
cp "$v1" "$out/old/quill.exe"
cp "$v2" "$out/release/quill.exe"
i=1
while [ $i -le 30 ]; do
  n=$(printf %02d $i)
  # Sizes from 40 KB to 330 KB, so that the commit of each file takes a while.
  size=$((40000 + i * 10000))
  head -c $size /dev/urandom >"$out/old/f$n.bin"
  head -c $((size + 7)) /dev/urandom >"$out/release/f$n.bin"
  i=$((i + 1))
done
printf 'Quillora 1.0.0.0\r\n' >"$out/old/readme.txt"
printf 'Quillora 2.0.0.0\r\n' >"$out/release/readme.txt"
head -c 120000 /dev/urandom >"$out/old/anual.dat"
head -c 125000 /dev/urandom >"$out/release/anual.dat"
# Only the old version has these; only the new one has those.
printf 'vechi\r\n' >"$out/old/vechi1.txt"
head -c 60000 /dev/urandom >"$out/old/vechi2.dat"
head -c 30000 /dev/urandom >"$out/old/vechi3.dat"
printf 'nou\r\n' >"$out/release/nou1.txt"
head -c 90000 /dev/urandom >"$out/release/nou2.dat"

mkdir -p "$out/new"
cp -R "$out/old/." "$out/new/"
cp -R "$out/release/." "$out/new/"
(cd "$out/release" && zip -q -P marigoldstep "$out/UpdateQl.zip" *)
rm -rf "$out/release"
