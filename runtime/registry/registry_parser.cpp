#include <cctype>
#include <string>

#include "runtime/automation/hresult.h"
#include "runtime/automation/text_encoding.h"
#include "runtime/platform/error.h"
#include "runtime/registry/registry.h"
#include "runtime/registry/registry_key.h"

namespace com {

// Reads the export text into a tree, one line at a time; values go straight
// to the key of the last [KEY] line, so the work grows with the file and no
// more.
class RegistryParser {
 public:
  RegistryParser(std::string_view text, const std::string& origin) : text_(text), origin_(origin) {}

  [[noreturn]] void Fail(const std::string& why) const {
    throw platform::Error(REGDB_E_READREGDB, "Registry file " + origin_ + " is malformed at line " +
                                                 std::to_string(line_) + ": " + why);
  }

  bool NextLine(std::string& out) {
    if (pos_ >= text_.size()) return false;
    const size_t end = text_.find('\n', pos_);
    out = std::string(text_.substr(pos_, end == std::string_view::npos ? std::string_view::npos : end - pos_));
    pos_ = end == std::string_view::npos ? text_.size() : end + 1;
    if (!out.empty() && out.back() == '\r') out.pop_back();
    ++line_;
    return true;
  }

  // A quoted string at `s[i]`, unescaping \\ and \"; leaves i after the quote.
  std::string Quoted(const std::string& s, size_t& i) {
    if (i >= s.size() || s[i] != '"') Fail("expected a quoted name or string");
    std::string r;
    for (++i; i < s.size(); ++i) {
      if (s[i] == '"') {
        ++i;
        return r;
      }
      if (s[i] == '\\') {
        if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) Fail("unknown escape in a string");
        ++i;
      }
      r += s[i];
    }
    Fail("unterminated string");
  }

  void Parse(RegistryData& data) {
    std::string line;
    // The header is the first line that is not blank.
    bool header = false;
    while (!header && NextLine(line)) {
      if (Trim(line).empty()) continue;
      if (Trim(line) != kRegistryHeader && Trim(line) != kOldRegistryHeader) Fail("not a registry export (missing header)");
      header = true;
    }
    if (!header) Fail("empty file (missing header)");
    RegistryData::Key* key = nullptr;
    while (NextLine(line)) {
      std::string s = Trim(line);
      if (s.empty() || s[0] == ';') continue;
      if (s[0] == '[') {
        if (s.back() != ']') Fail("key line without closing bracket");
        const std::string path = s.substr(1, s.size() - 2);
        key = nullptr;
        if (!path.empty() && path[0] == '-') {
          data.DeleteTree(std::string_view(path).substr(1));
          continue;
        }
        try {
          key = data.MakeKey(path);
        } catch (const platform::Error& e) {
          Fail(e.what());
        }
        continue;
      }
      if (key == nullptr) Fail("value outside any key");
      size_t i = 0;
      std::string name;
      if (s[0] == '@') {
        i = 1;
      } else {
        name = Quoted(s, i);
      }
      while (i < s.size() && s[i] == ' ') ++i;
      if (i >= s.size() || s[i] != '=') Fail("expected '=' after the value name");
      ++i;
      while (i < s.size() && s[i] == ' ') ++i;
      std::string data_ = s.substr(i);
      RegistryValue v;
      if (data_ == "-") {
        key->Delete(name);
        continue;
      } else if (!data_.empty() && data_[0] == '"') {
        size_t j = 0;
        v = RegistryValue::String(Quoted(data_, j));
        if (!Trim(data_.substr(j)).empty()) Fail("text after the closing quote");
      } else if (data_.rfind("dword:", 0) == 0) {
        const std::string hex = data_.substr(6);
        if (hex.empty() || hex.size() > 8) Fail("a dword needs one to eight hex digits");
        uint32_t d = 0;
        for (char c : hex) {
          if (!std::isxdigit(static_cast<unsigned char>(c))) Fail("a dword needs hex digits");
          d = d << 4 | static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10));
        }
        v = RegistryValue::DWord(d);
      } else if (data_.rfind("hex", 0) == 0) {
        // Binary and other typed data: kept exactly as written, joining the
        // lines a trailing backslash continues.
        std::string raw = data_;
        while (!raw.empty() && raw.back() == '\\') {
          raw.pop_back();
          std::string more;
          if (!NextLine(more)) Fail("continued line at end of file");
          raw += Trim(more);
        }
        const size_t colon = raw.find(':');
        if (colon == std::string::npos) Fail("malformed hex data");
        for (size_t k = colon + 1; k < raw.size(); ++k)
          if (!std::isxdigit(static_cast<unsigned char>(raw[k])) && raw[k] != ',') Fail("malformed hex data");
        v = RegistryValue{RegistryValue::Kind::Other, raw, 0};
      } else {
        Fail("unknown value data");
      }
      // A carriage return inside a line, say, is as malformed here as
      // anywhere else in the file.
      try {
        CheckRegistryValue(name, v);
      } catch (const platform::Error& e) {
        Fail(e.what());
      }
      key->Set(name, v);
    }
  }

  static std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
  }

 private:
  std::string_view text_;
  const std::string& origin_;
  size_t pos_ = 0;
  int line_ = 0;
};

RegistryData RegistryData::Parse(std::string_view bytes, const std::string& origin) {
  std::string text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    auto t = Utf16LeToUtf8(bytes.substr(2));
    if (!t) throw platform::Error(REGDB_E_READREGDB, "Registry file " + origin + " is not well-formed UTF-16");
    text = std::move(*t);
  } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
    throw platform::Error(REGDB_E_READREGDB, "Registry file " + origin + " is big-endian UTF-16, which is not read");
  } else {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (!IsValidUtf8(bytes)) throw platform::Error(REGDB_E_READREGDB, "Registry file " + origin + " is not text");
    text = std::string(bytes);
  }
  if (text.find('\0') != std::string::npos)
    throw platform::Error(REGDB_E_READREGDB, "Registry file " + origin + " holds a NUL character");
  RegistryData data;
  RegistryParser(text, origin).Parse(data);
  return data;
}

}  // namespace com
