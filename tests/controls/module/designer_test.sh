#!/usr/bin/env bash
# Qt Designer itself with the kit's plugin, on a private X server: it loads
# the plugin from the plugin path and opens a form made with it (the
# designer_form example) without a warning from Designer or the plugin.
#   designer_test.sh DESIGNER BUILD_DIR FORM DESKTOP_SESSION
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if [ "${1:-}" = --inside ]; then
  designer=$2 build=$3 form=$4 work=$5
  # Designer keeps its settings below XDG_CONFIG_HOME: this run's own.
  export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data
  export KV_REGISTRY_FILE=$work/registry.reg KV_MACHINE_REGISTRY_FILE=$work/machine.reg
  export QT_PLUGIN_PATH=$build/bin/plugins QT_DEBUG_PLUGINS=1 KV_MIXER_DEVICE=script:$work/mixer
  unset QT_QPA_PLATFORM
  printf 'open ok\nvalues 4321\n' >"$work/mixer"
  "$build/bin/kvqmxtmr-regtool" register "$build/bin/KvQmxTmr.ocx" >/dev/null
  "$designer" "$form" >"$work/designer.log" 2>&1 &
  pid=$!
  trap 'kill $pid 2>/dev/null || true' EXIT
  window=$(timeout 60 xdotool search --sync --onlyvisible --name "Qt Designer" | head -1) || true
  [ -n "$window" ] || { cat "$work/designer.log" >&2; fail "Designer showed no window"; }
  sleep 3  # the form opens after the main window
  kill -0 "$pid" 2>/dev/null || { cat "$work/designer.log" >&2; fail "Designer ended"; }
  log=$work/designer.log
  grep -q "libkvqmxtmr_designer.so\" loaded library" "$log" || { cat "$log" >&2; fail "Designer did not load the plugin"; }
  # Designer's own warnings start "Designer:"; the plugin's name the kit.
  if grep -E "^Designer:|KvQmxTmr Designer plugin|Cannot load library.*kvqmxtmr|Couldn't open the mixer" "$log" >&2; then
    fail "warnings while Designer loaded the plugin and the form"
  fi
  echo "Designer: plugin loaded, form open, no warnings"
  exit 0
fi

designer=$1 build=$2 form=$3 session=$4
[ -x "$designer" ] || fail "no Designer at $designer (designer-qt6)"
work=$(mktemp -d "${TMPDIR:-/tmp}/kv-designer.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$session" -- "$0" --inside "$designer" "$build" "$form" "$work"
