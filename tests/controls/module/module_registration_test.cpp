// The module's exports as registration tools and the component runtime meet
// them: what registration leaves in the registry file and takes away again,
// when the module may be unloaded, and how failures are reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "runtime/com/creation.h"
#include "runtime/com/dispatch_driver.h"
#include "runtime/automation/error_info.h"
#include "runtime/registry/registry.h"
#include "tests/controls/module/module_host.h"

namespace kvmodule_test {
namespace {

using namespace dialfen;
using com::ClassesKey;

class ModuleRegistration : public ::testing::Test {
 protected:
  void TearDown() override { com::CoFreeUnusedLibraries(); }
  com::RegistryData Read() const { return com::Registry(registry_.file()).Read(); }
  static std::string Clsid(const com::GUID& g) { return ClassesKey("CLSID\\" + g.ToString()); }
  // A copy of the module in the test's directory, optionally changed by objcopy.
  std::string CopyModule(const std::string& name, const std::string& objcopyArgs = "") {
    const std::string copy = (registry_.dir() / name).string();
    std::filesystem::copy_file(ModulePath(), copy);
    if (!objcopyArgs.empty()) {
      const CommandRun r = RunCommand("objcopy " + objcopyArgs + " " + copy);
      EXPECT_EQ(r.status, 0) << r.output;
    }
    return copy;
  }

  com::testing::ScopedRegistryFile registry_;
};

TEST_F(ModuleRegistration, RegistersClassesProgIdsLibraryAndInterfacesAndRemovesExactlyThose) {
  com::Registry reg(registry_.file());
  reg.SetString(ClassesKey("Other.Thing\\CLSID"), "", "{00000000-1111-2222-3333-444444444444}");
  ASSERT_EQ(CallExport(ModulePath(), "DllRegisterServer"), com::S_OK);
  const com::RegistryData d = Read();
  const std::string libid = LIBID_Dialfen.ToString();

  struct Expected {
    com::GUID clsid;
    std::string progId, misc, bitmap;
  };
  for (const Expected& c : {Expected{CLSID_KvQmxFasTmr, kProgID_KvQmxFasTmr, "132497", "30000"},
                            Expected{CLSID_KvDispVU, kProgID_KvDispVU, "131473", "30001"}}) {
    const std::string key = Clsid(c.clsid);
    EXPECT_EQ(d.GetString(key + "\\InprocServer32", ""), ModulePath());
    EXPECT_EQ(d.GetString(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(d.GetString(key + "\\ProgID", ""), c.progId);
    EXPECT_TRUE(d.KeyExists(key + "\\Control"));
    EXPECT_EQ(d.GetString(key + "\\MiscStatus\\1", ""), c.misc);
    EXPECT_EQ(d.GetString(key + "\\ToolboxBitmap32", ""), ModulePath() + ", " + c.bitmap);
    EXPECT_EQ(d.GetString(key + "\\TypeLib", ""), libid);
    EXPECT_EQ(d.GetString(key + "\\Version", ""), "12.0");
    EXPECT_EQ(d.GetString(ClassesKey(c.progId + "\\CLSID"), ""), c.clsid.ToString());
  }
  // Registration order is the descriptor's: the fast timer first.
  EXPECT_EQ(d.SubKeys(ClassesKey("CLSID")).size(), 2u);

  // The library under its version in the platform's hexadecimal form.
  const std::string lib = ClassesKey("TypeLib\\" + libid);
  EXPECT_EQ(d.SubKeys(lib), std::vector<std::string>{"c.0"});
  EXPECT_EQ(d.GetString(lib + "\\c.0", ""), "Brenvale Korvane Qmx VU Meter");
  EXPECT_EQ(d.GetString(lib + "\\c.0\\0\\win32", ""), ModulePath());
  EXPECT_EQ(d.GetString(lib + "\\c.0\\FLAGS", ""), "2");
  EXPECT_EQ(d.GetString(lib + "\\c.0\\HELPDIR", ""), std::filesystem::path(ModulePath()).parent_path().string());
  for (const auto& [iid, name] : {std::pair{IID__KvDispVU, "_KvDispVU"}, std::pair{DIID___KvDispVU, "__KvDispVU"},
                                  std::pair{IID__KvQmxFasTmr, "_KvQmxFasTmr"},
                                  std::pair{DIID___KvQmxFasTmr, "__KvQmxFasTmr"}}) {
    const std::string key = ClassesKey("Interface\\" + iid.ToString());
    EXPECT_EQ(d.GetString(key, ""), name);
    EXPECT_EQ(d.GetString(key + "\\ProxyStubClsid32", ""), "{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(d.GetString(key + "\\TypeLib", ""), libid);
    EXPECT_EQ(d.GetString(key + "\\TypeLib", "Version"), "c.0");
  }
  EXPECT_EQ(d.SubKeys(ClassesKey("Interface")).size(), 4u);

  ASSERT_EQ(CallExport(ModulePath(), "DllUnregisterServer"), com::S_OK);
  const com::RegistryData after = Read();
  EXPECT_TRUE(after.SubKeys(ClassesKey("CLSID")).empty());
  EXPECT_TRUE(after.SubKeys(ClassesKey("Interface")).empty());
  EXPECT_FALSE(after.KeyExists(lib));
  EXPECT_FALSE(after.KeyExists(ClassesKey(kProgID_KvDispVU)));
  EXPECT_FALSE(after.KeyExists(ClassesKey(kProgID_KvQmxFasTmr)));
  EXPECT_TRUE(after.KeyExists(ClassesKey("Other.Thing\\CLSID")));
}

TEST_F(ModuleRegistration, TheLibraryIsRegisteredFromWhatTheModuleCarries) {
  // Without its resources the module has no library to register, and says so
  // without touching the registry.
  const std::string bare = CopyModule("Bare.ocx", "--remove-section=.rsrc");
  com::TakeErrorText();
  EXPECT_EQ(CallExport(bare, "DllRegisterServer"), com::TYPE_E_CANTLOADLIBRARY);
  const std::string why = com::TakeErrorText();
  EXPECT_NE(why.find(bare), std::string::npos) << why;
  EXPECT_FALSE(std::filesystem::exists(registry_.file()));
  // It can still be unregistered.
  EXPECT_EQ(CallExport(bare, "DllUnregisterServer"), com::S_OK);
}

TEST_F(ModuleRegistration, CanUnloadOnlyWithoutObjectsFactoriesAndLocks) {
  ASSERT_EQ(CallExport(ModulePath(), "DllRegisterServer"), com::S_OK);
  com::ComPtr<com::IUnknown> meter = com::CreateInstance(CLSID_KvDispVU);
  EXPECT_EQ(CanUnloadNow(), com::S_FALSE);
  com::CoFreeUnusedLibraries();
  EXPECT_TRUE(ModuleLoaded());
  meter = nullptr;
  EXPECT_EQ(CanUnloadNow(), com::S_OK);

  {
    com::ComPtr<com::IClassFactory> factory = com::GetClassObject(CLSID_KvQmxFasTmr);
    EXPECT_EQ(CanUnloadNow(), com::S_FALSE);
    EXPECT_EQ(factory->LockServer(1), com::S_OK);
  }
  EXPECT_EQ(CanUnloadNow(), com::S_FALSE);  // the lock outlives the factory
  {
    com::ComPtr<com::IClassFactory> factory = com::GetClassObject(CLSID_KvQmxFasTmr);
    EXPECT_EQ(factory->LockServer(0), com::S_OK);
  }
  EXPECT_EQ(CanUnloadNow(), com::S_OK);
  com::CoFreeUnusedLibraries();
  EXPECT_FALSE(ModuleLoaded());

  // Loaded again on demand, with fresh objects.
  const auto timer = com::DispatchDriver::From(com::CreateInstance(kProgID_KvQmxFasTmr));
  EXPECT_TRUE(ModuleLoaded());
  EXPECT_EQ(timer.Get(DISPID_SleepDelay).ToI4(), 0);
}

TEST_F(ModuleRegistration, BrokenRegistryAndMissingModuleAreNamedInTheError) {
  std::string why;
  // Nothing registered yet: the class is named.
  EXPECT_EQ(CodeOf([] { com::CreateInstance(CLSID_KvDispVU); }, &why), com::REGDB_E_CLASSNOTREG);
  EXPECT_NE(why.find(CLSID_KvDispVU.ToString()), std::string::npos) << why;

  // A damaged registry file is reported with its name and left as it was.
  com::testing::WriteBytes(registry_.file(), "[HKEY_CURRENT_USER\\Software\n");
  EXPECT_EQ(CallExport(ModulePath(), "DllRegisterServer"), com::REGDB_E_READREGDB);
  EXPECT_EQ(CodeOf([] { com::CreateInstance(kProgID_KvDispVU); }, &why), com::REGDB_E_READREGDB);
  EXPECT_NE(why.find(registry_.file().string()), std::string::npos) << why;
  EXPECT_EQ(com::testing::ReadBytes(registry_.file()), "[HKEY_CURRENT_USER\\Software\n");

  // A registered module that has since gone: class and file are named.
  std::filesystem::remove(registry_.file());
  const std::string moved = CopyModule("Moved.ocx");
  ASSERT_EQ(CallExport(moved, "DllRegisterServer"), com::S_OK);
  std::filesystem::remove(moved);
  EXPECT_EQ(CodeOf([] { com::CreateInstance(CLSID_KvQmxFasTmr); }, &why), com::CO_E_DLLNOTFOUND);
  EXPECT_NE(why.find(moved), std::string::npos) << why;
  EXPECT_NE(why.find(kProgID_KvQmxFasTmr), std::string::npos) << why;
}

TEST_F(ModuleRegistration, ExportsExactlyTheFourEntryPoints) {
  const CommandRun nm = RunCommand("nm -D --defined-only " + ModulePath());
  ASSERT_EQ(nm.status, 0) << nm.output;
  std::set<std::string> names;
  std::istringstream lines(nm.output);
  for (std::string line; std::getline(lines, line);) names.insert(line.substr(line.rfind(' ') + 1));
  EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                          "DllUnregisterServer"}));
}

TEST_F(ModuleRegistration, RegtoolRegistersListsAndUnregistersTheModule) {
  CommandRun r = RunCommand(std::string(KV_REGTOOL) + " register " + ModulePath());
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("DllRegisterServer: 0x00000000 (S_OK)"), std::string::npos) << r.output;
  r = RunCommand(std::string(KV_REGTOOL) + " list");
  for (const auto& [progId, clsid] :
       {std::pair{kProgID_KvQmxFasTmr, CLSID_KvQmxFasTmr}, std::pair{kProgID_KvDispVU, CLSID_KvDispVU}}) {
    EXPECT_NE(r.output.find(progId), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(clsid.ToString() + " " + ModulePath() + " present"), std::string::npos) << r.output;
  }
  r = RunCommand(std::string(KV_REGTOOL) + " unregister " + ModulePath());
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Read().SubKeys(ClassesKey("CLSID")).empty());
}

}  // namespace
}  // namespace kvmodule_test
