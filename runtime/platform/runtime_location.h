#pragma once
// Where this runtime library was loaded from, and the folders of its tree
// found from there. In a build tree the library, the control module, the
// tools and both machine registrations share bin/. In a tree installed to P
// the library lies in P/<libdir> (lib/<multiarch>), the module and the
// tree's own registration in the private folder P/<libdir>/kvqmxtmr, and an
// administrator's registrations in P's configuration folder (/etc/kvqmxtmr
// for /usr).
#include "runtime/platform/export.h"
#include <filesystem>
#include <string_view>

namespace platform {

// The folder holding libkvqmxtmr.so, made canonical.
KVQMXTMR_EXPORT std::filesystem::path RuntimeFolder();

struct TreeFolders {
  std::filesystem::path modules;        // KvQmxTmr.ocx and machine.reg
  std::filesystem::path administrator;  // machine.local.reg
};

// The folders of the tree whose library lies in `runtimeFolder`. `libdir`
// (relative) and `sysconfdir` (relative to the prefix, or absolute) are the
// install folders the tree was built for. A folder that is not P/<libdir>
// is a build tree's: both folders are that folder. Configuration of the
// prefix /usr goes to /etc, as CMake's GNUInstallDirs places it.
KVQMXTMR_EXPORT TreeFolders FoldersFor(const std::filesystem::path& runtimeFolder, std::string_view libdir,
                                       std::string_view sysconfdir);
// FoldersFor(RuntimeFolder()) with this build's install folders.
KVQMXTMR_EXPORT TreeFolders Folders();

}  // namespace platform
