#!/usr/bin/env bash
# Clicks the probe's windowed, windowless and push-button targets with xdotool; the probe
# exits 0 when the clicks reached their OnClick handlers.
set -euo pipefail
probe=$1
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$QUILL_WINE_RUN" "$probe" >"$out" 2>/dev/null &
pid=$!
export DISPLAY
DISPLAY=$(cat "$QUILL_BINARY_DIR/display")
wnd=$(timeout 30 xdotool search --sync --name '^Toolkit click probe$' | head -1)
sleep 0.5
# The form has no frame, so window and client coordinates agree.
xdotool mousemove --window "$wnd" 100 70 click 1
sleep 0.3
xdotool mousemove --window "$wnd" 60 125 click 1
sleep 0.3
xdotool mousemove --window "$wnd" 210 60 click 1
status=0
wait "$pid" || status=$?
tr -d '\r' <"$out" >"$out.txt" && mv "$out.txt" "$out"
cat "$out"
grep -q 'windowed clicked' "$out"
grep -q 'windowless clicked' "$out"
# One press and release is one click, also for system buttons.
[ "$(grep -c '^button clicks=' "$out")" -eq 1 ]
exit "$status"
