#pragma once
// What every fuzz target shares. A reader may refuse its input only with
// platform::Error; any other exception escapes the target and counts as a
// finding, as does a round trip that changes what was read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

#include "runtime/platform/error.h"

namespace fuzz {

inline std::string_view Text(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

inline std::span<const uint8_t> Bytes(const uint8_t* data, size_t size) { return {data, size}; }

// Runs `read`; a platform::Error is a clean refusal.
template <class F>
bool Refused(F&& read) {
  try {
    read();
    return false;
  } catch (const platform::Error&) {
    return true;
  }
}

[[noreturn]] inline void RoundTripBroken(const char* what) {
  std::fprintf(stderr, "round trip changed %s\n", what);
  std::abort();
}

}  // namespace fuzz
