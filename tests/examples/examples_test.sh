#!/usr/bin/env bash
# The example hosts as a host developer meets them (designer_form's window is
# a form made in Qt Designer, built by uic): the kit installed with
# `cmake --install BUILD --prefix P`, each example configured with
# CMAKE_PREFIX_PATH=P and nothing else of the source or build tree, then run on
# a scripted mixer under Xvfb and openbox: each must print the scripted level,
# and closing its window must end it with status 0 (typed_host's with its
# fast timer running, switched on before exec()). Every installed header
# compiles alone as C++17, and typed_host is a C++17 program.
#   examples_test.sh BUILD_DIR SOURCE_DIR CMAKE DESKTOP_SESSION
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# ---------------------------------------------------------------- one run
# Inside the X session: starts PROGRAM, waits for its window TITLE and a
# printed level of LEVEL, closes the window the way a user does (Alt+F4) and
# checks the exit status.
if [ "${1:-}" = --drive ]; then
  program=$2 title=$3 level=$4 log=$5
  "$program" >"$log" 2>&1 &
  pid=$!
  trap 'kill $pid 2>/dev/null || true' EXIT
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "$title" | head -1) || true
  [ -n "$window" ] || { cat "$log" >&2; fail "$program showed no window"; }
  for _ in $(seq 100); do
    grep -qx "GetPeekData $level" "$log" && break
    sleep 0.1
  done
  grep -qx "GetPeekData $level" "$log" || { cat "$log" >&2; fail "$program printed no level $level"; }
  ended() {
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || return 0
      sleep 0.1
    done
    return 1
  }
  xdotool windowactivate --sync "$window" key alt+F4
  # A window still shown means the key never reached the window manager (a
  # synthetic key can be lost on a loaded machine): the close is made again.
  # A window gone with its program still running is the fault looked for.
  if ! ended && xdotool search --onlyvisible --name "$title" | grep -qx "$window"; then
    echo "$program: Alt+F4 left the window open; pressed again" >&2
    xdotool windowactivate --sync "$window" key alt+F4
    ended || true
  fi
  status=0
  kill -0 "$pid" 2>/dev/null && { cat "$log" >&2; fail "$program did not end when its window closed"; }
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { cat "$log" >&2; fail "$program ended with status $status"; }
  echo "$program: level $level, closed, status 0"
  exit 0
fi

build=$1 source=$2 cmake=$3 session=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/kv-examples.XXXXXX")
trap 'rm -rf "$work"' EXIT

prefix=$work/prefix
start=$(date +%s.%N)
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
  cat "$work/install.log" >&2
  fail "cmake --install"
}
# The installed headers stand on their own: nothing else of the tree is on
# the examples' include path, so a header that reaches for an uninstalled
# one fails to compile here.
# A sanitized kit needs sanitized programs (its runtime must load first).
sanitize=()
flags=()
if grep -q '^KV_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
  sanitize=(-fsanitize=address,undefined)
  flags=(-DCMAKE_CXX_FLAGS="${sanitize[*]}" -DCMAKE_EXE_LINKER_FLAGS="${sanitize[*]}")
fi
for example in plain_qt kit_form typed_host designer_form; do
  env -u CMAKE_PREFIX_PATH "$cmake" -S "$source/examples/$example" -B "$work/$example" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >"$work/$example.log" 2>&1 &&
    "$cmake" --build "$work/$example" -j2 >>"$work/$example.log" 2>&1 || {
    cat "$work/$example.log" >&2
    fail "building examples/$example against $prefix"
  }
done
# A host writes typed classes of its own from an installed module, through
# the package's kvqmxtmr_generate_classes.
mkdir -p "$work/generating"
printf '%s\n' 'cmake_minimum_required(VERSION 3.25)' 'project(generating LANGUAGES CXX)' \
  'find_package(KvQmxTmr 1.0 REQUIRED)' 'add_executable(generating main.cpp)' \
  "kvqmxtmr_generate_classes(generating \"$(find "$prefix/lib" -name KvQmxTmr.ocx)\")" >"$work/generating/CMakeLists.txt"
printf '%s\n' '#include <kvqmxtmr_widgets.h>' \
  'int main() { return Dialfen::KvDispVU::staticMetaObject.indexOfProperty("DisplayMode") < 0; }' \
  >"$work/generating/main.cpp"
env -u CMAKE_PREFIX_PATH "$cmake" -S "$work/generating" -B "$work/generating/build" -DCMAKE_PREFIX_PATH="$prefix" \
  "${flags[@]}" >"$work/generating.log" 2>&1 && "$cmake" --build "$work/generating/build" >>"$work/generating.log" 2>&1 || {
  cat "$work/generating.log" >&2
  fail "kvqmxtmr_generate_classes on the installed KvQmxTmr.ocx"
}
# The pkg-config file gives the same: a one-line build of the kit-form host.
pcdir=$(dirname "$(find "$prefix/lib" -name kvqmxtmr.pc)")   # lib/<multiarch>/pkgconfig
PKG_CONFIG_PATH="$pcdir" pkg-config --exists kvqmxtmr || fail "pkg-config finds no kvqmxtmr in $prefix"
# shellcheck disable=SC2046  # the flags are meant to split
c++ "${sanitize[@]}" "$source/examples/kit_form/main.cpp" -o "$work/kit_form_pc" \
  $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs kvqmxtmr) 2>"$work/pc.log" || {
  cat "$work/pc.log" >&2
  fail "building examples/kit_form with pkg-config"
}
# Each installed header on its own, as C++17 (Qt 6's floor), warnings included.
for header in $(find "$prefix/include" -name '*.h' | sort); do
  # shellcheck disable=SC2046
  printf '#include "%s"\n' "$header" |
    c++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only -x c++ - "${sanitize[@]}" \
      $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags kvqmxtmr) 2>"$work/header.log" || {
    cat "$work/header.log" >&2
    fail "$header does not compile alone as C++17"
  }
done
built=$(date +%s.%N)
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }
echo "install and build of the examples: $(seconds "$start" "$built") s"

# The level the scripted mixer reports on every read.
printf 'open ok\nvalues -4321\n' >"$work/mixer.script"
# Class creation reads the tree's machine registry and an empty per-user one,
# never the test run's registry files.
run() {
  env -u KV_MACHINE_REGISTRY_FILE KV_REGISTRY_FILE="$work/user.reg" KV_MIXER_DEVICE="script:$work/mixer.script" \
    "$session" -- "$0" --drive "$@"
}
run "$work/plain_qt/plain_qt_host" "KvQmxTmr in plain Qt" 4321 "$work/plain_qt.out"
grep -q "^GetPeekData" "$work/plain_qt.out"
run "$work/kit_form/kit_form_host" "KvQmxTmr on a kit form" 4321 "$work/kit_form.out"
run "$work/typed_host/typed_host" "KvQmxTmr typed" 4321 "$work/typed_host.out"
run "$work/designer_form/designer_form_host" "KvQmxTmr from Designer" 4321 "$work/designer_form.out"
echo "install to every example run: $(seconds "$start" "$(date +%s.%N)") s"
