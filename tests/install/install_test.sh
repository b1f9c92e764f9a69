#!/usr/bin/env bash
# The installed tree and the Debian packages as a new user and an
# administrator meet them: the README's `cmake --install BUILD --prefix P`
# and `cpack`, the files they lay out, the desktop entry, AppStream data,
# manual pages and packages checked by their validators (lintian with its
# hardening checks), the three packages installed by dpkg into a root of
# their own, an administrator's machine registration kept through a
# reinstallation and nothing left after removal, and the installed Whorlix
# started on a real X server by a user whose home and configuration folders
# are empty, closed through its quit dialog.
#   install_test.sh BUILD_DIR CMAKE CPACK [FORTIFIED: 1, the default, or 0]
# Exits 77 (skipped) without the private sound server ./test.sh starts.
set -euo pipefail

build=$1 cmake=$2 cpack=$3 fortified=${4:-1}
app=com.brenvale.Whorlix

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# ---------------------------------------------------------------- the window
# Runs inside xvfb-run: starts PROGRAM for a user with the empty home HOME,
# waits for its window, checks that it reads the sound server and shows no
# message, closes it through the quit dialog and checks its exit status.
drive() {
  local program=$1 home=$2
  mkdir -p "$home/.config" "$home/run"
  chmod 700 "$home/run"
  # A desktop session lists the tree's share folder in XDG_DATA_DIRS, which is
  # how the program finds its themed icon.
  local share
  share=$(cd "$(dirname "$program")/../share" && pwd)
  env -i HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run" PATH=/usr/bin:/bin \
    XDG_DATA_DIRS="$share:/usr/share" \
    DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" PULSE_SERVER="$PULSE_SERVER" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
    "$program" >"$home/whorlix.log" 2>&1 &
  local pid=$! status=0
  # shellcheck disable=SC2064  # the pid is known now
  trap "kill $pid 2>/dev/null || true" EXIT
  local window
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "Brenvale KvQmxVU" | head -1) || true
  [ -n "$window" ] || { cat "$home/whorlix.log" >&2; fail "$program showed no window"; }
  # The meter reads the level through a record stream of its own on the
  # sound server (other tests' streams may be there too).
  local streams=0
  for _ in $(seq 50); do
    streams=$(pactl list source-outputs 2>/dev/null | grep -c "application.process.id = \"$pid\"") || true
    [ "$streams" -gt 0 ] && break
    sleep 0.1
  done
  [ "$streams" -gt 0 ] || fail "$program opened no record stream on $PULSE_SERVER"
  # ...under the icon of its desktop entry, so the user's sound settings show
  # what it is.
  pactl list source-outputs 2>/dev/null | awk -v pid="application.process.id = \"$pid\"" '
    /^Source Output #/ { if (mine && icon) found = 1; mine = 0; icon = 0 }
    index($0, pid) { mine = 1 }
    /application.icon_name = "com.brenvale.Whorlix"/ { icon = 1 }
    END { exit !(found || (mine && icon)) }' ||
    fail "$program's record stream does not carry its desktop entry's icon"
  # A message box (a failed mixer open, a failed start) carries the program's name.
  if xdotool search --onlyvisible --name '^Whorlix$' >/dev/null 2>&1; then
    cat "$home/whorlix.log" >&2
    fail "$program showed a message"
  fi
  # File > Exit, then "YES I'M SURE" in the dialog (where it lies in the
  # dialog's client area, in proportion, so any DPI will do).
  xdotool mousemove --window "$window" 20 8 click 1
  sleep 0.3
  xdotool key e
  local dialog
  dialog=$(timeout 10 xdotool search --sync --onlyvisible --name "Quiting" | head -1) || true
  [ -n "$dialog" ] || fail "$program opened no quit dialog"
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  sleep 0.3
  xdotool mousemove --window "$dialog" $((WIDTH * 73 / 312)) $((HEIGHT * 95 / 115)) click 1
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    fail "$program did not end after YES"
  fi
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { cat "$home/whorlix.log" >&2; fail "$program ended with status $status"; }
  echo "$program: window, sound server, quit dialog, status 0"
}

if [ "$build" = --drive ]; then
  drive "$2" "$3"
  exit 0
fi

start_on_x() {
  xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --drive "$1" "$2"
}

if [ -z "${PULSE_SERVER:-}" ]; then
  echo "needs the private sound server that ./test.sh starts (PULSE_SERVER is unset)"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kv-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

# ---------------------------------------------------------------- the tree
prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
  cat "$work/install.log" >&2
  fail "cmake --install"
}
icon_sizes=(16 24 32 48 64 128 256)
files=(bin/Whorlix bin/regtool bin/inspect_module
  lib/kvqmxtmr/libdesktop_runtime.so.1 lib/kvqmxtmr/KvQmxTmr.ocx lib/kvqmxtmr/machine.reg
  share/applications/$app.desktop share/metainfo/$app.metainfo.xml
  share/man/man1/Whorlix.1.gz share/man/man1/regtool.1.gz share/man/man1/inspect_module.1.gz)
for size in "${icon_sizes[@]}"; do files+=("share/icons/hicolor/${size}x${size}/apps/$app.png"); done
for package in whorlix libkvqmxtmr1 libkvqmxtmr-dev; do
  files+=("share/doc/$package/copyright" "share/doc/$package/changelog.gz")
done
# What a host builds the typed widgets with, and the guide and examples.
dev_files=(include/kvqmxtmr/dialfen_widgets.h include/kvqmxtmr/control_widget.h include/kvqmxtmr/kvqmxtmr_version.h
  lib/kvqmxtmr/libkvqmxtmr_dialfen.a lib/kvqmxtmr/kvqmxtmr-genclasses lib/cmake/KvQmxTmr/KvQmxTmrGenerateClasses.cmake
  share/doc/libkvqmxtmr-dev/hosting.md share/doc/libkvqmxtmr-dev/examples/typed_host/main.cpp)
files+=("${dev_files[@]}")
for file in "${files[@]}"; do
  [ -f "$prefix/$file" ] || fail "$file not installed"
done
# The library a host links against, the link to its versioned name.
[ "$(readlink "$prefix/lib/kvqmxtmr/libdesktop_runtime.so")" = libdesktop_runtime.so.1 ] ||
  fail "no libdesktop_runtime.so link to libdesktop_runtime.so.1"
readelf -d "$prefix/lib/kvqmxtmr/libdesktop_runtime.so.1" | grep -q 'SONAME.*\[libdesktop_runtime.so.1\]' ||
  fail "libdesktop_runtime.so.1 has another SONAME"
# The tree lists every file and link it holds, for the README's removal, and no more.
list=$prefix/lib/kvqmxtmr/installed-files.txt
diff <(find "$prefix" -type f -o -type l | sort) <(sort "$list") || fail "installed-files.txt is not the installed tree"
diff <(sort "$build/install_manifest.txt") <(sort "$list") || fail "installed-files.txt is not install_manifest.txt"
for program in Whorlix regtool inspect_module; do
  dynamic=$(readelf -d "$prefix/bin/$program")
  # shellcheck disable=SC2016  # $ORIGIN is the loader's, not the shell's
  grep -q 'RUNPATH.*\[\$ORIGIN/../lib/kvqmxtmr\]' <<<"$dynamic" || fail "$program has no relative RUNPATH"
  # --help and --version print and end, with no display and no sound server.
  version=$(env -i PATH=/usr/bin:/bin "$prefix/bin/$program" --version) || fail "$program --version failed"
  [ "$version" = "$program 1.0.0" ] || fail "$program --version printed: $version"
  help=$(env -i PATH=/usr/bin:/bin "$prefix/bin/$program" --help) || fail "$program --help failed"
  grep -q "^usage: $program" <<<"$help" || fail "$program --help printed: $help"
  # Each manual page reads without a warning from man.
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$program.1.gz" 2>&1 >/dev/null) || true
  [ -z "$warnings" ] || fail "the manual page of $program: $warnings"
done
# Hardened as Debian builds: PIE, stack protector, RELRO, immediate binding
# (fortification is lintian's to judge below: it knows a call the compiler
# could prove safe from one it left unchecked).
hardening-check --nocfprotection --nofortify "$prefix/bin/Whorlix" "$prefix/bin/regtool" "$prefix/bin/inspect_module" \
  "$prefix/lib/kvqmxtmr/kvqmxtmr-genclasses" \
  "$prefix/lib/kvqmxtmr/libdesktop_runtime.so.1" "$prefix/lib/kvqmxtmr/KvQmxTmr.ocx" >"$work/hardening.log" 2>&1 || {
  cat "$work/hardening.log" >&2
  fail "hardening-check"
}
# PNG width and height (bytes 16 to 23 of the header) and colour type
# (byte 25: 6, colour with alpha, for a transparent surround).
for size in "${icon_sizes[@]}"; do
  header=$(od -An -tx1 -j16 -N10 "$prefix/share/icons/hicolor/${size}x${size}/apps/$app.png" | tr -d ' \n')
  [ "$header" = "$(printf '%08x%08x0806' "$size" "$size")" ] || fail "the ${size}x${size} icon's header is $header"
done
desktop-file-validate "$prefix/share/applications/$app.desktop" || fail "desktop-file-validate"
grep -qx "Exec=$prefix/bin/Whorlix" "$prefix/share/applications/$app.desktop" || fail "the desktop entry does not start $prefix/bin/Whorlix"
appstreamcli validate --pedantic --no-net "$prefix/share/metainfo/$app.metainfo.xml" >"$work/appstream.log" 2>&1 || {
  cat "$work/appstream.log" >&2
  fail "appstreamcli validate --pedantic"
}
# Both classes are registered machine-wide with their installed path.
list_classes() {
  env -i HOME="$work/list-home" PATH=/usr/bin:/bin ASAN_OPTIONS="${ASAN_OPTIONS:-}" "$1/regtool" list
}
classes=$(list_classes "$prefix/bin")
for progid in Dialfen.KvQmxFasTmr Dialfen.KvDispVU; do
  grep -q "^$progid .* $prefix/lib/kvqmxtmr/KvQmxTmr.ocx present machine$" <<<"$classes" || fail "$progid: $classes"
done
start_on_x "$prefix/bin/Whorlix" "$work/home-tree"
# Removed as the README says, the tree leaves no file behind.
xargs -d '\n' rm -f <"$list"
rmdir "$prefix/lib/kvqmxtmr" || fail "files left in $prefix/lib/kvqmxtmr"
left=$(find "$prefix" -type f -o -type l)
[ -z "$left" ] || fail "left after removal: $left"

# ---------------------------------------------------------------- the packages
"$cpack" --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  fail "cpack"
}
debs=("$work"/package/*.deb)
[ ${#debs[@]} -eq 3 ] || fail "cpack made ${#debs[@]} packages"
program_deb=$work/package/whorlix_1.0.0_amd64.deb
runtime_deb=$work/package/libkvqmxtmr1_1.0.0_amd64.deb
dev_deb=$work/package/libkvqmxtmr-dev_1.0.0_amd64.deb
for deb in "$program_deb" "$runtime_deb" "$dev_deb"; do
  [ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/package")"
  # No maintainer scripts: installing a package writes only its own files.
  control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sort | tr '\n' ' ')
  [ "$control" = "./ ./control ./md5sums " ] || fail "$(basename "$deb"): control members $control"
  contents=$(dpkg-deb --contents "$deb" | awk '{ print $6 }')
  if grep -v -e '^\./$' -e '^\./usr/' <<<"$contents"; then fail "files outside /usr"; fi
  if grep -q -e '\.lock$' -e 'installed-files' -e 'machine\.local' <<<"$contents"; then
    fail "a lock file, a removal list or an administrator's file in $(basename "$deb")"
  fi
done
depends_of() { dpkg-deb --field "$1" Depends; }
grep -q 'libkvqmxtmr1 (= 1.0.0)' <<<"$(depends_of "$program_deb")" || fail "whorlix: $(depends_of "$program_deb")"
grep -q 'libkvqmxtmr1 (= 1.0.0).*qt6-base-dev' <<<"$(depends_of "$dev_deb")" || fail "-dev: $(depends_of "$dev_deb")"
for library in libqt6widgets6 libqt6gui6 libpulse0 libc6; do
  grep -q "$library" <<<"$(depends_of "$runtime_deb")" || fail "libkvqmxtmr1's Depends lack $library"
done
grep -q qt6-wayland <<<"$(dpkg-deb --field "$program_deb" Recommends)" || fail "whorlix does not recommend qt6-wayland"
in_package() { dpkg-deb --contents "$1" | awk '{ print $6 }' | grep -qx "./$2" || fail "$2 not in $(basename "$1")"; }
for file in usr/bin/Whorlix usr/share/applications/$app.desktop usr/share/icons/hicolor/256x256/apps/$app.png \
  usr/share/man/man1/Whorlix.1.gz usr/share/metainfo/$app.metainfo.xml; do in_package "$program_deb" "$file"; done
for file in usr/lib/kvqmxtmr/KvQmxTmr.ocx usr/lib/kvqmxtmr/machine.reg usr/lib/kvqmxtmr/libdesktop_runtime.so.1.0.0 \
  usr/lib/kvqmxtmr/libdesktop_runtime.so.1; do in_package "$runtime_deb" "$file"; done
for file in usr/bin/regtool usr/bin/inspect_module usr/lib/kvqmxtmr/libdesktop_runtime.so "${dev_files[@]/#/usr/}"; do
  in_package "$dev_deb" "$file"
done
# Debian's own judge: no error, no warning, no hardening tag.
lintian --display-info --pedantic "${debs[@]}" >"$work/lintian.log" 2>&1 || true
# A build that is not fortified by design (Debug, sanitizers) answers for
# every other hardening tag still.
unfortified='^$'
[ "$fortified" = 1 ] || unfortified='hardening-no-fortify-functions'
if grep -E '^(E|W): |hardening' "$work/lintian.log" | grep -v -E "$unfortified"; then fail "lintian"; fi

# Installed by dpkg into a root of their own, as apt-get would install them
# on a machine (with a package database of that root's own, so the
# machine's packages are left alone).
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg_root() { dpkg --root="$root" --force-depends --force-not-root --force-script-chrootless "$@" >>"$work/dpkg.log" 2>&1; }
dpkg_root --install "${debs[@]}" || { cat "$work/dpkg.log" >&2; fail "dpkg --install"; }
lib=$root/usr/lib/kvqmxtmr
desktop-file-validate "$root/usr/share/applications/$app.desktop" || fail "desktop-file-validate (package)"
grep -qx "Exec=/usr/bin/Whorlix" "$root/usr/share/applications/$app.desktop" || fail "the package's desktop entry"
# The package's registration names the module where the package puts it.
classes=$(list_classes "$root/usr/bin")
for progid in Dialfen.KvQmxFasTmr Dialfen.KvDispVU; do
  grep -q "^$progid .* /usr/lib/kvqmxtmr/KvQmxTmr.ocx [a-z]* machine$" <<<"$classes" || fail "$progid in the package: $classes"
done
# An administrator registers the module for the machine (here where this
# root holds it): the package's files stay as installed, no lock file is
# left, and the registration outlives a reinstallation.
admin() { env -i HOME="$work/admin-home" PATH=/usr/bin:/bin ASAN_OPTIONS="${ASAN_OPTIONS:-}" "$root/usr/bin/regtool" "$@"; }
admin register --machine "$lib/KvQmxTmr.ocx" >/dev/null || fail "regtool register --machine"
[ "$(ls "$lib" | grep -c '\.lock$')" -eq 0 ] || fail "a lock file left: $(ls "$lib")"
[ -f "$lib/machine.local.reg" ] || fail "the administrator's registration is not in machine.local.reg: $(ls "$lib")"
verify=$(dpkg --root="$root" --verify 2>&1) || true
[ -z "$verify" ] || fail "regtool --machine changed the packages' files: $verify"
dpkg_root --install "${debs[@]}" || { cat "$work/dpkg.log" >&2; fail "dpkg --install, again"; }
classes=$(list_classes "$root/usr/bin")
for progid in Dialfen.KvQmxFasTmr Dialfen.KvDispVU; do
  grep -q "^$progid .* $lib/KvQmxTmr.ocx present machine$" <<<"$classes" || fail "$progid after reinstalling: $classes"
done
# The user starts the installed program with nothing of their own.
start_on_x "$root/usr/bin/Whorlix" "$work/home-package"
# Unregistered, the administrator's file goes with its last class; removed,
# the packages leave nothing behind.
admin unregister --machine "$lib/KvQmxTmr.ocx" >/dev/null || fail "regtool unregister --machine"
dpkg_root --remove libkvqmxtmr-dev whorlix libkvqmxtmr1 || { cat "$work/dpkg.log" >&2; fail "dpkg --remove"; }
left=$(find "$root" -path "$root/var" -prune -o \( -type f -o -type l -o -type d -path "$root/usr/*" \) -print)
[ -z "$left" ] || fail "left after removing the packages: $left"
