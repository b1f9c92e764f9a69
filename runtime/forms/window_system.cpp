#include "runtime/forms/detail/window_system.h"

#include <QGuiApplication>

namespace forms::detail {

bool OnWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

}  // namespace forms::detail
