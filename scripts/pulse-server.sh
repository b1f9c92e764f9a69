#!/usr/bin/env bash
# Starts a private sound server with a null output as its default sink, for
# tests and for demos on machines without one. Prints the environment lines
# to use it (eval them); `scripts/pulse-server.sh stop DIR` tears it down.
#   eval "$(scripts/pulse-server.sh start)"
set -euo pipefail

case "${1:-start}" in
  start)
    dir=$(mktemp -d "${TMPDIR:-/tmp}/kv-pulse.XXXXXX")
    mkdir -p "$dir/runtime" "$dir/state"
    export PULSE_RUNTIME_PATH="$dir/runtime" PULSE_STATE_PATH="$dir/state" HOME="${HOME:-$dir}"
    pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
      --load="module-null-sink sink_name=kvnull sink_properties=device.description=KvNull" \
      --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
      --log-target=file:"$dir/server.log" >/dev/null 2>&1 &
    echo $! > "$dir/pid"
    for _ in $(seq 1 100); do
      PULSE_SERVER="unix:$dir/native" pactl info >/dev/null 2>&1 && break
      sleep 0.05
    done
    if ! PULSE_SERVER="unix:$dir/native" pactl info >/dev/null 2>&1; then
      echo "sound server did not start; see $dir/server.log" >&2
      exit 1
    fi
    PULSE_SERVER="unix:$dir/native" pactl set-default-sink kvnull
    echo "export PULSE_SERVER=unix:$dir/native KV_PULSE_DIR=$dir"
    ;;
  stop)
    dir=${2:?directory}
    [ -f "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -rf "$dir"
    ;;
esac
