#pragma once
// The classes a host sees: the per-user registry over the machine one, merged
// as the platform merges per-user and machine-wide classes. A key present in
// the per-user file answers for itself (its values come from that file
// alone), a key only in the machine file is found there, and a key's sub-keys
// are those of both. Paths are relative to the classes root
// ("CLSID\{...}\InprocServer32").
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/registry/registry.h"

namespace com {

class ClassesView {
 public:
  ClassesView(RegistryData user, RegistryData machine);
  // Both files as they are now. A missing or 0-byte file is empty, and so is
  // the per-user registry of a user with no place for it; a file that cannot
  // be read or parsed throws REGDB_E_READREGDB naming it, whichever of the two
  // it is.
  static ClassesView Read();

  std::optional<std::string> GetString(std::string_view relative, std::string_view name) const;
  // Sorted, each name once whatever its case.
  std::vector<std::string> SubKeys(std::string_view relative) const;
  // The file that answers for the key; none when neither holds it.
  std::optional<RegistryScope> Source(std::string_view relative) const;

 private:
  RegistryData user_;
  RegistryData machine_;
};

}  // namespace com
