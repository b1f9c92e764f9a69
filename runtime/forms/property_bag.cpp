#include "runtime/forms/property_bag.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <system_error>
#include <unordered_set>

#include "runtime/platform/ascii_case.h"
#include "runtime/platform/error.h"

namespace forms {
namespace {

constexpr std::string_view kHeader = "PropertyBag 1";

[[noreturn]] void Unreadable(size_t line, const std::string& why) {
  throw platform::Error(platform::kErrorFail,
                        "Unreadable property data, line " + std::to_string(line) + ": " + why);
}

// ---- writing ----

void AppendQuoted(std::string& out, std::string_view s) {
  out += '"';
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          char buf[5];
          std::snprintf(buf, sizeof buf, "\\x%02X", c);
          out += buf;
        } else {
          out += static_cast<char>(c);  // UTF-8 passes through unchanged
        }
    }
  }
  out += '"';
}

template <class T>
void AppendNumber(std::string& out, T value) {
  char buf[64];
  // Shortest form that reads back to the same bits.
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  if (ec != std::errc()) throw platform::Error(platform::kErrorFail, "A number could not be written.");
  out.append(buf, end);
}

void AppendValue(std::string& out, const com::Variant& v) {
  switch (v.vt()) {
    case com::VT_EMPTY: out += "Empty"; break;
    case com::VT_I2: out += "I2 "; AppendNumber(out, v.RawI2()); break;
    case com::VT_I4: out += "I4 "; AppendNumber(out, v.RawI4()); break;
    case com::VT_R4: out += "R4 "; AppendNumber(out, v.RawR4()); break;
    case com::VT_R8: out += "R8 "; AppendNumber(out, v.RawR8()); break;
    case com::VT_BOOL: out += "Bool "; AppendNumber(out, v.RawBool()); break;
    case com::VT_BSTR: out += "String "; AppendQuoted(out, v.RawStr()); break;
  }
}

// ---- reading ----

class LineReader {
 public:
  LineReader(std::string_view text, size_t line) : s_(text), line_(line) {}

  bool AtEnd() const { return pos_ >= s_.size(); }

  void SkipSpaces() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }

  std::string Quoted() {
    SkipSpaces();
    if (pos_ >= s_.size() || s_[pos_] != '"') Unreadable(line_, "a quoted text was expected");
    ++pos_;
    std::string out;
    while (true) {
      if (pos_ >= s_.size()) Unreadable(line_, "a quoted text is not closed");
      const char c = s_[pos_++];
      if (c == '"') break;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= s_.size()) Unreadable(line_, "a quoted text ends in an escape");
      const char e = s_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
          if (pos_ + 2 > s_.size()) Unreadable(line_, "a \\x escape needs two hex digits");
          unsigned value = 0;
          auto [p, ec] = std::from_chars(s_.data() + pos_, s_.data() + pos_ + 2, value, 16);
          if (ec != std::errc() || p != s_.data() + pos_ + 2) Unreadable(line_, "bad \\x escape");
          out += static_cast<char>(value);
          pos_ += 2;
          break;
        }
        default: Unreadable(line_, std::string("unknown escape \\") + e);
      }
    }
    return out;
  }

  std::string_view Word() {
    SkipSpaces();
    const size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] != ' ' && s_[pos_] != '\t') ++pos_;
    return s_.substr(start, pos_ - start);
  }

  template <class T>
  T Number(T lo, T hi) {
    const std::string_view w = Word();
    if (w.empty()) Unreadable(line_, "a number was expected");
    if constexpr (std::is_integral_v<T>) {
      long long value = 0;
      auto [p, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
      if (ec != std::errc() || p != w.data() + w.size()) Unreadable(line_, "not a whole number: " + std::string(w));
      if (value < lo || value > hi) Unreadable(line_, "out of range: " + std::string(w));
      return static_cast<T>(value);
    } else {
      (void)lo;
      (void)hi;
      T value{};
      auto [p, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
      if (ec != std::errc() || p != w.data() + w.size()) Unreadable(line_, "not a number: " + std::string(w));
      return value;
    }
  }

  void ExpectEnd() {
    SkipSpaces();
    if (!AtEnd()) Unreadable(line_, "unexpected text after the value");
  }

 private:
  std::string_view s_;
  size_t line_;
  size_t pos_ = 0;
};

com::Variant ReadValue(LineReader& r, size_t line) {
  const std::string_view type = r.Word();
  if (type == "Empty") return com::Variant();
  if (type == "I2") return com::Variant::I2(r.Number<int16_t>(INT16_MIN, INT16_MAX));
  if (type == "I4") return com::Variant::I4(r.Number<int32_t>(INT32_MIN, INT32_MAX));
  if (type == "Bool") return com::Variant::Bool(r.Number<int16_t>(INT16_MIN, INT16_MAX));
  if (type == "R4") return com::Variant::R4(r.Number<float>(0, 0));
  if (type == "R8") return com::Variant::R8(r.Number<double>(0, 0));
  if (type == "String") return com::Variant::Str(r.Quoted());
  Unreadable(line, type.empty() ? "a type was expected" : "unknown type " + std::string(type));
}

}  // namespace

std::vector<PropertyBag::Entry>::const_iterator PropertyBag::FindEntry(const std::string& name) const {
  return std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return platform::SameAsciiName(e.first, name); });
}

com::Variant PropertyBag::ReadProperty(const std::string& name, const com::Variant& defaultValue) const {
  auto it = FindEntry(name);
  return it == entries_.end() ? defaultValue : it->second;
}

void PropertyBag::WriteProperty(const std::string& name, const com::Variant& value,
                                const com::Variant& defaultValue) {
  if (name.empty()) throw platform::Error(platform::kErrorInvalidArgument, "A property needs a name.");
  auto it = entries_.begin() + (FindEntry(name) - entries_.cbegin());
  if (com::ValueEquals(value, defaultValue)) {
    if (it != entries_.end()) entries_.erase(it);
    return;
  }
  if (it != entries_.end()) {
    it->second = value;
  } else {
    entries_.emplace_back(name, value);
  }
}

bool PropertyBag::Contains(const std::string& name) const { return FindEntry(name) != entries_.end(); }

std::vector<std::string> PropertyBag::Names() const {
  std::vector<std::string> names;
  names.reserve(entries_.size());
  for (const auto& e : entries_) names.push_back(e.first);
  return names;
}

std::string PropertyBag::SaveText() const {
  std::string out(kHeader);
  out += '\n';
  for (const auto& [name, value] : entries_) {
    AppendQuoted(out, name);
    out += ' ';
    AppendValue(out, value);
    out += '\n';
  }
  return out;
}

PropertyBag PropertyBag::LoadText(std::string_view text) {
  PropertyBag bag;
  // Names seen so far, folded, so a long bag is not searched once per line.
  std::unordered_set<std::string> seen;
  size_t lineNo = 0;
  bool sawHeader = false;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    if (!sawHeader) {
      if (line != kHeader) Unreadable(lineNo, "not a property bag");
      sawHeader = true;
      continue;
    }
    LineReader r(line, lineNo);
    std::string name = r.Quoted();
    if (name.empty()) Unreadable(lineNo, "a property needs a name");
    if (!seen.insert(platform::FoldedAscii(name)).second) Unreadable(lineNo, "\"" + name + "\" appears twice");
    com::Variant value = ReadValue(r, lineNo);
    r.ExpectEnd();
    bag.entries_.emplace_back(std::move(name), std::move(value));
  }
  if (!sawHeader) Unreadable(lineNo, "not a property bag");
  return bag;
}

}  // namespace forms
