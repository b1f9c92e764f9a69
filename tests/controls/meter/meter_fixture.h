#pragma once
// What the meter's tests share: a meter on a scripted mixer device, a Sleep
// that counts instead of blocking, a container that records notifications,
// and ways to run passes through the control's real timer and loop.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/meter/kv_disp_vu.h"
#include "runtime/forms/msgbox.h"
#include "runtime/forms/ref.h"
#include "runtime/forms/user_control.h"
#include "runtime/platform/exports.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/scripted_mixer.h"

namespace meter_test {

// Every Sleep the control asks for, in order.
std::vector<int32_t>& SleepCalls();
void CountingSleep(int32_t milliseconds);

class RecordingSite : public forms::ControlSite {
 public:
  void OnPropertyChanged(std::string_view name) override { changes.emplace_back(name); }
  bool UserMode() const override { return userMode; }
  void OnEvent(int32_t, const std::vector<com::Variant>&) override {}
  void OnRequestSize(float, float) override {}

  std::vector<std::string> changes;
  bool userMode = true;  // false: the host is being designed
};

// Runs `work` from the message loop: the next DoEvents (the meter's loop, for
// instance) picks it up.
void Post(std::function<void()> work);

class MeterTest : public ::testing::Test {
 protected:
  MeterTest();
  ~MeterTest() override;

  // Makes mixer device 0 a scripted device and creates, initialises and
  // shows a meter on it.
  void UseScript(std::string_view script);
  void CreateMeter();

  // Runs exactly one full pass the way the host's mode 0 does: through a
  // tick of Timer1. The meter is stopped (mode 2) again afterwards and the
  // notifications of the start and stop are forgotten.
  void RunTimerPass();
  // The same for a meter whose passes do not read: `passDone` tells when the
  // tick has come.
  void RunTimerPass(const std::function<bool()>& passDone);

  // Indices (1..11) of the segments currently visible.
  std::vector<int> LitSegments() const;
  forms::Timer& Timer1() const;
  uint64_t Reads() const { return mixer_->Counts().reads; }

  std::shared_ptr<winmm::ScriptedMixer> mixer_;
  std::unique_ptr<winmm::ScopedMixerDevice> device_;
  forms::Ref<KvDispVU> meter_;
  RecordingSite site_;
  std::vector<std::string> messages_;

 private:
  platform::ScopedExport<void(int32_t)> sleep_{"kernel32", "Sleep", &CountingSleep};
  forms::ScopedMsgBoxHook msgBoxes_{[this](const std::string& text) { messages_.push_back(text); }};
};

}  // namespace meter_test
