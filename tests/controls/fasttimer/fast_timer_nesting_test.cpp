// Switching on while a loop runs: the loops nest, only the innermost raises
// events, one switch-off unwinds them all innermost first, and every running
// call keeps the control alive.
#include <algorithm>

#include "runtime/platform/error.h"
#include "tests/controls/fasttimer/fast_timer_fixture.h"

namespace fasttimer_test {
namespace {

class NestedLoops : public FastTimerTest, public ::testing::WithParamInterface<int> {};

// Each level, two events after it started, posts the next switch-on as a
// command the pump will run; three events into the innermost level another
// such command switches it off.
TEST_P(NestedLoops, OneSwitchOffEndsEveryLevelInnermostFirst) {
  const int levels = GetParam();
  std::vector<int> returned;
  std::vector<uint32_t> refsSeen;
  int started = 1;
  int eventsInLevel = 0;
  onEvent = [&](int) {
    ++eventsInLevel;
    if (started < levels && eventsInLevel == 2) {
      const int level = started++;
      Post([&, level] {
        eventsInLevel = 0;
        control->put_Enabled(com::VARIANT_TRUE);
        returned.push_back(level);
      });
    } else if (started == levels && eventsInLevel == 3) {
      Post([&] {
        refsSeen.push_back(control->RefCount());
        control->put_Enabled(com::VARIANT_FALSE);
      });
    }
  };
  control->put_Enabled(com::VARIANT_TRUE);
  returned.push_back(0);

  std::vector<int> innermostFirst(levels);
  for (int i = 0; i < levels; ++i) innermostFirst[i] = levels - 1 - i;
  EXPECT_EQ(returned, innermostFirst);
  // One stream: once a deeper level has started, no shallower one raises again.
  EXPECT_TRUE(std::is_sorted(eventDepths.begin(), eventDepths.end()));
  EXPECT_EQ(eventDepths.back(), levels - 1);
  EXPECT_EQ(eventCount, 2 * (levels - 1) + 3);
  // Each level has a pause per event; the outer ones end without pausing again.
  EXPECT_EQ(pauses.size(), static_cast<size_t>(eventCount));
  // The host's reference plus one per running call.
  EXPECT_EQ(refsSeen, (std::vector<uint32_t>{static_cast<uint32_t>(1 + levels)}));
  EXPECT_EQ(control->RefCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Depths, NestedLoops, ::testing::Values(1, 2, 3, 5, 200));

// Switched on from inside its own event, level after level, as a host could
// without end: before the stack runs out the deepest switch-on fails with
// the platform's error 28, its caller switches off, and every level returns.
TEST_F(FastTimerTest, NestingThatWouldExhaustTheStackFailsWithOutOfStackSpace) {
  constexpr int kLevels = 100000;
  int levels = 1;
  int failedAt = 0;
  int32_t code = 0;
  std::string message;
  onEvent = [&](int) {
    if (failedAt != 0 || levels == kLevels) {
      control->put_Enabled(com::VARIANT_FALSE);
      return;
    }
    ++levels;
    try {
      control->put_Enabled(com::VARIANT_TRUE);
    } catch (const platform::Error& e) {
      failedAt = levels;
      code = e.code();
      message = e.what();
      control->put_Enabled(com::VARIANT_FALSE);
    }
  };
  control->put_Enabled(com::VARIANT_TRUE);

  EXPECT_EQ(code, platform::kErrorOutOfStackSpace);
  EXPECT_EQ(message, "Out of stack space");
  EXPECT_GT(failedAt, 200) << "200 levels must fit";
  EXPECT_LT(failedAt, kLevels);
  EXPECT_EQ(eventCount, failedAt - 1) << "the level that failed raised no event";
  EXPECT_EQ(forms::Application::LoopDepth(), 0);
  EXPECT_EQ(control->RefCount(), 1u);
}

TEST_F(FastTimerTest, SwitchingOnFromTheHandlerNestsInsideTheEvent) {
  std::vector<std::string> order;
  onEvent = [&](int n) {
    if (n == 2) {
      control->put_Enabled(com::VARIANT_TRUE);
      order.push_back("inner returned");
    }
    if (n == 4) control->put_Enabled(com::VARIANT_FALSE);
  };
  control->put_Enabled(com::VARIANT_TRUE);
  order.push_back("outer returned");
  EXPECT_EQ(order, (std::vector<std::string>{"inner returned", "outer returned"}));
  // Event 2 never got its pause until the inner loop had finished; then the
  // outer pass completes its own pause and pump and sees the flag off.
  const std::vector<std::string> expected = {
      "event", "pause", "pump",                    // outer, event 1
      "event",                                     // outer, event 2 (handler nests)
      "event", "pause", "pump",                    // inner, event 3
      "event", "pause", "pump",                    // inner, event 4 switches off
      "pause", "pump"};                            // rest of outer's pass
  EXPECT_EQ(trace, expected);
}

// The host lets go of the control from inside the loop it started: the
// running call keeps it alive to the end of its pass, and it goes only when
// that call returns.
class ProbedTimer : public KvQmxFasTmr {
 public:
  explicit ProbedTimer(bool* destroyed) : destroyed_(destroyed) {}
  ~ProbedTimer() override { *destroyed_ = true; }

 private:
  bool* destroyed_;
};

TEST_F(FastTimerTest, ControlOutlivesItsHostUntilTheRunningCallReturns) {
  bool destroyed = false;
  forms::Ref<KvQmxFasTmr> host = forms::MakeRef<ProbedTimer>(&destroyed);
  KvQmxFasTmr* raw = host.get();
  raw->SetSite(&site);
  bool aliveAtPause = false;
  onEvent = [&](int n) {
    if (n == 2) {
      raw->put_Enabled(com::VARIANT_FALSE);
      raw->SetSite(nullptr);
      host.reset();  // the host's last reference
      Post([&] { aliveAtPause = !destroyed; });
    }
  };
  raw->put_Enabled(com::VARIANT_TRUE);
  EXPECT_TRUE(aliveAtPause) << "destroyed inside its own loop";
  EXPECT_TRUE(destroyed) << "the running call did not let go";
  EXPECT_EQ(eventCount, 2);
}

TEST_F(FastTimerTest, NestedCallsKeepTheControlAliveUntilTheOutermostReturns) {
  bool destroyed = false;
  forms::Ref<KvQmxFasTmr> host = forms::MakeRef<ProbedTimer>(&destroyed);
  KvQmxFasTmr* raw = host.get();
  raw->SetSite(&site);
  std::vector<std::string> order;
  onEvent = [&](int n) {
    if (n == 1) {
      Post([&] {
        raw->put_Enabled(com::VARIANT_TRUE);
        order.push_back(destroyed ? "inner returned, gone" : "inner returned, alive");
      });
    }
    if (n == 3) {
      raw->SetSite(nullptr);
      raw->put_Enabled(com::VARIANT_FALSE);
      host.reset();
    }
  };
  raw->put_Enabled(com::VARIANT_TRUE);
  EXPECT_EQ(order, (std::vector<std::string>{"inner returned, alive"}));
  EXPECT_TRUE(destroyed);
}

}  // namespace
}  // namespace fasttimer_test
