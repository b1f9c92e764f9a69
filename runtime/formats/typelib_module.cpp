#include "runtime/formats/typelib_module.h"

#include "runtime/automation/hresult.h"
#include "runtime/formats/resource_module.h"
#include "runtime/platform/error.h"

namespace com {

TypeLibrary LoadTypeLibraryFromModule(const std::string& modulePath, uint16_t index) {
  const auto found = FindResource(modulePath, ResourceId("TYPELIB"), ResourceId(index));
  if (!found)
    throw platform::Error(TYPE_E_CANTLOADLIBRARY,
                          modulePath + ": no type library resource TYPELIB/" + std::to_string(index));
  return TypeLibrary::Read(LoadResource(*found));
}

}  // namespace com
