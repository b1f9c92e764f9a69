#pragma once
// Resources in the platform's 32-bit resource-file layout (".res"): an empty
// 32-byte entry, then per resource a header {data size, header size, type,
// name, data version, memory flags, language, version, characteristics} and
// the data, each part DWORD-aligned. A module carries such a file in its
// ".rsrc" section (see resource_module.h), so standard resource tools can
// read what it holds.
#include "runtime/platform/export.h"
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/automation/hresult.h"

namespace com {

// Status codes of resource look-ups (HRESULTs of the platform's error numbers).
inline constexpr HRESULT RESOURCE_E_INVALID_DATA = hr(0x8007000D);       // ERROR_INVALID_DATA
inline constexpr HRESULT RESOURCE_E_DATA_NOT_FOUND = hr(0x80070714);     // ERROR_RESOURCE_DATA_NOT_FOUND
inline constexpr HRESULT RESOURCE_E_TYPE_NOT_FOUND = hr(0x80070715);     // ERROR_RESOURCE_TYPE_NOT_FOUND
inline constexpr HRESULT RESOURCE_E_NAME_NOT_FOUND = hr(0x80070716);     // ERROR_RESOURCE_NAME_NOT_FOUND
inline constexpr HRESULT RESOURCE_E_BAD_MODULE = hr(0x800700C1);         // ERROR_BAD_EXE_FORMAT

// Standard resource types.
inline constexpr uint16_t RT_BITMAP = 2;
inline constexpr uint16_t RT_ICON = 3;
inline constexpr uint16_t RT_STRING = 6;
inline constexpr uint16_t RT_RCDATA = 10;
inline constexpr uint16_t RT_VERSION = 16;

inline constexpr uint16_t kLanguageNeutral = 0;
inline constexpr uint16_t kLanguageEnglishUS = 1033;

// Memory flags resource compilers give: moveable | pure, and discardable for pictures.
inline constexpr uint16_t kResourceMoveablePure = 0x0030;
inline constexpr uint16_t kResourceDiscardable = 0x1030;

// A resource type or name: a 16-bit number or a string. Strings compare
// without regard to ASCII case, as the platform's resource look-up does.
class KVQMXTMR_EXPORT ResourceId {
 public:
  ResourceId(uint16_t ordinal) : ordinal_(ordinal) {}  // NOLINT: numbers read naturally as ids
  ResourceId(std::u16string name) : name_(std::move(name)), isName_(true) {}
  ResourceId(std::string_view name);  // UTF-8
  ResourceId(const char* name) : ResourceId(std::string_view(name)) {}

  // "16" or "#16" is the number 16; anything else is a name.
  static ResourceId Parse(std::string_view text);

  bool IsOrdinal() const { return !isName_; }
  uint16_t ordinal() const { return ordinal_; }
  const std::u16string& name() const { return name_; }
  std::string ToString() const;  // "#16" or the name

  bool operator==(const ResourceId& other) const;

 private:
  uint16_t ordinal_ = 0;
  std::u16string name_;
  bool isName_ = false;
};

struct Resource {
  ResourceId type{uint16_t{0}};
  ResourceId name{uint16_t{0}};
  uint16_t language = kLanguageNeutral;
  uint16_t memoryFlags = kResourceMoveablePure;
  uint32_t dataVersion = 0;
  uint32_t version = 0;
  uint32_t characteristics = 0;
  std::vector<uint8_t> data;
};

KVQMXTMR_EXPORT std::vector<uint8_t> WriteResourceFile(const std::vector<Resource>& resources);

// Throws platform::Error(RESOURCE_E_INVALID_DATA) for a truncated or
// inconsistent file. The leading empty entry is not returned.
KVQMXTMR_EXPORT std::vector<Resource> ReadResourceFile(std::span<const uint8_t> file);

// The resource with this type and name. Without a language the platform's
// preference applies: neutral, then English (United States), then any.
KVQMXTMR_EXPORT const Resource* FindResourceIn(const std::vector<Resource>& resources, const ResourceId& type,
                               const ResourceId& name, std::optional<uint16_t> language = std::nullopt);

}  // namespace com
