#!/usr/bin/env bash
# Installs what is missing, builds in Release, registers the control module and
# starts the demo. With no sound server running it starts a private one with a
# null output and plays a bundled loop into it, so the level moves at once.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
build=build/release
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target Whorlix KvQmxTmr regtool

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. Run it under a virtual X server:  xvfb-run -a ./run.sh" >&2
  exit 1
fi

"$build/bin/regtool" register "$build/bin/KvQmxTmr.ocx" >/dev/null

pulse_dir=""
player=""
cleanup() {
  if [ -n "$player" ]; then
    pkill -P "$player" 2>/dev/null || true
    kill "$player" 2>/dev/null || true
    wait "$player" 2>/dev/null || true
  fi
  if [ -n "$pulse_dir" ]; then scripts/pulse-server.sh stop "$pulse_dir"; fi
}
trap cleanup EXIT

if ! pactl info >/dev/null 2>&1; then
  echo "No sound server running: starting a private one and playing a sample loop into it."
  eval "$(scripts/pulse-server.sh start)"
  pulse_dir=$KV_PULSE_DIR
  # The loop dies with this script's cleanup; its own failures end it quietly.
  (while paplay assets/sample_loop.wav 2>/dev/null; do :; done) &
  player=$!
fi

status=0
"$build/bin/Whorlix" || status=$?
exit "$status"
