#include "tools/make_resources/demo_resources.h"

namespace make_resources {
namespace {

com::VersionRecord Build() {
  return com::UsEnglishVersionRecord(1, 0, com::VFT_APP,
                                     {{"CompanyName", "Brenvale"},
                                      {"ProductName", "Whorlix"},
                                      {"FileVersion", "1.00"},
                                      {"ProductVersion", "1.00"},
                                      {"InternalName", "Whorlix"},
                                      {"OriginalFilename", "Whorlix.exe"}});
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
