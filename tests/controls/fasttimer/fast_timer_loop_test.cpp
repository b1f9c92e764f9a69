// The run loop of a single switch-on: what happens in which order, when the
// flag is looked at, and which SleepDelay a pause uses.
#include <chrono>
#include <climits>
#include <stdexcept>

#include "runtime/forms/timer.h"
#include "tests/controls/fasttimer/fast_timer_fixture.h"

namespace fasttimer_test {
namespace {

using Trace = std::vector<std::string>;

TEST_F(FastTimerTest, SwitchingOffOrReadingWhileOffReturnsAtOnceWithoutEventOrPause) {
  control->put_Enabled(com::VARIANT_FALSE);
  EXPECT_EQ(control->get_Enabled(), com::VARIANT_FALSE);
  EXPECT_TRUE(trace.empty());
  EXPECT_TRUE(site.changed.empty()) << "Enabled is not a persisted property";
  EXPECT_EQ(control->RefCount(), 1u);
}

class SwitchOffFromHandler : public FastTimerTest, public ::testing::WithParamInterface<bool> {};

// Whether the host runs or is being designed makes no difference to the loop.
TEST_P(SwitchOffFromHandler, FinishesThatPassWithOnePauseAndOnePumpThenReturns) {
  site.userMode = GetParam();
  control->put_SleepDelay(3);
  onEvent = [this](int n) {
    if (n == 3) control->put_Enabled(com::VARIANT_FALSE);
  };
  control->put_Enabled(com::VARIANT_TRUE);
  trace.push_back("returned");

  const Trace pass = {"event", "pause", "pump"};
  Trace expected;
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), pass.begin(), pass.end());
  expected.push_back("returned");
  EXPECT_EQ(trace, expected);
  EXPECT_EQ(pauses, (std::vector<int32_t>{3, 3, 3}));
  for (const auto& e : site.events) {
    EXPECT_EQ(e.dispid, 1);
    EXPECT_EQ(e.argCount, 0u);
  }
  EXPECT_EQ(control->RefCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(RunningOrDesigning, SwitchOffFromHandler, ::testing::Bool());

TEST_F(FastTimerTest, WithoutAHandlerItLoopsUntilSomethingInThePumpSwitchesItOff) {
  control->SetSite(nullptr);  // nobody listens to QmxTimer
  int ticks = 0;
  forms::Timer stopper([&] {
    ++ticks;
    control->put_Enabled(com::VARIANT_FALSE);
  });
  stopper.SetInterval(30);
  stopper.SetEnabled(true);

  const auto start = std::chrono::steady_clock::now();
  control->put_Enabled(com::VARIANT_TRUE);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  stopper.SetEnabled(false);

  EXPECT_EQ(ticks, 1);
  EXPECT_GE(elapsed, std::chrono::milliseconds(25));
  EXPECT_GT(pauses.size(), 1u);
  EXPECT_EQ(eventCount, 0);
}

TEST_F(FastTimerTest, SleepDelaySetByTheHandlerGovernsThePauseRightAfterIt) {
  control->put_SleepDelay(7);
  onEvent = [this](int n) {
    if (n == 1) control->put_SleepDelay(25);
    if (n == 3) {
      control->put_SleepDelay(0);
      control->put_Enabled(com::VARIANT_FALSE);
    }
  };
  control->put_Enabled(com::VARIANT_TRUE);
  EXPECT_EQ(pauses, (std::vector<int32_t>{25, 25, 0}));
  EXPECT_EQ(control->get_SleepDelay(), 0);
}

TEST_F(FastTimerTest, NegativeSleepDelayIsKeptButPausesZero) {
  for (int32_t delay : {-1, -25, INT32_MIN}) {
    pauses.clear();
    control->put_SleepDelay(delay);
    onEvent = [this](int) { control->put_Enabled(com::VARIANT_FALSE); };
    control->put_Enabled(com::VARIANT_TRUE);
    EXPECT_EQ(control->get_SleepDelay(), delay);
    EXPECT_EQ(pauses, (std::vector<int32_t>{0})) << delay;
  }
}

TEST_F(FastTimerTest, AnyNonZeroValueRunsAndIsKeptExactly) {
  // The value is read back from inside the loop: a read while on nests a
  // loop and returns what the flag held when the read came in.
  com::VARIANT_BOOL seen = 0;
  onEvent = [&](int n) {
    if (n == 1) seen = control->get_Enabled();
    if (n == 3) control->put_Enabled(com::VARIANT_FALSE);
  };
  control->put_Enabled(5);
  EXPECT_EQ(seen, 5);
  EXPECT_EQ(eventCount, 3);
  EXPECT_EQ(control->get_Enabled(), com::VARIANT_FALSE);
}

TEST_F(FastTimerTest, ReadingEnabledWhileRunningBlocksUntilOffAndYieldsTrue) {
  std::vector<std::string> order;
  onEvent = [&](int n) {
    if (n == 2) {
      Post([&] {
        const com::VARIANT_BOOL value = control->get_Enabled();
        order.push_back("read " + std::to_string(value) + " after " + std::to_string(eventCount));
      });
    }
    if (n == 5) control->put_Enabled(com::VARIANT_FALSE);
  };
  control->put_Enabled(com::VARIANT_TRUE);
  order.push_back("put returned");
  EXPECT_EQ(order, (std::vector<std::string>{"read -1 after 5", "put returned"}));
  // Events 3 to 5 came from the reader's loop, nested in the first loop's pump.
  EXPECT_EQ(eventDepths, (std::vector<int>{0, 0, 1, 1, 1}));
}

TEST_F(FastTimerTest, TerminateSwitchesOffARunningLoop) {
  onEvent = [this](int n) {
    if (n == 2) control->Terminate();
  };
  control->put_Enabled(com::VARIANT_TRUE);
  EXPECT_EQ(eventCount, 2);
  EXPECT_EQ(pauses.size(), 2u);
  EXPECT_EQ(control->get_Enabled(), com::VARIANT_FALSE);
}

TEST_F(FastTimerTest, AnErrorFromTheHandlerReachesTheCallerAndReleasesTheReference) {
  onEvent = [](int n) {
    if (n == 2) throw std::runtime_error("handler failed");
  };
  EXPECT_THROW(control->put_Enabled(com::VARIANT_TRUE), std::runtime_error);
  EXPECT_EQ(control->RefCount(), 1u);
  EXPECT_EQ(pauses.size(), 1u);
}

}  // namespace
}  // namespace fasttimer_test
