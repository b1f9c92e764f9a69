#pragma once
// Services a component module's exports forward to. A module declares what it
// holds in a ProjectDescriptor; its DllGetClassObject, DllCanUnloadNow,
// DllRegisterServer, DllUnregisterServer and load entry pass their arguments,
// the descriptor and the addresses of two module-wide storage words to the
// services below and return their answers unchanged. Nothing here names a
// particular module or class.
//
// The words: the first holds the module's handle (its load address), the
// second the number of live objects, live class objects and server locks.
// DllCanUnloadNow answers S_OK only when that number is zero, so a module is
// never unloaded under a pointer into it.
#include "runtime/platform/export.h"
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/automation/guid.h"
#include "runtime/automation/hresult.h"
#include "runtime/com/class_descriptor.h"
#include "runtime/com/interfaces.h"
#include "runtime/registry/registry.h"
#include "runtime/formats/type_description.h"

namespace com {

struct ProjectDescriptor {
  const LibraryDescription* library = nullptr;  // its dual and dispatch interfaces are registered
  GUID libraryId;
  uint16_t majorVersion = 1;
  uint16_t minorVersion = 0;
  // The number of the module's "TYPELIB" resource, which registration then
  // reads the library from (it must carry libraryId and the version above);
  // 0 registers `library` as described.
  uint16_t typeLibraryResource = 0;
  std::string moduleFileName;
  std::vector<ClassDescriptor> classes;  // in registration order

  const ClassDescriptor* Find(const CLSID& clsid) const {
    for (const auto& c : classes)
      if (c.clsid == clsid) return &c;
    return nullptr;
  }
};

// Load notification reasons, as the platform numbers them.
inline constexpr uint32_t DLL_PROCESS_DETACH = 0;
inline constexpr uint32_t DLL_PROCESS_ATTACH = 1;
inline constexpr uint32_t DLL_THREAD_ATTACH = 2;
inline constexpr uint32_t DLL_THREAD_DETACH = 3;

KVQMXTMR_EXPORT HRESULT ModuleDllGetClassObject(const CLSID& clsid, const IID& iid, void** ppv, const ProjectDescriptor& project,
                                ModuleWord* word1, ModuleWord* word2);
KVQMXTMR_EXPORT HRESULT ModuleDllCanUnloadNow(const ProjectDescriptor& project);
KVQMXTMR_EXPORT HRESULT ModuleDllRegisterServer(const ProjectDescriptor& project, ModuleWord* word1, ModuleWord* word2);
KVQMXTMR_EXPORT HRESULT ModuleDllUnregisterServer(const ProjectDescriptor& project, ModuleWord* word1, ModuleWord* word2);
// Returns the platform's BOOL: non-zero to let the load go on.
KVQMXTMR_EXPORT BOOL ModuleEntry(void* moduleHandle, uint32_t reason, void* reserved, ModuleWord* word1, ModuleWord* word2);

// A module's handle: the load address of the module holding `address`.
KVQMXTMR_EXPORT void* ModuleHandleOf(const void* address);

// The registration a descriptor stands for, written into / removed from a
// registry tree for a module at `modulePath`. Exposed so tools and tests can
// see exactly what DllRegisterServer writes. The type library's version
// appears in hexadecimal in its keys ("c.0" for 12.0), as the platform
// writes it; the classes' "Version" stays decimal.
KVQMXTMR_EXPORT void WriteRegistration(class RegistryData& data, const ProjectDescriptor& project, const std::string& modulePath);
KVQMXTMR_EXPORT void RemoveRegistration(class RegistryData& data, const ProjectDescriptor& project);
// The same with the library taken from `library` instead of the descriptor,
// under the classes root of the file of `scope`.
KVQMXTMR_EXPORT void WriteRegistration(class RegistryData& data, const ProjectDescriptor& project, const std::string& modulePath,
                       const LibraryDescription* library, RegistryScope scope = RegistryScope::User);
KVQMXTMR_EXPORT void RemoveRegistration(class RegistryData& data, const ProjectDescriptor& project,
                        const LibraryDescription* library, RegistryScope scope = RegistryScope::User);

// Where DllRegisterServer and DllUnregisterServer of every module in this
// process write: the per-user registry unless a tool asks for the machine
// one. `stagingRoot`, when not empty, is the folder a tree was staged in
// before its installation (as DESTDIR is): a module must lie inside it, and
// the paths its registration records leave it out, naming the place the
// module is installed to.
struct RegistrationTarget {
  RegistryScope scope = RegistryScope::User;
  std::string stagingRoot;
};
KVQMXTMR_EXPORT void SetRegistrationTarget(const RegistrationTarget& target);
RegistrationTarget CurrentRegistrationTarget();
// What DllRegisterServer registers for the module at `modulePath`: its
// "TYPELIB" resource read back when the descriptor names one, else the
// descriptor's description. Throws platform::Error naming the module:
// TYPE_E_CANTLOADLIBRARY when the resource is missing or holds another
// library or version than the descriptor's, the reader's code when it is
// damaged.
LibraryDescription LibraryToRegister(const ProjectDescriptor& project, const std::string& modulePath);

// The exports' signatures.
using DllGetClassObjectFn = HRESULT(const CLSID&, const IID&, void**);
using DllCanUnloadNowFn = HRESULT();
using DllRegisterServerFn = HRESULT();
using DllUnregisterServerFn = HRESULT();

}  // namespace com
