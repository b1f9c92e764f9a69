#include "runtime/registry/classes_view.h"

#include <algorithm>

#include "runtime/platform/ascii_case.h"
#include "runtime/platform/error.h"

namespace com {

ClassesView::ClassesView(RegistryData user, RegistryData machine)
    : user_(std::move(user)), machine_(std::move(machine)) {}

ClassesView ClassesView::Read() {
  // A user with no place for a per-user file (no HOME, no XDG_CONFIG_HOME)
  // has no per-user classes, and still finds the machine's.
  std::optional<std::filesystem::path> userFile;
  try {
    userFile = Registry::DefaultFile();
  } catch (const platform::Error&) {
  }
  return ClassesView(userFile ? Registry(*userFile).Read() : RegistryData(), Registry::Machine().Read());
}

std::optional<RegistryScope> ClassesView::Source(std::string_view relative) const {
  if (user_.KeyExists(ClassesKey(relative, RegistryScope::User))) return RegistryScope::User;
  if (machine_.KeyExists(ClassesKey(relative, RegistryScope::Machine))) return RegistryScope::Machine;
  return std::nullopt;
}

std::optional<std::string> ClassesView::GetString(std::string_view relative, std::string_view name) const {
  const auto source = Source(relative);
  if (!source) return std::nullopt;
  const RegistryData& data = *source == RegistryScope::User ? user_ : machine_;
  return data.GetString(ClassesKey(relative, *source), name);
}

std::vector<std::string> ClassesView::SubKeys(std::string_view relative) const {
  std::vector<std::string> names = user_.SubKeys(ClassesKey(relative, RegistryScope::User));
  for (std::string& name : machine_.SubKeys(ClassesKey(relative, RegistryScope::Machine)))
    names.push_back(std::move(name));
  // Stable, so the per-user spelling of a name in both files is the one kept.
  std::stable_sort(names.begin(), names.end(), platform::AsciiCaseLess{});
  names.erase(std::unique(names.begin(), names.end(), platform::SameAsciiName), names.end());
  return names;
}

}  // namespace com
