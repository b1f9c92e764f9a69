#pragma once
// What reaches the output of the desktop session a test runs in, in device
// pixels: on X11 the root window as the X server holds it; on the headless
// Wayland compositor (tests/demo/wayland_session.sh) the output as the
// compositor composes it, taken with its screenshooter, since a Wayland
// client may read no pixels but its own.
#include <QImage>

namespace whorlix::testing {

// The program is a native Wayland client.
bool OnWayland();
// The whole output, after the last paint has had time to reach it. A null
// image when it cannot be taken.
QImage GrabScreen();

}  // namespace whorlix::testing
