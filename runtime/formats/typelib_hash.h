#pragma once
// The two hashes a type library carries so that loaders can find names and
// identities without a linear search.
#include "runtime/platform/export.h"
#include <cstdint>
#include <string_view>

#include "runtime/automation/guid.h"
#include "runtime/formats/type_description.h"

namespace com {

// The platform's name hash (as LHashValOfNameSys computes it) for the
// English (United States) locale 0x409: high word from locale and system
// kind, low word a case-insensitive hash of the name. Throws
// platform::Error(E_INVALIDARG) for another locale or a non-ASCII name.
KVQMXTMR_EXPORT uint32_t NameHash(SYSKIND syskind, uint32_t lcid, std::string_view name);

// The bucket (0..31) of a GUID in the library's GUID hash table.
KVQMXTMR_EXPORT int GuidHashBucket(const GUID& guid);

}  // namespace com
