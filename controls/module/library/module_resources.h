#pragma once
// What the module file "KvQmxTmr.ocx" carries besides code: its type library,
// the interface identities hosts look up by resource name, the toolbox
// pictures and its version record.
#include <cstdint>
#include <vector>

#include "runtime/automation/guid.h"
#include "runtime/formats/resource_file.h"
#include "runtime/formats/version_record.h"

namespace dialfen {

// Resource names of the identity resources; each holds a 32-bit length (16)
// and the identity's 16 bytes.
inline constexpr const char* kResIID_KvDispVU = "_IID_KVDISPVU";
inline constexpr const char* kResSrcIID_KvDispVU = "_SRCIID_KVDISPVU";
inline constexpr const char* kResIID_KvQmxFasTmr = "_IID_KVQMXFASTMR";
inline constexpr const char* kResSrcIID_KvQmxFasTmr = "_SRCIID_KVQMXFASTMR";

const com::VersionRecord& ModuleVersionRecord();

std::vector<uint8_t> IdentityResourceData(const com::GUID& identity);

// Every resource of the module, in the order the file holds them. The
// bitmaps are resource-form (a .bmp file without its 14-byte file header).
std::vector<com::Resource> ModuleResources(const std::vector<uint8_t>& fastTimerBitmap,
                                           const std::vector<uint8_t>& meterBitmap);

}  // namespace dialfen
