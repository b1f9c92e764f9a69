// Thresholds, pauses and what a full pass does with the reading.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <vector>

#include "runtime/kernel32/kernel32.h"
#include "tests/controls/meter/meter_fixture.h"

namespace meter_test {
namespace {

std::vector<int> Segments(int from, int to) {
  std::vector<int> v;
  for (int n = from; n <= to; ++n) v.push_back(n);
  return v;
}

struct Expected {
  int32_t step;
  int32_t peek;
  std::vector<int> lit;
};

using MeteringPass = MeterTest;

TEST_F(MeteringPass, LightsExactlyTheSegmentsStrictlyBelowTheReading) {
  UseScript("values 1000 1001 334 333 8001 0 -3000 0 1000000000 0 0 1 0 0 0 0");
  CreateMeter();
  meter_->put_SetDispDelay(7);

  const std::vector<Expected> passes = {
      {1000, 1000, Segments(1, 3)},  // segment 4's threshold is exactly 1000
      {1000, 1001, Segments(1, 4)},
      {1000, 334, Segments(1, 2)},  // 334 > 333.33..., not > 500
      {1000, 333, Segments(1, 1)},
      {1000, 8001, Segments(1, 11)},
      {1000, 0, {}},
      {1000, 3000, Segments(1, 5)},  // the meter said -3000
      // 8 x 300000000 leaves the 32-bit range: segment 11 lights whatever
      // the reading, the others follow it.
      {300000000, 0, {11}},
      {300000000, 1000000000, {1, 2, 3, 4, 5, 6, 11}},
      // From 3 x 1000000000 on every product is out of range and lights its
      // segment; wrapped round, those of segments 8 and 9 would come back
      // positive and stay dark.
      {1000000000, 0, Segments(6, 11)},
      {0, 0, {}},  // every threshold 0: nothing is above it...
      {0, 1, Segments(1, 11)},  // ...and anything above 0 lights all
      {-5, 0, Segments(1, 11)},  // negative thresholds light even silence
      // A quarter, third or half of these steps is a small negative real that
      // silence exceeds; cut to a whole number it would be 0 and stay dark.
      {-1, 0, Segments(1, 11)},
      {-2, 0, Segments(1, 11)},
      {-3, 0, Segments(1, 11)},
  };
  for (const Expected& pass : passes) {
    SCOPED_TRACE(::testing::Message() << "step " << pass.step << ", level " << pass.peek);
    meter_->put_SetDispVolumeStep(pass.step);
    SleepCalls().clear();
    RunTimerPass();
    EXPECT_EQ(meter_->get_GetPeekData(), pass.peek);
    EXPECT_EQ(LitSegments(), pass.lit);
    // One pause for every dark segment, of SetDispDelay each; none for a lit one.
    EXPECT_EQ(SleepCalls(), std::vector<int32_t>(11 - pass.lit.size(), 7));
  }
}

// Records, at each pause, which segments were still showing.
const KvDispVU* observed = nullptr;
std::vector<std::vector<int>> visibleAtPause;
void ObservingSleep(int32_t) {
  std::vector<int> visible;
  for (int n = 1; n <= 11; ++n)
    if (observed->Find("Dp" + std::to_string(n))->Visible()) visible.push_back(n);
  visibleAtPause.push_back(visible);
}

TEST_F(MeteringPass, PausesBeforeEachSegmentItDarkens) {
  UseScript("values 2500 0");
  CreateMeter();
  meter_->put_SetDispDelay(0);
  RunTimerPass();
  ASSERT_EQ(LitSegments(), Segments(1, 5));

  observed = meter_.get();
  visibleAtPause.clear();
  {
    platform::ScopedExport<void(int32_t)> observe("kernel32", "Sleep", &ObservingSleep);
    RunTimerPass();
  }
  // Segment n is still lit while the pause before darkening it runs; the
  // ones before it are already dark. Already-dark segments pause too.
  std::vector<std::vector<int>> expected{Segments(1, 5), Segments(2, 5), Segments(3, 5),
                                         Segments(4, 5), Segments(5, 5)};
  expected.resize(11);
  EXPECT_EQ(visibleAtPause, expected);
  EXPECT_TRUE(LitSegments().empty());
}

TEST_F(MeteringPass, NegativeDelayPausesNotAtAll) {
  UseScript("values 0");
  CreateMeter();
  for (int32_t delay : {-1, -1000, INT32_MIN}) {
    meter_->put_SetDispDelay(delay);
    SleepCalls().clear();
    RunTimerPass();
    EXPECT_EQ(SleepCalls(), std::vector<int32_t>(11, 0)) << delay;
  }

  // The same through the platform's own Sleep, timed: a silent pass with a
  // negative delay must not block.
  platform::ScopedExport<void(int32_t)> realSleep("kernel32", "Sleep", &::Sleep);
  meter_->put_SetDispDelay(-1);
  const auto start = std::chrono::steady_clock::now();
  RunTimerPass();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(MeteringPass, FailedStepsAreSkippedAndThePassGoesOn) {
  UseScript("values 5000");
  CreateMeter();
  meter_->put_SetDispDelay(0);
  // Without a Sleep export every pause fails; the pass must still darken the
  // segments and publish the reading.
  RunTimerPass();
  ASSERT_EQ(LitSegments(), Segments(1, 7));
  UseScript("values 1200");
  meter_->NotifyShown();
  {
    platform::ScopedExport<void(int32_t)> noSleep("kernel32", "Sleep", nullptr);
    RunTimerPass();
  }
  EXPECT_EQ(meter_->get_GetPeekData(), 1200);
  EXPECT_EQ(LitSegments(), Segments(1, 4));
}

}  // namespace
}  // namespace meter_test
