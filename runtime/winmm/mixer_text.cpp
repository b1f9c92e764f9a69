#include "runtime/winmm/mixer_text.h"

#include <cstdint>
#include <cstring>

namespace winmm {

void ToMixerText(std::string_view utf8, char* field, size_t size) {
  if (size == 0) return;
  std::memset(field, 0, size);
  size_t out = 0;
  for (size_t i = 0; i < utf8.size() && out + 1 < size;) {
    const auto lead = static_cast<uint8_t>(utf8[i]);
    uint32_t code = '?';
    size_t length = 1;
    if (lead < 0x80) {
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
    }
    if (length > 1) {
      bool valid = i + length <= utf8.size();
      uint32_t decoded = lead & (0xFF >> (length + 1));
      for (size_t k = 1; valid && k < length; ++k) {
        const auto next = static_cast<uint8_t>(utf8[i + k]);
        valid = (next & 0xC0) == 0x80;
        decoded = decoded << 6 | (next & 0x3F);
      }
      if (!valid) length = 1;  // a stray byte: one '?', then resynchronise
      code = valid && decoded >= 0x20 && decoded <= 0xFF ? decoded : '?';
    }
    field[out++] = static_cast<char>(static_cast<uint8_t>(code));
    i += length;
  }
}

}  // namespace winmm
