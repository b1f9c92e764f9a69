#!/usr/bin/env bash
# The installed tree and the Debian packages as a new user, an administrator
# and a host's developer meet them: the README's `cmake --install BUILD
# --prefix P`, the files it lays out, the desktop entry, AppStream data,
# manual pages and tools; the packages dpkg-buildpackage made (PackagesBuild)
# judged by lintian, installed by dpkg into a root of their own and seen, in
# a mount namespace of this test's own, where they belong: /usr read-only,
# an administrator's registration written to /etc/kvqmxtmr alone, a host
# built with pkg-config running without RUNPATH or LD_LIBRARY_PATH, the
# installed Whorlix started on a real X server by a user whose home and
# configuration folders are empty, closed through its quit dialog; a host's
# package given a versioned dependency by dpkg-shlibdeps; remove keeping the
# administrator's registration and purge leaving nothing.
#   install_test.sh BUILD_DIR CMAKE PACKAGES [FORTIFIED: 1, the default, or 0]
# PACKAGES is the folder of the built packages, or - to check the tree alone.
# Exits 77 (skipped) without the private sound server ./test.sh starts.
set -euo pipefail

build=$1 cmake=$2 packages=$3 fortified=${4:-1}
app=com.brenvale.Whorlix
ma=$(dpkg-architecture -qDEB_HOST_MULTIARCH)

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

start_on_x() {
  xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --drive "$1" "$2"
}

# Runs as root in a mount namespace of its own (unshare -m): the packages
# installed in ROOT laid over /usr, read-only, and /etc writing to
# WORK/etc-upper. An administrator registers the module for the machine, a
# host built with pkg-config creates a control, and a new user starts the
# installed Whorlix.
in_namespace() {
  local root=$1 work=$2
  mount -t overlay -o "lowerdir=$root/usr:/usr" kv-usr /usr || fail "mounting the packages over /usr"
  mount -t overlay -o "lowerdir=/etc,upperdir=$work/etc-upper,workdir=$work/etc-work" kv-etc /etc ||
    fail "mounting an overlay on /etc"
  if touch /usr/kv-probe 2>/dev/null; then fail "/usr is writable"; fi
  local module=/usr/lib/$ma/kvqmxtmr/KvQmxTmr.ocx
  admin() { env -i HOME="$work/admin-home" PATH=/usr/bin:/bin "/usr/bin/kvqmxtmr-regtool" "$@"; }
  admin register --machine "$module" >/dev/null || fail "kvqmxtmr-regtool register --machine with /usr read-only"
  [ -f /etc/kvqmxtmr/machine.local.reg ] || fail "no /etc/kvqmxtmr/machine.local.reg"
  local classes progid
  classes=$(env -i HOME="$work/list-home" PATH=/usr/bin:/bin /usr/bin/kvqmxtmr-regtool list)
  for progid in Dialfen.KvQmxFasTmr Dialfen.KvDispVU; do
    grep -q "^$progid .* $module present machine$" <<<"$classes" || fail "$progid in the packages: $classes"
  done
  # shellcheck disable=SC2046  # pkg-config's flags are words
  c++ -fPIC -o "$work/host/host" "$work/host/host.cpp" $(pkg-config --cflags --libs kvqmxtmr) ||
    fail "building a host with pkg-config"
  if readelf -d "$work/host/host" | grep -q -e RPATH -e RUNPATH; then fail "the pkg-config host has a RUNPATH"; fi
  local out
  out=$(env -i HOME="$work/host-home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "$work/host/host" 2>"$work/host.log") ||
    fail "the pkg-config host: $out $(cat "$work/host.log")"
  grep -qx "SetDispDelay 0" <<<"$out" || fail "the pkg-config host printed: $out"
  echo "pkg-config host: no RUNPATH, no LD_LIBRARY_PATH, $out"
  start_on_x /usr/bin/Whorlix "$work/home-package"
}

if [ "$build" = --drive ]; then
  drive "$2" "$3"
  exit 0
fi
if [ "$build" = --in-namespace ]; then
  in_namespace "$cmake" "$packages"
  exit 0
fi

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
lib=lib/$ma
files=(bin/Whorlix bin/kvqmxtmr-regtool bin/kvqmxtmr-inspect
  $lib/libkvqmxtmr.so.1 $lib/kvqmxtmr/KvQmxTmr.ocx $lib/kvqmxtmr/machine.reg $lib/pkgconfig/kvqmxtmr.pc
  share/applications/$app.desktop share/metainfo/$app.metainfo.xml
  share/man/man1/Whorlix.1.gz share/man/man1/kvqmxtmr-regtool.1.gz share/man/man1/kvqmxtmr-inspect.1.gz)
for size in "${icon_sizes[@]}"; do files+=("share/icons/hicolor/${size}x${size}/apps/$app.png"); done
for package in whorlix libkvqmxtmr1 kvqmxtmr-tools libkvqmxtmr-dev; do
  files+=("share/doc/$package/copyright" "share/doc/$package/changelog.gz")
done
# What a host builds the typed widgets with, and the guide and examples.
dev_files=(include/kvqmxtmr/dialfen_widgets.h include/kvqmxtmr/control_widget.h include/kvqmxtmr/kvqmxtmr_version.h
  $lib/libkvqmxtmr_dialfen.a $lib/kvqmxtmr/kvqmxtmr-genclasses lib/cmake/KvQmxTmr/KvQmxTmrGenerateClasses.cmake
  share/doc/libkvqmxtmr-dev/hosting.md share/doc/libkvqmxtmr-dev/examples/typed_host/main.cpp)
files+=("${dev_files[@]}")
for file in "${files[@]}"; do
  [ -f "$prefix/$file" ] || fail "$file not installed"
done
# The library a host links against, the link to its versioned name.
[ "$(readlink "$prefix/$lib/libkvqmxtmr.so")" = libkvqmxtmr.so.1 ] || fail "no libkvqmxtmr.so link to libkvqmxtmr.so.1"
readelf -d "$prefix/$lib/libkvqmxtmr.so.1" | grep -q 'SONAME.*\[libkvqmxtmr.so.1\]' ||
  fail "libkvqmxtmr.so.1 has another SONAME"
# What a host's build is told: no RUNPATH, no language standard of ours.
pc_flags=$(PKG_CONFIG_PATH="$prefix/$lib/pkgconfig" pkg-config --cflags --libs kvqmxtmr) || fail "pkg-config kvqmxtmr"
if grep -q -e rpath -e '-std=' <<<"$pc_flags"; then fail "pkg-config kvqmxtmr gives: $pc_flags"; fi
# The tree lists every file and link it holds, for the README's removal, and no more.
list=$prefix/$lib/kvqmxtmr/installed-files.txt
diff <(find "$prefix" -type f -o -type l | sort) <(sort "$list") || fail "installed-files.txt is not the installed tree"
diff <(sort "$build/install_manifest.txt") <(sort "$list") || fail "installed-files.txt is not install_manifest.txt"
for program in Whorlix kvqmxtmr-regtool kvqmxtmr-inspect; do
  dynamic=$(readelf -d "$prefix/bin/$program")
  # shellcheck disable=SC2016  # $ORIGIN is the loader's, not the shell's
  grep -qF 'Library runpath: [$ORIGIN/../lib/'"$ma]" <<<"$dynamic" || fail "$program has no relative RUNPATH"
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
hardening-check --nocfprotection --nofortify "$prefix/bin/Whorlix" "$prefix/bin/kvqmxtmr-regtool" \
  "$prefix/bin/kvqmxtmr-inspect" "$prefix/$lib/kvqmxtmr/kvqmxtmr-genclasses" "$prefix/$lib/libkvqmxtmr.so.1" "$prefix/$lib/kvqmxtmr/KvQmxTmr.ocx" \
  >"$work/hardening.log" 2>&1 || {
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
appstreamcli validate --pedantic "$prefix/share/metainfo/$app.metainfo.xml" >"$work/appstream.log" 2>&1 || {
  cat "$work/appstream.log" >&2
  fail "appstreamcli validate --pedantic"
}
# Both classes are registered machine-wide with their installed path.
list_classes() {
  env -i HOME="$work/list-home" PATH=/usr/bin:/bin ASAN_OPTIONS="${ASAN_OPTIONS:-}" "$1/kvqmxtmr-regtool" list
}
classes=$(list_classes "$prefix/bin")
for progid in Dialfen.KvQmxFasTmr Dialfen.KvDispVU; do
  grep -q "^$progid .* $prefix/$lib/kvqmxtmr/KvQmxTmr.ocx present machine$" <<<"$classes" || fail "$progid: $classes"
done
# An administrator's registration goes to the prefix's configuration folder.
admin_tree() {
  env -i HOME="$work/admin-home" PATH=/usr/bin:/bin ASAN_OPTIONS="${ASAN_OPTIONS:-}" "$prefix/bin/kvqmxtmr-regtool" "$@"
}
admin_tree register --machine "$prefix/$lib/kvqmxtmr/KvQmxTmr.ocx" >/dev/null || fail "register --machine (tree)"
[ -f "$prefix/etc/kvqmxtmr/machine.local.reg" ] || fail "no $prefix/etc/kvqmxtmr/machine.local.reg: $(find "$prefix" -name '*.reg')"
admin_tree unregister --machine "$prefix/$lib/kvqmxtmr/KvQmxTmr.ocx" >/dev/null || fail "unregister --machine (tree)"
rmdir "$prefix/etc/kvqmxtmr" "$prefix/etc" || fail "files left in $prefix/etc: $(ls -A "$prefix/etc/kvqmxtmr")"
start_on_x "$prefix/bin/Whorlix" "$work/home-tree"
# Removed as the README says, the tree leaves no file behind.
xargs -d '\n' rm -f <"$list"
rmdir "$prefix/$lib/kvqmxtmr" || fail "files left in $prefix/$lib/kvqmxtmr"
left=$(find "$prefix" -type f -o -type l)
[ -z "$left" ] || fail "left after removal: $left"
if [ "$packages" = - ]; then
  echo "the packages: skipped (built and checked by the run without sanitizers)"
  exit 0
fi

# ---------------------------------------------------------------- the packages
debs=() dbgsyms=()
for deb in "$packages"/*.deb; do
  case $deb in *-dbgsym_*) dbgsyms+=("$deb") ;; *) debs+=("$deb") ;; esac
done
[ ${#debs[@]} -eq 4 ] || fail "dpkg-buildpackage made ${#debs[@]} packages: $(ls "$packages")"
[ ${#dbgsyms[@]} -eq 4 ] || fail "dpkg-buildpackage made ${#dbgsyms[@]} -dbgsym packages (one per package with binaries): $(ls "$packages")"
program_deb=$packages/whorlix_1.0.0_amd64.deb
runtime_deb=$packages/libkvqmxtmr1_1.0.0_amd64.deb
tools_deb=$packages/kvqmxtmr-tools_1.0.0_amd64.deb
dev_deb=$packages/libkvqmxtmr-dev_1.0.0_amd64.deb
for deb in "$program_deb" "$runtime_deb" "$tools_deb" "$dev_deb"; do
  [ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$packages")"
  contents=$(dpkg-deb --contents "$deb" | awk '{ print $6 }')
  if grep -v -e '^\./$' -e '^\./usr/' <<<"$contents"; then fail "files outside /usr in $(basename "$deb")"; fi
  if grep -q -e '\.lock$' -e 'installed-files' -e 'machine\.local' <<<"$contents"; then
    fail "a lock file, a removal list or an administrator's file in $(basename "$deb")"
  fi
done
# Maintainer scripts: only the runtime's purge of the administrators' folder.
control=$(dpkg-deb --ctrl-tarfile "$runtime_deb" | tar -t | sort | tr '\n' ' ')
[ "$control" = "./ ./control ./md5sums ./postrm ./shlibs ./symbols ./triggers " ] || fail "libkvqmxtmr1: control members $control"
for deb in "$program_deb" "$tools_deb" "$dev_deb"; do
  control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sort | tr '\n' ' ')
  [ "$control" = "./ ./control ./md5sums " ] || fail "$(basename "$deb"): control members $control"
done
depends_of() { dpkg-deb --field "$1" Depends; }
grep -q 'libkvqmxtmr1 (>= 1.0.0)' <<<"$(depends_of "$program_deb")" || fail "whorlix: $(depends_of "$program_deb")"
grep -q 'libkvqmxtmr1 (>= 1.0.0)' <<<"$(depends_of "$tools_deb")" || fail "kvqmxtmr-tools: $(depends_of "$tools_deb")"
if grep -q qt6-base-dev <<<"$(depends_of "$tools_deb")"; then fail "kvqmxtmr-tools pulls in the development files"; fi
grep -q 'libkvqmxtmr1 (= 1.0.0).*qt6-base-dev' <<<"$(depends_of "$dev_deb")" || fail "-dev: $(depends_of "$dev_deb")"
for library in libqt6widgets6 libqt6gui6 libpulse0 libc6; do
  grep -q "$library" <<<"$(depends_of "$runtime_deb")" || fail "libkvqmxtmr1's Depends lack $library"
done
grep -q qt6-wayland <<<"$(dpkg-deb --field "$program_deb" Recommends)" || fail "whorlix does not recommend qt6-wayland"
in_package() { dpkg-deb --contents "$1" | awk '{ print $6 }' | grep -qx "./$2" || fail "$2 not in $(basename "$1")"; }
for file in usr/bin/Whorlix usr/share/applications/$app.desktop usr/share/icons/hicolor/256x256/apps/$app.png \
  usr/share/man/man1/Whorlix.1.gz usr/share/metainfo/$app.metainfo.xml; do in_package "$program_deb" "$file"; done
for file in usr/lib/$ma/kvqmxtmr/KvQmxTmr.ocx usr/lib/$ma/kvqmxtmr/machine.reg usr/lib/$ma/libkvqmxtmr.so.1.0.0 \
  usr/lib/$ma/libkvqmxtmr.so.1; do in_package "$runtime_deb" "$file"; done
for file in usr/bin/kvqmxtmr-regtool usr/bin/kvqmxtmr-inspect usr/share/man/man1/kvqmxtmr-regtool.1.gz; do
  in_package "$tools_deb" "$file"
done
# The package's guide is compressed, as Debian's documentation is.
packaged_dev_files=("${dev_files[@]/#/usr/}")
packaged_dev_files=("${packaged_dev_files[@]/%hosting.md/hosting.md.gz}")
for file in usr/lib/$ma/libkvqmxtmr.so usr/lib/$ma/pkgconfig/kvqmxtmr.pc usr/include/kvqmxtmr/control.h "${packaged_dev_files[@]}"; do
  in_package "$dev_deb" "$file"
done
# Debian's own judge, on the source and every binary package: no error, no
# warning, no hardening tag.
lintian --display-info --pedantic "$packages"/*.changes >"$work/lintian.log" 2>&1 || true
unfortified='^$'
[ "$fortified" = 1 ] || unfortified='hardening-no-fortify-functions'
if grep -E '^(E|W): |hardening' "$work/lintian.log" | grep -v -E "$unfortified"; then fail "lintian"; fi
echo "lintian: $(grep -c -E '^(I|P): ' "$work/lintian.log" || true) info and pedantic tags, no error or warning"

# Installed by dpkg into a root of their own, as apt-get would install them
# on a machine (with a package database of that root's own, so the
# machine's packages are left alone).
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg_root() { dpkg --root="$root" --force-depends --force-not-root --force-script-chrootless "$@" >>"$work/dpkg.log" 2>&1; }
dpkg_root --install "${debs[@]}" || { cat "$work/dpkg.log" >&2; fail "dpkg --install"; }
desktop-file-validate "$root/usr/share/applications/$app.desktop" || fail "desktop-file-validate (package)"
grep -qx "Exec=/usr/bin/Whorlix" "$root/usr/share/applications/$app.desktop" || fail "the package's desktop entry"
for program in Whorlix kvqmxtmr-regtool kvqmxtmr-inspect; do
  if readelf -d "$root/usr/bin/$program" | grep -q -e RPATH -e RUNPATH; then fail "the package's $program has a RUNPATH"; fi
done

# A host's package built against libkvqmxtmr-dev: dpkg-shlibdeps reads the
# library's symbols file and gives it a versioned dependency. The host is
# built below, inside the namespace, with pkg-config.
mkdir -p "$work/host" "$work/etc-upper" "$work/etc-work"
cat >"$work/host/host.cpp" <<'HOST'
#include <QApplication>
#include <QWidget>
#include <iostream>
#include <kvqmxtmr/control.h>
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  kvqmxtmr::Control meter("Dialfen.KvDispVU", &window);
  meter.PutLong("SetDispDelay", 0);
  std::cout << "SetDispDelay " << meter.GetLong("SetDispDelay") << "\n";
  return 0;
}
HOST

# The packages where they belong, in a mount namespace of this test's own:
# /usr is the packages' files over the machine's, read-only; /etc is the
# machine's with the writes going to a folder of this test's.
if ! unshare -m true 2>/dev/null; then
  echo "this system forbids a mount namespace (unshare -m): the read-only /usr, /etc/kvqmxtmr, pkg-config host and Whorlix cases are skipped"
else
  unshare -m "$0" --in-namespace "$root" "$work" || fail "in the namespace"
  written=$(cd "$work/etc-upper" && find . -mindepth 1 | sort | tr '\n' ' ')
  [ "$written" = "./kvqmxtmr ./kvqmxtmr/machine.local.reg " ] || fail "written to /etc: $written"
  mkdir -p "$work/host-package/debian"
  printf 'Source: kv-host\n\nPackage: kv-host\nArchitecture: any\n' >"$work/host-package/debian/control"
  dpkg-deb --raw-extract "$runtime_deb" "$work/runtime-package"
  shlibs=$(cd "$work/host-package" && dpkg-shlibdeps -S"$work/runtime-package" -O ../host/host 2>"$work/shlibdeps.log") ||
    fail "dpkg-shlibdeps: $(cat "$work/shlibdeps.log")"
  grep -q 'libkvqmxtmr1 (>= 1.0.0)' <<<"$shlibs" || fail "dpkg-shlibdeps gave the host: $shlibs"
  echo "dpkg-shlibdeps: ${shlibs#shlibs:Depends=}"
  # The administrator's registration, as it lies on that machine.
  mkdir -p "$root/etc"
  cp -a "$work/etc-upper/kvqmxtmr" "$root/etc/"
fi
mkdir -p "$root/etc/kvqmxtmr"
touch "$root/etc/kvqmxtmr/machine.local.reg"
# Removed, the packages leave the administrator's registration; purged, nothing.
dpkg_root --remove libkvqmxtmr-dev whorlix kvqmxtmr-tools libkvqmxtmr1 || { cat "$work/dpkg.log" >&2; fail "dpkg --remove"; }
[ -f "$root/etc/kvqmxtmr/machine.local.reg" ] || fail "dpkg --remove took the administrator's registration"
left=$(find "$root" -path "$root/var" -prune -o -path "$root/etc" -prune -o \( -type f -o -type l -o -type d -path "$root/usr/*" \) -print)
[ -z "$left" ] || fail "left after removing the packages: $left"
dpkg_root --purge libkvqmxtmr-dev whorlix kvqmxtmr-tools libkvqmxtmr1 || { cat "$work/dpkg.log" >&2; fail "dpkg --purge"; }
left=$(find "$root" -path "$root/var" -prune -o \( -type f -o -type l -o -type d -path "$root/*/*" \) -print)
[ -z "$left" ] || fail "left after purging the packages: $left"
