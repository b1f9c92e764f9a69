#!/usr/bin/env bash
# Installs what is missing, builds in Release, registers the control module and
# starts the demo. With no sound server running it starts a private one with a
# null output and plays a bundled loop into it, so the level moves at once;
# when none can start, the demo runs without sound.
# One line per step; the build's full output is in build/release/build.log
# (printed when the build fails), the private server's in
# build/release/sound-server.log.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh run
build=build/release
mkdir -p "$build"
log=$build/build.log
stamp=$build/.built-tree

# Nothing in the tree newer than the last good build (an edited, added or
# removed file makes its directory newer too): nothing to build.
changed() {
  [ -f "$stamp" ] && [ -x "$build/bin/Whorlix" ] || return 0
  [ -n "$(find . \( -path ./build -o -path ./.git \) -prune -o -newer "$stamp" -print -quit)" ]
}
if changed; then
  echo "Building $build (log: $log)"
  touch "$stamp.new"
  if ! {
    [ -f "$build/CMakeCache.txt" ] ||
      cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF
    cmake --build "$build" -j2 --target Whorlix KvQmxTmr regtool
  } >"$log" 2>&1; then
    cat "$log" >&2
    echo "The build failed; its output is above and in $log" >&2
    exit 1
  fi
  mv "$stamp.new" "$stamp"
else
  echo "Build $build is up to date"
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. Run it under a virtual X server:  xvfb-run -a ./run.sh" >&2
  exit 1
fi

echo "Registering the controls"
"$build/bin/kvqmxtmr-regtool" register "$build/bin/KvQmxTmr.ocx" >/dev/null

sound_dir=""
player=""
cleanup() {
  if [ -n "$player" ]; then
    pkill -P "$player" 2>/dev/null || true
    kill "$player" 2>/dev/null || true
    wait "$player" 2>/dev/null || true
  fi
  if [ -n "$sound_dir" ]; then scripts/sound-server.sh stop "$sound_dir" || true; fi
}
trap cleanup EXIT
trap "exit 130" INT TERM

if timeout 5 pactl info >/dev/null 2>&1; then
  echo "Sound: the running sound server"
else
  sound_log=$build/sound-server.log
  : >"$sound_log"
  if server_env=$(KV_SOUND_LOG="$sound_log" scripts/sound-server.sh start 2>>"$sound_log"); then
    eval "$server_env"
    sound_dir=$KV_SOUND_DIR
    echo "Sound: no server running; a private one ($(scripts/sound-server.sh which)) plays a sample loop"
    # The loop dies with this script's cleanup; its own failures end it quietly.
    (while paplay assets/sample_loop.wav 2>/dev/null; do :; done) &
    player=$!
  else
    echo "Sound: no server running and none could start (see $sound_log); the demo runs without sound"
  fi
fi

echo "Starting Whorlix"
status=0
"$build/bin/Whorlix" || status=$?
exit "$status"
