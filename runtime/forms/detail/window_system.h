#pragma once
// Which window system the program runs on, where that changes what the
// runtime does: a Wayland compositor places every window itself, paces its
// clients' frames, and takes pictures through surfaces of the client's own.

namespace forms::detail {

bool OnWayland();

}  // namespace forms::detail
