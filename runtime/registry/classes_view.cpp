#include "runtime/registry/classes_view.h"

#include <algorithm>

#include "runtime/platform/ascii_case.h"
#include "runtime/platform/error.h"

namespace com {

ClassesView::ClassesView(RegistryData user, RegistryData machine, RegistryData installed)
    : user_(std::move(user)), machine_(std::move(machine)), installed_(std::move(installed)) {}

ClassesView ClassesView::Read() {
  // A user with no place for a per-user file (no HOME, no XDG_CONFIG_HOME)
  // has no per-user classes, and still finds the machine's.
  std::optional<std::filesystem::path> userFile;
  try {
    userFile = Registry::DefaultFile();
  } catch (const platform::Error&) {
  }
  return ClassesView(userFile ? Registry(*userFile).Read() : RegistryData(), Registry::Machine().Read(),
                     Registry::Installed().Read());
}

const RegistryData* ClassesView::Answering(std::string_view relative) const {
  if (user_.KeyExists(ClassesKey(relative, RegistryScope::User))) return &user_;
  const std::string machineKey = ClassesKey(relative, RegistryScope::Machine);
  if (machine_.KeyExists(machineKey)) return &machine_;
  if (installed_.KeyExists(machineKey)) return &installed_;
  return nullptr;
}

std::optional<RegistryScope> ClassesView::Source(std::string_view relative) const {
  const RegistryData* data = Answering(relative);
  if (data == nullptr) return std::nullopt;
  return data == &user_ ? RegistryScope::User : RegistryScope::Machine;
}

bool ClassesView::InMachine(std::string_view relative) const {
  const std::string machineKey = ClassesKey(relative, RegistryScope::Machine);
  return machine_.KeyExists(machineKey) || installed_.KeyExists(machineKey);
}

std::optional<std::string> ClassesView::GetString(std::string_view relative, std::string_view name) const {
  const RegistryData* data = Answering(relative);
  if (data == nullptr) return std::nullopt;
  return data->GetString(ClassesKey(relative, data == &user_ ? RegistryScope::User : RegistryScope::Machine), name);
}

std::vector<std::string> ClassesView::SubKeys(std::string_view relative) const {
  std::vector<std::string> names = user_.SubKeys(ClassesKey(relative, RegistryScope::User));
  for (const RegistryData* data : {&machine_, &installed_})
    for (std::string& name : data->SubKeys(ClassesKey(relative, RegistryScope::Machine)))
      names.push_back(std::move(name));
  // Stable, so the spelling of a name in the file read first is the one kept.
  std::stable_sort(names.begin(), names.end(), platform::AsciiCaseLess{});
  names.erase(std::unique(names.begin(), names.end(), platform::SameAsciiName), names.end());
  return names;
}

}  // namespace com
