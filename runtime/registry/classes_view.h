#pragma once
// The classes a host sees: the per-user registry over the machine one, merged
// as the platform merges per-user and machine-wide classes. The machine's
// classes are those an administrator registered (machine.local.reg) over the
// installation's own (machine.reg, written when the tree was installed). A
// key present in a file answers for itself (its values come from that file
// alone), a key only in a file beneath is found there, and a key's sub-keys
// are those of all three. Paths are relative to the classes root
// ("CLSID\{...}\InprocServer32").
#include "runtime/platform/export.h"
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/registry/registry.h"

namespace com {

class KVQMXTMR_EXPORT ClassesView {
 public:
  ClassesView(RegistryData user, RegistryData machine, RegistryData installed = RegistryData());
  // The three files as they are now. A missing or 0-byte file is empty, and so is
  // the per-user registry of a user with no place for it; a file that cannot
  // be read or parsed throws REGDB_E_READREGDB naming it, whichever of the two
  // it is.
  static ClassesView Read();

  std::optional<std::string> GetString(std::string_view relative, std::string_view name) const;
  // Sorted, each name once whatever its case.
  std::vector<std::string> SubKeys(std::string_view relative) const;
  // The file that answers for the key; none when no file holds it.
  std::optional<RegistryScope> Source(std::string_view relative) const;
  // Whether a machine file holds the key, whether or not the user's hides it.
  bool InMachine(std::string_view relative) const;

 private:
  const RegistryData* Answering(std::string_view relative) const;

  RegistryData user_;
  RegistryData machine_;
  RegistryData installed_;
};

}  // namespace com
