#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts the demo.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
build=build/release
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. Run it under a virtual X server:  xvfb-run -a ./run.sh" >&2
  exit 1
fi
# Until the demo exists, start the forms runtime's smoke window instead.
if [ -x "$build/bin/Whorlix" ]; then
  exec "$build/bin/Whorlix"
fi
exec "$build/bin/forms_smoke"
