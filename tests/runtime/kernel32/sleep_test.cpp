#include <chrono>
#include <climits>

#include <gtest/gtest.h>

#include "runtime/kernel32/kernel32.h"
#include "runtime/platform/exports.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

platform::Declared<void(int32_t)> BoundSleep{"kernel32", "Sleep"};

Clock::duration Timed(int32_t milliseconds) {
  const auto start = Clock::now();
  BoundSleep(milliseconds);
  return Clock::now() - start;
}

TEST(Sleep, PositiveCountBlocksAtLeastThatLong) {
  EXPECT_GE(Timed(30), 30ms);
  EXPECT_LT(Timed(30), 500ms);
}

TEST(Sleep, ZeroAndNegativeCountsReturnAtOnce) {
  // -1 is the unsigned INFINITE seen through a signed value: it must not stall.
  for (int32_t count : {0, -1, -1000, INT32_MIN, static_cast<int32_t>(INFINITE - 1)})
    EXPECT_LT(Timed(count), 50ms) << count;
}

}  // namespace
