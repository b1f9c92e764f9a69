#include "runtime/com/module.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <iterator>
#include <map>
#include <mutex>

#include "runtime/com/class_factory.h"
#include "runtime/automation/error_info.h"
#include "runtime/registry/registry.h"
#include "runtime/formats/typelib_module.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

// DllCanUnloadNow receives only the descriptor; this finds the count word
// the module's other exports passed for it.
std::mutex g_mutex;
std::map<const ProjectDescriptor*, ModuleWord*>& Counts() {
  // Never destroyed: a module's unload notification may run after the
  // runtime's static destructors at process exit.
  static auto* counts = new std::map<const ProjectDescriptor*, ModuleWord*>;
  return *counts;
}

void Remember(const ProjectDescriptor& project, ModuleWord* count) {
  if (count == nullptr) return;
  std::lock_guard<std::mutex> g(g_mutex);
  Counts()[&project] = count;
}

RegistrationTarget& Target() {
  static RegistrationTarget target;
  return target;
}

// The path a registration records for the module at `path` (canonical, as
// ModulePathOf gives it).
std::string RecordedPath(const std::string& path, const std::string& stagingRoot) {
  if (stagingRoot.empty()) return path;
  std::error_code ec;
  std::string root = std::filesystem::weakly_canonical(stagingRoot, ec).string();
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (ec || root.empty() || root == "/" || path.size() <= root.size() + 1 || path.compare(0, root.size(), root) != 0 ||
      path[root.size()] != '/')
    throw platform::Error(E_INVALIDARG, "Module " + path + " does not lie in the staging folder " + stagingRoot);
  return path.substr(root.size());
}

HRESULT Failure(const platform::Error& e) {
  SetErrorText(e.what());
  return FAILED(e.code()) ? e.code() : E_FAIL;
}

// Where the module holding `project` lives, made absolute.
std::string ModulePathOf(const ProjectDescriptor& project) {
  Dl_info info{};
  if (dladdr(&project, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0')
    throw platform::Error(E_UNEXPECTED, "Cannot tell which module holds the project descriptor");
  char* resolved = realpath(info.dli_fname, nullptr);
  if (resolved == nullptr)
    throw platform::Error(CO_E_DLLNOTFOUND, std::string("Cannot resolve the module path ") + info.dli_fname);
  std::string path = resolved;
  std::free(resolved);
  return path;
}

std::string VersionText(const ProjectDescriptor& p) {
  return std::to_string(p.majorVersion) + "." + std::to_string(p.minorVersion);
}

// A type library's version as its registry keys spell it: hexadecimal.
std::string LibraryVersionKey(const ProjectDescriptor& p) {
  char text[16];
  std::snprintf(text, sizeof text, "%x.%x", unsigned{p.majorVersion}, unsigned{p.minorVersion});
  return text;
}

// Interfaces that the automation marshaller carries: duals and dispinterfaces.
bool IsAutomationInterface(const TypeDescription& t) {
  return t.kind == TKIND_DISPATCH || (t.kind == TKIND_INTERFACE && (t.flags & TYPEFLAG_FDUAL));
}

}  // namespace

void* ModuleHandleOf(const void* address) {
  Dl_info info{};
  return dladdr(address, &info) != 0 ? info.dli_fbase : nullptr;
}

void WriteRegistration(RegistryData& data, const ProjectDescriptor& project, const std::string& modulePath) {
  WriteRegistration(data, project, modulePath, project.library);
}

void RemoveRegistration(RegistryData& data, const ProjectDescriptor& project) {
  RemoveRegistration(data, project, project.library);
}

LibraryDescription LibraryToRegister(const ProjectDescriptor& project, const std::string& modulePath) {
  if (project.typeLibraryResource == 0) {
    if (project.library == nullptr) return {};
    return *project.library;
  }
  LibraryDescription lib;
  try {
    lib = LoadTypeLibraryFromModule(modulePath, project.typeLibraryResource).Describe();
  } catch (const platform::Error& e) {
    if (e.code() == TYPE_E_CANTLOADLIBRARY) throw;  // already names the module
    throw platform::Error(e.code(), modulePath + ": type library resource: " + std::string(e.what()));
  }
  if (lib.guid != project.libraryId || lib.majorVersion != project.majorVersion ||
      lib.minorVersion != project.minorVersion)
    throw platform::Error(TYPE_E_CANTLOADLIBRARY,
                          modulePath + " carries type library " + lib.guid.ToString() + " " +
                              std::to_string(lib.majorVersion) + "." + std::to_string(lib.minorVersion) +
                              ", not " + project.libraryId.ToString() + " " + VersionText(project));
  return lib;
}

void SetRegistrationTarget(const RegistrationTarget& target) {
  std::lock_guard<std::mutex> g(g_mutex);
  Target() = target;
}

RegistrationTarget CurrentRegistrationTarget() {
  std::lock_guard<std::mutex> g(g_mutex);
  return Target();
}

void WriteRegistration(RegistryData& data, const ProjectDescriptor& project, const std::string& modulePath,
                       const LibraryDescription* lib, RegistryScope scope) {
  // Every key below lies under the classes root of the file being written.
  const auto ClassesKey = [scope](std::string_view relative) { return com::ClassesKey(relative, scope); };
  const std::string libid = project.libraryId.ToString();
  const std::string version = VersionText(project);
  const std::string libVersion = LibraryVersionKey(project);
  for (const ClassDescriptor& c : project.classes) {
    const std::string key = ClassesKey("CLSID\\" + c.clsid.ToString());
    data.SetValue(key, "", RegistryValue::String(c.progId));
    data.SetValue(key + "\\InprocServer32", "", RegistryValue::String(modulePath));
    data.SetValue(key + "\\InprocServer32", "ThreadingModel", RegistryValue::String(c.threadingModel));
    data.SetValue(key + "\\ProgID", "", RegistryValue::String(c.progId));
    if (c.control) data.CreateKey(key + "\\Control");
    data.SetValue(key + "\\MiscStatus", "", RegistryValue::String("0"));
    data.SetValue(key + "\\MiscStatus\\1", "", RegistryValue::String(std::to_string(c.miscStatus)));
    if (c.toolboxBitmap != 0)
      data.SetValue(key + "\\ToolboxBitmap32", "",
                    RegistryValue::String(modulePath + ", " + std::to_string(c.toolboxBitmap)));
    data.SetValue(key + "\\TypeLib", "", RegistryValue::String(libid));
    data.SetValue(key + "\\Version", "", RegistryValue::String(version));

    const std::string progKey = ClassesKey(c.progId);
    data.SetValue(progKey, "", RegistryValue::String(c.progId));
    data.SetValue(progKey + "\\CLSID", "", RegistryValue::String(c.clsid.ToString()));
  }

  const std::string libKey = ClassesKey("TypeLib\\" + libid + "\\" + libVersion);
  data.SetValue(libKey, "", RegistryValue::String(lib ? lib->helpString : std::string()));
  data.SetValue(libKey + "\\0\\win32", "", RegistryValue::String(modulePath));
  const unsigned flags = lib ? (lib->flags & ~LIBFLAG_FHASDISKIMAGE) : 0u;
  data.SetValue(libKey + "\\FLAGS", "", RegistryValue::String(std::to_string(flags)));
  data.SetValue(libKey + "\\HELPDIR", "",
                RegistryValue::String(std::filesystem::path(modulePath).parent_path().string()));

  if (lib == nullptr) return;
  for (const TypeDescription& t : lib->types) {
    if (!IsAutomationInterface(t)) continue;
    const std::string key = ClassesKey("Interface\\" + t.guid.ToString());
    data.SetValue(key, "", RegistryValue::String(t.name));
    data.SetValue(key + "\\ProxyStubClsid", "", RegistryValue::String(CLSID_PSOAInterface.ToString()));
    data.SetValue(key + "\\ProxyStubClsid32", "", RegistryValue::String(CLSID_PSOAInterface.ToString()));
    data.SetValue(key + "\\TypeLib", "", RegistryValue::String(libid));
    data.SetValue(key + "\\TypeLib", "Version", RegistryValue::String(libVersion));
  }
}

void RemoveRegistration(RegistryData& data, const ProjectDescriptor& project, const LibraryDescription* library,
                        RegistryScope scope) {
  // Every key below lies under the classes root of the file being written.
  const auto ClassesKey = [scope](std::string_view relative) { return com::ClassesKey(relative, scope); };
  const std::string libid = project.libraryId.ToString();
  for (const ClassDescriptor& c : project.classes) {
    data.DeleteTree(ClassesKey("CLSID\\" + c.clsid.ToString()));
    // A ProgID now naming another class belongs to someone else.
    const std::string progKey = ClassesKey(c.progId);
    const auto owner = data.GetString(progKey + "\\CLSID", "");
    if (owner && GUID::Parse(*owner) == c.clsid) data.DeleteTree(progKey);
  }
  const std::string libRoot = ClassesKey("TypeLib\\" + libid);
  data.DeleteTree(libRoot + "\\" + LibraryVersionKey(project));
  if (data.KeyExists(libRoot) && data.SubKeys(libRoot).empty() && data.Values(libRoot).empty())
    data.DeleteTree(libRoot);
  if (library == nullptr) return;
  for (const TypeDescription& t : library->types) {
    if (!IsAutomationInterface(t)) continue;
    const std::string key = ClassesKey("Interface\\" + t.guid.ToString());
    const auto lib = data.GetString(key + "\\TypeLib", "");
    if (lib && GUID::Parse(*lib) == project.libraryId) data.DeleteTree(key);
  }
}

HRESULT ModuleDllGetClassObject(const CLSID& clsid, const IID& iid, void** ppv, const ProjectDescriptor& project,
                                ModuleWord* /*word1*/, ModuleWord* word2) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  Remember(project, word2);
  const ClassDescriptor* cls = project.Find(clsid);
  if (cls == nullptr) {
    SetErrorText("Module " + project.moduleFileName + " has no class " + clsid.ToString());
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  try {
    IClassFactory* factory = NewClassFactory(*cls, word2);
    const HRESULT h = factory->QueryInterface(iid, ppv);
    factory->Release();
    return h;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ModuleDllCanUnloadNow(const ProjectDescriptor& project) {
  std::lock_guard<std::mutex> g(g_mutex);
  const auto it = Counts().find(&project);
  if (it == Counts().end()) return S_OK;  // nothing was ever handed out
  return it->second->load() == 0 ? S_OK : S_FALSE;
}

HRESULT ModuleDllRegisterServer(const ProjectDescriptor& project, ModuleWord* /*word1*/, ModuleWord* word2) {
  Remember(project, word2);
  try {
    const RegistrationTarget target = CurrentRegistrationTarget();
    const std::string path = ModulePathOf(project);
    const std::string recorded = RecordedPath(path, target.stagingRoot);
    const LibraryDescription library = LibraryToRegister(project, path);
    Registry::Of(target.scope).Transaction(
        [&](RegistryData& d) { WriteRegistration(d, project, recorded, &library, target.scope); });
    return S_OK;
  } catch (const platform::Error& e) {
    return Failure(e);
  } catch (const std::exception& e) {
    SetErrorText(e.what());
    return E_FAIL;
  }
}

HRESULT ModuleDllUnregisterServer(const ProjectDescriptor& project, ModuleWord* /*word1*/, ModuleWord* word2) {
  Remember(project, word2);
  try {
    // A module whose library no longer reads can still be unregistered:
    // its interfaces are then the ones it was built with.
    LibraryDescription library;
    try {
      library = LibraryToRegister(project, ModulePathOf(project));
    } catch (const platform::Error&) {
      if (project.library != nullptr) library = *project.library;
    }
    const RegistryScope scope = CurrentRegistrationTarget().scope;
    Registry::Of(scope).Transaction([&](RegistryData& d) { RemoveRegistration(d, project, &library, scope); });
    return S_OK;
  } catch (const platform::Error& e) {
    return Failure(e);
  } catch (const std::exception& e) {
    SetErrorText(e.what());
    return E_FAIL;
  }
}

BOOL ModuleEntry(void* moduleHandle, uint32_t reason, void* /*reserved*/, ModuleWord* word1, ModuleWord* word2) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      if (word1) *word1 = reinterpret_cast<std::intptr_t>(moduleHandle);
      return 1;
    case DLL_PROCESS_DETACH: {
      if (word1) *word1 = 0;
      std::lock_guard<std::mutex> g(g_mutex);
      for (auto it = Counts().begin(); it != Counts().end();)
        it = it->second == word2 ? Counts().erase(it) : std::next(it);
      ForgetModuleLocks(word2);
      return 1;
    }
    default:
      return 1;
  }
}

}  // namespace com
