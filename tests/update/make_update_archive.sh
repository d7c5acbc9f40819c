#!/bin/sh
# The update archive of the end-to-end tests: a quill.exe of version 2.0.0.0 and other
# files, encrypted with the dialog's password by Info-ZIP.
#   make_update_archive.sh <quill.exe of 2.0.0.0> <output.zip>
set -e
quill=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$quill" "$work/quill.exe"
printf 'Quillora 2.0.0.0\r\n' >"$work/readme.txt"
head -c 200000 /dev/urandom >"$work/raport.dat"
rm -f "$out"
(cd "$work" && zip -q -P marigoldstep "$out" quill.exe readme.txt raport.dat)
