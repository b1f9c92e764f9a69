// What the built KvQmxTmr.ocx carries, read back from the file the way
// registration and hosts read it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"
#include "controls/module/library/module_resources.h"
#include "runtime/formats/resource_module.h"
#include "runtime/formats/typelib_module.h"
#include "runtime/formats/version_record.h"
#include "tests/controls/module/module_host.h"

namespace kvmodule_test {
namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A toolbox picture as a resource holds it: the .bmp without its file header.
std::vector<uint8_t> Bitmap(const char* asset) {
  auto bytes = ReadAll(std::string(KV_SOURCE_ASSETS) + "/" + asset);
  return bytes.size() > 14 ? std::vector<uint8_t>(bytes.begin() + 14, bytes.end()) : std::vector<uint8_t>{};
}

TEST(ModuleResources, TheModuleCarriesExactlyItsResourcesInOrder) {
  const auto carried = com::ReadModuleResources(ModulePath());
  const auto expected =
      dialfen::ModuleResources(Bitmap("toolbox_fasttimer.bmp"), Bitmap("toolbox_meter.bmp"));
  ASSERT_EQ(carried.size(), expected.size());
  for (size_t i = 0; i < carried.size(); ++i) {
    const std::string what = expected[i].type.ToString() + " " + expected[i].name.ToString();
    EXPECT_EQ(carried[i].type, expected[i].type) << what;
    EXPECT_EQ(carried[i].name, expected[i].name) << what;
    EXPECT_EQ(carried[i].language, com::kLanguageEnglishUS) << what;
    EXPECT_EQ(carried[i].data, expected[i].data) << what;
  }
}

TEST(ModuleResources, TypeLibraryReadsBackAsTheDescription) {
  const com::TypeLibrary library = com::LoadTypeLibraryFromModule(ModulePath());
  EXPECT_EQ(library.Describe(), dialfen::Library());  // every type, member, DISPID, flag and help string
  const com::LibraryAttributes& a = library.attributes();
  EXPECT_EQ(a.name, "Dialfen");
  EXPECT_EQ(a.guid, dialfen::LIBID_Dialfen);
  EXPECT_EQ(a.majorVersion, 12);
  EXPECT_EQ(a.minorVersion, 0);
  EXPECT_EQ(a.lcid, 0x409u);
  EXPECT_EQ(a.syskind, com::SYS_WIN32);
  EXPECT_EQ(a.flags, com::LIBFLAG_FCONTROL);
  EXPECT_EQ(a.helpFile, "");
}

TEST(ModuleResources, IdentityResourcesHoldLengthThenIdentity) {
  for (const auto& [name, guid] : {std::pair{"_IID_KVDISPVU", dialfen::IID__KvDispVU},
                                   std::pair{"_SRCIID_KVDISPVU", dialfen::DIID___KvDispVU},
                                   std::pair{"_IID_KVQMXFASTMR", dialfen::IID__KvQmxFasTmr},
                                   std::pair{"_SRCIID_KVQMXFASTMR", dialfen::DIID___KvQmxFasTmr}}) {
    const auto found = com::FindResource(ModulePath(), name, uint16_t{1});
    ASSERT_TRUE(found.has_value()) << name;
    const auto data = com::LoadResource(*found);
    ASSERT_EQ(data.size(), 20u) << name;
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 4), (std::vector<uint8_t>{16, 0, 0, 0})) << name;
    EXPECT_EQ(com::GUID::FromBytes(data.data() + 4), guid) << name;
  }
}

TEST(ModuleResources, VersionRecordMarksASelfRegisteringLibrary) {
  // Its every field is pinned through the inspection report below.
  const auto found = com::FindResource(ModulePath(), com::RT_VERSION, uint16_t{1}, com::kLanguageEnglishUS);
  ASSERT_TRUE(found.has_value());
  const com::VersionRecord record = com::ReadVersionRecord(com::LoadResource(*found));
  EXPECT_EQ(record, dialfen::ModuleVersionRecord());
  EXPECT_EQ(record.fixed.fileType, com::VFT_DLL);
  ASSERT_NE(record.Find("040904B0", "OLESelfRegister"), nullptr);
  EXPECT_EQ(*record.Find("040904B0", "OLESelfRegister"), "");
}

TEST(ModuleResources, InspectToolPrintsTheWholeLibraryAndVersionRecord) {
  const CommandRun run = RunCommand(std::string(KV_INSPECT_MODULE) + " " + ModulePath());
  ASSERT_EQ(run.status, 0) << run.output;
  const std::string report = run.output.substr(run.output.find('\n') + 1);  // after the file's name
  for (const char* line : {
           "library Dialfen {14992C75-C53D-44A8-B97A-BFDC10552B86}",
           "  version 12.0  lcid 0x0409  syskind win32  flags 0x2 (control)",
           "type 0: dispatch _KvDispVU {912F11D9-30A7-4507-B742-1BD823A92EC4}",
           "    propput DisplayMode  id 0x68030007  purevirtual  vtable 32  flags 0x4",
           "type 3: coclass KvQmxFasTmr {1AA10265-93D5-45D2-BC3A-6070251FA3F1}",
           "    method QmxTimer  id 0x00000001  dispatch  vtable 0  flags 0x0",
           "    const GetPeekDataOnly = 3  id 0x40000003  type long",
           "    OLESelfRegister = \"\"",
       })
    EXPECT_NE(report.find(std::string(line) + "\n"), std::string::npos) << line;
  // The rest, line by line, as pinned for the library's description.
  const auto pinned = ReadAll(std::string(KV_EXPECTED_DIR) + "/library_inspect_module.txt");
  EXPECT_EQ(report, std::string(pinned.begin(), pinned.end()));
}

}  // namespace
}  // namespace kvmodule_test
