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

}  // namespace platform
