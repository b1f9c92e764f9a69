#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest, headless.
# Arguments go to CTest:  ./test.sh -L pulse   ./test.sh -R Meter
# KV_SANITIZE=1 ./test.sh builds and tests the address/undefined sanitizer
# configuration in build/asan instead of build/test.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh test

if [ "${KV_SANITIZE:-0}" = 1 ]; then
  build=build/asan
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BUILD_BENCH=OFF >/dev/null
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
else
  build=build/test
  [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2

# The private sound server (KV_SOUND_SERVER: pulseaudio or pipewire) lives as
# long as this script.
sound_log=$build/sound-server.log
: >"$sound_log"
server_env=$(KV_SOUND_LOG=$sound_log scripts/sound-server.sh start)
eval "$server_env"
# By absolute path: the trap runs after the cd into the build directory.
root=$PWD
trap '"$root/scripts/sound-server.sh" stop "$KV_SOUND_DIR"' EXIT

export QT_QPA_PLATFORM=offscreen
export KV_REGISTRY_FILE="$PWD/$build/test-registry.reg"
export KV_MACHINE_REGISTRY_FILE="$PWD/$build/test-machine-registry.reg"
cd "$build"
ctest --output-on-failure -j2 "$@"
