#!/bin/sh
# Rewrites debian/libkvqmxtmr1.symbols from a build's runtime library: run it
# after adding to (or taking from) what the library exports, review the diff
# and commit it with the change. Symbols new to the file are marked with the
# version in debian/changelog; those already there keep theirs.
#   tools/update_symbols.sh BUILD_DIR      (e.g. build/test, or obj-<triplet> of a package build)
set -eu
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
cd "$(dirname "$0")/.."
library=$(ls "$1"/bin/libkvqmxtmr.so.1.*.* "$1"/libkvqmxtmr.so.1.*.* 2>/dev/null | head -1) || true
[ -n "$library" ] || { echo "$0: no libkvqmxtmr.so.1.x.y in $1 or $1/bin: build it first" >&2; exit 1; }
version=$(dpkg-parsechangelog -S Version)
symbols=debian/libkvqmxtmr1.symbols
# dpkg-gensymbols reads the current file and keeps its versions and fields.
dpkg-gensymbols -plibkvqmxtmr1 -v"${version%%-*}" -e"$library" -O"$symbols.new" -c0 -q
mv "$symbols.new" "$symbols"
grep -q '^\* Build-Depends-Package:' "$symbols" ||
  sed -i '1a * Build-Depends-Package: libkvqmxtmr-dev' "$symbols"
echo "$symbols: $(grep -c '@Base' "$symbols") symbols"
