#!/usr/bin/env bash
# Builds the fuzz targets in fuzz/ with clang (KV_FUZZ), seeds each from files
# the project's own build produces and runs each for SECONDS (default 10).
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# Findings (crashes, timeouts, memory blow-ups) are kept in build/fuzz/findings
# and make the script fail; the grown corpora stay in build/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true

KV_FUZZ=1 scripts/install-deps.sh

# The seeds come from the deliverables as the ordinary build makes them.
[ -f build/test/CMakeCache.txt ] || cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/test -j2 --target regtool KvQmxTmr Whorlix make_resources inspect_module >/dev/null
[ -f build/fuzz/CMakeCache.txt ] ||
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_FUZZ=ON \
    -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz -j2 >/dev/null

bin=build/test/bin
seeds=build/fuzz/seeds
rm -rf "$seeds"
mkdir -p "$seeds" build/fuzz/corpus build/fuzz/findings
all=(registry_utf8 registry_utf16 property_bag saved_layout typelib resource_file version_record
     elf_sections mixer_script variant_text)
for t in "${all[@]}"; do mkdir -p "$seeds/$t"; done
registry=$(mktemp -d)
trap 'rm -rf "$registry"' EXIT
KV_REGISTRY_FILE="$registry/registry.reg" "$bin/kvqmxtmr-regtool" register "$bin/KvQmxTmr.ocx" >/dev/null
tail -c +3 "$registry/registry.reg" > "$seeds/registry_utf16/regtool.reg"   # the target adds the byte-order mark
iconv -f UTF-16LE -t UTF-8 "$seeds/registry_utf16/regtool.reg" > "$seeds/registry_utf8/regtool.reg"
cp demo/full_screen.layout "$seeds/saved_layout/"
awk '/^\[/ { n++; next } /^#/ { next } { print > ("'"$seeds"'/property_bag/bag" n) }' demo/full_screen.layout
"$bin/make_resources" typelib "$seeds/typelib/KvQmxTmr.tlb"
"$bin/make_resources" module "$seeds/resource_file/KvQmxTmr.res" assets
"$bin/make_resources" demo "$seeds/resource_file/Whorlix.res"
for module in KvQmxTmr.ocx Whorlix; do
  "$bin/kvqmxtmr-inspect" "$bin/$module" --resource 16 1 --out "$seeds/version_record/$module.ver"
  strip -o "$seeds/elf_sections/$module" "$bin/$module"
done
# Committed seeds: what no build produces, and inputs that once found a fault.
for t in "${all[@]}"; do
  if [ -d "fuzz/seeds/$t" ]; then cp fuzz/seeds/"$t"/* "$seeds/$t/"; fi
done

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
failed=()
for t in "${targets[@]}"; do
  mkdir -p "build/fuzz/corpus/$t"
  log="build/fuzz/$t.log"
  # A clean answer in bounded time and memory for any input (the limits are
  # generous: the machine may be busy, and the sanitizers are slow).
  if ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
     "build/fuzz/bin/${t}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
       -print_final_stats=1 -artifact_prefix="build/fuzz/findings/$t-" \
       "build/fuzz/corpus/$t" "$seeds/$t" >"$log" 2>&1; then
    echo "$t: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') inputs, nothing found"
  else
    echo "$t: FOUND SOMETHING (see $log)"
    tail -n 30 "$log"
    failed+=("$t")
  fi
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz findings in: ${failed[*]}"; exit 1; }
