#pragma once
// Names (registry keys and values, property-bag entries, type-library and
// dispatch members, library names) compare with the ASCII letters folded,
// whatever the process's locale: the files they come from are read the same
// way everywhere.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

constexpr char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string FoldedAscii(std::string_view s) {
  std::string folded(s);
  for (char& c : folded) c = FoldAscii(c);
  return folded;
}

constexpr bool SameAsciiName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

// An ordering for maps keyed by such names.
struct AsciiCaseLess {
  using is_transparent = void;
  constexpr bool operator()(std::string_view a, std::string_view b) const {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
      const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
      const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
      if (x != y) return x < y;
    }
    return a.size() < b.size();
  }
};

}  // namespace platform
