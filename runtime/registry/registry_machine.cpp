// The machine registry: the classes every user of one installation finds.
// It is found from where the runtime library lies because what it records
// are absolute paths into that tree, and a program started with an empty
// home or environment still finds it. Two files: machine.reg, the tree's own
// registration, made when the tree is installed and going when it goes (a
// file its package owns), beside the module; and machine.local.reg, what an
// administrator registers for the machine, in the tree's configuration
// folder (/etc/kvqmxtmr for /usr), which no reinstallation touches. A build
// tree keeps both in its bin/.
#include <cstdlib>

#include "runtime/registry/registry.h"
#include "runtime/platform/runtime_location.h"

namespace com {

std::string ClassesKey(std::string_view relative, RegistryScope scope) {
  std::string r(scope == RegistryScope::Machine ? kMachineClassesRoot : kClassesRoot);
  if (!relative.empty()) r += '\\', r += relative;
  return r;
}

std::filesystem::path Registry::MachineFile() {
  if (const char* f = std::getenv("KV_MACHINE_REGISTRY_FILE"); f && *f) return f;
  return platform::Folders().administrator / "machine.local.reg";
}

std::filesystem::path Registry::InstalledFile() { return platform::Folders().modules / "machine.reg"; }

}  // namespace com
