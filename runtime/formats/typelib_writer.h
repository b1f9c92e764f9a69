#pragma once
// Writes a library description as a binary type library in the platform's
// "MSFT" format, the form the platform's type-library loader reads from a
// .tlb file or a module's "TYPELIB" resource.
//
// What is supported is what automation controls need: dual interfaces (one
// dispatch record whose functions are kept in vtable form; loaders derive the
// vtable twin from it), dispatch-only interfaces, component classes and
// enumerations of 32-bit constants, in a 32-bit library with locale 0x409.
// The standard automation library is imported for IDispatch.
#include "runtime/platform/export.h"
#include <cstdint>
#include <vector>

#include "runtime/formats/type_description.h"

namespace com {

// Throws platform::Error(E_INVALIDARG) when the description cannot be written
// (dangling type references, duplicate identities, names the format cannot
// hold, unsupported kinds).
KVQMXTMR_EXPORT std::vector<uint8_t> WriteTypeLibrary(const LibraryDescription& library);

}  // namespace com
