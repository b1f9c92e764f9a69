#!/usr/bin/env bash
# The installed tree and the Debian package as a new user meets them: the
# README's `cmake --install BUILD --prefix P` and `cpack`, the files they
# lay out, the desktop entry and AppStream data checked by their validators,
# and the installed Whorlix started on a real X server by a user whose home
# and configuration folders are empty, closed through its quit dialog.
#   install_test.sh BUILD_DIR CMAKE CPACK
# Exits 77 (skipped) without the private sound server ./test.sh starts.
set -euo pipefail

build=$1 cmake=$2 cpack=$3
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
for file in bin/Whorlix bin/regtool bin/inspect_module \
  lib/kvqmxtmr/libdesktop_runtime.so lib/kvqmxtmr/KvQmxTmr.ocx lib/kvqmxtmr/machine.reg \
  share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
  share/icons/hicolor/32x32/apps/$app.png share/icons/hicolor/256x256/apps/$app.png; do
  [ -f "$prefix/$file" ] || fail "$file not installed"
done
# The tree lists every file it holds, for the README's removal, and no more.
files=$prefix/lib/kvqmxtmr/installed-files.txt
diff <(find "$prefix" \( -type f -o -type l \) | sort) <(sort "$files") || fail "installed-files.txt is not the installed tree"
diff <(sort "$build/install_manifest.txt") <(sort "$files") || fail "installed-files.txt is not install_manifest.txt"
for program in Whorlix regtool inspect_module; do
  dynamic=$(readelf -d "$prefix/bin/$program")
  # shellcheck disable=SC2016  # $ORIGIN is the loader's, not the shell's
  grep -q 'RUNPATH.*\[\$ORIGIN/../lib/kvqmxtmr\]' <<<"$dynamic" || fail "$program has no relative RUNPATH"
done
# PNG width and height: bytes 16 to 23 of the header.
for size in 32 256; do
  dims=$(od -An -tx1 -j16 -N8 "$prefix/share/icons/hicolor/${size}x${size}/apps/$app.png" | tr -d ' \n')
  [ "$dims" = "$(printf '%08x%08x' "$size" "$size")" ] || fail "the ${size}x${size} icon is $dims"
done
desktop-file-validate "$prefix/share/applications/$app.desktop" || fail "desktop-file-validate"
grep -qx "Exec=$prefix/bin/Whorlix" "$prefix/share/applications/$app.desktop" || fail "the desktop entry does not start $prefix/bin/Whorlix"
appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" >"$work/appstream.log" 2>&1 || {
  cat "$work/appstream.log" >&2
  fail "appstreamcli validate"
}
# Both classes are registered machine-wide with their installed path.
list=$(env -i HOME="$work/list-home" PATH=/usr/bin:/bin ASAN_OPTIONS="${ASAN_OPTIONS:-}" "$prefix/bin/regtool" list)
for progid in Dialfen.KvQmxFasTmr Dialfen.KvDispVU; do
  grep -q "^$progid .* $prefix/lib/kvqmxtmr/KvQmxTmr.ocx present machine$" <<<"$list" || fail "$progid: $list"
done
start_on_x "$prefix/bin/Whorlix" "$work/home-tree"
# Removed as the README says, the tree leaves no file behind.
xargs -d '\n' rm -f <"$files"
rmdir "$prefix/lib/kvqmxtmr" || fail "files left in $prefix/lib/kvqmxtmr"
left=$(find "$prefix" \( -type f -o -type l \))
[ -z "$left" ] || fail "left after removal: $left"

# ---------------------------------------------------------------- the package
"$cpack" --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  fail "cpack"
}
debs=("$work"/package/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "cpack made ${#debs[@]} packages"
deb=${debs[0]}
[ "$(dpkg-deb --field "$deb" Package)" = whorlix ] || fail "package name"
depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libpulse0 libc6; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
# No maintainer scripts: installing the package writes only its own files.
control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sort | tr '\n' ' ')
[ "$control" = "./ ./control ./md5sums " ] || fail "control members: $control"
contents=$(dpkg-deb --contents "$deb" | awk '{ print $6 }')
if grep -v -e '^\./$' -e '^\./usr/' <<<"$contents"; then fail "files outside /usr"; fi
for file in usr/bin/Whorlix usr/lib/kvqmxtmr/KvQmxTmr.ocx usr/lib/kvqmxtmr/machine.reg \
  usr/share/applications/$app.desktop usr/share/icons/hicolor/256x256/apps/$app.png; do
  grep -qx "./$file" <<<"$contents" || fail "$file not in the package"
done
if grep -q -e '\.lock$' -e 'installed-files' <<<"$contents"; then fail "a lock file or a removal list in the package"; fi

root=$work/root
dpkg-deb --extract "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/$app.desktop" || fail "desktop-file-validate (package)"
grep -qx "Exec=/usr/bin/Whorlix" "$root/usr/share/applications/$app.desktop" || fail "the package's desktop entry"
# The package's registration names the module where the package puts it.
list=$(env -i HOME="$work/list-home" PATH=/usr/bin:/bin ASAN_OPTIONS="${ASAN_OPTIONS:-}" "$root/usr/bin/regtool" list)
for progid in Dialfen.KvQmxFasTmr Dialfen.KvDispVU; do
  grep -q "^$progid .* /usr/lib/kvqmxtmr/KvQmxTmr.ocx [a-z]* machine$" <<<"$list" || fail "$progid in the package: $list"
done
# Started from the extracted tree, where /usr/lib/kvqmxtmr is not: the
# user registers the extracted module, which the per-user file then serves.
home=$work/home-package
env -i HOME="$home" PATH=/usr/bin:/bin ASAN_OPTIONS="${ASAN_OPTIONS:-}" \
  "$root/usr/bin/regtool" register "$root/usr/lib/kvqmxtmr/KvQmxTmr.ocx" >/dev/null || fail "registering the extracted module"
start_on_x "$root/usr/bin/Whorlix" "$home"
