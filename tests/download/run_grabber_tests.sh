#!/usr/bin/env bash
# Runs the grabber's Windows tests against loopback update servers, one per fault
# mode, each on a free port. Usage: run_grabber_tests.sh <test program>
set -euo pipefail
program=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/quill-grabber.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A body of 300 000 random bytes, so misplaced or repeated pieces show.
mkdir -p "$work/release" "$work/small"
head -c 300000 /dev/urandom >"$work/release/UpdateQl.zip"
head -c 65536 "$work/release/UpdateQl.zip" >"$work/small/UpdateQl.zip"

# start_server NAME RELEASE [server options...]: starts it in the background; the
# servers start side by side (each python start is slow on a busy machine).
names=()
start_server() {
  local name=$1 release=$2
  shift 2
  python3 "$QUILL_SERVER" --port 0 --port-file "$work/$name.port" --release "$release" \
    --log "$work/$name.log" "$@" &
  pids+=($!)
  names+=("$name")
}

# Exports DL_PORT_<NAME> and DL_LOG_<NAME> once every server listens.
await_servers() {
  local name
  for name in "${names[@]}"; do
    for _ in $(seq 600); do [ -s "$work/$name.port" ] && break; sleep 0.05; done
    [ -s "$work/$name.port" ] || { echo "server $name did not start" >&2; exit 1; }
    export "DL_PORT_${name^^}=$(cat "$work/$name.port")"
    export "DL_LOG_${name^^}=$work/$name.log"
  done
}

start_server ok "$work/release"
start_server nolength "$work/release" --fault no-length
start_server notfound "$work/release" --fault 404
start_server badlength "$work/release" --fault bad-length
start_server hugelength "$work/release" --fault huge-length
start_server slow "$work/small" --fault slow --slow-delay 0.05
start_server reset "$work/release" --fault reset
await_servers

# A port nothing listens on: bound once to learn a free number, then released.
export DL_PORT_DEAD=$(python3 -c "import socket; s=socket.socket(); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])")
export DL_BODY=$work/release/UpdateQl.zip
export DL_WORK=$work
export WINEDEBUG=-all
export QUILL_RETRY_PAUSE_MS=100

"$QUILL_WINE_RUN" "$program"
