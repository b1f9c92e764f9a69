// The machine registry: the classes every user of one installation finds.
// It lives beside the runtime library (lib/kvqmxtmr/ of an installed tree,
// bin/ of a build tree) because what it records are absolute paths into that
// tree, and a program started with an empty home or environment still finds
// it. Two files: machine.reg, the tree's own registration, made when the
// tree is installed and going when it goes (a file its package owns), and
// machine.local.reg, what an administrator registers for the machine, which
// no reinstallation touches.
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
  return platform::RuntimeFolder() / "machine.local.reg";
}

std::filesystem::path Registry::InstalledFile() { return platform::RuntimeFolder() / "machine.reg"; }

}  // namespace com
