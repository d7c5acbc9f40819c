#!/usr/bin/env bash
# The hosted browser sends its GET for the release-notes page to the update server (wine has
# no HTML engine here, so nothing renders), and the program goes on without the page.
set -euo pipefail
probe=$1
work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir "$work/release"
echo '<html><body>Noutati</body></html>' >"$work/release/notes.html"
python3 "$QUILL_SERVER" --port 0 --port-file "$work/port" --release "$work/release" --log "$work/log" &
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/getist.php?id=4711"
start=$(date +%s)
out=$(timeout 40 "$QUILL_WINE_RUN" "$probe" --navigate "$url" 2>/dev/null | tr -d '\r')
echo "$out"
echo "probe ran $(( $(date +%s) - start )) s"
grep -q 'available=1 navigate=1' <<<"$out"
grep '"path": "/getist.php?id=4711"' "$work/log"
grep -q '"method": "GET", "path": "/getist.php?id=4711"' "$work/log"

# Without the system's browser (its libraries disabled) the program carries on: the
# rectangle stays empty, Navigate reports false, the modal loop still ends normally.
out=$(WINEDLLOVERRIDES="ieframe=d;shdocvw=d;mshtml=d;winemenubuilder.exe=d" \
      timeout 40 "$QUILL_WINE_RUN" "$probe" --navigate "$url" 2>/dev/null | tr -d '\r')
echo "$out"
grep -q 'available=0 navigate=0' <<<"$out"
