#pragma once
// Colours as the windows and elements take them: one (red, green, blue) triple,
// each channel 0 to 255.
#include <cstdint>

namespace forms {

struct Color {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  // Spelled out: hosts include this header as C++17.
  bool operator==(const Color& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Color& o) const { return !(*this == o); }
};

}  // namespace forms
