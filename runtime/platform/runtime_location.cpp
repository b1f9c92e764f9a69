#include "runtime/platform/runtime_location.h"

#include <dlfcn.h>

#include "runtime/platform/error.h"

namespace platform {

std::filesystem::path RuntimeFolder() {
  Dl_info info{};
  // Any address inside this library names it.
  if (dladdr(reinterpret_cast<const void*>(&RuntimeFolder), &info) == 0 || info.dli_fname == nullptr ||
      *info.dli_fname == '\0')
    throw Error(kErrorFileNotFound, "Cannot tell where the runtime library was loaded from");
  std::error_code ec;
  const std::filesystem::path file = std::filesystem::weakly_canonical(info.dli_fname, ec);
  return (ec ? std::filesystem::path(info.dli_fname) : file).parent_path();
}

TreeFolders FoldersFor(const std::filesystem::path& runtimeFolder, std::string_view libdir,
                       std::string_view sysconfdir) {
  // P/<libdir>: strip libdir's components from the end, what is left is P.
  std::filesystem::path folder = runtimeFolder.lexically_normal();
  if (folder.filename().empty() && folder.has_relative_path()) folder = folder.parent_path();  // "x/"
  const std::filesystem::path lib = std::filesystem::path(libdir).lexically_normal();
  std::filesystem::path prefix = folder;
  bool installed = !lib.empty() && lib.is_relative();
  for (auto it = lib.end(); installed && it != lib.begin();) {
    --it;
    if (it->empty()) continue;  // a trailing separator
    installed = prefix.has_relative_path() && prefix.filename() == *it;
    prefix = prefix.parent_path();
  }
  if (!installed) return {folder, folder};
  std::filesystem::path etc = sysconfdir;
  if (etc.is_relative()) etc = prefix == "/usr" ? std::filesystem::path("/") / etc : prefix / etc;
  return {folder / "kvqmxtmr", etc.lexically_normal() / "kvqmxtmr"};
}

TreeFolders Folders() { return FoldersFor(RuntimeFolder(), KV_INSTALL_LIBDIR, KV_INSTALL_SYSCONFDIR); }

}  // namespace platform
