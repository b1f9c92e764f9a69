// The four modes, what each does to Timer1, GetPeekData and the container's
// notifications, and the loop that runs inside a put of 1.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/forms/application.h"
#include "runtime/kernel32/block_table.h"
#include "runtime/forms/timer.h"
#include "runtime/platform/error.h"
#include "tests/controls/meter/meter_fixture.h"

namespace meter_test {
namespace {

using Strings = std::vector<std::string>;
using DisplayModes = MeterTest;

std::vector<int> AllSegments() { return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}; }

TEST_F(DisplayModes, ModeZeroRunsOnePassPerTimerTick) {
  UseScript("values 100 200 300 9000");
  CreateMeter();
  EXPECT_FALSE(Timer1().Enabled());
  EXPECT_EQ(Reads(), 0u) << "showing the control reads nothing";

  meter_->put_DisplayMode(KvDispVU::UseVULowTimer);
  EXPECT_TRUE(Timer1().Enabled());
  EXPECT_EQ(Timer1().Interval(), 1);
  EXPECT_EQ(Reads(), 0u) << "the put itself runs no pass";
  EXPECT_EQ(site_.changes, Strings{"DisplayMode"});

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (Reads() < 4 && std::chrono::steady_clock::now() < deadline) forms::DoEvents();
  EXPECT_GE(Reads(), 4u);
  EXPECT_EQ(meter_->get_GetPeekData(), 9000);
  EXPECT_EQ(LitSegments(), AllSegments());
  meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
}

TEST_F(DisplayModes, ModeTwoStopsEverythingSilently) {
  UseScript("values 4321 1");
  CreateMeter();
  RunTimerPass();
  meter_->put_DisplayMode(KvDispVU::UseVULowTimer);
  site_.changes.clear();

  meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
  EXPECT_FALSE(Timer1().Enabled());
  EXPECT_EQ(Timer1().Interval(), 0);
  EXPECT_TRUE(site_.changes.empty()) << "a put of 2 is never announced";
  EXPECT_EQ(meter_->get_DisplayMode(), KvDispVU::DONotUseTimer);
  for (int i = 0; i < 20; ++i) forms::DoEvents();
  EXPECT_EQ(Reads(), 1u);
  EXPECT_EQ(meter_->get_GetPeekData(), 4321) << "frozen at the last reading";
  EXPECT_EQ(LitSegments(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(DisplayModes, ModeThreeTakesOneReadingAndLeavesTheSegments) {
  UseScript("values 9000 -1234 777");
  CreateMeter();
  RunTimerPass();
  ASSERT_EQ(LitSegments(), AllSegments());
  meter_->put_DisplayMode(KvDispVU::UseVULowTimer);
  site_.changes.clear();
  SleepCalls().clear();

  meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
  EXPECT_EQ(Reads(), 2u);
  EXPECT_EQ(meter_->get_GetPeekData(), 1234);
  EXPECT_FALSE(Timer1().Enabled());
  EXPECT_EQ(Timer1().Interval(), 0);
  EXPECT_EQ(LitSegments(), AllSegments());
  EXPECT_TRUE(SleepCalls().empty());
  EXPECT_EQ(site_.changes, Strings{"DisplayMode"});

  // Getting the level never reads by itself; each put of 3 reads once.
  for (int i = 0; i < 10; ++i) forms::DoEvents();
  EXPECT_EQ(meter_->get_GetPeekData(), 1234);
  EXPECT_EQ(Reads(), 2u);
  meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
  EXPECT_EQ(meter_->get_GetPeekData(), 777);
  EXPECT_EQ(Reads(), 3u);
}

TEST_F(DisplayModes, ValuesOutsideTheEnumOnlyChangeTheStoredMode) {
  UseScript("values 2500");
  CreateMeter();

  meter_->put_DisplayMode(7);
  EXPECT_EQ(meter_->get_DisplayMode(), 7);
  EXPECT_FALSE(Timer1().Enabled()) << "a stopped timer stays stopped";
  EXPECT_EQ(Reads(), 0u);
  EXPECT_EQ(site_.changes, Strings{"DisplayMode"});

  meter_->put_DisplayMode(KvDispVU::UseVULowTimer);
  meter_->put_DisplayMode(-1);
  EXPECT_TRUE(Timer1().Enabled()) << "a running timer keeps running";
  EXPECT_EQ(Timer1().Interval(), 1);
  // Its ticks run full passes, and no loop.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (Reads() < 2 && std::chrono::steady_clock::now() < deadline) forms::DoEvents();
  EXPECT_GE(Reads(), 2u);
  EXPECT_EQ(LitSegments(), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(forms::Application::LoopDepth(), 0);
  meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
}

TEST_F(DisplayModes, OtherPutsStoreAndNotify) {
  UseScript("values 10");
  CreateMeter();
  EXPECT_EQ(meter_->get_SetDispVolumeStep(), 1000);
  EXPECT_EQ(meter_->get_SetDispDelay(), 1000);
  EXPECT_EQ(meter_->get_GetPeekData(), 0);

  meter_->put_SetDispVolumeStep(-42);
  meter_->put_SetDispDelay(0);
  meter_->put_GetPeekData(31337);
  EXPECT_EQ(meter_->get_SetDispVolumeStep(), -42);
  EXPECT_EQ(meter_->get_SetDispDelay(), 0);
  EXPECT_EQ(meter_->get_GetPeekData(), 31337);
  EXPECT_EQ(site_.changes, (Strings{"SetDispVolumeStep", "SetDispDelay", "GetPeekData"}));
  EXPECT_EQ(Reads(), 0u);

  RunTimerPass();
  EXPECT_EQ(meter_->get_GetPeekData(), 10) << "the next pass overwrites a put level";
}

TEST_F(DisplayModes, DoubleClickRestartsTheTimerWithoutNotifying) {
  UseScript("values 10");
  CreateMeter();
  for (int32_t mode : {KvDispVU::DONotUseTimer, KvDispVU::GetPeekDataOnly}) {
    meter_->put_DisplayMode(mode);
    site_.changes.clear();
    meter_->DoubleClicked();
    EXPECT_EQ(meter_->get_DisplayMode(), KvDispVU::UseVULowTimer) << mode;
    EXPECT_TRUE(Timer1().Enabled()) << mode;
    EXPECT_EQ(Timer1().Interval(), 1) << mode;
    EXPECT_TRUE(site_.changes.empty()) << mode;
  }
  meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
}

// ---- The loop of mode 1 ------------------------------------------------------

// Runs `work` once the loop has made `passes` passes (counted in reads).
// Events posted while the loop's DoEvents runs wait for its next DoEvents, so
// this checks once per pass.
void AfterPasses(const std::shared_ptr<winmm::ScriptedMixer>& mixer, uint64_t passes,
                 std::function<void()> work) {
  Post([mixer, passes, work] {
    if (mixer->Counts().reads >= passes)
      work();
    else
      AfterPasses(mixer, passes, work);
  });
}

TEST_F(DisplayModes, LoopRunsUntilAHandlerInsideItPutsThree) {
  UseScript("values 9000 9000 9000 100 200 300");
  CreateMeter();
  std::vector<std::string> changesAtInnerPut;
  AfterPasses(mixer_, 3, [&] {
    EXPECT_EQ(forms::Application::LoopDepth(), 1);
    meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
    changesAtInnerPut = site_.changes;
  });

  meter_->put_DisplayMode(KvDispVU::UseVUHiTimer);

  // Three full passes; the inner put reads 100; the loop's last pass only
  // reads (200); the outer put then reads once more (300) and notifies.
  EXPECT_EQ(changesAtInnerPut, Strings{"DisplayMode"});
  EXPECT_EQ(site_.changes, (Strings{"DisplayMode", "DisplayMode"}));
  EXPECT_EQ(Reads(), 6u);
  EXPECT_EQ(meter_->get_GetPeekData(), 300);
  EXPECT_EQ(LitSegments(), AllSegments()) << "read-only passes leave the segments";
  EXPECT_FALSE(Timer1().Enabled());
  EXPECT_EQ(meter_->get_DisplayMode(), KvDispVU::GetPeekDataOnly);
}

TEST_F(DisplayModes, LoopEndedByTwoReturnsWithoutAnyNotification) {
  UseScript("values 9000 0");
  CreateMeter();
  AfterPasses(mixer_, 1, [&] { meter_->put_DisplayMode(KvDispVU::DONotUseTimer); });

  meter_->put_DisplayMode(KvDispVU::UseVUHiTimer);

  EXPECT_TRUE(site_.changes.empty());
  EXPECT_EQ(Reads(), 2u) << "the pass after the put still completes";
  EXPECT_TRUE(LitSegments().empty()) << "...as a full pass";
  EXPECT_FALSE(Timer1().Enabled());
}

TEST_F(DisplayModes, LoopEndedByZeroHandsOverToTheTimer) {
  UseScript("values 9000 0");
  CreateMeter();
  AfterPasses(mixer_, 2, [&] { meter_->put_DisplayMode(KvDispVU::UseVULowTimer); });

  meter_->put_DisplayMode(KvDispVU::UseVUHiTimer);

  // The loop's last pass is the third read; a first tick of the restarted
  // timer may already have come in before the put returned.
  EXPECT_GE(Reads(), 3u);
  EXPECT_LE(Reads(), 4u);
  EXPECT_TRUE(LitSegments().empty());
  EXPECT_EQ(site_.changes, (Strings{"DisplayMode", "DisplayMode"}));
  EXPECT_TRUE(Timer1().Enabled());
  EXPECT_EQ(Timer1().Interval(), 1);
  meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
}

TEST_F(DisplayModes, DoubleClickInsideTheLoopEndsItAfterOneMorePass) {
  UseScript("values 9000");
  CreateMeter();
  // A real timer of the host window delivers the click, as the message loop
  // would deliver the user's.
  uint64_t readsAtClick = 0;
  forms::Timer clicker;
  clicker.SetHandler([&] {
    if (Reads() < 2) return;
    clicker.SetEnabled(false);
    readsAtClick = Reads();
    meter_->DoubleClicked();
  });
  clicker.SetInterval(1);
  clicker.SetEnabled(true);

  meter_->put_DisplayMode(KvDispVU::UseVUHiTimer);

  // One more pass of the loop (and perhaps a first tick of Timer1).
  EXPECT_GE(Reads(), readsAtClick + 1);
  EXPECT_LE(Reads(), readsAtClick + 2);
  EXPECT_EQ(site_.changes, Strings{"DisplayMode"}) << "only the put that looped notifies";
  EXPECT_EQ(meter_->get_DisplayMode(), KvDispVU::UseVULowTimer);
  EXPECT_TRUE(Timer1().Enabled());
  EXPECT_EQ(Timer1().Interval(), 1);
  meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
}

TEST_F(DisplayModes, NestedLoopsUnwindInnermostFirst) {
  UseScript("values 9000");
  CreateMeter();
  std::vector<std::string> trace;
  int innerDepth = 0;
  AfterPasses(mixer_, 1, [&] {
    trace.push_back("outer loop runs the inner put");
    AfterPasses(mixer_, 3, [&] {
      innerDepth = forms::Application::LoopDepth();
      trace.push_back("inner loop is switched off");
      meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
    });
    meter_->put_DisplayMode(KvDispVU::UseVUHiTimer);
    trace.push_back("inner put returned after " + std::to_string(Reads()) + " reads");
  });

  meter_->put_DisplayMode(KvDispVU::UseVUHiTimer);
  trace.push_back("outer put returned after " + std::to_string(Reads()) + " reads");

  EXPECT_EQ(innerDepth, 2);
  // Inner loop: passes 2 and 3, then one more (4) after the switch; the outer
  // loop then completes one more pass of its own (5).
  EXPECT_EQ(trace, (Strings{"outer loop runs the inner put", "inner loop is switched off",
                            "inner put returned after 4 reads", "outer put returned after 5 reads"}));
  EXPECT_TRUE(site_.changes.empty()) << "no level ended through a put of 2 notifies";
  EXPECT_EQ(forms::Application::LoopDepth(), 0);
}

// A handler inside the loop of mode 1 puts 1 again, level after level, as a
// host could without end: before the stack runs out the deepest put fails
// with the platform's error 28, its caller stops the meter, and every level
// returns.
TEST_F(DisplayModes, NestingThatWouldExhaustTheStackFailsWithOutOfStackSpace) {
  UseScript("values 9000");
  CreateMeter();
  constexpr int kLevels = 100000;
  int levels = 0;
  int failedAt = 0;
  int32_t code = 0;
  std::string message;
  std::function<void()> nest = [&] {
    if (failedAt != 0 || levels == kLevels) {
      meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
      return;
    }
    ++levels;
    Post(nest);  // the next level, from this level's loop
    try {
      meter_->put_DisplayMode(KvDispVU::UseVUHiTimer);
    } catch (const platform::Error& e) {
      failedAt = levels;
      code = e.code();
      message = e.what();
      meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
    }
  };

  nest();
  forms::DoEvents();  // the level that failed had posted one more; it must run while `nest` lives

  EXPECT_EQ(code, platform::kErrorOutOfStackSpace);
  EXPECT_EQ(message, "Out of stack space");
  EXPECT_GT(failedAt, 200) << "200 levels must fit";
  EXPECT_LT(failedAt, kLevels);
  EXPECT_EQ(forms::Application::LoopDepth(), 0);
  EXPECT_EQ(meter_->get_DisplayMode(), KvDispVU::DONotUseTimer);
  EXPECT_EQ(meter_->RefCount(), 1u);
}

TEST_F(DisplayModes, TerminatedInsideItsLoopTheMeterStopsReadingAndSurvivesThePut) {
  UseScript("values 9000");
  CreateMeter();
  const size_t blocksBefore = kernel32::LiveBlockCount();
  uint64_t readsAtTerminate = 0;
  AfterPasses(mixer_, 2, [&] {
    readsAtTerminate = Reads();
    meter_->Terminate();
    meter_->SetSite(nullptr);
    meter_.reset();  // the host lets go of the control while the put still runs
  });

  forms::Ref<KvDispVU> caller = meter_;  // the reference the calling host holds
  caller->put_DisplayMode(KvDispVU::UseVUHiTimer);

  EXPECT_EQ(Reads(), readsAtTerminate) << "no read through the freed value block";
  EXPECT_EQ(kernel32::LiveBlockCount(), blocksBefore - 1);
  EXPECT_EQ(caller->get_DisplayMode(), KvDispVU::UseVULowTimer);
  EXPECT_EQ(mixer_->Counts().closes, 1u);
}

}  // namespace
}  // namespace meter_test
