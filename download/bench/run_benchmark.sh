#!/usr/bin/env bash
# Serves a 64 MiB archive on a free loopback port and runs the download benchmark
# against it. Usage: run_benchmark.sh <download_benchmark.exe> <wine-run.sh> [rounds]
set -euo pipefail
program=$1
wine_run=$2
rounds=${3:-3}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quill-bench.XXXXXX")
server=""
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/release"
head -c $((64 * 1024 * 1024)) /dev/urandom >"$work/release/UpdateQl.zip"
python3 "$source_dir/server/update_server.py" --port 0 --port-file "$work/port" \
  --release "$work/release" --log "$work/server.log" &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
"$wine_run" "$program" "http://127.0.0.1:$(cat "$work/port")/UpdateQl.zip" "$rounds"
