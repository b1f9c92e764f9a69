#!/usr/bin/env bash
# A second package build of the same sources, from a copy at another path
# made a moment later, gives bit-identical packages (the -dbgsym ones too):
# nothing records a file's time, the build's path or the time of the build.
# The first build is the one the install group shares (PACKAGES/first).
#   reproducible_test.sh SOURCE_DIR PACKAGES
set -euo pipefail

source=$1 packages=$2
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
first=$packages/first
second=$packages/second/at/another/depth
ls "$first"/*.deb >/dev/null 2>&1 || fail "no packages in $first"
sleep 1  # the second copy's files are newer
"$(dirname "$0")/build_packages.sh" "$source" "$packages" second/at/another/depth
count=0
for deb in "$first"/*.deb; do
  other=$second/$(basename "$deb")
  [ -f "$other" ] || fail "the second build made no $(basename "$deb")"
  if ! cmp "$deb" "$other"; then
    if command -v diffoscope >/dev/null; then diffoscope "$deb" "$other" >&2 || true; fi
    fail "$(basename "$deb") differs between the two builds"
  fi
  count=$((count + 1))
done
[ "$count" -eq "$(ls "$second"/*.deb | wc -l)" ] || fail "the second build made other packages"
rm -rf "$packages/second"
echo "$count packages, bit for bit the same from both copies"
