#pragma once
// The level a segment must exceed to light. The first three are fractions of
// the volume step, compared as reals; the other eight are whole multiples,
// computed as 32-bit signed products that raise an overflow error instead of
// wrapping round.
#include <cstdint>

namespace meter {

// True when `level` is strictly above the threshold of segment 1 to 11 for
// `step`. Throws platform::Error (DISP_E_OVERFLOW) when the product of
// segments 5 to 11 leaves the 32-bit signed range, and
// platform::Error (E_INVALIDARG) for a segment number outside 1 to 11.
bool ExceedsThreshold(int32_t level, int32_t step, int segment);

}  // namespace meter
