#include "runtime/formats/elf_sections.h"

#include <cstring>
#include <fstream>
#include <limits>

#include "runtime/formats/resource_byte_io.h"
#include "runtime/formats/resource_file.h"
#include "runtime/platform/error.h"

namespace com::elf {
namespace {

constexpr size_t kElfHeaderSize = 64;
constexpr size_t kSectionHeaderSize = 64;
constexpr uint16_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX: the real index sits in section 0
constexpr size_t kMaxSections = 1u << 20;     // far beyond any real module; bounds the work on a lie

[[noreturn]] void Bad(const std::string& where, const std::string& why) {
  throw platform::Error(RESOURCE_E_BAD_MODULE, where + ": not a readable ELF64 module (" + why + ")");
}

// Random access to the file's bytes, bounds-checked against its size.
class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t size() const = 0;
  // `length` bytes at `offset`; throws when they run past the end.
  virtual std::vector<uint8_t> Read(uint64_t offset, uint64_t length) const = 0;
  virtual const std::string& where() const = 0;

  void Require(uint64_t offset, uint64_t length, const char* what) const {
    if (offset > size() || length > size() - offset) Bad(where(), std::string(what) + " lies outside the file");
  }
};

class MemorySource : public Source {
 public:
  explicit MemorySource(std::span<const uint8_t> data) : data_(data) {}
  uint64_t size() const override { return data_.size(); }
  std::vector<uint8_t> Read(uint64_t offset, uint64_t length) const override {
    Require(offset, length, "data");
    const auto b = data_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
    return {b.begin(), b.end()};
  }
  const std::string& where() const override { return where_; }

 private:
  std::span<const uint8_t> data_;
  std::string where_ = "module image";
};

class FileSource : public Source {
 public:
  explicit FileSource(const std::string& path) : path_(path), in_(path, std::ios::binary) {
    if (!in_) throw platform::Error(platform::kErrorFileNotFound, path + ": cannot open the module file");
    in_.seekg(0, std::ios::end);
    const auto end = in_.tellg();
    if (end < 0) Bad(path_, "cannot determine its size");
    size_ = static_cast<uint64_t>(end);
  }
  uint64_t size() const override { return size_; }
  std::vector<uint8_t> Read(uint64_t offset, uint64_t length) const override {
    Require(offset, length, "data");
    std::vector<uint8_t> out(static_cast<size_t>(length));
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    if (length > 0 && !in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(length)))
      Bad(path_, "read failed");
    return out;
  }
  const std::string& where() const override { return path_; }

 private:
  std::string path_;
  mutable std::ifstream in_;
  uint64_t size_ = 0;
};

std::vector<Section> Parse(const Source& src) {
  const auto header = src.Read(0, std::min<uint64_t>(kElfHeaderSize, src.size()));
  if (header.size() < kElfHeaderSize || std::memcmp(header.data(), "\x7F" "ELF", 4) != 0)
    Bad(src.where(), "no ELF signature");
  if (header[4] != 2) Bad(src.where(), "not a 64-bit file");
  if (header[5] != 1) Bad(src.where(), "not little-endian");
  const bytes::Reader h(header, RESOURCE_E_BAD_MODULE, src.where());
  const uint64_t shoff = h.U64(0x28);
  const uint16_t shentsize = h.U16(0x3A);
  uint64_t shnum = h.U16(0x3C);
  uint32_t shstrndx = h.U16(0x3E);
  if (shoff == 0) return {};  // no section headers at all
  if (shentsize != kSectionHeaderSize) Bad(src.where(), "unexpected section header size");

  // Counts that do not fit the header's 16 bits are kept in section 0.
  src.Require(shoff, kSectionHeaderSize, "section header table");
  const auto first = src.Read(shoff, kSectionHeaderSize);
  const bytes::Reader s0(first, RESOURCE_E_BAD_MODULE, src.where());
  if (shnum == 0) shnum = s0.U64(0x20);
  if (shstrndx == kExtendedIndex) shstrndx = s0.U32(0x28);
  if (shnum == 0 || shnum > kMaxSections) Bad(src.where(), "implausible section count");
  if (shnum > (std::numeric_limits<uint64_t>::max() - shoff) / kSectionHeaderSize)
    Bad(src.where(), "section header table lies outside the file");
  src.Require(shoff, shnum * kSectionHeaderSize, "section header table");
  const auto table = src.Read(shoff, shnum * kSectionHeaderSize);
  const bytes::Reader t(table, RESOURCE_E_BAD_MODULE, src.where());

  std::vector<Section> sections(static_cast<size_t>(shnum));
  std::vector<uint32_t> nameOffsets(sections.size());
  for (size_t i = 0; i < sections.size(); ++i) {
    const size_t at = i * kSectionHeaderSize;
    nameOffsets[i] = t.U32(at);
    sections[i].type = t.U32(at + 4);
    sections[i].flags = t.U64(at + 8);
    sections[i].offset = t.U64(at + 0x18);
    sections[i].size = t.U64(at + 0x20);
    if (sections[i].type != kSectionNoBits && i != 0)
      src.Require(sections[i].offset, sections[i].size, "a section");
  }
  if (shstrndx == 0) return sections;  // sections without names
  if (shstrndx >= sections.size()) Bad(src.where(), "section name table index out of range");
  const auto& strtab = sections[shstrndx];
  if (strtab.type == kSectionNoBits) Bad(src.where(), "section name table holds no data");
  const auto names = src.Read(strtab.offset, strtab.size);
  for (size_t i = 0; i < sections.size(); ++i) {
    if (nameOffsets[i] >= names.size()) Bad(src.where(), "section name outside the name table");
    const auto* begin = reinterpret_cast<const char*>(names.data()) + nameOffsets[i];
    const auto* end = static_cast<const char*>(std::memchr(begin, 0, names.size() - nameOffsets[i]));
    if (!end) Bad(src.where(), "unterminated section name");
    sections[i].name.assign(begin, end);
  }
  return sections;
}

}  // namespace

std::vector<Section> ReadSections(std::span<const uint8_t> image) { return Parse(MemorySource(image)); }

std::vector<Section> ReadSectionsFromFile(const std::string& path) { return Parse(FileSource(path)); }

std::optional<std::vector<uint8_t>> ReadSectionFromFile(const std::string& path, std::string_view name) {
  const FileSource src(path);
  for (const auto& s : Parse(src)) {
    if (s.name != name) continue;
    if (s.type == kSectionNoBits) Bad(path, "section " + std::string(name) + " holds no data in the file");
    return src.Read(s.offset, s.size);
  }
  return std::nullopt;
}

}  // namespace com::elf
