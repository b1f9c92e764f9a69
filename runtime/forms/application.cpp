#include "runtime/forms/application.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/form.h"
#include "runtime/platform/error.h"
#include "runtime/platform/stack_space.h"

namespace forms {
namespace {

struct State {
  std::vector<Form*> forms;                  // every live form, creation order
  std::vector<std::unique_ptr<Form>> owned;  // forms the program owns
  int loopDepth = 0;
  bool windowSeen = false;  // a window was open at a DoEvents pass before exec()
  bool ending = false;
};

// Never destroyed: the forms it owns die in Run, before Qt's own globals, and
// never from an exit handler. Qt ends the process with exit() when the
// display connection breaks, while forms are still alive and its own globals
// are being torn down; deleting a window then crashes.
State& state() {
  static State* s = new State;
  return *s;
}

// Qt would otherwise end the program from inside exec() on the last window
// closed, or through the quit lock, while a DoEvents loop is still running.
// Only where the kit drives the program: an application it made itself, and
// the span of Run. A host's own application keeps the host's settings.
struct QuitSettings {
  bool onLastWindowClosed;
  bool lock;
  static QuitSettings Of(const QApplication* app) {
    return {app->quitOnLastWindowClosed(), app->isQuitLockEnabled()};
  }
  void ApplyTo(QApplication* app) const {
    app->setQuitOnLastWindowClosed(onLastWindowClosed);
    app->setQuitLockEnabled(lock);
  }
};
constexpr QuitSettings kKitQuitSettings{false, false};

}  // namespace

namespace detail {

void EnsureApplication() {
  // Someone else made it (a test harness, a host program): theirs to set up.
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "desktop";
  static char* argv[] = {name, nullptr};
  Application::Initialize(argc, argv);
}

void RegisterForm(Form* form) { state().forms.push_back(form); }

void UnregisterForm(Form* form) {
  auto& forms = state().forms;
  forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
}

bool AnyFormOpen() {
  const auto& forms = state().forms;
  return std::any_of(forms.begin(), forms.end(), [](const Form* f) { return f->IsOpen(); });
}

QWidget* NewestOpenFormWindow() {
  const auto& forms = state().forms;
  for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
    if ((*it)->IsOpen() && (*it)->Window()->isVisible()) return (*it)->Window();
  }
  return nullptr;
}

void WakeUp() {
  if (auto* dispatcher = QAbstractEventDispatcher::instance()) dispatcher->wakeUp();
}

void ReportUnhandled(const char* where, const std::exception* error) {
  // Ending the handler is the whole reaction; the text goes to stderr so the
  // failure is not silent.
  std::fprintf(stderr, "Unhandled error in %s: %s\n", where,
               error != nullptr ? error->what() : "unknown exception");
}

}  // namespace detail

void Application::Initialize(int& argc, char** argv) {
  QCoreApplication* existing = QCoreApplication::instance();
  if (existing == nullptr) {
    // A form is laid out once, in logical pixels, and Qt draws that picture
    // at the screen's scale, pictures and line widths included. A scale
    // asked for outright (QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS, a Wayland
    // output's) passes through unrounded. One that Qt derives from the DPI
    // alone (Xft.dpi / 96) is taken in whole steps, rounding up from .75:
    // what is left stays in the logical DPI that twips convert at, so a
    // 120-DPI screen is still a scale-1 screen at 12 twips a pixel, and
    // 144 DPI does not draw 2x pictures into a layout of 1.5x. The user's
    // own choice of policy wins.
    if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR_ROUNDING_POLICY")) {
      QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
    }
    // Lives until the process ends: windows, fonts and timers of forms that
    // outlast Run still need it. It is never deleted: at exit, Qt's own
    // global objects are already partly gone, and deleting it then crashes.
    kKitQuitSettings.ApplyTo(new QApplication(argc, argv));
    return;
  }
  if (qobject_cast<QApplication*>(existing) == nullptr) {
    throw platform::Error(platform::kErrorFail,
                          "The forms runtime needs a QApplication, but another application object exists.");
  }
}

void Application::SetDesktopEntry(const std::string& id) {
  detail::EnsureApplication();
  const QString name = QString::fromStdString(id);
  QGuiApplication::setDesktopFileName(name);
  if (QIcon::hasThemeIcon(name)) QGuiApplication::setWindowIcon(QIcon::fromTheme(name));
}

int Application::Run() {
  detail::EnsureApplication();
  // The kit drives the program from here to the end of Run, and a host's
  // own settings come back after it.
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  struct Restore {
    QApplication* app;
    QuitSettings before;
    ~Restore() {
      if (app != nullptr) before.ApplyTo(app);
    }
  } restore{app, app != nullptr ? QuitSettings::Of(app) : kKitQuitSettings};
  if (app != nullptr) kKitQuitSettings.ApplyTo(app);
  State& s = state();
  s.ending = false;
  // Every nested DoEvents loop has returned by the time control is back here,
  // so the only condition left to wait for is an open form.
  while (detail::AnyFormOpen()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  s.ending = true;
  // Handlers may create or close forms; terminate each form known at the
  // start exactly once, in creation order.
  const std::vector<Form*> forms = s.forms;
  for (Form* form : forms) {
    if (std::find(s.forms.begin(), s.forms.end(), form) != s.forms.end()) form->Terminate();
  }
  while (!s.owned.empty()) {
    std::unique_ptr<Form> last = std::move(s.owned.back());
    s.owned.pop_back();
    last.reset();
  }
  return 0;
}

int Application::LoopDepth() { return state().loopDepth; }

bool Application::Ending() { return state().ending; }

void Application::Adopt(std::unique_ptr<Form> form) {
  if (form) state().owned.push_back(std::move(form));
}

namespace {

// A window whose close would end the program, as Qt counts them for its
// quit on the last window closed.
bool AnyWindowKeepsRunning() {
  for (const QWindow* window : QGuiApplication::topLevelWindows()) {
    if (!window->isVisible() || window->transientParent() != nullptr) continue;
    const Qt::WindowType type = window->type();
    if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen || type == Qt::Desktop) continue;
    return true;
  }
  return false;
}

// Qt ends a program on its last window closed only while exec() runs. A
// pass made before the host reached exec() (a control's loop switched on
// from main) may close that window; the quit it would have brought is owed
// to the exec() that follows, which gets it unless a window shows by then.
void OweQuit() {
  QTimer::singleShot(0, QCoreApplication::instance(), [] {
    if (QThread::currentThread()->loopLevel() == 0) return OweQuit();
    if (!AnyWindowKeepsRunning()) QCoreApplication::quit();
  });
}

}  // namespace

void DoEvents() {
  detail::EnsureApplication();
  // Every handler the pass runs may start another loop inside this one.
  platform::RequireStackSpace();
  struct Depth {
    Depth() { ++state().loopDepth; }
    ~Depth() { --state().loopDepth; }
  } depth;
  // The last window may close inside the pass or between two (in an event
  // handler of the loop that pumps), so what was seen open is remembered.
  const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  const bool beforeExec =
      app != nullptr && app->quitOnLastWindowClosed() && QThread::currentThread()->loopLevel() == 0;
  if (beforeExec && !state().windowSeen) state().windowSeen = AnyWindowKeepsRunning();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (beforeExec && state().windowSeen && !AnyWindowKeepsRunning()) {
    state().windowSeen = false;
    OweQuit();
  }
}

}  // namespace forms
