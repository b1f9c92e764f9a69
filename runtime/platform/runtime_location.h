#pragma once
// Where this runtime library was loaded from. Both deliverables find their
// neighbours through it: in a build tree the library, the control module and
// the tools share bin/; in an installed tree the library and the module share
// lib/kvqmxtmr/ and the programs sit in bin/ beside lib/.
#include <filesystem>

namespace platform {

// The folder holding libdesktop_runtime.so, made canonical.
std::filesystem::path RuntimeFolder();

}  // namespace platform
