#include "tests/demo/desktop_screen.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include "runtime/forms/detail/runtime_state.h"
#include "tests/demo/demo_session.h"

namespace whorlix::testing {

bool OnWayland() {
  forms::detail::EnsureApplication();  // the platform is known once the application is
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

namespace {

// weston-screenshooter writes one PNG into the folder it runs in. It waits
// for the compositor, which may wait for this program's next frame: pump
// while it runs.
QImage ShootOutput() {
  QTemporaryDir dir;
  if (!dir.isValid()) return {};
  QProcess shooter;
  shooter.setWorkingDirectory(dir.path());
  shooter.start("weston-screenshooter", {});
  if (!shooter.waitForStarted(5000)) return {};
  if (!PumpUntil([&] { return shooter.state() == QProcess::NotRunning; }, 10000)) {
    shooter.kill();
    shooter.waitForFinished();
    return {};
  }
  if (shooter.exitStatus() != QProcess::NormalExit || shooter.exitCode() != 0) return {};
  const QStringList shots = QDir(dir.path()).entryList({"*.png"}, QDir::Files);
  if (shots.size() != 1) return {};
  return QImage(dir.filePath(shots.front()));
}

}  // namespace

QImage GrabScreen() {
  PumpFor(300);  // let the last paint reach the screen
  const QImage shot = OnWayland() ? ShootOutput() : QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  return shot.convertToFormat(QImage::Format_RGB32);
}

}  // namespace whorlix::testing
