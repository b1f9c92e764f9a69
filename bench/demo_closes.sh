#!/usr/bin/env bash
# Closes the demo's main window again and again, once in each mode, with the
# level moving, on the headless Wayland compositor (or on Xvfb with openbox),
# and counts the runs that crashed. Each round is a fresh program that closes
# the window five times (tests/demo/desktop_test.cpp, ClosedDuringAMode).
#   bench/demo_closes.sh [--rounds N] [--load N] [--display-server wayland|x11] [BUILD_DIR]
# --load N keeps N busy loops running meanwhile, so that events pile up the
# way they do on a loaded machine. Default: 10 rounds (50 closes), load 2,
# wayland, build/test.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=10 load=2 server=wayland build=build/test
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=$2; shift 2 ;;
    --load) load=$2; shift 2 ;;
    --display-server) server=$2; shift 2 ;;
    -*) echo "usage: $0 [--rounds N] [--load N] [--display-server wayland|x11] [BUILD_DIR]" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
case "$server" in
  wayland) session=tests/demo/wayland_session.sh ;;
  x11) session=tests/demo/desktop_session.sh ;;
  *) echo "demo_closes.sh: --display-server takes wayland or x11" >&2; exit 2 ;;
esac
tests=$build/bin/demo_desktop_tests
[ -x "$tests" ] || tests=$(find "$build" -name demo_desktop_tests -type f -perm -u+x | head -n 1)
if [ -z "$tests" ] || [ ! -x "$tests" ]; then echo "demo_closes.sh: no demo_desktop_tests in $build" >&2; exit 2; fi

busy=()
stop_load() { for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap stop_load EXIT
for _ in $(seq 1 "$load"); do
  sh -c 'while :; do :; done' &
  busy+=($!)
done

log=$(mktemp "${TMPDIR:-/tmp}/kv-closes.XXXXXX")
crashed=0 failed=0
for round in $(seq 1 "$rounds"); do
  status=0
  "$session" -- "$tests" --gtest_filter='*ClosedDuringAMode*' >>"$log" 2>&1 || status=$?
  if [ "$status" -gt 128 ] || grep -q "Segmentation fault\|Aborted\|core dumped" <(tail -n 5 "$log"); then
    crashed=$((crashed + 1))
  elif [ "$status" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  printf '.' >&2
done
printf '\n' >&2
echo "$server: $((rounds * 5)) closes in $rounds runs, load $load: $crashed runs crashed, $failed failed otherwise (log: $log)"
[ "$crashed" -eq 0 ] && [ "$failed" -eq 0 ]
