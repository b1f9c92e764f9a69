#include "runtime/automation/text_encoding.h"

#include <cstdint>
#include <vector>

namespace com {
namespace {

// Decodes one code point at `i`, advancing it; nullopt on malformed input.
std::optional<char32_t> NextCodePoint(std::string_view s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t b0 = byte(i);
  size_t len;
  char32_t cp;
  if (b0 < 0x80) {
    ++i;
    return b0;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07;
  } else {
    return std::nullopt;
  }
  if (i + len > s.size()) return std::nullopt;
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  i += len;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUnit(std::string& out, uint16_t u) {
  out += static_cast<char>(u & 0xFF);
  out += static_cast<char>(u >> 8);
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();)
    if (!NextCodePoint(text, i)) return false;
  return true;
}

std::optional<std::string> Utf8ToUtf16Le(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  for (size_t i = 0; i < utf8.size();) {
    const auto cp = NextCodePoint(utf8, i);
    if (!cp) return std::nullopt;
    if (*cp < 0x10000) {
      AppendUnit(out, static_cast<uint16_t>(*cp));
    } else {
      const char32_t v = *cp - 0x10000;
      AppendUnit(out, static_cast<uint16_t>(0xD800 | (v >> 10)));
      AppendUnit(out, static_cast<uint16_t>(0xDC00 | (v & 0x3FF)));
    }
  }
  return out;
}

std::optional<std::string> Utf16LeToUtf8(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(bytes.size() / 2);
  const auto unit = [&](size_t k) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[2 * k]) | static_cast<uint8_t>(bytes[2 * k + 1]) << 8);
  };
  const size_t n = bytes.size() / 2;
  for (size_t k = 0; k < n; ++k) {
    const uint16_t u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (k + 1 >= n) return std::nullopt;
      const uint16_t lo = unit(k + 1);
      if (lo < 0xDC00 || lo > 0xDFFF) return std::nullopt;
      AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (lo - 0xDC00));
      ++k;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return std::nullopt;
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

}  // namespace com
