#pragma once
// The numbers behind the two visualisations, kept apart from the window so
// the rounding rules can be checked on their own. Everything here is pure.
#include <array>
#include <cstdint>

namespace whorlix {

// The pause after a pulsing-shapes frame, from the level read at the start of
// the frame: level / 1000 + 7 ms in double precision, a half going to the even
// neighbour (7 ms at silence, 40 ms at the highest level).
int32_t SleepDelayForLevel(int32_t paceLevel);

// Width (and height) of each pulsing element for a level, in twips, in the
// element order Shape1, Shape2, Shape3, Shape4, Image2. Quotients are not
// rounded to whole twips; they are stored as single precision because that
// is what the elements keep.
inline constexpr int kPulsingElements = 5;
std::array<float, kPulsingElements> PulsingSizes(int32_t level);

// The outer ring's border width in pixels: level / 1000 rounded down. Raises
// platform::Error (DISP_E_OVERFLOW) when that does not fit the 16-bit width.
int16_t OuterRingBorderWidth(int32_t level);

// Where an element of `extent` starts so that it is centred on a screen of
// `screenExtent` (both twips); negative when the element is the larger.
float CentredStart(float screenExtent, float extent);

// The level bars: bar k (0 to 20) is lit exactly when the level is above
// 500 * (k + 1).
inline constexpr int kBarCount = 21;
inline constexpr int32_t kBarStep = 500;
bool BarLit(int bar, int32_t level);

}  // namespace whorlix
