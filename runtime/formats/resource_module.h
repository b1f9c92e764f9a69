#pragma once
// Finding and loading the resources a module carries. A module (shared
// library or program) holds a 32-bit resource file in an ELF section named
// ".rsrc" that the loader does not map, so resources are read from the
// module's file; the parsed table is cached per file (path, size, time).
#include "runtime/platform/export.h"
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/formats/resource_file.h"

namespace com {

inline constexpr const char* kResourceSectionName = ".rsrc";

// Where a found resource is; LoadResource gives its bytes.
struct ResourceLocation {
  std::string modulePath;
  ResourceId type{uint16_t{0}};
  ResourceId name{uint16_t{0}};
  uint16_t language = 0;
  size_t size = 0;
};

// All resources of a module file; empty when it has no ".rsrc" section.
// Throws platform::Error for a missing or malformed file or resource table.
KVQMXTMR_EXPORT std::vector<Resource> ReadModuleResources(const std::string& modulePath);

// nullopt when the module has no such resource; errors as ReadModuleResources.
KVQMXTMR_EXPORT std::optional<ResourceLocation> FindResource(const std::string& modulePath, const ResourceId& type,
                                             const ResourceId& name, std::optional<uint16_t> language = std::nullopt);
// The same for a module loaded with dlopen (its handle) in this process.
KVQMXTMR_EXPORT std::optional<ResourceLocation> FindResource(void* moduleHandle, const ResourceId& type, const ResourceId& name,
                                             std::optional<uint16_t> language = std::nullopt);

// The resource's bytes. Throws platform::Error(RESOURCE_E_DATA_NOT_FOUND)
// when the module no longer holds it.
KVQMXTMR_EXPORT std::vector<uint8_t> LoadResource(const ResourceLocation& location);

// The file of a module loaded in this process, from its dlopen handle or from
// any address inside it (a function or variable of the module). The main
// program's file is reported as /proc/self/exe resolves. Throws
// platform::Error(E_INVALIDARG) when the handle or address belongs to no module.
KVQMXTMR_EXPORT std::string ModulePathOfHandle(void* moduleHandle);
KVQMXTMR_EXPORT std::string ModulePathOfAddress(const void* address);

}  // namespace com
