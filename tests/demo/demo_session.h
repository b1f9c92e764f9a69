#pragma once
// What every window test of the demo needs: the control module registered in
// a registry of the test's own, a scripted mixer so levels are exact, the
// main window open, and a clean end of the program afterwards. Commands are
// queued with Later() so they run inside whatever loop is pumping at the
// time, as a user's clicks would.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "demo/full_screen.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/scripted_mixer.h"

namespace whorlix::testing {

// Registers KvQmxTmr.ocx from the build's bin/ into a fresh registry file
// (KV_REGISTRY_FILE) once per process; returns the module's path.
std::string RegisterControlModule();
// Points KV_REGISTRY_FILE and KV_MACHINE_REGISTRY_FILE at fresh registry
// files in a folder of their own; neither exists yet.
void UseEmptyRegistry();

// Runs `fn` after `ms` milliseconds, from whichever loop pumps then.
void Later(int ms, std::function<void()> fn);
// Pumps messages for `ms` milliseconds.
void PumpFor(int ms);
// Pumps until `done` holds; false after `timeoutMs`.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Chooses a menu item the way the user does.
void Choose(FullScreen& window, const std::string& item);

class DemoSession : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the main window with the mixer playing `script` (scripted-mixer
  // format, e.g. "values 2500 12000").
  FullScreen& Open(const std::string& script);
  // Ends the program (Application::Run) and returns its status; the window
  // is gone afterwards.
  int RunToEnd();

  uint64_t MixerReads() const { return mixer_->Counts().reads; }
  // A property of a hosted control, read by DISPID.
  int32_t MeterProperty(int32_t dispid) const;
  int32_t TimerProperty(int32_t dispid) const;

  FullScreen* window_ = nullptr;
  std::shared_ptr<winmm::ScriptedMixer> mixer_;
  std::unique_ptr<winmm::ScopedMixerDevice> device_;
};

}  // namespace whorlix::testing
