#pragma once
// The type library a module carries as its resource "TYPELIB" (number 1 unless
// told otherwise), as registration and hosts load it.
#include "runtime/platform/export.h"
#include <cstdint>
#include <string>

#include "runtime/formats/typelib_reader.h"

namespace com {

// Throws platform::Error: TYPE_E_CANTLOADLIBRARY when the module carries no
// such resource; the module's, resource table's or library's own error when
// one of them is unreadable.
KVQMXTMR_EXPORT TypeLibrary LoadTypeLibraryFromModule(const std::string& modulePath, uint16_t index = 1);

}  // namespace com
