#!/usr/bin/env bash
# Builds the Debian packages as a maintainer does, `dpkg-buildpackage -us
# -uc` (source and binaries), from a copy of this tree's sources (what git
# tracks, and new files it does not ignore, as they are now) at OUT/PATH.
# The packages land beside that copy, in the folder above it. The tests are
# the caller's to run, so the build leaves them out (nocheck).
#   build_packages.sh SOURCE_DIR OUT PATH
# Exits 77 (skipped) outside a git checkout.
set -euo pipefail

source=$1 out=$2 path=$3
git -C "$source" rev-parse --git-dir >/dev/null 2>&1 || {
  echo "not a git checkout: $source"
  exit 77
}
tree=$out/$path/kvqmxtmr
rm -rf "$out/$path"
mkdir -p "$tree"
(cd "$source" && git ls-files -z --cached --others --exclude-standard |
  xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh |
  tar --null -T - -cf -) | tar -xf - -C "$tree"
log=$out/$path/build.log
start=$(date +%s)
# The time comes from debian/changelog, as it does for anyone building it.
(cd "$tree" && env -u SOURCE_DATE_EPOCH -u KV_REGISTRY_FILE -u KV_MACHINE_REGISTRY_FILE -u MAKEFLAGS -u MFLAGS \
  DEB_BUILD_OPTIONS="nocheck parallel=2" dpkg-buildpackage -us -uc >"$log" 2>&1) || {
  tail -60 "$log" >&2
  echo "FAIL: dpkg-buildpackage in $tree (log: $log)" >&2
  exit 1
}
echo "dpkg-buildpackage: $(ls "$out/$path"/*.deb | wc -l) packages in $(($(date +%s) - start)) s"
