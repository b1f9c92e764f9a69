#include "runtime/automation/guid.h"

#include <cstdio>

namespace com {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadHex(std::string_view text, size_t pos, size_t digits, uint64_t* out) {
  uint64_t v = 0;
  for (size_t i = 0; i < digits; ++i) {
    const int d = HexValue(text[pos + i]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<uint64_t>(d);
  }
  *out = v;
  return true;
}

}  // namespace

std::string GUID::ToString() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Data1, Data2, Data3,
                Data4[0], Data4[1], Data4[2], Data4[3], Data4[4], Data4[5], Data4[6], Data4[7]);
  return buf;
}

std::optional<GUID> GUID::Parse(std::string_view text) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return std::nullopt;
    text = text.substr(1, 36);
  }
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
    return std::nullopt;
  GUID g;
  uint64_t v = 0;
  if (!ReadHex(text, 0, 8, &v)) return std::nullopt;
  g.Data1 = static_cast<uint32_t>(v);
  if (!ReadHex(text, 9, 4, &v)) return std::nullopt;
  g.Data2 = static_cast<uint16_t>(v);
  if (!ReadHex(text, 14, 4, &v)) return std::nullopt;
  g.Data3 = static_cast<uint16_t>(v);
  static constexpr size_t kByteAt[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (size_t i = 0; i < 8; ++i) {
    if (!ReadHex(text, kByteAt[i], 2, &v)) return std::nullopt;
    g.Data4[i] = static_cast<uint8_t>(v);
  }
  return g;
}

std::array<uint8_t, 16> GUID::Bytes() const {
  std::array<uint8_t, 16> b{};
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(Data1 >> (8 * i));
  for (int i = 0; i < 2; ++i) b[4 + i] = static_cast<uint8_t>(Data2 >> (8 * i));
  for (int i = 0; i < 2; ++i) b[6 + i] = static_cast<uint8_t>(Data3 >> (8 * i));
  for (int i = 0; i < 8; ++i) b[8 + i] = Data4[i];
  return b;
}

GUID GUID::FromBytes(const uint8_t* p) {
  GUID g;
  g.Data1 = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  g.Data2 = static_cast<uint16_t>(p[4] | p[5] << 8);
  g.Data3 = static_cast<uint16_t>(p[6] | p[7] << 8);
  for (int i = 0; i < 8; ++i) g.Data4[i] = p[8 + i];
  return g;
}

}  // namespace com
