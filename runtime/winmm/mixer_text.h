#pragma once
// Text fields of the mixer records are 8-bit (Latin-1) and NUL-terminated.
#include <cstddef>
#include <string>
#include <string_view>

namespace winmm {

// Writes `utf8` into `field` as Latin-1, '?' for characters outside it,
// truncated to size - 1 bytes and padded with NULs to the full size.
void ToMixerText(std::string_view utf8, char* field, size_t size);

}  // namespace winmm
