#pragma once
// The registry: two files, the per-user one and the machine one beneath it
// (classes_view.h merges them for class creation). Each is kept in the
// platform's text export format ("Windows Registry Editor Version 5.00",
// [KEY] lines, @= and "Name"= values), written as UTF-16LE with a byte-order
// mark and CRLF line ends; UTF-8 and ASCII files are read too. Key and value
// names compare case-insensitively.
//
// Every change is a read-modify-write under an exclusive lock (flock) on the
// folder the registry file lies in, which leaves no file behind, and lands by writing a temporary file in the same
// directory, syncing it and renaming it over the old one. Two processes
// registering at once keep each other's keys, and a crash leaves either the
// old file or the new one. A file that cannot be read or parsed is reported
// (REGDB_E_READREGDB, naming the file and line) and left as it is; so is a
// read-only file on a write (REGDB_E_WRITEREGDB). A registry file that is a
// symbolic link is replaced where the link leads, and the link stays. A 0-byte
// file holds nothing that could be lost and reads as an empty registry; a
// missing one too, so the change that removes a file's last value removes
// the file (an unregistration leaves nothing behind).
#include "runtime/platform/export.h"
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace com {

inline constexpr std::string_view kClassesRoot = "HKEY_CURRENT_USER\\Software\\Classes";
inline constexpr std::string_view kMachineClassesRoot = "HKEY_LOCAL_MACHINE\\Software\\Classes";

// Which of the two files: the per-user one, or the machine one that every
// user of an installation shares.
enum class RegistryScope { User, Machine };

// "HKEY_CURRENT_USER\Software\Classes\" + relative.
KVQMXTMR_EXPORT std::string ClassesKey(std::string_view relative);
// The same under the root the file of `scope` keeps its classes in
// (HKEY_LOCAL_MACHINE\Software\Classes for the machine file).
KVQMXTMR_EXPORT std::string ClassesKey(std::string_view relative, RegistryScope scope);

struct RegistryValue {
  enum class Kind { String, DWord, Other };
  Kind kind = Kind::String;
  std::string text;   // String: the text; Other: the raw data after '=' (hex:..., kept as read)
  uint32_t dword = 0;

  static RegistryValue String(std::string s) { return {Kind::String, std::move(s), 0}; }
  static RegistryValue DWord(uint32_t v) { return {Kind::DWord, {}, v}; }
  bool operator==(const RegistryValue&) const = default;
};

// The whole tree in memory. Paths are backslash-separated full key paths
// ("HKEY_CURRENT_USER\Software\Classes\CLSID\{...}"); "" names a default value.
class KVQMXTMR_EXPORT RegistryData {
 public:
  RegistryData();
  RegistryData(const RegistryData&);
  RegistryData& operator=(const RegistryData&);
  RegistryData(RegistryData&&) noexcept;
  RegistryData& operator=(RegistryData&&) noexcept;
  ~RegistryData();

  // Throws platform::Error(REGDB_E_READREGDB) naming `origin` and the line.
  static RegistryData Parse(std::string_view bytes, const std::string& origin);
  // The export text, UTF-16LE with BOM and CRLF.
  std::string Serialize() const;

  // Creates the key and its parents. Throws E_INVALIDARG for an empty path
  // component, a path more than 512 levels deep, or text that cannot stand
  // in the file (a line break).
  void CreateKey(std::string_view path);
  void SetValue(std::string_view path, std::string_view name, const RegistryValue& value);
  std::optional<RegistryValue> GetValue(std::string_view path, std::string_view name) const;
  std::optional<std::string> GetString(std::string_view path, std::string_view name) const;
  bool DeleteValue(std::string_view path, std::string_view name);
  // Removes the key with everything below it; false when there was none.
  bool DeleteTree(std::string_view path);
  bool KeyExists(std::string_view path) const;
  std::vector<std::string> SubKeys(std::string_view path) const;
  std::vector<std::pair<std::string, RegistryValue>> Values(std::string_view path) const;
  bool Empty() const;
  // Whether any key holds a value.
  bool HoldsValues() const;

 private:
  struct Key;
  friend class RegistryParser;
  Key* MakeKey(std::string_view path);  // checks the path as CreateKey does
  Key* FindKey(std::string_view path) const;
  std::unique_ptr<Key> root_;
};

class KVQMXTMR_EXPORT Registry {
 public:
  explicit Registry(std::filesystem::path file);
  // $KV_REGISTRY_FILE, else $XDG_CONFIG_HOME/kvqmxtmr/registry.reg, else
  // ~/.config/kvqmxtmr/registry.reg.
  static std::filesystem::path DefaultFile();
  static Registry User() { return Registry(DefaultFile()); }
  // The machine registrations an administrator adds (regtool --machine):
  // $KV_MACHINE_REGISTRY_FILE, else machine.local.reg in the runtime
  // library's folder: every installed tree (and every build tree) has its own.
  static std::filesystem::path MachineFile();
  static Registry Machine() { return Registry(MachineFile()); }
  // The installation's own registration of its module, beneath the
  // administrator's: machine.reg in the runtime library's folder, written
  // when the tree is installed (and shipped in its package), read otherwise.
  static std::filesystem::path InstalledFile();
  static Registry Installed() { return Registry(InstalledFile()); }
  static Registry Of(RegistryScope scope) { return scope == RegistryScope::Machine ? Machine() : User(); }

  const std::filesystem::path& File() const { return file_; }

  // The current contents; empty when the file does not exist yet.
  RegistryData Read() const;
  // Locks, reads, lets `edit` change the tree, writes atomically, unlocks.
  // Nothing is written when `edit` throws.
  void Transaction(const std::function<void(RegistryData&)>& edit);

  std::optional<RegistryValue> GetValue(std::string_view path, std::string_view name) const;
  std::optional<std::string> GetString(std::string_view path, std::string_view name) const;
  bool KeyExists(std::string_view path) const;
  std::vector<std::string> SubKeys(std::string_view path) const;
  void SetValue(std::string_view path, std::string_view name, const RegistryValue& value);
  void SetString(std::string_view path, std::string_view name, std::string value) {
    SetValue(path, name, RegistryValue::String(std::move(value)));
  }
  void DeleteTree(std::string_view path);

 private:
  std::filesystem::path file_;
};

}  // namespace com
