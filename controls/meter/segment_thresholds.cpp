#include "controls/meter/segment_thresholds.h"

#include <string>

#include "controls/meter/segment_layout.h"
#include "runtime/automation/hresult.h"
#include "runtime/platform/error.h"

namespace meter {
namespace {

int32_t CheckedProduct(int32_t step, int32_t factor) {
  int32_t product = 0;
  if (__builtin_mul_overflow(step, factor, &product))
    throw platform::Error(com::DISP_E_OVERFLOW, "Overflow");
  return product;
}

}  // namespace

bool ExceedsThreshold(int32_t level, int32_t step, int segment) {
  switch (segment) {
    case 1:
      return static_cast<double>(level) > static_cast<double>(step) / 4.0;
    case 2:
      return static_cast<double>(level) > static_cast<double>(step) / 3.0;
    case 3:
      return static_cast<double>(level) > static_cast<double>(step) / 2.0;
    default:
      if (segment < 1 || segment > kSegmentCount)
        throw platform::Error(platform::kErrorInvalidArgument,
                              "No meter segment " + std::to_string(segment));
      // Segment 4 is one step, segment 11 eight steps.
      return level > CheckedProduct(step, segment - 3);
  }
}

}  // namespace meter
