#!/usr/bin/env bash
# Runs a command on a private virtual X server with openbox as its window
# manager, so tests meet a real desktop and never touch the user's display.
#   desktop_session.sh [--xft-dpi N] -- COMMAND...
# --xft-dpi loads "Xft.dpi: N" into the server's resources, the way an X11
# desktop asks for a scale (the server keeps them only with -noreset).
set -euo pipefail

if [ "${1:-}" != --inside ]; then
  dpi=""
  if [ "${1:-}" = --xft-dpi ]; then dpi=$2; shift 2; fi
  [ "${1:-}" = -- ] && shift
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" --inside "$dpi" "$@"
fi

dpi=$2
shift 2  # --inside, the DPI
if [ $# -eq 0 ]; then echo "desktop_session.sh: no command to run" >&2; exit 2; fi
# openbox keeps its files in a folder of this session, not the user's.
state=$(mktemp -d "${TMPDIR:-/tmp}/kv-desktop.XXXXXX")
wm=""
cleanup() {
  if [ -n "$wm" ]; then kill "$wm" 2>/dev/null || true; wait "$wm" 2>/dev/null || true; fi
  rm -rf "$state"
}
trap cleanup EXIT

[ -n "$dpi" ] && echo "Xft.dpi: $dpi" | xrdb -merge
XDG_CONFIG_HOME=$state XDG_CACHE_HOME=$state XDG_DATA_HOME=$state openbox --sm-disable >"$state/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  echo "openbox did not start:" >&2
  cat "$state/openbox.log" >&2
  exit 1
fi

status=0
QT_QPA_PLATFORM=xcb "$@" || status=$?
exit "$status"
