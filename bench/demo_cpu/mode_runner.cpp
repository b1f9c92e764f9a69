// The demo for demo_cpu_per_mode on a Wayland compositor, where no program
// may type or click into another's window: the real main window, started as
// Whorlix starts it, whose menu items are chosen by name, one a line, from
// the pipe KV_BENCH_COMMANDS, the way a click on them would. It creates the
// file KV_BENCH_SHOWN once the window is on the output.
#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QCoreApplication>
#include <QWidget>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "demo/full_screen.h"
#include "runtime/forms/application.h"

int main(int argc, char** argv) {
  const char* commands = std::getenv("KV_BENCH_COMMANDS");
  const char* shown = std::getenv("KV_BENCH_SHOWN");
  if (commands == nullptr || shown == nullptr) {
    std::fprintf(stderr, "demo_mode_runner: KV_BENCH_COMMANDS and KV_BENCH_SHOWN name its pipe and its file\n");
    return 2;
  }
  forms::Application::Initialize(argc, argv);
  forms::Application::SetDesktopEntry("com.brenvale.Whorlix");
  whorlix::FullScreen& window = forms::Application::CreateForm<whorlix::FullScreen>();
  window.Show();

  // Read and write: the pipe never reads as ended while the benchmark runs.
  const int fd = ::open(commands, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "demo_mode_runner: cannot open %s\n", commands);
    return 2;
  }
  std::string pending;
  QSocketNotifier notifier(fd, QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
    char buffer[256];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) pending.append(buffer, static_cast<size_t>(n));
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string item = pending.substr(0, end);
      pending.erase(0, end + 1);
      // Queued, so a command that runs a loop runs it from the event loop,
      // as a menu click does, and the next command reaches it there.
      QMetaObject::invokeMethod(
          QCoreApplication::instance(),
          [&window, item] {
            if (QAction* action = window.MenuAction(item)) {
              action->trigger();
            } else {
              std::fprintf(stderr, "demo_mode_runner: no menu item %s\n", item.c_str());
            }
          },
          Qt::QueuedConnection);
    }
  });
  QWindow* native = window.Window()->windowHandle();
  const auto markShown = [&] {
    if (native->isExposed()) std::ofstream(shown) << "shown\n";
  };
  QObject::connect(native, &QWindow::visibilityChanged, markShown);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    markShown();
    if (native->isExposed()) poll.stop();
  });
  poll.start(100);
  const int status = forms::Application::Run();
  ::close(fd);
  return status;
}
