#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iterator>
#include <list>

#include "runtime/com/hresult.h"
#include "runtime/com/registry.h"
#include "runtime/com/text_encoding.h"
#include "runtime/platform/ascii_case.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
// The platform refuses deeper keys. The bound also keeps each write in
// proportion to what was read: every key line repeats its whole path.
constexpr size_t kMaxKeyDepth = 512;

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = path.find('\\', start);
    parts.emplace_back(path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

void CheckText(std::string_view s, const char* what) {
  if (HasLineBreak(s) || !IsValidUtf8(s) || s.find('\0') != std::string_view::npos)
    throw platform::Error(E_INVALIDARG, std::string("A registry ") + what + " cannot hold line breaks, NULs or malformed UTF-8");
}

std::vector<std::string> CheckedPath(std::string_view path) {
  if (path.empty()) throw platform::Error(E_INVALIDARG, "Empty registry key path");
  const size_t depth = static_cast<size_t>(std::count(path.begin(), path.end(), '\\')) + 1;
  if (depth > kMaxKeyDepth)
    throw platform::Error(E_INVALIDARG, "Registry key path " + std::to_string(depth) + " levels deep (at most " +
                                            std::to_string(kMaxKeyDepth) + ")");
  std::vector<std::string> parts = SplitPath(path);
  for (const auto& p : parts)
    if (p.empty()) throw platform::Error(E_INVALIDARG, "Registry key path with an empty name: " + std::string(path));
  // "[-KEY]" is the file's deletion syntax, so no top-level key may begin so.
  if (parts.front()[0] == '-') throw platform::Error(E_INVALIDARG, "Registry key path cannot begin with '-'");
  CheckText(path, "key path");
  return parts;
}

void CheckValue(std::string_view name, const RegistryValue& value) {
  CheckText(name, "value name");
  if (value.kind != RegistryValue::Kind::DWord) CheckText(value.text, "value");
}

std::string Quote(std::string_view s) {
  std::string r = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') r += '\\';
    r += c;
  }
  return r + '"';
}

}  // namespace

std::string ClassesKey(std::string_view relative) {
  std::string r(kClassesRoot);
  if (!relative.empty()) r += '\\', r += relative;
  return r;
}

// One key: its values in the order first set, found by name through an
// index, and its subkeys by name. Nothing here recurses: a tree is copied,
// written and destroyed with explicit stacks.
struct RegistryData::Key {
  using Entry = std::pair<std::string, RegistryValue>;
  using Children = std::map<std::string, std::unique_ptr<Key>, platform::AsciiCaseLess>;

  std::string name;
  std::list<Entry> values;
  std::map<std::string, std::list<Entry>::iterator, platform::AsciiCaseLess> index;
  Children children;

  Key() = default;
  explicit Key(std::string n) : name(std::move(n)) {}
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  ~Key() {
    std::vector<std::unique_ptr<Key>> pending;
    const auto detach = [&](Key& k) {
      for (auto& [n, c] : k.children) pending.push_back(std::move(c));
      k.children.clear();
    };
    detach(*this);
    while (!pending.empty()) {
      std::unique_ptr<Key> k = std::move(pending.back());
      pending.pop_back();
      detach(*k);
    }  // each key goes with no children left to recurse into
  }

  // This key's name and values, without subkeys.
  std::unique_ptr<Key> CopyOwn() const {
    auto k = std::make_unique<Key>(name);
    for (const auto& [n, v] : values) k->Set(n, v);
    return k;
  }

  std::unique_ptr<Key> Clone() const {
    auto top = CopyOwn();
    std::vector<std::pair<const Key*, Key*>> todo{{this, top.get()}};
    while (!todo.empty()) {
      const auto [from, to] = todo.back();
      todo.pop_back();
      for (const auto& [n, c] : from->children) {
        auto copy = c->CopyOwn();
        todo.emplace_back(c.get(), copy.get());
        to->children.emplace_hint(to->children.end(), n, std::move(copy));
      }
    }
    return top;
  }

  Key* Child(std::string_view n) const {
    const auto it = children.find(n);
    return it == children.end() ? nullptr : it->second.get();
  }
  Key& MakeChild(const std::string& n) {
    auto& slot = children[n];
    if (!slot) slot = std::make_unique<Key>(n);
    return *slot;
  }

  RegistryValue* Value(std::string_view n) {
    const auto it = index.find(n);
    return it == index.end() ? nullptr : &it->second->second;
  }
  // A name already present keeps its first spelling and its place.
  void Set(std::string_view n, const RegistryValue& v) {
    if (RegistryValue* existing = Value(n)) {
      *existing = v;
      return;
    }
    values.emplace_back(std::string(n), v);
    index.emplace(values.back().first, std::prev(values.end()));
  }
  bool Delete(std::string_view n) {
    const auto it = index.find(n);
    if (it == index.end()) return false;
    values.erase(it->second);
    index.erase(it);
    return true;
  }
};

RegistryData::RegistryData() : root_(std::make_unique<Key>()) {}
RegistryData::RegistryData(const RegistryData& o) : root_(o.root_->Clone()) {}
RegistryData& RegistryData::operator=(const RegistryData& o) {
  if (this != &o) root_ = o.root_->Clone();
  return *this;
}
RegistryData::RegistryData(RegistryData&& o) noexcept : root_(std::move(o.root_)) { o.root_ = std::make_unique<Key>(); }
RegistryData& RegistryData::operator=(RegistryData&& o) noexcept {
  std::swap(root_, o.root_);
  return *this;
}
RegistryData::~RegistryData() = default;

bool RegistryData::Empty() const { return root_->children.empty(); }

bool RegistryData::HoldsValues() const {
  std::vector<const Key*> pending{root_.get()};
  while (!pending.empty()) {
    const Key* k = pending.back();
    pending.pop_back();
    if (!k->values.empty()) return true;
    for (const auto& child : k->children) pending.push_back(child.second.get());
  }
  return false;
}

RegistryData::Key* RegistryData::MakeKey(std::string_view path) {
  Key* k = root_.get();
  for (const auto& part : CheckedPath(path)) k = &k->MakeChild(part);
  return k;
}

RegistryData::Key* RegistryData::FindKey(std::string_view path) const {
  Key* k = root_.get();
  for (const auto& part : SplitPath(path))
    if ((k = k->Child(part)) == nullptr) return nullptr;
  return k;
}

void RegistryData::CreateKey(std::string_view path) { MakeKey(path); }

void RegistryData::SetValue(std::string_view path, std::string_view name, const RegistryValue& value) {
  CheckValue(name, value);
  MakeKey(path)->Set(name, value);
}

std::optional<RegistryValue> RegistryData::GetValue(std::string_view path, std::string_view name) const {
  Key* k = FindKey(path);
  if (k == nullptr) return std::nullopt;
  if (const RegistryValue* v = k->Value(name)) return *v;
  return std::nullopt;
}

std::optional<std::string> RegistryData::GetString(std::string_view path, std::string_view name) const {
  auto v = GetValue(path, name);
  if (!v || v->kind != RegistryValue::Kind::String) return std::nullopt;
  return v->text;
}

bool RegistryData::DeleteValue(std::string_view path, std::string_view name) {
  Key* k = FindKey(path);
  return k != nullptr && k->Delete(name);
}

bool RegistryData::DeleteTree(std::string_view path) {
  const size_t cut = path.rfind('\\');
  Key* parent = cut == std::string_view::npos ? root_.get() : FindKey(path.substr(0, cut));
  if (parent == nullptr) return false;
  const auto it = parent->children.find(cut == std::string_view::npos ? path : path.substr(cut + 1));
  if (it == parent->children.end()) return false;
  parent->children.erase(it);
  return true;
}

bool RegistryData::KeyExists(std::string_view path) const { return FindKey(path) != nullptr; }

std::vector<std::string> RegistryData::SubKeys(std::string_view path) const {
  const Key* k = FindKey(path);
  if (k == nullptr) return {};
  std::vector<std::string> r;
  r.reserve(k->children.size());
  for (const auto& [n, c] : k->children) r.push_back(c->name);
  return r;
}

std::vector<std::pair<std::string, RegistryValue>> RegistryData::Values(std::string_view path) const {
  const Key* k = FindKey(path);
  if (k == nullptr) return {};
  return {k->values.begin(), k->values.end()};
}

std::string RegistryData::Serialize() const {
  std::string text;
  text += kHeader;
  text += "\r\n\r\n";
  const auto writeKey = [&](const Key& key, const std::string& path) {
    text += '[';
    text += path;
    text += "]\r\n";
    // The default value comes first, as the platform lists it.
    for (int pass = 0; pass < 2; ++pass)
      for (const auto& [name, v] : key.values) {
        if (name.empty() != (pass == 0)) continue;
        text += name.empty() ? "@" : Quote(name);
        text += '=';
        switch (v.kind) {
          case RegistryValue::Kind::String: text += Quote(v.text); break;
          case RegistryValue::Kind::DWord: {
            char buf[20];
            std::snprintf(buf, sizeof buf, "dword:%08x", v.dword);
            text += buf;
            break;
          }
          case RegistryValue::Kind::Other: text += v.text; break;
        }
        text += "\r\n";
      }
    text += "\r\n";
  };
  // Depth first, parents before children, with one path buffer.
  struct Frame {
    const Key* key;
    Key::Children::const_iterator next;
    size_t pathLength;  // of the parent's path, restored on leaving
  };
  std::vector<Frame> stack;
  std::string path;
  const auto enter = [&](const Key& k) {
    const size_t length = path.size();
    if (!path.empty()) path += '\\';
    path += k.name;
    writeKey(k, path);
    stack.push_back({&k, k.children.begin(), length});
  };
  for (const auto& [n, hive] : root_->children) {
    enter(*hive);
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next == top.key->children.end()) {
        path.resize(top.pathLength);
        stack.pop_back();
        continue;
      }
      const Key& child = *(top.next++)->second;
      enter(child);
    }
  }
  std::string out = "\xFF\xFE";
  out += *Utf8ToUtf16Le(text);  // every stored text was checked to be UTF-8
  return out;
}

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
      if (Trim(line) != kHeader && Trim(line) != kOldHeader) Fail("not a registry export (missing header)");
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
        CheckValue(name, v);
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
