// regtool register MODULE | regtool unregister MODULE | regtool list
// Registers or unregisters a component module by calling its own
// DllRegisterServer / DllUnregisterServer, or lists the registered classes.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/com/error_info.h"
#include "runtime/com/hresult.h"
#include "runtime/com/module.h"
#include "runtime/com/registry.h"
#include "runtime/platform/error.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: regtool register MODULE\n"
               "       regtool unregister MODULE\n"
               "       regtool list\n"
               "The registry file is $KV_REGISTRY_FILE, else $XDG_CONFIG_HOME/kvqmxtmr/registry.reg.\n");
  return 2;
}

int Report(const char* what, com::HRESULT h, const std::string& detail) {
  std::printf("%s: %s\n", what, com::FormatHResult(h).c_str());
  if (com::FAILED(h) && !detail.empty()) std::fprintf(stderr, "regtool: %s\n", detail.c_str());
  return com::FAILED(h) ? 1 : 0;
}

int CallExport(const std::string& module, const char* exportName) {
  // dlopen searches the library path for bare names; a file named on the
  // command line is meant as a path.
  const std::string path = module.find('/') == std::string::npos ? "./" + module : module;
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0)
    return Report(exportName, com::CO_E_DLLNOTFOUND, "module " + path + ": " + std::strerror(errno));
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    return Report(exportName, com::CO_E_ERRORINDLL, "cannot load " + path + ": " + (why ? why : "unknown reason"));
  }
  auto* fn = reinterpret_cast<com::DllRegisterServerFn*>(dlsym(handle, exportName));
  if (fn == nullptr)
    return Report(exportName, com::CO_E_ERRORINDLL, path + " does not export " + exportName);
  com::TakeErrorText();
  const com::HRESULT h = fn();
  return Report(exportName, h, com::TakeErrorText());
}

int List() {
  const com::Registry registry = com::Registry::User();
  const com::RegistryData data = registry.Read();
  const std::string clsidRoot = com::ClassesKey("CLSID");
  int count = 0;
  for (const std::string& clsid : data.SubKeys(clsidRoot)) {
    const std::string key = clsidRoot + "\\" + clsid;
    const auto path = data.GetString(key + "\\InprocServer32", "");
    if (!path) continue;
    const std::string progId = data.GetString(key + "\\ProgID", "").value_or("(no ProgID)");
    struct stat st{};
    const bool present = ::stat(path->c_str(), &st) == 0;
    std::printf("%-28s %s %s %s\n", progId.c_str(), clsid.c_str(), path->c_str(), present ? "present" : "missing");
    ++count;
  }
  if (count == 0) std::printf("no classes registered in %s\n", registry.File().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  try {
    if (command == "register" && argc == 3) return CallExport(argv[2], "DllRegisterServer");
    if (command == "unregister" && argc == 3) return CallExport(argv[2], "DllUnregisterServer");
    if (command == "list" && argc == 2) return List();
  } catch (const platform::Error& e) {
    return Report(command.c_str(), e.code(), e.what());
  }
  return Usage();
}
