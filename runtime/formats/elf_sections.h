#pragma once
// Section headers of a 64-bit little-endian ELF file, read from memory or
// from a file without loading it whole. A truncated or malformed file raises
// platform::Error(RESOURCE_E_BAD_MODULE); a missing file raises
// platform::Error(kErrorFileNotFound).
#include "runtime/platform/export.h"
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace com::elf {

inline constexpr uint32_t kSectionNoBits = 8;

struct Section {
  std::string name;
  uint32_t type = 0;
  uint64_t flags = 0;
  uint64_t offset = 0;  // in the file
  uint64_t size = 0;
};

KVQMXTMR_EXPORT std::vector<Section> ReadSections(std::span<const uint8_t> image);
KVQMXTMR_EXPORT std::vector<Section> ReadSectionsFromFile(const std::string& path);

// The bytes of the named section; nullopt when the file has no such section.
KVQMXTMR_EXPORT std::optional<std::vector<uint8_t>> ReadSectionFromFile(const std::string& path, std::string_view name);

}  // namespace com::elf
