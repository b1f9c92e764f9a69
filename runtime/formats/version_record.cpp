#include "runtime/formats/version_record.h"

#include <utility>

#include "runtime/formats/resource_byte_io.h"
#include "runtime/formats/resource_file.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

constexpr uint16_t kBinary = 0;
constexpr uint16_t kText = 1;
constexpr size_t kFixedInfoSize = 52;
constexpr size_t kNodeHeader = 6;
constexpr int kMaxDepth = 8;

// Writes a node header and key; returns where the node starts so End can fill in its length.
size_t Begin(bytes::Writer& w, std::string_view key, uint16_t type, uint16_t valueLength) {
  w.Align(4);
  const size_t start = w.size();
  w.U16(0);
  w.U16(valueLength);
  w.U16(type);
  for (const char16_t c : bytes::Utf8ToUtf16(key)) w.U16(c);
  w.U16(0);
  w.Align(4);
  return start;
}

void End(bytes::Writer& w, size_t start) {
  const size_t length = w.size() - start;
  if (length > 0xFFFF) throw platform::Error(E_INVALIDARG, "version record too large");
  w.PatchU16(start, static_cast<uint16_t>(length));
}

struct Node {
  std::u16string key;
  uint16_t type = 0;
  uint16_t valueLength = 0;
  size_t value = 0;     // position of the value
  size_t children = 0;  // position of the first child
  size_t end = 0;       // one past the node
};

class Parser {
 public:
  explicit Parser(std::span<const uint8_t> data) : r_(data, RESOURCE_E_INVALID_DATA, "version record") {}

  VersionRecord Parse() {
    const Node root = ReadNode(0, r_.size());
    if (root.key != u"VS_VERSION_INFO") r_.Fail("the root is not VS_VERSION_INFO");
    VersionRecord record;
    if (root.valueLength != 0) {
      if (root.valueLength < kFixedInfoSize) r_.Fail("fixed part too short");
      if (root.value + kFixedInfoSize > root.end) r_.Fail("fixed part outside the record");
      auto& f = record.fixed;
      uint32_t* fields[] = {&f.signature,     &f.strucVersion,     &f.fileVersionMS, &f.fileVersionLS, &f.productVersionMS,
                            &f.productVersionLS, &f.fileFlagsMask, &f.fileFlags,     &f.fileOS,        &f.fileType,
                            &f.fileSubtype,   &f.fileDateMS,       &f.fileDateLS};
      for (size_t i = 0; i < 13; ++i) *fields[i] = r_.U32(root.value + i * 4);
      if (f.signature != VS_FFI_SIGNATURE) r_.Fail("fixed part has the wrong signature");
    }
    for (const Node& child : Children(root, 1)) {
      if (child.key == u"StringFileInfo") {
        for (const Node& table : Children(child, 2)) {
          VersionStringTable t;
          t.key = bytes::Utf16ToUtf8(table.key);
          for (const Node& s : Children(table, 3)) t.strings.push_back({bytes::Utf16ToUtf8(s.key), Text(s)});
          record.stringTables.push_back(std::move(t));
        }
      } else if (child.key == u"VarFileInfo") {
        for (const Node& var : Children(child, 2)) {
          if (var.key != u"Translation") continue;
          if (var.value + var.valueLength > var.end) r_.Fail("translation value outside its node");
          for (size_t at = 0; at + 4 <= var.valueLength; at += 4)
            record.translations.push_back({r_.U16(var.value + at), r_.U16(var.value + at + 2)});
        }
      }
    }
    return record;
  }

 private:
  Node ReadNode(size_t at, size_t limit) const {
    if (at + kNodeHeader > limit) r_.Fail("node header outside its parent");
    Node n;
    const size_t length = r_.U16(at);
    if (length < kNodeHeader || at + length > limit) r_.Fail("node length out of range");
    n.end = at + length;
    n.valueLength = r_.U16(at + 2);
    n.type = r_.U16(at + 4);
    size_t p = at + kNodeHeader;
    for (;;) {
      if (p + 2 > n.end) r_.Fail("unterminated key");
      const char16_t c = r_.U16(p);
      p += 2;
      if (c == 0) break;
      n.key.push_back(c);
    }
    n.value = (p + 3) / 4 * 4;
    const size_t valueBytes = n.type == kText ? size_t(n.valueLength) * 2 : n.valueLength;
    if (n.value + valueBytes > n.end) {
      // Some writers count a text value's bytes rather than its characters.
      if (n.type == kText && n.value + n.valueLength <= n.end) {
        n.children = (n.value + n.valueLength + 3) / 4 * 4;
        n.valueLength = static_cast<uint16_t>(n.valueLength / 2);
        return n;
      }
      r_.Fail("value outside its node");
    }
    n.children = (n.value + valueBytes + 3) / 4 * 4;
    return n;
  }

  std::vector<Node> Children(const Node& parent, int depth) const {
    if (depth > kMaxDepth) r_.Fail("nested too deeply");
    std::vector<Node> out;
    size_t at = parent.children;
    while (at + kNodeHeader <= parent.end) {
      Node child = ReadNode(at, parent.end);
      at = (child.end + 3) / 4 * 4;
      out.push_back(std::move(child));
    }
    return out;
  }

  std::string Text(const Node& n) const {
    std::u16string text;
    for (size_t i = 0; i < n.valueLength; ++i) {
      const char16_t c = r_.U16(n.value + i * 2);
      if (c == 0) break;
      text.push_back(c);
    }
    return bytes::Utf16ToUtf8(text);
  }

  bytes::Reader r_;
};

}  // namespace

const std::string* VersionRecord::Find(std::string_view table, std::string_view key) const {
  for (const auto& t : stringTables) {
    if (t.key != table) continue;
    for (const auto& s : t.strings)
      if (s.key == key) return &s.value;
  }
  return nullptr;
}

VersionRecord UsEnglishVersionRecord(uint16_t major, uint16_t minor, uint32_t fileType,
                                     std::vector<VersionString> strings) {
  VersionRecord v;
  v.fixed.fileVersionMS = VersionFixedInfo::High(major, minor);
  v.fixed.productVersionMS = VersionFixedInfo::High(major, minor);
  v.fixed.fileOS = VOS__WINDOWS32;
  v.fixed.fileType = fileType;
  v.stringTables.push_back({"040904B0", std::move(strings)});
  v.translations.push_back({0x0409, 1200});
  return v;
}

std::vector<uint8_t> WriteVersionRecord(const VersionRecord& record) {
  bytes::Writer w;
  const size_t root = Begin(w, "VS_VERSION_INFO", kBinary, kFixedInfoSize);
  const auto& f = record.fixed;
  for (const uint32_t v : {f.signature, f.strucVersion, f.fileVersionMS, f.fileVersionLS, f.productVersionMS,
                           f.productVersionLS, f.fileFlagsMask, f.fileFlags, f.fileOS, f.fileType, f.fileSubtype,
                           f.fileDateMS, f.fileDateLS})
    w.U32(v);
  if (!record.stringTables.empty()) {
    const size_t info = Begin(w, "StringFileInfo", kText, 0);
    for (const auto& table : record.stringTables) {
      const size_t t = Begin(w, table.key, kText, 0);
      for (const auto& s : table.strings) {
        // The value's length counts its characters and the terminating zero.
        const std::u16string value = bytes::Utf8ToUtf16(s.value);
        if (value.size() >= 0xFFFF) throw platform::Error(E_INVALIDARG, "version string too long");
        const size_t n = Begin(w, s.key, kText, static_cast<uint16_t>(value.size() + 1));
        for (const char16_t c : value) w.U16(c);
        w.U16(0);
        End(w, n);
      }
      End(w, t);
    }
    End(w, info);
  }
  if (!record.translations.empty()) {
    const size_t info = Begin(w, "VarFileInfo", kText, 0);
    const size_t var = Begin(w, "Translation", kBinary, static_cast<uint16_t>(record.translations.size() * 4));
    for (const auto& t : record.translations) {
      w.U16(t.language);
      w.U16(t.codePage);
    }
    End(w, var);
    End(w, info);
  }
  End(w, root);
  return w.Take();
}

VersionRecord ReadVersionRecord(std::span<const uint8_t> data) { return Parser(data).Parse(); }

}  // namespace com
