// The independent check: the platform's type-library loader and version API,
// as wine implements them, read what this project writes. A MinGW-built DLL
// carries the same resource file the module carries; a MinGW-built checker
// loads it with LoadTypeLibEx / GetFileVersionInfo and prints what it sees.
// Skipped when MinGW or wine is not installed.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"
#include "runtime/formats/type_description.h"
#include "runtime/formats/typelib_hash.h"

namespace {

#ifdef KV_WINE_DIR
constexpr const char* kWineDir = KV_WINE_DIR;
#else
constexpr const char* kWineDir = nullptr;
#endif

std::vector<std::string> RunChecker(const std::string& args) {
  if (kWineDir == nullptr) return {};
  const std::string command = std::string("cd '") + kWineDir + "' && WINEPREFIX='" + kWineDir +
                              "/prefix' WINEDEBUG=-all wine checker.exe " + args + " 2>/dev/null";
  std::vector<std::string> lines;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return lines;
  std::array<char, 4096> buffer{};
  std::string current;
  while (std::fgets(buffer.data(), buffer.size(), pipe)) {
    current += buffer.data();
    if (!current.empty() && current.back() == '\n') {
      while (!current.empty() && (current.back() == '\n' || current.back() == '\r')) current.pop_back();
      lines.push_back(current);
      current.clear();
    }
  }
  ::pclose(pipe);
  return lines;
}

class WineCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!kWineDir) GTEST_SKIP() << "MinGW was not found when the build was configured";
    if (std::system("command -v wine >/dev/null 2>&1") != 0) GTEST_SKIP() << "wine is not installed";
  }

  static bool Has(const std::vector<std::string>& lines, const std::string& prefix, const std::string& suffix = "") {
    for (const auto& l : lines)
      if (l.rfind(prefix, 0) == 0 && l.size() >= prefix.size() + suffix.size() &&
          l.compare(l.size() - suffix.size(), suffix.size(), suffix) == 0)
        return true;
    return false;
  }

  static std::string Hex(uint32_t v, int width = 0) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", width, v);
    return buf;
  }
};

TEST_F(WineCheck, PlatformLoaderReadsTheModulesTypeLibrary) {
  const auto lines = RunChecker("typelib module_probe.dll");
  std::ostringstream all;
  for (const auto& l : lines) all << l << "\n";
  const std::string dump = all.str();
  const auto& lib = dialfen::Library();

  EXPECT_TRUE(Has(lines, "library name Dialfen")) << dump;
  EXPECT_TRUE(Has(lines, "library doc Brenvale Korvane Qmx VU Meter"));
  EXPECT_TRUE(Has(lines, "library guid " + lib.guid.ToString()));
  // The loader adds "has disk image" to the stored control flag.
  EXPECT_TRUE(Has(lines, "library lcid 0x409 syskind 1 version 12.0 flags 0xA"));
  EXPECT_TRUE(Has(lines, "type count 7"));

  for (size_t i = 0; i < lib.types.size(); ++i) {
    const auto& t = lib.types[i];
    const bool dual = t.flags & com::TYPEFLAG_FDUAL;
    // A dual interface's dispatch view counts IDispatch's seven functions and
    // does not report the automation flag.
    const size_t funcs = (dual ? 7 : 0) + 2 * t.properties.size() + t.methods.size();
    const uint16_t flags = dual ? t.flags & ~com::TYPEFLAG_FOLEAUTOMATION : t.flags;
    std::ostringstream head;
    head << "type " << i << " name " << t.name << " kind " << t.kind << " flags " << Hex(flags) << " version 1.0 funcs "
         << funcs << " vars " << t.constants.size() << " impls "
         << (t.kind == com::TKIND_COCLASS ? t.interfaces.size() : t.kind == com::TKIND_DISPATCH ? 1 : 0);
    EXPECT_TRUE(Has(lines, head.str())) << head.str() << "\n" << dump;
    if (t.kind == com::TKIND_COCLASS) {
      for (size_t j = 0; j < t.interfaces.size(); ++j)
        EXPECT_TRUE(Has(lines, "  impl " + std::to_string(j) + " " + lib.types[t.interfaces[j].typeIndex].name +
                                   " flags " + Hex(t.interfaces[j].flags)));
    }
    size_t index = dual ? 7 : 0;
    for (const auto& p : t.properties) {
      const int vt = p.type.vt == com::VT_USERDEFINED ? 29 : p.type.vt;
      const std::string id = "memid " + Hex(static_cast<uint32_t>(p.dispid), 8);
      EXPECT_TRUE(Has(lines, "  func " + std::to_string(index++) + " " + id + " invkind 2 funckind 4 callconv 4",
                      "params 0 ret vt " + std::to_string(vt) + " name[0]=" + p.name))
          << t.name << "." << p.name;
      EXPECT_TRUE(Has(lines, "  func " + std::to_string(index++) + " " + id + " invkind 4 funckind 4 callconv 4",
                      "params 1 ret vt 24 name[0]=" + p.name + " param0 vt " + std::to_string(vt) + " flags 0x1"));
      EXPECT_TRUE(Has(lines, "  GetIDsOfNames " + p.name + " -> " + Hex(static_cast<uint32_t>(p.dispid), 8) +
                                 " hr 0x00000000"));
    }
    for (const auto& m : t.methods)
      EXPECT_TRUE(Has(lines, "  func " + std::to_string(index++) + " memid " + Hex(static_cast<uint32_t>(m.dispid), 8) +
                                 " invkind 1 funckind 4 callconv 4 oVft 0 params 0 ret vt 24 name[0]=" + m.name));
    if (dual) {
      // The vtable twin: HRESULT results, the value as [out, retval] pointer or [in].
      EXPECT_TRUE(Has(lines, "  twin kind 3 funcs " + std::to_string(2 * t.properties.size()) + " vft " +
                                 std::to_string((7 + 2 * t.properties.size()) * 4)));
      size_t twinIndex = 0;
      for (const auto& p : t.properties) {
        const int vt = p.type.vt == com::VT_USERDEFINED ? 29 : p.type.vt;
        const std::string id = " memid " + Hex(static_cast<uint32_t>(p.dispid), 8);
        EXPECT_TRUE(Has(lines, "  twin func " + std::to_string(twinIndex++) + id + " invkind 2 funckind 1 callconv 4",
                        "params 1 ret vt 25 name[0]=" + p.name + " param0 vt 26->" + std::to_string(vt) +
                            " flags 0xA"));
        EXPECT_TRUE(Has(lines, "  twin func " + std::to_string(twinIndex++) + id + " invkind 4 funckind 1 callconv 4",
                        "params 1 ret vt 25 name[0]=" + p.name + " param0 vt " + std::to_string(vt) + " flags 0x1"));
      }
    }
    for (size_t v = 0; v < t.constants.size(); ++v)
      EXPECT_TRUE(Has(lines, "  var " + std::to_string(v) + " " + t.constants[v].name + " kind 2 value " +
                                 std::to_string(t.constants[v].value) + " doc " + t.constants[v].helpString));
  }
}

TEST_F(WineCheck, VersionApiReadsBothVersionRecords) {
  const auto module = RunChecker("version module_probe.dll");
  EXPECT_TRUE(Has(module, "fixed signature 0xFEEF04BD struc 0x00010000 file 1.0.0.0 product 1.0.0.0 mask 0x3F "
                          "flags 0x0 os 0x4 type 0x2 subtype 0x0"));
  EXPECT_TRUE(Has(module, "translation 0x0409 1200"));
  for (const char* line : {"version CompanyName = \"Brenvale\"", "version ProductName = \"KvDispVU\"",
                           "version FileVersion = \"1.00\"", "version ProductVersion = \"1.00\"",
                           "version InternalName = \"KvQmxTmr\"", "version OriginalFilename = \"KvQmxTmr.ocx\"",
                           "version OLESelfRegister = \"\""})
    EXPECT_TRUE(Has(module, line)) << line;

  const auto demo = RunChecker("version demo_probe.dll");
  EXPECT_TRUE(Has(demo, "fixed signature 0xFEEF04BD struc 0x00010000 file 1.0.0.0 product 1.0.0.0 mask 0x3F "
                        "flags 0x0 os 0x4 type 0x1 subtype 0x0"));
  for (const char* line : {"version CompanyName = \"Brenvale\"", "version ProductName = \"Whorlix\"",
                           "version InternalName = \"Whorlix\"", "version OriginalFilename = \"Whorlix.exe\"",
                           "version OLESelfRegister missing"})
    EXPECT_TRUE(Has(demo, line)) << line;
}

TEST_F(WineCheck, NameHashAgreesWithThePlatforms) {
  const auto lines = RunChecker("hash Dialfen DisplayMode KvQmxFasTmr Whorlix wiry");
  ASSERT_EQ(5u, lines.size());
  for (const auto& line : lines) {
    std::istringstream in(line);
    std::string word, name, value;
    in >> word >> name >> value;
    EXPECT_EQ(std::stoul(value, nullptr, 16), com::NameHash(com::SYS_WIN32, 0x409, name)) << name;
  }
}

}  // namespace
