#!/usr/bin/env bash
# Benchmark: our core against `unzip -P` on the same ~200 MB encrypted deflate archive.
#   engine/bench/run-bench.sh <native build folder> [runs]
# The data and the archive are made once under <build>/engine-bench (never committed).
set -euo pipefail
build=$(cd "$1" && pwd)
runs=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$build/engine-bench
archive=$work/bench.zip
password=marigoldstep
if [ ! -f "$archive" ]; then
  rm -rf "$work/data"
  mkdir -p "$work/data"
  python3 "$here/make-bench-data.py" "$work/data"
  (cd "$work/data" && zip -q -r -P "$password" "$archive" .)
fi
"$build/engine/zipengine_bench" "$archive" "$password" "$work/scratch" "$runs"
