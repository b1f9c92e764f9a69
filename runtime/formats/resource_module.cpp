#include "runtime/formats/resource_module.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>

#include "runtime/formats/elf_sections.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

struct CacheEntry {
  int64_t size = -1;
  int64_t modifiedNs = -1;
  std::shared_ptr<const std::vector<Resource>> resources;
};

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, CacheEntry>& Cache() {
  static std::map<std::string, CacheEntry> cache;
  return cache;
}

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) throw platform::Error(E_FAIL, "cannot resolve the program's own file");
  return std::string(buffer, static_cast<size_t>(n));
}

std::string Canonical(const std::string& path) {
  char buffer[PATH_MAX];
  if (::realpath(path.c_str(), buffer)) return buffer;
  return path;
}

// Parsed resources of a module file, reparsed when the file changes.
std::shared_ptr<const std::vector<Resource>> ModuleResources(const std::string& modulePath) {
  struct stat st {};
  if (::stat(modulePath.c_str(), &st) != 0)
    throw platform::Error(platform::kErrorFileNotFound, modulePath + ": module file not found");
  const int64_t modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  {
    std::lock_guard lock(CacheMutex());
    const auto found = Cache().find(modulePath);
    if (found != Cache().end() && found->second.size == st.st_size && found->second.modifiedNs == modified)
      return found->second.resources;
  }
  auto parsed = std::make_shared<std::vector<Resource>>();
  if (const auto section = elf::ReadSectionFromFile(modulePath, kResourceSectionName))
    *parsed = ReadResourceFile(*section);
  std::lock_guard lock(CacheMutex());
  Cache()[modulePath] = {st.st_size, modified, parsed};
  return parsed;
}

}  // namespace

std::vector<Resource> ReadModuleResources(const std::string& modulePath) { return *ModuleResources(modulePath); }

std::optional<ResourceLocation> FindResource(const std::string& modulePath, const ResourceId& type,
                                             const ResourceId& name, std::optional<uint16_t> language) {
  const auto resources = ModuleResources(modulePath);
  const Resource* res = FindResourceIn(*resources, type, name, language);
  if (!res) return std::nullopt;
  return ResourceLocation{modulePath, res->type, res->name, res->language, res->data.size()};
}

std::optional<ResourceLocation> FindResource(void* moduleHandle, const ResourceId& type, const ResourceId& name,
                                             std::optional<uint16_t> language) {
  return FindResource(ModulePathOfHandle(moduleHandle), type, name, language);
}

std::vector<uint8_t> LoadResource(const ResourceLocation& location) {
  const auto resources = ModuleResources(location.modulePath);
  const Resource* res = FindResourceIn(*resources, location.type, location.name, location.language);
  if (!res)
    throw platform::Error(RESOURCE_E_DATA_NOT_FOUND, location.modulePath + ": resource " + location.type.ToString() +
                                                          "/" + location.name.ToString() + " is gone");
  return res->data;
}

std::string ModulePathOfHandle(void* moduleHandle) {
  if (!moduleHandle) throw platform::Error(E_INVALIDARG, "no module handle");
  link_map* map = nullptr;
  if (::dlinfo(moduleHandle, RTLD_DI_LINKMAP, &map) != 0 || !map)
    throw platform::Error(E_INVALIDARG, "not a handle of a loaded module");
  // The main program's entry carries an empty name.
  if (!map->l_name || map->l_name[0] == '\0') return ExecutablePath();
  return Canonical(map->l_name);
}

std::string ModulePathOfAddress(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!address || ::dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 || !map)
    throw platform::Error(E_INVALIDARG, "the address lies in no loaded module");
  // The main program's entry carries an empty name.
  if (!map->l_name || map->l_name[0] == '\0') return ExecutablePath();
  return Canonical(map->l_name);
}

}  // namespace com
