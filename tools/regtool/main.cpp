// kvqmxtmr-regtool register [--machine [--root DIR]] MODULE
// kvqmxtmr-regtool unregister [--machine [--root DIR]] MODULE
// kvqmxtmr-regtool list
// kvqmxtmr-regtool --help | --version
// Registers or unregisters a component module by calling its own
// DllRegisterServer / DllUnregisterServer, or lists the registered classes
// and which registry file each comes from.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/registry/classes_view.h"
#include "runtime/automation/error_info.h"
#include "runtime/automation/hresult.h"
#include "runtime/com/module.h"
#include "runtime/registry/registry.h"
#include "runtime/platform/error.h"

namespace {

std::string Location(std::filesystem::path (*file)()) {
  try {
    return file().string();
  } catch (const platform::Error& e) {
    return std::string("(none: ") + e.what() + ")";
  }
}

int Usage(FILE* to = stderr, int status = 2) {
  std::fprintf(to,
               "usage: kvqmxtmr-regtool register [--machine [--root DIR]] MODULE\n"
               "       kvqmxtmr-regtool unregister [--machine [--root DIR]] MODULE\n"
               "       kvqmxtmr-regtool list\n"
               "       kvqmxtmr-regtool --help | --version\n"
               "The per-user registry is %s\n"
               "  ($KV_REGISTRY_FILE, else $XDG_CONFIG_HOME/kvqmxtmr/registry.reg);\n"
               "the machine registry, which every user of this installation reads beneath it, is %s\n"
               "  ($KV_MACHINE_REGISTRY_FILE, else machine.local.reg in the installation's configuration folder),\n"
               "over the installation's own registration %s, which it only reads.\n"
               "--machine writes the machine registry instead of the per-user one.\n"
               "--root DIR: MODULE lies in a tree staged under DIR for installation (as DESTDIR);\n"
               "  the registration records its paths without DIR.\n",
               Location(&com::Registry::DefaultFile).c_str(), Location(&com::Registry::MachineFile).c_str(),
               Location(&com::Registry::InstalledFile).c_str());
  return status;
}

int Report(const char* what, com::HRESULT h, const std::string& detail) {
  std::printf("%s: %s\n", what, com::FormatHResult(h).c_str());
  if (com::FAILED(h) && !detail.empty()) std::fprintf(stderr, "kvqmxtmr-regtool: %s\n", detail.c_str());
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
  const com::ClassesView classes = com::ClassesView::Read();
  // Where a class comes from; a per-user registration hides a machine one.
  const auto source = [&](const std::string& key) {
    if (classes.Source(key) == com::RegistryScope::Machine) return "machine";
    return classes.InMachine(key) ? "user (over machine)" : "user";
  };
  int count = 0;
  for (const std::string& clsid : classes.SubKeys("CLSID")) {
    const std::string key = "CLSID\\" + clsid;
    const auto path = classes.GetString(key + "\\InprocServer32", "");
    if (!path) continue;
    const std::string progId = classes.GetString(key + "\\ProgID", "").value_or("(no ProgID)");
    struct stat st{};
    const bool present = ::stat(path->c_str(), &st) == 0;
    std::printf("%-28s %s %s %s %s\n", progId.c_str(), clsid.c_str(), path->c_str(), present ? "present" : "missing",
                source(key));
    ++count;
  }
  if (count == 0)
    std::printf("no classes registered in %s, %s or %s\n", Location(&com::Registry::DefaultFile).c_str(),
                Location(&com::Registry::MachineFile).c_str(), Location(&com::Registry::InstalledFile).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string& command = args[0];
  if (args.size() == 1 && command == "--help") return Usage(stdout, 0);
  if (args.size() == 1 && command == "--version") {
    std::printf("kvqmxtmr-regtool %s\n", KV_VERSION);
    return 0;
  }
  try {
    if (command == "list" && args.size() == 1) return List();
    if (command != "register" && command != "unregister") return Usage();
    com::RegistrationTarget target;
    size_t i = 1;
    for (; i + 1 < args.size(); ++i) {
      if (args[i] == "--machine") {
        target.scope = com::RegistryScope::Machine;
      } else if (args[i] == "--root" && i + 2 < args.size()) {
        target.stagingRoot = args[++i];
      } else {
        return Usage();
      }
    }
    if (i + 1 != args.size() || args[i].empty() || args[i][0] == '-') return Usage();
    if (!target.stagingRoot.empty() && target.scope != com::RegistryScope::Machine) return Usage();
    com::SetRegistrationTarget(target);
    return CallExport(args[i], command == "register" ? "DllRegisterServer" : "DllUnregisterServer");
  } catch (const platform::Error& e) {
    return Report(command.c_str(), e.code(), e.what());
  }
}
