#include "demo/level_arithmetic.h"

#include <gtest/gtest.h>

#include <cfenv>

#include "runtime/platform/error.h"

namespace whorlix {
namespace {

TEST(LevelArithmetic, SleepDelayRoundsHalvesToEven) {
  EXPECT_EQ(SleepDelayForLevel(0), 7);
  EXPECT_EQ(SleepDelayForLevel(499), 7);
  EXPECT_EQ(SleepDelayForLevel(500), 8);   // 7.5
  EXPECT_EQ(SleepDelayForLevel(1500), 8);  // 8.5
  EXPECT_EQ(SleepDelayForLevel(2500), 10);  // 9.5
  EXPECT_EQ(SleepDelayForLevel(2501), 10);
  EXPECT_EQ(SleepDelayForLevel(32768), 40);
}

TEST(LevelArithmetic, SleepDelayIgnoresTheCallersRoundingMode) {
  const int previous = std::fegetround();
  std::fesetround(FE_UPWARD);
  EXPECT_EQ(SleepDelayForLevel(1500), 8);
  EXPECT_EQ(SleepDelayForLevel(2400), 9);
  EXPECT_EQ(std::fegetround(), FE_UPWARD);
  std::fesetround(previous);
}

TEST(LevelArithmetic, PulsingSizesAreUnroundedQuotients) {
  const auto odd = PulsingSizes(12345);
  EXPECT_FLOAT_EQ(odd[0], 6172.5f);
  EXPECT_FLOAT_EQ(odd[1], 4115.0f);
  EXPECT_FLOAT_EQ(odd[2], 3086.25f);
  EXPECT_FLOAT_EQ(odd[3], 2057.5f);
  EXPECT_FLOAT_EQ(odd[4], 2057.5f);
  const auto loudest = PulsingSizes(32768);
  EXPECT_FLOAT_EQ(loudest[0], 16384.0f);
  EXPECT_FLOAT_EQ(loudest[1], static_cast<float>(32768.0 / 3));
}

TEST(LevelArithmetic, BorderWidthStepsEveryThousand) {
  EXPECT_EQ(OuterRingBorderWidth(0), 0);
  EXPECT_EQ(OuterRingBorderWidth(999), 0);
  EXPECT_EQ(OuterRingBorderWidth(1000), 1);
  EXPECT_EQ(OuterRingBorderWidth(1999), 1);
  EXPECT_EQ(OuterRingBorderWidth(2000), 2);
  EXPECT_EQ(OuterRingBorderWidth(32768), 32);
  // A level no mixer gives must fail the step, not wrap to a bogus width.
  EXPECT_THROW(OuterRingBorderWidth(40'000'000), platform::Error);
}

TEST(LevelArithmetic, CentringGoesNegativeForOversizedElements) {
  EXPECT_FLOAT_EQ(CentredStart(15360, 6000), 4680);
  EXPECT_FLOAT_EQ(CentredStart(11520, 16384), -2432);
  EXPECT_FLOAT_EQ(CentredStart(9600, 0), 4800);
}

TEST(LevelArithmetic, BarsLightStrictlyAboveTheirThreshold) {
  auto lit = [](int32_t level) {
    int n = 0;
    for (int k = 0; k < kBarCount; ++k) {
      if (BarLit(k, level)) {
        EXPECT_EQ(n, k) << "bars must light as an unbroken run from the first, level " << level;
        ++n;
      }
    }
    return n;
  };
  EXPECT_EQ(lit(0), 0);
  EXPECT_EQ(lit(500), 0);
  EXPECT_EQ(lit(501), 1);
  EXPECT_EQ(lit(1000), 1);
  EXPECT_EQ(lit(1001), 2);
  EXPECT_EQ(lit(10500), 20);
  EXPECT_EQ(lit(10501), 21);
  EXPECT_EQ(lit(32768), 21);
}

}  // namespace
}  // namespace whorlix
