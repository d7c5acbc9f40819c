#!/bin/sh
# Makes the encrypted test archive with Info-ZIP: readme.txt, data/big.bin, data/notes.txt.
set -e
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data"
printf 'Quillora update\n' >"$work/readme.txt"
head -c 300000 /dev/urandom >"$work/data/big.bin"
printf 'notes\n' >"$work/data/notes.txt"
rm -f "$out"
(cd "$work" && zip -q -D -r -P marigoldstep "$out" readme.txt data)
