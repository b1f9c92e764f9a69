#!/usr/bin/env bash
# Makes the screenshots software centres show (docs/screenshots/*.png, named
# in demo/desktop/com.brenvale.Whorlix.metainfo.xml) from the running demo
# of a Release build, on a private Xvfb with openbox
# (tests/demo/desktop_session.sh): the VU meter and the pulsing rings, each
# chosen from the Functions menu with xdotool, with the level from a
# scripted mixer that sweeps across the meter's range; and Qt Designer
# (designer-qt6) with the kit's plugin and the designer_form example open.
#   scripts/screenshots.sh [BUILD_DIR]     (default build/release; needs imagemagick)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != --inside ]; then
  build=$(realpath "${1:-build/release}")
  [ -x "$build/bin/Whorlix" ] || { echo "no $build/bin/Whorlix: build it as README.md says" >&2; exit 1; }
  command -v import >/dev/null || { echo "needs import: apt-get install imagemagick" >&2; exit 1; }
  exec tests/demo/desktop_session.sh -- "$0" --inside "$build"
fi

build=$2
out=docs/screenshots
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/kv-screenshots.XXXXXX")
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
# The window named TITLE of the program just started, once it shows; its
# LOG and WHAT when it never does.
window_of() {
  local title=$1 log=$2 what=$3 found
  found=$(timeout 30 xdotool search --sync --onlyvisible --name "$title" | head -1) || true
  [ -n "$found" ] || {
    cat "$log" >&2
    echo "$what showed no window" >&2
    exit 1
  }
  echo "$found"
}

printf 'open ok\nvalues 3000 8000 14000 21000 27000 32000 29000 23000 16000 9000\nend cycle\n' >"$work/mixer"
export KV_REGISTRY_FILE=$work/registry.reg KV_MACHINE_REGISTRY_FILE=$work/machine.reg
export KV_MIXER_DEVICE=script:$work/mixer
"$build/bin/kvqmxtmr-regtool" register "$build/bin/KvQmxTmr.ocx" >/dev/null
"$build/bin/Whorlix" >"$work/whorlix.log" 2>&1 &
pid=$!
window=$(window_of "Brenvale KvQmxVU" "$work/whorlix.log" "the demo")
sleep 2
# The Functions menu, through File (whose place in the window's client area
# does not depend on the font).
choose() {
  xdotool mousemove --window "$window" 20 8 click 1
  sleep 0.3
  xdotool key Right
  sleep 0.3
  xdotool key "$1"
  sleep 3
}
shot() {
  import -window root -strip "$out/$1.png"
  echo "$out/$1.png"
}
# The pulsing rings last: the meter does not clear what they leave.
choose l && shot meter
choose w && shot pulsing
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=""

# Designer with both controls on a form, the meter chosen so the property
# editor shows its properties. Its settings go to this run's own folder.
designer=/usr/lib/qt6/bin/designer
[ -x "$designer" ] || { echo "no $designer: apt-get install designer-qt6" >&2; exit 1; }
XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data QT_PLUGIN_PATH=$build/bin/plugins \
  "$designer" examples/designer_form/level_window.ui >"$work/designer.log" 2>&1 &
pid=$!
window=$(window_of "Qt Designer" "$work/designer.log" "Designer")
xdotool windowsize --sync "$window" 1280 1024 && xdotool windowmove --sync "$window" 0 0 || true
sleep 3
# Places on the screen in Designer's default layout of a 1280 x 1024 window
# at (0, 0): the widget box's filter (showing the KvQmxTmr group alone), the
# meter's row in the object inspector, and the property editor's filter.
click_and_type() {
  xdotool mousemove "$1" "$2" click 1
  sleep 0.5
  if [ -n "${3:-}" ]; then xdotool type --delay 50 "$3"; sleep 0.5; fi
}
click_and_type 125 110 Kv
click_and_type 831 182
click_and_type 972 407 Disp
sleep 1
shot designer
