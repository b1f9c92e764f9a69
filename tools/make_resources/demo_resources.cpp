#include "tools/make_resources/demo_resources.h"

namespace make_resources {
namespace {

com::VersionRecord Build() {
  com::VersionRecord v;
  v.fixed.fileVersionMS = com::VersionFixedInfo::High(1, 0);
  v.fixed.productVersionMS = com::VersionFixedInfo::High(1, 0);
  v.fixed.fileOS = com::VOS__WINDOWS32;
  v.fixed.fileType = com::VFT_APP;
  v.stringTables.push_back({"040904B0",
                            {{"CompanyName", "Brenvale"},
                             {"ProductName", "Whorlix"},
                             {"FileVersion", "1.00"},
                             {"ProductVersion", "1.00"},
                             {"InternalName", "Whorlix"},
                             {"OriginalFilename", "Whorlix.exe"}}});
  v.translations.push_back({0x0409, 1200});
  return v;
}

}  // namespace

const com::VersionRecord& DemoVersionRecord() {
  static const com::VersionRecord record = Build();
  return record;
}

std::vector<com::Resource> DemoResources() {
  com::Resource version;
  version.type = com::RT_VERSION;
  version.name = uint16_t{1};
  version.language = com::kLanguageEnglishUS;
  version.data = com::WriteVersionRecord(DemoVersionRecord());
  return {version};
}

}  // namespace make_resources
