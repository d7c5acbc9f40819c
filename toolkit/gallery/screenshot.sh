#!/usr/bin/env bash
# Shows the toolkit gallery and saves what it draws as <build>/toolkit-gallery.png.
#   toolkit/gallery/screenshot.sh <windows build folder with a running wine session>
set -euo pipefail
build=$(cd "$1" && pwd)
png="$build/toolkit-gallery.png"
export DISPLAY
DISPLAY=$(cat "$build/display")
"$build/wine-run.sh" "$build/toolkit/toolkit_gallery.exe" --close-after 8000 >/dev/null 2>&1 &
pid=$!
wnd=$(timeout 30 xdotool search --sync --name '^Toolkit gallery$' | head -1)
sleep 1.5  # let every control paint
import -window "$wnd" "$png"
wait "$pid" || true
echo "$png"
