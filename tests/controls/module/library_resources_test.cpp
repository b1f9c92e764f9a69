// What a built module file carries, read back the way hosts and registration
// read it: from an ELF file with the generated resources embedded.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"
#include "controls/module/library/module_resources.h"
#include "runtime/formats/resource_module.h"
#include "runtime/formats/typelib_module.h"
#include "runtime/formats/version_record.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Resource(const std::string& module, const com::ResourceId& type, const com::ResourceId& name) {
  const auto found = com::FindResource(module, type, name);
  if (!found) {
    ADD_FAILURE() << module << " lacks " << type.ToString() << " " << name.ToString();
    return {};
  }
  return com::LoadResource(*found);
}

TEST(LibraryResources, TypeLibraryInTheModuleIsTheDescription) {
  const auto library = com::LoadTypeLibraryFromModule(KV_PROBE_MODULE);
  EXPECT_EQ(dialfen::Library(), library.Describe());
  const auto found = com::FindResource(KV_PROBE_MODULE, "TYPELIB", uint16_t{1});
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(com::kLanguageEnglishUS, found->language);
}

TEST(LibraryResources, HostsResolveEveryMemberByNameAndDispid) {
  const auto library = com::LoadTypeLibraryFromModule(KV_PROBE_MODULE);
  for (const char* className : {"KvDispVU", "KvQmxFasTmr"}) {
    const auto* cls = library.Find(className);
    ASSERT_NE(nullptr, cls);
    ASSERT_EQ(2u, cls->implTypes.size());
    // The default interface answers every property by DISPID, get and put.
    const auto defaultRef = library.Resolve(cls->implTypes[0].href);
    const auto view = library.DispatchView(static_cast<size_t>(defaultRef.typeIndex));
    const auto& described = dialfen::Library().types[static_cast<size_t>(defaultRef.typeIndex)];
    for (const auto& p : described.properties) {
      EXPECT_EQ(p.dispid, view.IdOfName(p.name)) << p.name;
      const auto* get = view.FindFunction(p.dispid, com::INVOKE_PROPERTYGET);
      const auto* put = view.FindFunction(p.dispid, com::INVOKE_PROPERTYPUT);
      ASSERT_NE(nullptr, get);
      ASSERT_NE(nullptr, put);
      EXPECT_TRUE(get->params.empty());
      ASSERT_EQ(1u, put->params.size());
      EXPECT_EQ(get->returnType, put->params[0].type) << p.name;
    }
    EXPECT_EQ(com::IMPLTYPEFLAG_FDEFAULT | com::IMPLTYPEFLAG_FSOURCE, cls->implTypes[1].flags);
  }
  const auto* events = library.Find("__KvQmxFasTmr");
  ASSERT_NE(nullptr, events);
  EXPECT_EQ(dialfen::DISPID_QmxTimer, events->IdOfName("QmxTimer"));
  const auto* mode = library.Find("_KvDispVU")->FindFunction(dialfen::DISPID_DisplayMode, com::INVOKE_PROPERTYPUT);
  ASSERT_NE(nullptr, mode);
  EXPECT_EQ("DisplayModeEnum", library.TypeName(mode->params[0].type));
}

TEST(LibraryResources, IdentityResourcesHoldLengthAndIdentity) {
  const std::pair<const char*, com::GUID> expected[] = {{"_IID_KVDISPVU", dialfen::IID__KvDispVU},
                                                        {"_SRCIID_KVDISPVU", dialfen::DIID___KvDispVU},
                                                        {"_IID_KVQMXFASTMR", dialfen::IID__KvQmxFasTmr},
                                                        {"_SRCIID_KVQMXFASTMR", dialfen::DIID___KvQmxFasTmr}};
  for (const auto& [name, guid] : expected) {
    const auto data = Resource(KV_PROBE_MODULE, name, uint16_t{1});
    ASSERT_EQ(20u, data.size()) << name;
    EXPECT_EQ((std::vector<uint8_t>{16, 0, 0, 0}), std::vector<uint8_t>(data.begin(), data.begin() + 4)) << name;
    EXPECT_EQ(guid, com::GUID::FromBytes(data.data() + 4)) << name;
  }
  // The identity's bytes lie in the platform's order: Data1..Data3 little-endian.
  const auto meter = Resource(KV_PROBE_MODULE, "_IID_KVDISPVU", uint16_t{1});
  const std::vector<uint8_t> bytes{0xD9, 0x11, 0x2F, 0x91, 0xA7, 0x30, 0x07, 0x45,
                                   0xB7, 0x42, 0x1B, 0xD8, 0x23, 0xA9, 0x2E, 0xC4};
  EXPECT_EQ(bytes, std::vector<uint8_t>(meter.begin() + 4, meter.end()));
}

TEST(LibraryResources, ToolboxBitmapsAreThePicturesWithoutFileHeader) {
  for (const auto& [number, file] : {std::pair<uint16_t, const char*>{30000, "toolbox_fasttimer.bmp"},
                                     std::pair<uint16_t, const char*>{30001, "toolbox_meter.bmp"}}) {
    const auto data = Resource(KV_PROBE_MODULE, com::RT_BITMAP, number);
    const auto bmp = ReadAll(std::string(KV_SOURCE_ASSETS) + "/" + file);
    ASSERT_GT(bmp.size(), 14u);
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 14, bmp.end()), data) << file;
    ASSERT_EQ(40u + 16 * 3 * 15, data.size());
    auto u32 = [&](size_t at) { return uint32_t(data[at]) | data[at + 1] << 8 | data[at + 2] << 16 | data[at + 3] << 24; };
    EXPECT_EQ(40u, u32(0));   // BITMAPINFOHEADER
    EXPECT_EQ(16u, u32(4));   // width
    EXPECT_EQ(15u, u32(8));   // height
    EXPECT_EQ(24, data[14]);  // bits per pixel
  }
}

TEST(LibraryResources, ModuleAndProgramCarryTheirVersionRecords) {
  const auto found = com::FindResource(KV_PROBE_MODULE, com::RT_VERSION, uint16_t{1}, com::kLanguageEnglishUS);
  ASSERT_TRUE(found.has_value());
  const auto module = com::ReadVersionRecord(com::LoadResource(*found));
  EXPECT_EQ(dialfen::ModuleVersionRecord(), module);
  EXPECT_EQ(0x00010000u, module.fixed.fileVersionMS);
  EXPECT_EQ(0u, module.fixed.fileVersionLS);
  EXPECT_EQ(0x00010000u, module.fixed.productVersionMS);
  EXPECT_EQ(com::VFT_DLL, module.fixed.fileType);
  EXPECT_EQ(com::VOS__WINDOWS32, module.fixed.fileOS);
  EXPECT_EQ(0u, module.fixed.fileFlags);
  EXPECT_EQ("KvDispVU", *module.Find("040904B0", "ProductName"));
  EXPECT_EQ("KvQmxTmr.ocx", *module.Find("040904B0", "OriginalFilename"));
  ASSERT_NE(nullptr, module.Find("040904B0", "OLESelfRegister"));
  EXPECT_EQ("", *module.Find("040904B0", "OLESelfRegister"));
  EXPECT_EQ((std::vector<com::VersionTranslation>{{0x0409, 1200}}), module.translations);

  const auto program =
      com::ReadVersionRecord(Resource(KV_PROBE_PROGRAM, com::RT_VERSION, uint16_t{1}));
  EXPECT_EQ(com::VFT_APP, program.fixed.fileType);
  EXPECT_EQ(0x00010000u, program.fixed.productVersionMS);
  for (const auto& [key, value] : {std::pair{"CompanyName", "Brenvale"}, std::pair{"ProductName", "Whorlix"},
                                   std::pair{"FileVersion", "1.00"}, std::pair{"ProductVersion", "1.00"},
                                   std::pair{"InternalName", "Whorlix"}, std::pair{"OriginalFilename", "Whorlix.exe"}}) {
    ASSERT_NE(nullptr, program.Find("040904B0", key)) << key;
    EXPECT_EQ(value, *program.Find("040904B0", key));
  }
  EXPECT_EQ(nullptr, program.Find("040904B0", "OLESelfRegister"));
}

std::string InspectReport(const std::string& file) {
  const std::string command = std::string(KV_INSPECT_MODULE) + " " + file;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return "cannot run " + command;
  std::string output;
  std::array<char, 4096> buffer{};
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
  if (::pclose(pipe) != 0) output += "\n(inspect_module failed)";
  output.erase(0, output.find('\n') + 1);  // the first line names the file
  return output;
}

std::string Expected(const char* name) {
  const auto bytes = ReadAll(std::string(KV_EXPECTED_DIR) + "/" + name);
  return {bytes.begin(), bytes.end()};
}

// inspect_module's reports of the module and the program, pinned line by line.
TEST(LibraryResources, InspectToolReportsEveryTypeMemberFlagStringAndVersion) {
  EXPECT_EQ(Expected("library_inspect_module.txt"), InspectReport(KV_PROBE_MODULE));
  EXPECT_EQ(Expected("library_inspect_program.txt"), InspectReport(KV_PROBE_PROGRAM));
}

}  // namespace
