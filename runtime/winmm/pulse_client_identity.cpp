#include "runtime/winmm/pulse_client_identity.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>

namespace winmm {

PulseClientIdentity HostPulseClientIdentity() {
  PulseClientIdentity identity;
  // Without an application object Qt knows no name; libpulse's own default
  // (the executable's name) is then just as good.
  if (QCoreApplication::instance() == nullptr) return identity;
  identity.name = QCoreApplication::applicationName().toStdString();
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    identity.id = QGuiApplication::desktopFileName().toStdString();
    identity.iconName = QGuiApplication::windowIcon().name().toStdString();
  }
  return identity;
}

}  // namespace winmm
