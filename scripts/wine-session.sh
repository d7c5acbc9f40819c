#!/usr/bin/env bash
# Starts or stops what Windows tests need for one build folder: an Xvfb display
# of its own and a running wineserver on the build's prefix (a running server
# makes each wine start cheap and keeps ctest from waiting on wine's children).
#   scripts/wine-session.sh start <build-dir>
#   scripts/wine-session.sh stop  <build-dir>
#   scripts/wine-session.sh stop-server <build-dir>   (ends the wineserver, keeps the display)
set -euo pipefail
cmd=$1
build=$(cd "$2" && pwd)
# A test may keep a prefix of its own (another locale, say) by setting WINEPREFIX.
export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mshtml=d;mscoree=d;winemenubuilder.exe=d"

start_display() {
  if [ -f "$build/display" ] && [ -f "$build/xvfb.pid" ] && kill -0 "$(cat "$build/xvfb.pid")" 2>/dev/null; then
    return
  fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  echo $! >"$build/xvfb.pid"
  echo ":$n" >"$build/display"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
}

init_prefix() {
  export DISPLAY
  DISPLAY=$(cat "$build/display")
  if [ ! -f "$WINEPREFIX/.quill-ready" ]; then
    "$build/wine-run.sh" wineboot -i >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1
    # wine does not see Tahoma otherwise; GDI+ needs it for the dialog's font.
    cp /usr/share/wine/fonts/tahoma*.ttf /usr/share/wine/fonts/marlett.ttf \
      "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # Without a window manager every hide or destroy of a top-level window costs
    # seconds; unmanaged windows avoid that (the X window then covers the frame).
    "$build/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.quill-ready"
  fi
  # Nothing started here may hold the caller's output open (ctest waits for it to close).
  wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
  "$build/wine-run.sh" wineboot >/dev/null 2>&1 || true
}

# Ends the wineserver and waits until it is gone: one still going down would answer the
# next start's "wineserver -p" and then leave, and the wine program after it would start a
# server that inherits that program's output pipes and holds its caller waiting for good.
end_server() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
}

case $cmd in
  start) start_display; init_prefix ;;
  stop-server) end_server ;;
  stop)
    end_server
    if [ -f "$build/xvfb.pid" ]; then kill "$(cat "$build/xvfb.pid")" 2>/dev/null || true; rm -f "$build/xvfb.pid"; fi
    ;;
  *) echo "usage: $0 start|stop <build-dir>" >&2; exit 2 ;;
esac
