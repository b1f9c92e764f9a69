#!/usr/bin/env bash
# Installs the Debian packages that are missing, and only those:
#   scripts/install-deps.sh run    what building and running the demo needs
#   scripts/install-deps.sh test   that, and what the tests and benchmarks need
# Uses sudo when not run as root. It never removes a package.
set -euo pipefail
cd "$(dirname "$0")/.."

# Building and running the demo.
run_packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  # Forms on Wayland hand their pictures to the compositor themselves: the
  # client library, and Qt's platform interface for the display and surfaces.
  qt6-base-private-dev libwayland-dev
  libpulse-dev pulseaudio-utils
  fontconfig fonts-dejavu-core
)

# The tests and benchmarks, on top.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils
  desktop-file-utils appstream dpkg-dev
  openbox x11-xserver-utils libxcb1-dev
  # The native Wayland session: Qt's Wayland plugin and a compositor with a
  # headless backend (tests/demo/wayland_session.sh), and the X server it
  # runs for X clients (tests/demo/display_loss.sh).
  qt6-wayland weston xwayland
  lintian devscripts debhelper
  # The Qt Designer plugin and the tests of forms made with it: Designer's
  # headers, QUiLoader (whose CMake package needs Qt's OpenGL one, which
  # qt6-tools-dev does not bring), and Designer itself.
  qt6-tools-dev libqt6opengl6-dev designer-qt6
)

# A sound server, for the private one the scripts start, only where none is
# installed: on Debian 12 pulseaudio and pipewire-audio conflict, so adding
# one would remove the desktop's own. A machine with none (a fresh CI machine)
# gets PulseAudio to run the demo, and both servers to test against.
run_sound_server=(pulseaudio)
test_sound_servers=(pulseaudio pipewire pipewire-pulse wireplumber)
# PipeWire's private start needs a session bus of its own.
pipewire_needs=(dbus-daemon)

set_name=${1:-test}
case "$set_name" in
  run) packages=("${run_packages[@]}") servers=("${run_sound_server[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") servers=("${test_sound_servers[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
# The fuzz targets (scripts/fuzz.sh): clang with libFuzzer and its sanitizers.
if [ "${KV_FUZZ:-0}" = 1 ]; then packages+=(clang libclang-rt-dev); fi
installed_servers=$(scripts/sound-server.sh installed)
if [ -z "$installed_servers" ]; then packages+=("${servers[@]}"); fi
if grep -qx pipewire <<<"$installed_servers" || [[ " ${packages[*]} " == *" pipewire "* ]]; then
  packages+=("${pipewire_needs[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# --no-remove: should anything on this machine conflict, stop rather than
# take away what the user has.
$sudo apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}" >/dev/null
