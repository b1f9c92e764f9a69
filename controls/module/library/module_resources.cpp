#include "controls/module/library/module_resources.h"

#include <algorithm>

#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"
#include "runtime/formats/typelib_writer.h"

namespace dialfen {
namespace {

com::VersionRecord BuildVersionRecord() {
  return com::UsEnglishVersionRecord(1, 0, com::VFT_DLL,
                                     {{"CompanyName", "Brenvale"},
                                      {"ProductName", "KvDispVU"},
                                      {"FileVersion", "1.00"},
                                      {"ProductVersion", "1.00"},
                                      {"InternalName", "KvQmxTmr"},
                                      {"OriginalFilename", kModuleFileName},
                                      // Present and empty: hosts take the module for self-registering.
                                      {"OLESelfRegister", ""}});
}

com::Resource Make(com::ResourceId type, com::ResourceId name, std::vector<uint8_t> data,
                   uint16_t flags = com::kResourceMoveablePure) {
  com::Resource r;
  r.type = std::move(type);
  r.name = std::move(name);
  r.language = com::kLanguageEnglishUS;
  r.memoryFlags = flags;
  r.data = std::move(data);
  return r;
}

}  // namespace

const com::VersionRecord& ModuleVersionRecord() {
  static const com::VersionRecord record = BuildVersionRecord();
  return record;
}

std::vector<uint8_t> IdentityResourceData(const com::GUID& identity) {
  // A 32-bit length, little-endian, then the identity's 16 bytes.
  const auto bytes = identity.Bytes();
  std::vector<uint8_t> data(4 + bytes.size());
  data[0] = static_cast<uint8_t>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), data.begin() + 4);
  return data;
}

std::vector<com::Resource> ModuleResources(const std::vector<uint8_t>& fastTimerBitmap,
                                           const std::vector<uint8_t>& meterBitmap) {
  const uint16_t one = 1;
  std::vector<com::Resource> all;
  all.push_back(Make("TYPELIB", one, com::WriteTypeLibrary(Library())));
  all.push_back(Make(kResIID_KvDispVU, one, IdentityResourceData(IID__KvDispVU)));
  all.push_back(Make(kResSrcIID_KvDispVU, one, IdentityResourceData(DIID___KvDispVU)));
  all.push_back(Make(kResIID_KvQmxFasTmr, one, IdentityResourceData(IID__KvQmxFasTmr)));
  all.push_back(Make(kResSrcIID_KvQmxFasTmr, one, IdentityResourceData(DIID___KvQmxFasTmr)));
  all.push_back(Make(com::RT_BITMAP, kToolboxBitmap_KvQmxFasTmr, fastTimerBitmap, com::kResourceDiscardable));
  all.push_back(Make(com::RT_BITMAP, kToolboxBitmap_KvDispVU, meterBitmap, com::kResourceDiscardable));
  all.push_back(Make(com::RT_VERSION, one, com::WriteVersionRecord(ModuleVersionRecord())));
  return all;
}

}  // namespace dialfen
