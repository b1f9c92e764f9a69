#pragma once
// Where the eleven segments sit on the meter's face (twips). Their widths come
// from the pictures themselves, shown at natural size: 14 pixels for the
// first nine, 15 for the two red ones (210 and 225 twips at 96 DPI).
#include <array>

namespace meter {

inline constexpr int kSegmentCount = 11;
inline constexpr float kFaceWidth = 2715;
inline constexpr float kFaceHeight = 240;
inline constexpr float kSegmentTop = 45;
inline constexpr std::array<float, kSegmentCount> kSegmentLefts{
    105, 330, 555, 780, 1005, 1230, 1455, 1680, 1905, 2130, 2370};

}  // namespace meter
