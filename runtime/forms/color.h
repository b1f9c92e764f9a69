#pragma once
// Colours as the windows and elements take them: one (red, green, blue) triple,
// each channel 0 to 255.
#include <cstdint>

namespace forms {

struct Color {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Color&) const = default;
};

}  // namespace forms
