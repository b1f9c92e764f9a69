#include "runtime/formats/resource_file.h"

#include "runtime/formats/resource_byte_io.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

constexpr size_t kEmptyEntrySize = 32;
constexpr size_t kFixedTail = 16;  // data version .. characteristics

char16_t FoldCase(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

void WriteId(bytes::Writer& w, const ResourceId& id) {
  if (id.IsOrdinal()) {
    w.U16(0xFFFF);
    w.U16(id.ordinal());
    return;
  }
  for (const char16_t c : id.name()) w.U16(c);
  w.U16(0);
}

// Reads a type or name at `at`, not past `end`; returns the position after it.
size_t ReadId(const bytes::Reader& r, size_t at, size_t end, ResourceId& out) {
  if (at + 2 > end) r.Fail("resource header ends inside an identifier");
  if (r.U16(at) == 0xFFFF) {
    if (at + 4 > end) r.Fail("resource header ends inside an identifier");
    out = ResourceId(r.U16(at + 2));
    return at + 4;
  }
  std::u16string name;
  for (;;) {
    if (at + 2 > end) r.Fail("unterminated resource name");
    const char16_t c = r.U16(at);
    at += 2;
    if (c == 0) break;
    name.push_back(c);
  }
  if (name.empty()) r.Fail("empty resource name");
  out = ResourceId(std::move(name));
  return at;
}

}  // namespace

ResourceId::ResourceId(std::string_view name) : name_(bytes::Utf8ToUtf16(name)), isName_(true) {
  if (name_.empty()) throw platform::Error(E_INVALIDARG, "a resource name cannot be empty");
}

ResourceId ResourceId::Parse(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '#') digits.remove_prefix(1);
  if (!digits.empty() && digits.size() <= 5 && digits.find_first_not_of("0123456789") == std::string_view::npos) {
    const unsigned long value = std::stoul(std::string(digits));
    if (value <= 0xFFFF) return ResourceId(static_cast<uint16_t>(value));
  }
  return ResourceId(text);
}

std::string ResourceId::ToString() const {
  if (isName_) return bytes::Utf16ToUtf8(name_);
  std::string text = std::to_string(ordinal_);
  text.insert(text.begin(), '#');
  return text;
}

bool ResourceId::operator==(const ResourceId& other) const {
  if (isName_ != other.isName_) return false;
  if (!isName_) return ordinal_ == other.ordinal_;
  if (name_.size() != other.name_.size()) return false;
  for (size_t i = 0; i < name_.size(); ++i)
    if (FoldCase(name_[i]) != FoldCase(other.name_[i])) return false;
  return true;
}

std::vector<uint8_t> WriteResourceFile(const std::vector<Resource>& resources) {
  bytes::Writer w;
  // The leading empty entry marks the file as 32-bit.
  w.U32(0);
  w.U32(kEmptyEntrySize);
  WriteId(w, ResourceId(uint16_t{0}));
  WriteId(w, ResourceId(uint16_t{0}));
  for (size_t i = 0; i < kFixedTail; ++i) w.U8(0);

  for (const auto& res : resources) {
    if (res.data.size() > 0xFFFFFFF0u) throw platform::Error(E_INVALIDARG, "resource too large");
    const size_t start = w.size();
    w.U32(static_cast<uint32_t>(res.data.size()));
    w.U32(0);  // header size, patched below
    WriteId(w, res.type);
    WriteId(w, res.name);
    w.Align(4);
    w.U32(res.dataVersion);
    w.U16(res.memoryFlags);
    w.U16(res.language);
    w.U32(res.version);
    w.U32(res.characteristics);
    w.PatchU32(start + 4, static_cast<uint32_t>(w.size() - start));
    w.Bytes(res.data);
    w.Align(4);
  }
  return w.Take();
}

std::vector<Resource> ReadResourceFile(std::span<const uint8_t> file) {
  const bytes::Reader r(file, RESOURCE_E_INVALID_DATA, "resource file");
  if (file.size() < kEmptyEntrySize || r.U32(0) != 0 || r.U32(4) != kEmptyEntrySize || r.U32(8) != 0xFFFF ||
      r.U32(12) != 0xFFFF)
    r.Fail("not a 32-bit resource file");
  std::vector<Resource> out;
  size_t at = kEmptyEntrySize;
  while (at < file.size()) {
    if (file.size() - at < 8) r.Fail("trailing bytes after the last resource");
    const size_t dataSize = r.U32(at);
    const size_t headerSize = r.U32(at + 4);
    if (headerSize < 8 + 4 + 4 + kFixedTail || headerSize % 4 != 0) r.Fail("bad resource header size");
    r.Require(at, headerSize);
    const size_t headerEnd = at + headerSize;
    Resource res;
    size_t p = ReadId(r, at + 8, headerEnd, res.type);
    p = ReadId(r, p, headerEnd, res.name);
    p = (p - at + 3) / 4 * 4 + at;
    if (p + kFixedTail != headerEnd) r.Fail("resource header size does not match its fields");
    res.dataVersion = r.U32(p);
    res.memoryFlags = r.U16(p + 4);
    res.language = r.U16(p + 6);
    res.version = r.U32(p + 8);
    res.characteristics = r.U32(p + 12);
    const auto data = r.Slice(headerEnd, dataSize);
    res.data.assign(data.begin(), data.end());
    at = headerEnd + (dataSize + 3) / 4 * 4;
    if (at > file.size()) {
      // The last resource may end without its padding.
      at = file.size();
    }
    const bool emptyMarker = dataSize == 0 && res.type.IsOrdinal() && res.type.ordinal() == 0;
    if (!emptyMarker) out.push_back(std::move(res));
  }
  return out;
}

const Resource* FindResourceIn(const std::vector<Resource>& resources, const ResourceId& type, const ResourceId& name,
                               std::optional<uint16_t> language) {
  const Resource* any = nullptr;
  const Resource* neutral = nullptr;
  const Resource* english = nullptr;
  for (const auto& res : resources) {
    if (!(res.type == type) || !(res.name == name)) continue;
    if (language) {
      if (res.language == *language) return &res;
      continue;
    }
    if (!any) any = &res;
    if (res.language == kLanguageNeutral && !neutral) neutral = &res;
    if (res.language == kLanguageEnglishUS && !english) english = &res;
  }
  if (language) return nullptr;
  return neutral ? neutral : english ? english : any;
}

}  // namespace com
