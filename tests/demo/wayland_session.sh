#!/usr/bin/env bash
# Runs a command as a native Wayland client of a private headless compositor
# (weston's headless backend with its desktop shell, one 1280x1024 output),
# so tests meet a real compositor and never touch the user's session.
#   wayland_session.sh -- COMMAND...
# The compositor gets a runtime folder of its own; its socket is the only
# display the command sees (no X server: Qt cannot fall back to Xwayland).
# It runs with the pixman renderer so that weston-screenshooter (allowed by
# --debug) can grab what the output shows. When the compositor cannot start
# at all, the command is not run and the script exits with 77, the status
# CTest is told means "skipped".
set -euo pipefail

[ "${1:-}" = -- ] && shift
if [ $# -eq 0 ]; then echo "wayland_session.sh: no command to run" >&2; exit 2; fi
if ! command -v weston >/dev/null; then
  echo "wayland_session.sh: SKIPPED: weston is not installed (scripts/install-deps.sh test installs it)" >&2
  exit 77
fi

runtime=$(mktemp -d "${TMPDIR:-/tmp}/kv-wayland.XXXXXX")
chmod 700 "$runtime"
compositor=""
cleanup() {
  if [ -n "$compositor" ]; then kill "$compositor" 2>/dev/null || true; wait "$compositor" 2>/dev/null || true; fi
  rm -rf "$runtime"
}
trap cleanup EXIT

# No panel, no lock screen, no idle blanking: the output is the client's.
cat >"$runtime/weston.ini" <<'EOF'
[core]
idle-time=0
require-input=false

[shell]
panel-position=none
background-color=0xffff8000
locking=false
animation=none
startup-animation=none
close-animation=none
focus-animation=none
EOF

socket=kv-wayland-$$
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --use-pixman --width=1280 --height=1024 \
  --socket="$socket" --config="$runtime/weston.ini" --idle-time=0 --debug \
  --log="$runtime/weston.log" >/dev/null 2>&1 &
compositor=$!
for _ in $(seq 1 200); do
  [ -S "$runtime/$socket" ] && grep -q "launching '.*weston-desktop-shell'" "$runtime/weston.log" 2>/dev/null && break
  kill -0 "$compositor" 2>/dev/null || break
  sleep 0.05
done
if ! [ -S "$runtime/$socket" ] || ! kill -0 "$compositor" 2>/dev/null; then
  echo "wayland_session.sh: SKIPPED: the headless compositor did not start:" >&2
  cat "$runtime/weston.log" >&2 2>/dev/null || true
  exit 77
fi
# The shell is ready once it has set up the output's background.
sleep 0.3

status=0
env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland \
  KV_SCREENSHOT_DIR="$runtime" "$@" || status=$?
if ! kill -0 "$compositor" 2>/dev/null; then
  echo "wayland_session.sh: the compositor ended during the run:" >&2
  cat "$runtime/weston.log" >&2
  [ "$status" -eq 0 ] && status=1
fi
exit "$status"
