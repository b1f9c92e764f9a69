#!/usr/bin/env bash
# A private sound server with a null output as its default sink, for the tests
# and for the demo on machines where no server runs. The output runs at 48 kHz,
# the tests' tones' rate, so their samples reach it unresampled. Everything it
# uses lives in its own directory (sockets, session bus, state, configuration),
# so the user's own sound server, settings and sound cards are never touched.
#
#   eval "$(scripts/sound-server.sh start)"   # exports PULSE_SERVER and KV_SOUND_DIR
#   scripts/sound-server.sh start DIR [SINK [DESCRIPTION]]
#   scripts/sound-server.sh stop DIR          # kills it at once and removes DIR
#   scripts/sound-server.sh installed         # the servers this machine can run, one a line
#   scripts/sound-server.sh which             # the one `start` would run
#
# KV_SOUND_SERVER=pulseaudio or pipewire chooses the server; unset, the one
# installed (PulseAudio when both are). Nothing is installed here. The
# server's own output goes to KV_SOUND_LOG (default DIR/server.log).
set -euo pipefail

marker=.kv-sound-server

installed() {
  if command -v pulseaudio >/dev/null; then echo pulseaudio; fi
  if command -v pipewire >/dev/null && command -v pipewire-pulse >/dev/null && command -v wireplumber >/dev/null; then
    echo pipewire
  fi
}

chosen() {
  local available
  available=$(installed)
  case "${KV_SOUND_SERVER:-}" in
    "")
      if [ -z "$available" ]; then
        echo "no sound server installed (pulseaudio, or pipewire with pipewire-pulse and wireplumber);" \
             "scripts/install-deps.sh installs one where none is" >&2
        return 1
      fi
      head -n1 <<<"$available"
      ;;
    pulseaudio | pipewire)
      if ! grep -qx "$KV_SOUND_SERVER" <<<"$available"; then
        echo "KV_SOUND_SERVER=$KV_SOUND_SERVER, but it is not installed here (installed: ${available:-none})" >&2
        return 1
      fi
      echo "$KV_SOUND_SERVER"
      ;;
    *)
      echo "KV_SOUND_SERVER='$KV_SOUND_SERVER' names no sound server (expected pulseaudio or pipewire)" >&2
      return 1
      ;;
  esac
}

# The environment every process of the private server runs in: nothing of the
# user's session (their server's address, their bus, their configuration).
isolate() {
  isolation=(env -u PULSE_SERVER -u PULSE_COOKIE -u PULSE_SINK -u PULSE_SOURCE -u PIPEWIRE_REMOTE
    -u PIPEWIRE_RUNTIME_DIR -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY -u WAYLAND_DISPLAY
    HOME="$dir" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/config" XDG_STATE_HOME="$dir/state"
    XDG_DATA_HOME="$dir/data" XDG_CACHE_HOME="$dir/cache" PULSE_RUNTIME_PATH="$dir/runtime/pulse"
    PULSE_STATE_PATH="$dir/state/pulse")
}
private_env() { "${isolation[@]}" "$@"; }

# Starts a program in the background with its output in the log, and notes
# its process for `stop` (the program itself: the subshell execs it).
launch() {
  local name=$1
  shift
  (exec "${isolation[@]}" "$@") >>"$log" 2>&1 </dev/null &
  echo "$! $name" >>"$dir/pids"
  echo $! >"$dir/last.pid"
}

pactl_here() { private_env PULSE_SERVER="$address" pactl "$@"; }
default_sink_is() { pactl_here info 2>/dev/null | grep -qx "Default Sink: $1"; }

# Polls `what` (a command) for up to five seconds.
await() {
  for _ in $(seq 1 100); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

start_pulseaudio() {
  launch pulseaudio pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n --use-pid-file=no \
    --load="module-null-sink sink_name=$sink rate=48000 sink_properties=device.description=$description" \
    --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
    --log-target=stderr
  mv "$dir/last.pid" "$dir/server.pid"
  address="unix:$dir/native"
}

start_pipewire() {
  if ! command -v dbus-daemon >/dev/null; then
    echo "dbus-daemon is not installed; PipeWire needs a session bus" >>"$log"
    return 1
  fi
  # A bus of its own with nothing to activate, so no desktop service starts
  # on behalf of the private server.
  cat >"$dir/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$dir/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
  # The session manager leaves sound cards, cameras and Bluetooth alone: the
  # null output is the only device.
  mkdir -p "$dir/config/wireplumber/main.lua.d" "$dir/config/wireplumber/bluetooth.lua.d"
  cat >"$dir/config/wireplumber/main.lua.d/51-kv-private.lua" <<'LUA'
alsa_monitor.enabled = false
v4l2_monitor.enabled = false
libcamera_monitor.enabled = false
default_access.properties["enable-flatpak-portal"] = false
LUA
  echo 'bluez_monitor.enabled = false' >"$dir/config/wireplumber/bluetooth.lua.d/51-kv-private.lua"

  launch dbus-daemon dbus-daemon --config-file="$dir/bus.conf" --nofork --nopidfile
  await test -S "$dir/bus" || return 1
  local bus="DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/bus"
  launch pipewire env "$bus" pipewire
  await test -S "$dir/runtime/pipewire-0" || return 1
  launch wireplumber env "$bus" wireplumber
  launch pipewire-pulse env "$bus" pipewire-pulse
  mv "$dir/last.pid" "$dir/server.pid"
  address="unix:$dir/runtime/pulse/native"
  await pactl_here info || return 1
  pactl_here load-module module-null-sink "sink_name=$sink" rate=48000 \
    "sink_properties=device.description=$description" >/dev/null
}

start() {
  local server
  server=$(chosen)
  dir=${1:-}
  if [ -z "$dir" ]; then dir=$(mktemp -d "${TMPDIR:-/tmp}/kv-sound.XXXXXX"); fi
  sink=${2:-kvnull}
  description=${3:-KvNull}
  mkdir -p "$dir/runtime" "$dir/config" "$dir/state" "$dir/data" "$dir/cache"
  chmod 700 "$dir" "$dir/runtime"
  touch "$dir/$marker"
  : >"$dir/pids"
  log=${KV_SOUND_LOG:-$dir/server.log}
  isolate
  echo "--- $server, $(date '+%F %T')" >>"$log"

  local ok=1
  "start_$server" || ok=0
  if [ "$ok" = 1 ]; then await pactl_here info || ok=0; fi
  if [ "$ok" = 1 ]; then
    pactl_here set-default-sink "$sink" >>"$log" 2>&1 || ok=0
    # PipeWire's session manager makes the choice the default a moment later.
    await default_sink_is "$sink" || ok=0
  fi
  if [ "$ok" = 0 ]; then
    echo "the private sound server ($server) did not start; see $log" >&2
    stop "$dir" keep
    return 1
  fi
  echo "export PULSE_SERVER=$address KV_SOUND_DIR=$dir"
}

gone() {
  local state=""
  [ -r "/proc/$1/stat" ] || return 0
  read -r _ _ state _ <"/proc/$1/stat" 2>/dev/null || return 0
  [ "$state" = Z ]
}

stop() {
  dir=${1:?directory}
  if [ ! -f "$dir/$marker" ]; then
    echo "$dir was not made by $0; leaving it alone" >&2
    return 1
  fi
  local pid name comm pids=()
  while read -r pid name; do
    comm=$(cat "/proc/$pid/comm" 2>/dev/null || true)
    if [ "$comm" = "$name" ]; then
      kill -KILL "$pid" 2>/dev/null || true
      pids+=("$pid")
    fi
  done <"$dir/pids"
  for pid in "${pids[@]}"; do
    for _ in $(seq 1 100); do gone "$pid" && break; sleep 0.02; done
  done
  # A failed start keeps its directory's log when the log lives there.
  if [ "${2:-}" = keep ] && [ -z "${KV_SOUND_LOG:-}" ]; then
    : >"$dir/pids"
  else
    rm -rf "$dir"
  fi
}

case "${1:-start}" in
  start) shift || true; start "$@" ;;
  stop) stop "${2:?directory}" ;;
  installed) installed ;;
  which) chosen ;;
  *) echo "usage: $0 start [DIR [SINK [DESCRIPTION]]] | stop DIR | installed | which" >&2; exit 2 ;;
esac
