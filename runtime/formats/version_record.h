#pragma once
// A module's version record in the platform's binary layout (the RT_VERSION
// resource): VS_VERSIONINFO with its fixed part (VS_FIXEDFILEINFO), string
// tables under "StringFileInfo" and the translations under "VarFileInfo".
// Every node is {wLength, wValueLength, wType, UTF-16 key, value, children},
// each part aligned to 32 bits from the start of the record.
#include "runtime/platform/export.h"
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace com {

inline constexpr uint32_t VS_FFI_SIGNATURE = 0xFEEF04BD;
inline constexpr uint32_t VS_FFI_STRUCVERSION = 0x00010000;
inline constexpr uint32_t VS_FFI_FILEFLAGSMASK = 0x3F;
inline constexpr uint32_t VOS__WINDOWS32 = 0x4;
inline constexpr uint32_t VFT_APP = 0x1;
inline constexpr uint32_t VFT_DLL = 0x2;

struct VersionFixedInfo {
  uint32_t signature = VS_FFI_SIGNATURE;
  uint32_t strucVersion = VS_FFI_STRUCVERSION;
  uint32_t fileVersionMS = 0;  // major << 16 | minor
  uint32_t fileVersionLS = 0;  // build << 16 | revision
  uint32_t productVersionMS = 0;
  uint32_t productVersionLS = 0;
  uint32_t fileFlagsMask = VS_FFI_FILEFLAGSMASK;
  uint32_t fileFlags = 0;
  uint32_t fileOS = VOS__WINDOWS32;
  uint32_t fileType = 0;
  uint32_t fileSubtype = 0;
  uint32_t fileDateMS = 0;
  uint32_t fileDateLS = 0;

  static constexpr uint32_t High(uint16_t major, uint16_t minor) { return uint32_t(major) << 16 | minor; }
  bool operator==(const VersionFixedInfo&) const = default;
};

struct VersionString {
  std::string key;
  std::string value;  // UTF-8; may be empty (the key's presence is what counts)
  bool operator==(const VersionString&) const = default;
};

struct VersionStringTable {
  std::string key;  // language and code page in hex, e.g. "040904B0"
  std::vector<VersionString> strings;
  bool operator==(const VersionStringTable&) const = default;
};

struct VersionTranslation {
  uint16_t language = 0;
  uint16_t codePage = 0;
  bool operator==(const VersionTranslation&) const = default;
};

struct KVQMXTMR_EXPORT VersionRecord {
  VersionFixedInfo fixed;
  std::vector<VersionStringTable> stringTables;
  std::vector<VersionTranslation> translations;

  // The value of `key` in the table `table`; nullptr when absent.
  const std::string* Find(std::string_view table, std::string_view key) const;
  bool operator==(const VersionRecord&) const = default;
};

// A record of the one shape every file this kit builds carries: version
// major.minor for file and product, and a single string table in US English
// and UTF-16 ("040904B0") with its matching translation.
KVQMXTMR_EXPORT VersionRecord UsEnglishVersionRecord(uint16_t major, uint16_t minor, uint32_t fileType,
                                     std::vector<VersionString> strings);

KVQMXTMR_EXPORT std::vector<uint8_t> WriteVersionRecord(const VersionRecord& record);

// Throws platform::Error(RESOURCE_E_INVALID_DATA) for a truncated or
// malformed record.
KVQMXTMR_EXPORT VersionRecord ReadVersionRecord(std::span<const uint8_t> data);

}  // namespace com
