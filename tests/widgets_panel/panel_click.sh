#!/usr/bin/env bash
# Clicks the markup anchor of a smooth panel with xdotool: the panel must show
# the hand cursor over it and raise OnAnchorClick with "go". Leaves a PNG of
# the window in the build folder.
set -euo pipefail
demo=$1
export DISPLAY
DISPLAY=$(cat "$QUILL_BINARY_DIR/display")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
winwork="Z:$(echo "$work" | tr / '\\')"
"$QUILL_WINE_RUN" "$demo" "$winwork" &
pid=$!
wid=$(timeout 60 xdotool search --sync --name '^Panel anchor test$' | head -1)
for _ in $(seq 300); do [ -s "$work/click.txt" ] && break; sleep 0.1; done
read -r x y <"$work/click.txt"
# A window that an earlier program left on the screen must not take the click.
xdotool windowraise "$wid"
xdotool mousemove --window "$wid" "$x" "$y"
sleep 0.3
xdotool mousemove --window "$wid" $((x + 1)) "$y"
sleep 0.3
import -window "$wid" "$PWD/panel_window.png" || true
xdotool click 1
for _ in $(seq 100); do [ -s "$work/result.txt" ] && break; sleep 0.1; done
wait "$pid" || true
result=$(cat "$work/result.txt" 2>/dev/null || echo "no click arrived")
echo "$result"
[ "$result" = "anchor=go cursor=hand" ]
