#!/usr/bin/env bash
# Takes the display away under the running demo, once at the start screen,
# once in each mode of its Functions menu and once with the quit dialog open,
# and checks that every time the program ends as one whose display has gone:
# status 1 and the toolkit's message, no crash and no hang.
#   display_loss.sh x11|xwayland|wayland RUNNER
# x11: a private Xvfb, killed. xwayland: the X server of a private headless
# weston, killed under the demo as an X client. wayland: the demo a native
# client of a private headless weston, the compositor killed. RUNNER is
# demo_mode_runner (the real main window; menu items by name through a pipe);
# regtool and KvQmxTmr.ocx lie beside it. Exits 77 (skipped) when the
# compositor cannot start at all.
set -euo pipefail

kind=${1:-}
runner=${2:-}
case "$kind" in x11 | xwayland | wayland) ;; *) echo "usage: $0 x11|xwayland|wayland RUNNER" >&2; exit 2 ;; esac
[ -x "$runner" ] || { echo "display_loss.sh: no runner at '$runner'" >&2; exit 2; }
bin=$(dirname "$runner")

work=$(mktemp -d "${TMPDIR:-/tmp}/kv-display-loss.XXXXXX")
chmod 700 "$work"
server="" demo=""
stop() {
  if [ -n "$demo" ]; then kill -KILL "$demo" 2>/dev/null || true; wait "$demo" 2>/dev/null || true; fi
  if [ -n "$server" ]; then
    kill -KILL "$server" 2>/dev/null || true
    wait_for 5 bash -c "! kill -0 $server 2>/dev/null" || true
  fi
  demo="" server=""
}
trap 'stop; rm -rf "$work"' EXIT

export KV_REGISTRY_FILE=$work/registry.reg KV_MACHINE_REGISTRY_FILE=$work/machine.reg
"$bin/kvqmxtmr-regtool" register "$bin/KvQmxTmr.ocx" >"$work/regtool.log" 2>&1 || { cat "$work/regtool.log" >&2; exit 1; }
# A level that moves at every reading, so each mode draws all the time.
{ printf 'values'; for l in $(seq 0 800 16000); do printf ' %s' "$l"; done; printf '\nend cycle\n'; } >"$work/levels"

wait_for() {  # wait_for SECONDS COMMAND...: true once COMMAND succeeds
  local tries=$(($1 * 20))
  shift
  for _ in $(seq 1 "$tries"); do "$@" && return 0; sleep 0.05; done
  return 1
}

# Starts the display server; sets server, and env for the demo in client_env.
start_display() {
  local dir=$work/run
  rm -rf "$dir" && mkdir -m 700 "$dir"
  if [ "$kind" = x11 ]; then
    exec 3>"$dir/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$dir/server.log" 2>&1 &
    server=$!
    disown "$server"  # its end by a signal is the point, not news
    exec 3>&-
    wait_for 10 test -s "$dir/display" || { cat "$dir/server.log" >&2; return 1; }
    client_env=(-u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$dir" DISPLAY=":$(cat "$dir/display")" QT_QPA_PLATFORM=xcb)
    return 0
  fi
  command -v weston >/dev/null || { echo "SKIPPED: weston is not installed" >&2; exit 77; }
  printf '[core]\nidle-time=0\nrequire-input=false\n[shell]\npanel-position=none\nlocking=false\nanimation=none\nstartup-animation=none\n' >"$dir/weston.ini"
  local extra=()
  if [ "$kind" = xwayland ]; then
    command -v Xwayland >/dev/null || { echo "SKIPPED: Xwayland is not installed" >&2; exit 77; }
    extra=(--xwayland)
    # Where every X server keeps its socket; the compositor makes none.
    [ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }
  fi
  XDG_RUNTIME_DIR=$dir weston --backend=headless-backend.so --use-pixman --width=1280 --height=1024 \
    --socket=kv-loss --config="$dir/weston.ini" --idle-time=0 --log="$dir/server.log" "${extra[@]}" >/dev/null 2>&1 &
  server=$!
  disown "$server"
  if ! wait_for 10 grep -q "launching '.*weston-desktop-shell'" "$dir/server.log"; then
    echo "SKIPPED: the headless compositor did not start:" >&2
    cat "$dir/server.log" >&2
    exit 77
  fi
  if [ "$kind" = wayland ]; then
    client_env=(-u DISPLAY XDG_RUNTIME_DIR="$dir" WAYLAND_DISPLAY=kv-loss QT_QPA_PLATFORM=wayland)
  else
    local display
    display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$dir/server.log" | head -n 1)
    [ -n "$display" ] || { echo "weston gave no X display:" >&2; cat "$dir/server.log" >&2; return 1; }
    client_env=(-u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$dir" DISPLAY="$display" QT_QPA_PLATFORM=xcb)
  fi
}

# What goes away: the X server itself, also under the compositor; natively
# the compositor.
victim() {
  if [ "$kind" = xwayland ]; then pgrep -n -P "$server" Xwayland; else echo "$server"; fi
}

failures=0
# Each case: the menu item chosen before the display goes (none: the start
# screen; mnuExit: the quit dialog is open).
for item in "" mnuWhorlix mnuDialfenLow mnuVUHiLow mnuBarGraph mnuExit; do
  name=${item:-StartScreen}
  start_display
  mkfifo "$work/commands"
  rm -f "$work/shown"
  env "${client_env[@]}" KV_MIXER_DEVICE="script:$work/levels" KV_BENCH_COMMANDS="$work/commands" KV_BENCH_SHOWN="$work/shown" "$runner" >"$work/demo.log" 2>&1 &
  demo=$!
  verdict=""
  if ! wait_for 30 test -e "$work/shown"; then
    verdict="the window never showed"
  else
    [ -n "$item" ] && echo "$item" >"$work/commands"
    sleep 0.7
    target=$(victim) || target=""
    if [ -z "$target" ]; then
      verdict="no display server to kill"
    else
      kill -KILL "$target"
      if ! wait_for 15 bash -c "! kill -0 $demo 2>/dev/null"; then
        verdict="still running 15 s after the display went away"
      else
        status=0
        wait "$demo" || status=$?
        demo=""
        if [ "$status" -ne 1 ]; then
          verdict="ended with status $status, not 1"
        elif ! grep -q "connection broke" "$work/demo.log"; then
          verdict="ended without saying the display connection broke"
        fi
      fi
    fi
  fi
  stop
  rm -f "$work/commands"
  if [ -n "$verdict" ]; then
    failures=$((failures + 1))
    echo "FAILED $kind $name: $verdict; its output:" >&2
    sed 's/^/  /' "$work/demo.log" >&2
  else
    echo "ok $kind $name: status 1, $(grep -m1 "connection broke" "$work/demo.log")"
  fi
done
echo "$((6 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
