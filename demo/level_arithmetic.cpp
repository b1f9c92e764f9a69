#include "demo/level_arithmetic.h"

#include <cfenv>
#include <cmath>
#include <limits>
#include <string>

#include "runtime/automation/hresult.h"
#include "runtime/platform/error.h"

namespace whorlix {

int32_t SleepDelayForLevel(int32_t paceLevel) {
  // nearbyint follows the current rounding mode, which is round-to-nearest
  // with ties to even unless someone changed it; never rely on that.
  const int previous = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double rounded = std::nearbyint(static_cast<double>(paceLevel) / 1000.0 + 7.0);
  std::fesetround(previous);
  // Any 32-bit level gives at most about 2.15 million: always in range.
  return static_cast<int32_t>(rounded);
}

std::array<float, kPulsingElements> PulsingSizes(int32_t level) {
  const double l = level;
  return {static_cast<float>(l / 2), static_cast<float>(l / 3), static_cast<float>(l / 4),
          static_cast<float>(l / 6), static_cast<float>(l / 6)};
}

int16_t OuterRingBorderWidth(int32_t level) {
  const double width = std::floor(static_cast<double>(level) / 1000.0);
  if (width > std::numeric_limits<int16_t>::max() || width < std::numeric_limits<int16_t>::min()) {
    throw platform::Error(com::DISP_E_OVERFLOW,
                          "A level of " + std::to_string(level) + " asks for a border wider than a shape can take.");
  }
  return static_cast<int16_t>(width);
}

float CentredStart(float screenExtent, float extent) {
  return static_cast<float>((static_cast<double>(screenExtent) - static_cast<double>(extent)) / 2.0);
}

bool BarLit(int bar, int32_t level) {
  return static_cast<int64_t>(level) > static_cast<int64_t>(kBarStep) * (bar + 1);
}

}  // namespace whorlix
