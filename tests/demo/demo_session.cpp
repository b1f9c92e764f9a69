#include "tests/demo/demo_session.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QAction>
#include <cstdlib>
#include <filesystem>

#include "demo/terminator.h"
#include "runtime/com/module.h"
#include "runtime/forms/application.h"

namespace whorlix::testing {
namespace {

std::string FreshDirectory() {
  char dir[] = "/tmp/whorlix-test-XXXXXX";
  if (mkdtemp(dir) == nullptr) throw std::runtime_error("cannot make a temporary directory");
  return dir;
}

}  // namespace

void UseEmptyRegistry() {
  const std::string dir = FreshDirectory();
  setenv("KV_REGISTRY_FILE", (dir + "/registry.reg").c_str(), 1);
  setenv("KV_MACHINE_REGISTRY_FILE", (dir + "/machine.reg").c_str(), 1);
}

std::string RegisterControlModule() {
  static std::string registered;
  if (!registered.empty()) return registered;
  UseEmptyRegistry();
  const char* bin = std::getenv("KV_BINARY_DIR");
  const std::string module = std::string(bin != nullptr ? bin : ".") + "/bin/KvQmxTmr.ocx";
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) throw std::runtime_error("cannot load " + module + ": " + dlerror());
  auto* reg = reinterpret_cast<com::DllRegisterServerFn*>(dlsym(handle, "DllRegisterServer"));
  if (reg == nullptr) throw std::runtime_error(module + " has no DllRegisterServer");
  if (reg() != com::S_OK) throw std::runtime_error("DllRegisterServer of " + module + " failed");
  registered = module;
  return registered;
}

void Later(int ms, std::function<void()> fn) {
  QTimer::singleShot(ms, Qt::PreciseTimer, QCoreApplication::instance(), std::move(fn));
}

void PumpFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    forms::DoEvents();
    QThread::msleep(1);
  }
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    forms::DoEvents();
    QThread::msleep(1);
  }
  return true;
}

void Choose(FullScreen& window, const std::string& item) {
  QAction* action = window.MenuAction(item);
  ASSERT_NE(action, nullptr) << item;
  action->trigger();
}

void DemoSession::SetUp() { RegisterControlModule(); }

FullScreen& DemoSession::Open(const std::string& script) {
  mixer_ = std::make_shared<winmm::ScriptedMixer>(winmm::MixerScript::Parse(script));
  device_ = std::make_unique<winmm::ScopedMixerDevice>(mixer_);
  window_ = &forms::Application::CreateForm<FullScreen>();
  window_->Show();
  return *window_;
}

int DemoSession::RunToEnd() {
  const int status = forms::Application::Run();
  window_ = nullptr;
  return status;
}

void DemoSession::TearDown() {
  if (window_ != nullptr) {
    // Close whatever the test left open, the way a user would, so the
    // program can end and the next test starts clean.
    if (window_->IsOpen()) window_->Unload();
    if (Terminator* dialog = window_->QuitDialog(); dialog != nullptr && dialog->IsOpen()) dialog->NOTSURE_Click();
    EXPECT_EQ(RunToEnd(), 0);
  }
  device_.reset();
}

int32_t DemoSession::MeterProperty(int32_t dispid) const {
  return window_->KvDispVU1().Driver().Get(dispid).ToI4();
}

int32_t DemoSession::TimerProperty(int32_t dispid) const {
  return window_->KvQmxFasTmr1().Driver().Get(dispid).ToI4();
}

}  // namespace whorlix::testing
