#include <string>

#include "runtime/formats/typelib_hash.h"
#include "runtime/formats/typelib_writing.h"
#include "runtime/platform/ascii_case.h"

namespace com::typelib_writing {

TypeLibraryTables::TypeLibraryTables(SYSKIND syskind, uint32_t lcid) : syskind_(syskind), lcid_(lcid) {
  guidHash_.fill(kNone);
  nameHash_.fill(kNone);
}

int32_t TypeLibraryTables::AddGuid(const GUID& guid, int32_t href) {
  auto found = guidOffsets_.find(guid);
  if (found != guidOffsets_.end()) return found->second;
  const int bucket = GuidHashBucket(guid);
  const auto offset = static_cast<int32_t>(guid_.size());
  guid_.Bytes(guid.Bytes());
  guid_.I32(href);
  guid_.I32(guidHash_[bucket]);
  guidHash_[bucket] = offset;
  guidOffsets_.emplace(guid, offset);
  return offset;
}

int32_t TypeLibraryTables::AddName(std::string_view name) {
  if (name.empty() || name.size() > 255) Invalid("a name must have 1 to 255 characters: '" + std::string(name) + "'");
  const std::string key = platform::FoldedAscii(name);
  auto found = nameOffsets_.find(key);
  if (found != nameOffsets_.end()) return found->second;
  const uint32_t hash = NameHash(syskind_, lcid_, name) & 0xFFFF;
  const int bucket = static_cast<int>(hash & 0x7F);
  const auto offset = static_cast<int32_t>(name_.size());
  name_.I32(kNone);
  name_.I32(nameHash_[bucket]);
  name_.U32(static_cast<uint32_t>(name.size()) | hash << 16);
  for (const char c : name) name_.U8(static_cast<uint8_t>(c));
  name_.Align(4, m::kNamePad);
  nameHash_[bucket] = offset;
  nameOffsets_.emplace(key, offset);
  ++nameCount_;
  nameChars_ += static_cast<int32_t>(name.size());
  return offset;
}

void TypeLibraryTables::ClaimName(int32_t offset, int32_t href, uint8_t flags, bool force) {
  auto& d = name_.data();
  const size_t at = static_cast<size_t>(offset);
  const int32_t current = static_cast<int32_t>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 | uint32_t(d[at + 3]) << 24);
  if (current == kNone || force) {
    name_.PatchI32(at, href);
    d[at + 9] = flags;
  }
}

int32_t TypeLibraryTables::AddString(std::string_view text) {
  if (text.size() > 0xFFFF) Invalid("a string is longer than 65535 bytes");
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) Invalid("strings must be ASCII: '" + std::string(text) + "'");
  auto found = stringOffsets_.find(std::string(text));
  if (found != stringOffsets_.end()) return found->second;
  const auto offset = static_cast<int32_t>(string_.size());
  string_.U16(static_cast<uint16_t>(text.size()));
  for (const char c : text) string_.U8(static_cast<uint8_t>(c));
  string_.Align(4, m::kNamePad);
  while (string_.size() - static_cast<size_t>(offset) < 8) string_.U8(m::kNamePad);
  stringOffsets_.emplace(std::string(text), offset);
  return offset;
}

}  // namespace com::typelib_writing
