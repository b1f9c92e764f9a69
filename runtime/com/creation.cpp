#include "runtime/com/creation.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>

#include "runtime/registry/classes_view.h"
#include "runtime/automation/error_info.h"
#include "runtime/com/module.h"
#include "runtime/registry/registry.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

struct LoadedModule {
  std::string path;
  void* handle = nullptr;
  DllGetClassObjectFn* getClassObject = nullptr;
  DllCanUnloadNowFn* canUnloadNow = nullptr;  // absent: the module stays
};

// Recursive: a module's factory may itself create objects from modules.
std::recursive_mutex g_mutex;
std::vector<LoadedModule>& Modules() {
  // Never destroyed, so a module unloaded late in process exit finds it.
  static auto* modules = new std::vector<LoadedModule>;
  return *modules;
}

std::string Canonical(const std::string& path) {
  if (char* r = realpath(path.c_str(), nullptr)) {
    std::string s = r;
    std::free(r);
    return s;
  }
  return path;
}

std::string ClassName(const CLSID& clsid, const ClassesView& classes) {
  std::string s = "class " + clsid.ToString();
  if (auto prog = classes.GetString("CLSID\\" + clsid.ToString() + "\\ProgID", "")) s += " (" + *prog + ")";
  return s;
}

// The files a lookup reads, for a message.
std::string LookedIn() {
  std::string user;
  try {
    user = Registry::DefaultFile().string();
  } catch (const platform::Error& e) {
    user = std::string("no per-user registry (") + e.what() + ")";
  }
  return user + " nor in " + Registry::MachineFile().string() + " nor in " + Registry::InstalledFile().string();
}

// The module for `clsid`, loaded if need be. Caller holds g_mutex.
const LoadedModule& ModuleFor(const CLSID& clsid) {
  const ClassesView data = ClassesView::Read();
  const auto path = data.GetString("CLSID\\" + clsid.ToString() + "\\InprocServer32", "");
  if (!path || path->empty())
    throw platform::Error(REGDB_E_CLASSNOTREG, ClassName(clsid, data) + " is registered neither in " + LookedIn());
  const std::string canonical = Canonical(*path);
  for (const auto& m : Modules())
    if (m.path == canonical) return m;

  struct stat st{};
  if (path->find('/') != std::string::npos && ::stat(path->c_str(), &st) != 0)
    throw platform::Error(CO_E_DLLNOTFOUND, "Module " + *path + " of " + ClassName(clsid, data) +
                                                " cannot be found: " + std::strerror(errno));
  dlerror();
  void* handle = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    throw platform::Error(CO_E_ERRORINDLL, "Module " + *path + " of " + ClassName(clsid, data) +
                                               " is not a loadable module: " + (why ? why : "unknown reason"));
  }
  LoadedModule m;
  m.path = canonical;
  m.handle = handle;
  m.getClassObject = reinterpret_cast<DllGetClassObjectFn*>(dlsym(handle, "DllGetClassObject"));
  m.canUnloadNow = reinterpret_cast<DllCanUnloadNowFn*>(dlsym(handle, "DllCanUnloadNow"));
  if (m.getClassObject == nullptr) {
    dlclose(handle);
    throw platform::Error(CO_E_ERRORINDLL, "Module " + *path + " of " + ClassName(clsid, data) +
                                               " is not a component module: it lacks DllGetClassObject");
  }
  Modules().push_back(m);
  return Modules().back();
}

ComPtr<IClassFactory> FactoryFor(const CLSID& clsid) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  const LoadedModule& m = ModuleFor(clsid);
  ComPtr<IClassFactory> factory;
  const HRESULT h = m.getClassObject(clsid, IID_IClassFactory, factory.PutVoid());
  if (FAILED(h) || !factory) {
    std::string detail = TakeErrorText();
    throw platform::Error(FAILED(h) ? h : E_NOINTERFACE,
                          "Module " + m.path + " gave no class object for " + clsid.ToString() + ": " +
                              (detail.empty() ? FormatHResult(h) : detail));
  }
  return factory;
}

template <class F>
HRESULT Guarded(F&& f) {
  try {
    f();
    return S_OK;
  } catch (const std::exception&) {
    return StatusOfCurrentException();
  }
}

}  // namespace

CLSID ClassIdFromProgId(std::string_view progId) {
  const std::string name(progId);
  if (name.empty() || name.find('\\') != std::string::npos)
    throw platform::Error(CO_E_CLASSSTRING, "Invalid ProgID \"" + name + "\"");
  const auto text = ClassesView::Read().GetString(name + "\\CLSID", "");
  if (!text) throw platform::Error(CO_E_CLASSSTRING, "ProgID " + name + " is not registered");
  const auto clsid = GUID::Parse(*text);
  if (!clsid) throw platform::Error(CO_E_CLASSSTRING, "ProgID " + name + " names a malformed class identity " + *text);
  return *clsid;
}

ComPtr<IClassFactory> GetClassObject(const CLSID& clsid) { return FactoryFor(clsid); }

ComPtr<IUnknown> CreateInstance(const CLSID& clsid) {
  ComPtr<IClassFactory> factory = FactoryFor(clsid);
  ComPtr<IUnknown> object;
  const HRESULT h = factory->CreateInstance(nullptr, IID_IUnknown, object.PutVoid());
  if (FAILED(h) || !object) {
    std::string detail = TakeErrorText();
    throw platform::Error(FAILED(h) ? h : E_NOINTERFACE, "Creating an object of class " + clsid.ToString() +
                                                            " failed: " + (detail.empty() ? FormatHResult(h) : detail));
  }
  return object;
}

ComPtr<IUnknown> CreateInstance(std::string_view progId) { return CreateInstance(ClassIdFromProgId(progId)); }

namespace {

[[noreturn]] void ThrowNoInterface(const CLSID& clsid, const IID& iid) {
  throw platform::Error(E_NOINTERFACE, "Objects of class " + clsid.ToString() + " do not support interface " +
                                           iid.ToString());
}

}  // namespace

HRESULT CLSIDFromProgID(std::string_view progId, CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  return Guarded([&] { *clsid = ClassIdFromProgId(progId); });
}

HRESULT ProgIDFromCLSID(const CLSID& clsid, std::string* progId) {
  if (progId == nullptr) return E_POINTER;
  return Guarded([&] {
    const auto p = ClassesView::Read().GetString("CLSID\\" + clsid.ToString() + "\\ProgID", "");
    if (!p) throw platform::Error(REGDB_E_CLASSNOTREG, "Class " + clsid.ToString() + " has no ProgID");
    *progId = *p;
  });
}

HRESULT CoGetClassObject(const CLSID& clsid, const IID& iid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return Guarded([&] {
    ComPtr<IClassFactory> f = FactoryFor(clsid);
    const HRESULT h = f->QueryInterface(iid, ppv);
    if (FAILED(h)) throw platform::Error(h, "The class object of " + clsid.ToString() + " lacks " + iid.ToString());
  });
}

HRESULT CoCreateInstance(const CLSID& clsid, const IID& iid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return Guarded([&] {
    ComPtr<IUnknown> object = CreateInstance(clsid);
    const HRESULT h = object->QueryInterface(iid, ppv);
    if (FAILED(h)) ThrowNoInterface(clsid, iid);
  });
}

void CoFreeUnusedLibraries() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  auto& modules = Modules();
  for (auto it = modules.begin(); it != modules.end();) {
    if (it->canUnloadNow != nullptr && it->canUnloadNow() == S_OK) {
      dlclose(it->handle);
      it = modules.erase(it);
    } else {
      ++it;
    }
  }
}

std::vector<std::string> LoadedModules() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  std::vector<std::string> r;
  for (const auto& m : Modules()) r.push_back(m.path);
  return r;
}

}  // namespace com
