#pragma once
// 16-byte identities in the platform's layout (Data1..Data4, little-endian in
// memory) with the braced text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include "runtime/platform/export.h"
#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace com {

struct KVQMXTMR_EXPORT GUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  std::array<uint8_t, 8> Data4{};

  auto operator<=>(const GUID&) const = default;
  bool operator==(const GUID&) const = default;

  // Upper-case braced form, as the registry stores it.
  std::string ToString() const;
  // Accepts the braced form (braces optional), any case; nullopt when malformed.
  static std::optional<GUID> Parse(std::string_view text);
  // The 16 bytes as they lie in memory and in binary files.
  std::array<uint8_t, 16> Bytes() const;
  static GUID FromBytes(const uint8_t* bytes16);
};

using IID = GUID;
using CLSID = GUID;

inline constexpr GUID GUID_NULL{};

// Compile-time literal: MakeGuid(0x00020400, 0x0000, 0x0000, {0xC0,0,0,0,0,0,0,0x46}).
constexpr GUID MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4) {
  return GUID{d1, d2, d3, d4};
}

}  // namespace com
