#!/usr/bin/env bash
# Two Release builds of the checked-out commit, from two clones at different
# paths checked out at different times, give bit-identical packages: nothing
# records a file's time, the build's path or the time of the build.
#   reproducible_test.sh SOURCE_DIR CMAKE CPACK
# Exits 77 (skipped) outside a git checkout. Only what the packages hold is
# built; ccache serves the second build when the caller's environment names it.
set -euo pipefail

source=$1 cmake=$2 cpack=$3
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
commit=$(git -C "$source" rev-parse HEAD 2>/dev/null) || {
  echo "not a git checkout: $source"
  exit 77
}
work=$(mktemp -d "${TMPDIR:-/tmp}/kv-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The time comes from the commit, as it does for anyone building a clone.
unset SOURCE_DATE_EPOCH

build() {
  local tree=$1
  git clone -q --no-checkout "$source" "$tree"
  git -C "$tree" checkout -q "$commit"
  "$cmake" -S "$tree" -B "$tree/build" -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF \
    >"$tree.log" 2>&1 &&
    "$cmake" --build "$tree/build" -j2 --target Whorlix regtool inspect_module KvQmxTmr compressed_docs \
      >>"$tree.log" 2>&1 &&
    (cd "$tree/build" && "$cpack" >>"$tree.log" 2>&1) || {
    tail -40 "$tree.log" >&2
    fail "building $tree"
  }
}
build "$work/first"
sleep 1  # the second checkout's files are newer
build "$work/second/at/another/depth"

packages=0
for deb in "$work"/first/build/*.deb; do
  other=$work/second/at/another/depth/build/$(basename "$deb")
  [ -f "$other" ] || fail "the second build made no $(basename "$deb")"
  if ! cmp "$deb" "$other"; then
    if command -v diffoscope >/dev/null; then diffoscope "$deb" "$other" >&2 || true; fi
    fail "$(basename "$deb") differs between the two builds"
  fi
  packages=$((packages + 1))
done
[ "$packages" -eq 3 ] || fail "$packages packages built"
echo "3 packages, bit for bit the same from both clones"
