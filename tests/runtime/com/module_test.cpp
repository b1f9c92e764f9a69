#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "runtime/com/creation.h"
#include "runtime/com/dispatch_driver.h"
#include "runtime/com/module.h"
#include "runtime/registry/registry.h"
#include "runtime/platform/error.h"
#include "tests/runtime/com/test_library.h"
#include "tests/runtime/com/test_support.h"

namespace com {
namespace {

using namespace comtest;

const std::string kModule = COM_TEST_MODULE;

// Calls one of the module's exports through a short-lived handle, so the
// test's own handle never keeps the module loaded.
HRESULT CallExport(const char* name) {
  void* h = dlopen(kModule.c_str(), RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(h, nullptr) << dlerror();
  auto* fn = reinterpret_cast<HRESULT (*)()>(dlsym(h, name));
  const HRESULT r = fn ? fn() : E_FAIL;
  dlclose(h);
  return r;
}

// DllCanUnloadNow of the module as loaded by the creation table.
HRESULT CanUnloadNow() {
  void* h = dlopen(kModule.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h == nullptr) return S_OK;  // not loaded at all
  auto* fn = reinterpret_cast<HRESULT (*)()>(dlsym(h, "DllCanUnloadNow"));
  const HRESULT r = fn();
  dlclose(h);
  return r;
}

bool ModuleLoaded() {
  void* h = dlopen(kModule.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h) dlclose(h);
  return h != nullptr;
}

HRESULT CodeOf(const std::function<void()>& f, std::string* message = nullptr) {
  try {
    f();
  } catch (const platform::Error& e) {
    if (message) *message = e.what();
    return e.code();
  }
  return S_OK;
}

struct ToolRun {
  int status;
  std::string output;
};

ToolRun RunRegtool(const std::string& args) {
  const std::string cmd = std::string(REGTOOL) + " " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  std::string out;
  std::array<char, 256> buf;
  while (fgets(buf.data(), buf.size(), p)) out += buf.data();
  const int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class ModuleTest : public ::testing::Test {
 protected:
  testing::ScopedRegistryFile registry_;
  std::string Clsid(const GUID& g) { return ClassesKey("CLSID\\" + g.ToString()); }
  RegistryData Read() { return Registry(registry_.file()).Read(); }
};

TEST_F(ModuleTest, RegistrationWritesEveryKeyAndUnregistrationRemovesExactlyThose) {
  Registry reg(registry_.file());
  reg.SetString(ClassesKey("CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32"), "", "/other.ocx");
  reg.SetString(ClassesKey("Foreign.Thing\\CLSID"), "", "{00000000-1111-2222-3333-444444444444}");
  const std::string before = testing::ReadBytes(registry_.file());

  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  const RegistryData d = Read();
  const std::string cls = Clsid(kCLSID_Tally);
  const std::string lib = kLibId.ToString();
  EXPECT_EQ(d.GetString(cls, ""), "ComTest.Tally");
  EXPECT_EQ(d.GetString(cls + "\\InprocServer32", ""), kModule);
  EXPECT_EQ(d.GetString(cls + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(d.GetString(cls + "\\ProgID", ""), "ComTest.Tally");
  EXPECT_EQ(d.GetString(cls + "\\MiscStatus", ""), "0");
  EXPECT_EQ(d.GetString(cls + "\\MiscStatus\\1", ""), "0");
  EXPECT_FALSE(d.KeyExists(cls + "\\Control"));  // not a control
  EXPECT_FALSE(d.KeyExists(cls + "\\ToolboxBitmap32"));
  EXPECT_EQ(d.GetString(cls + "\\TypeLib", ""), lib);
  EXPECT_EQ(d.GetString(cls + "\\Version", ""), "12.0");
  EXPECT_EQ(d.GetString(ClassesKey("ComTest.Tally\\CLSID"), ""), kCLSID_Tally.ToString());
  const std::string tl = ClassesKey("TypeLib\\" + lib + "\\c.0");
  EXPECT_EQ(d.GetString(tl, ""), "Component layer test library");
  EXPECT_EQ(d.GetString(tl + "\\0\\win32", ""), kModule);
  EXPECT_EQ(d.GetString(tl + "\\FLAGS", ""), "2");
  EXPECT_EQ(d.GetString(tl + "\\HELPDIR", ""), std::filesystem::path(kModule).parent_path().string());
  for (const GUID& iid : {kIID_Tally, kIID_Counter, kDIID_CounterEvents}) {
    const std::string key = ClassesKey("Interface\\" + iid.ToString());
    EXPECT_EQ(d.GetString(key + "\\ProxyStubClsid32", ""), "{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(d.GetString(key + "\\TypeLib", ""), lib);
    EXPECT_EQ(d.GetString(key + "\\TypeLib", "Version"), "c.0");
  }
  EXPECT_EQ(d.GetString(ClassesKey("Interface\\" + kIID_Tally.ToString()), ""), "_Tally");
  EXPECT_FALSE(d.KeyExists(ClassesKey("Interface\\" + kEnumId.ToString())));

  // Registering twice changes nothing.
  const std::string once = testing::ReadBytes(registry_.file());
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  EXPECT_EQ(testing::ReadBytes(registry_.file()), once);

  ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
  const RegistryData after = Read();
  EXPECT_FALSE(after.KeyExists(cls));
  EXPECT_FALSE(after.KeyExists(ClassesKey("ComTest.Tally")));
  EXPECT_FALSE(after.KeyExists(ClassesKey("TypeLib\\" + lib)));
  EXPECT_FALSE(after.KeyExists(ClassesKey("Interface\\" + kIID_Tally.ToString())));
  EXPECT_EQ(after.GetString(ClassesKey("Foreign.Thing\\CLSID"), ""), "{00000000-1111-2222-3333-444444444444}");
  EXPECT_EQ(after.GetString(ClassesKey("CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32"), ""),
            "/other.ocx");
}

TEST_F(ModuleTest, UnregistrationLeavesAProgIdThatNowNamesAnotherClass) {
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  Registry(registry_.file()).SetString(ClassesKey("ComTest.Tally\\CLSID"), "", "{00000000-1111-2222-3333-444444444444}");
  ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
  EXPECT_TRUE(Read().KeyExists(ClassesKey("ComTest.Tally")));
}

TEST_F(ModuleTest, RegistrationIntoACorruptRegistryFailsAndLeavesTheFile) {
  testing::WriteBytes(registry_.file(), "not a registry\n");
  EXPECT_EQ(CallExport("DllRegisterServer"), REGDB_E_READREGDB);
  EXPECT_EQ(testing::ReadBytes(registry_.file()), "not a registry\n");
}

TEST_F(ModuleTest, RegtoolRegistersListsAndUnregisters) {
  ToolRun r = RunRegtool("register " + kModule);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("0x00000000 (S_OK)"), std::string::npos) << r.output;
  r = RunRegtool("list");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("ComTest.Tally"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find(kCLSID_Tally.ToString() + " " + kModule + " present"), std::string::npos) << r.output;
  r = RunRegtool("unregister " + kModule);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(Read().KeyExists(Clsid(kCLSID_Tally)));

  r = RunRegtool("register " + registry_.dir().string() + "/missing.ocx");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("CO_E_DLLNOTFOUND"), std::string::npos) << r.output;
  r = RunRegtool(std::string("register ") + RUNTIME_LIBRARY);  // loads, but exports nothing of the kind
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("CO_E_ERRORINDLL"), std::string::npos) << r.output;
  testing::WriteBytes(registry_.file(), "garbage");
  r = RunRegtool("register " + kModule);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("REGDB_E_READREGDB"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find(registry_.file().string()), std::string::npos) << r.output;
  EXPECT_EQ(RunRegtool("frobnicate").status, 2);
  r = RunRegtool("--help");  // asked for, the usage is no error
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("usage: kvqmxtmr-regtool register"), std::string::npos) << r.output;
}

// A machine registration serves every user of the tree; a per-user one of
// the same class hides it, and unregistering either leaves the other.
TEST_F(ModuleTest, MachineRegistrationIsFoundBeneathThePerUserOne) {
  const std::string cls = "CLSID\\" + kCLSID_Tally.ToString() + "\\InprocServer32";
  ToolRun r = RunRegtool("register --machine " + kModule);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(std::filesystem::exists(registry_.file()));
  EXPECT_EQ(Registry(registry_.machineFile()).Read().GetString(ClassesKey(cls, RegistryScope::Machine), ""), kModule);
  EXPECT_EQ(ClassIdFromProgId("ComTest.Tally"), kCLSID_Tally);
  EXPECT_EQ(DispatchDriver::From(CreateInstance(kCLSID_Tally)).Get(kCount).RawI4(), 0);
  r = RunRegtool("list");
  EXPECT_NE(r.output.find(kCLSID_Tally.ToString() + " " + kModule + " present machine"), std::string::npos) << r.output;

  // The same class registered per user from another file wins.
  const std::string copy = (registry_.dir() / "Copy.ocx").string();
  std::filesystem::copy_file(kModule, copy);
  r = RunRegtool("register " + copy);
  ASSERT_EQ(r.status, 0) << r.output;
  r = RunRegtool("list");
  EXPECT_NE(r.output.find(kCLSID_Tally.ToString() + " " + copy + " present user (over machine)"), std::string::npos)
      << r.output;
  r = RunRegtool("unregister --machine " + kModule);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(Registry(registry_.machineFile()).Read().KeyExists(ClassesKey(cls, RegistryScope::Machine)));
  EXPECT_EQ(Read().GetString(ClassesKey(cls), ""), copy);

  // A malformed machine file is refused and left as it is, as a per-user one is.
  testing::WriteBytes(registry_.machineFile(), "garbage");
  r = RunRegtool("register --machine " + kModule);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find(registry_.machineFile().string()), std::string::npos) << r.output;
  EXPECT_EQ(testing::ReadBytes(registry_.machineFile()), "garbage");
  std::string msg;
  EXPECT_EQ(CodeOf([&] { CreateInstance(kCLSID_Tally); }, &msg), REGDB_E_READREGDB);
  EXPECT_NE(msg.find(registry_.machineFile().string()), std::string::npos) << msg;
}

// A tree staged for installation (DESTDIR) is registered for the place it
// will be installed to.
TEST_F(ModuleTest, StagedModuleIsRegisteredForItsInstalledPath) {
  const auto staged = registry_.dir() / "stage" / "opt" / "kv" / "lib" / "ComTest.ocx";
  std::filesystem::create_directories(staged.parent_path());
  std::filesystem::copy_file(kModule, staged);
  const std::string root = (registry_.dir() / "stage").string();
  ToolRun r = RunRegtool("register --machine --root " + root + "/ " + staged.string());
  ASSERT_EQ(r.status, 0) << r.output;
  const RegistryData machine = Registry(registry_.machineFile()).Read();
  const std::string cls = "CLSID\\" + kCLSID_Tally.ToString();
  EXPECT_EQ(machine.GetString(ClassesKey(cls + "\\InprocServer32", RegistryScope::Machine), ""), "/opt/kv/lib/ComTest.ocx");
  EXPECT_EQ(machine.GetString(ClassesKey("TypeLib\\" + kLibId.ToString() + "\\c.0\\HELPDIR", RegistryScope::Machine), ""),
            "/opt/kv/lib");

  r = RunRegtool("register --machine --root " + registry_.dir().string() + "/elsewhere " + staged.string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("does not lie in the staging folder"), std::string::npos) << r.output;
  EXPECT_EQ(RunRegtool("register --root " + root + " " + staged.string()).status, 2);  // only with --machine
  EXPECT_FALSE(std::filesystem::exists(registry_.file()));
}

TEST_F(ModuleTest, CreatesByProgIdAndByClassIdentityFromOneLoadedModule) {
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID("ComTest.Tally", &clsid), S_OK);
  EXPECT_EQ(clsid, kCLSID_Tally);
  std::string progId;
  ASSERT_EQ(ProgIDFromCLSID(kCLSID_Tally, &progId), S_OK);
  EXPECT_EQ(progId, "ComTest.Tally");

  DispatchDriver byName = DispatchDriver::From(CreateInstance("ComTest.Tally"));
  byName.Put(kCount, Variant::I4(3));
  EXPECT_EQ(byName.Get(kCount).RawI4(), 3);

  ComPtr<IDispatch> byId;
  ASSERT_EQ(CoCreateInstance(kCLSID_Tally, IID_IDispatch, byId.PutVoid()), S_OK);
  DispatchDriver(byId).Call(kBump);
  EXPECT_EQ(DispatchDriver(byId).Get(kCount).RawI4(), 1);  // a separate object
  EXPECT_EQ(LoadedModules(), std::vector<std::string>{kModule});

  ComPtr<IUnknown> none;
  EXPECT_EQ(CoCreateInstance(kCLSID_Tally, IID_IClassFactory, none.PutVoid()), E_NOINTERFACE);
  EXPECT_FALSE(none);
}

TEST_F(ModuleTest, CreationFailuresNameTheClassAndTheFile) {
  std::string msg;
  const GUID unknown = MakeGuid(0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(CodeOf([&] { CreateInstance(unknown); }, &msg), REGDB_E_CLASSNOTREG);
  EXPECT_NE(msg.find(unknown.ToString()), std::string::npos) << msg;
  EXPECT_NE(msg.find(registry_.file().string()), std::string::npos) << msg;
  EXPECT_NE(msg.find(registry_.machineFile().string()), std::string::npos) << msg;
  EXPECT_EQ(CodeOf([&] { CreateInstance("No.Such"); }, &msg), CO_E_CLASSSTRING);
  EXPECT_NE(msg.find("No.Such"), std::string::npos) << msg;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(unknown, IID_IUnknown, &out), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(out, nullptr);

  Registry reg(registry_.file());
  const auto point = [&](const std::string& file) {
    reg.SetString(Clsid(unknown) + "\\InprocServer32", "", file);
    reg.SetString(Clsid(unknown) + "\\ProgID", "", "Broken.Thing");
  };
  const std::string missing = (registry_.dir() / "gone.ocx").string();
  point(missing);
  EXPECT_EQ(CodeOf([&] { CreateInstance(unknown); }, &msg), CO_E_DLLNOTFOUND);
  EXPECT_NE(msg.find(missing), std::string::npos) << msg;
  EXPECT_NE(msg.find("Broken.Thing"), std::string::npos) << msg;

  const std::string text = (registry_.dir() / "text.ocx").string();
  testing::WriteBytes(text, "MZ this is not a module");
  point(text);
  EXPECT_EQ(CodeOf([&] { CreateInstance(unknown); }, &msg), CO_E_ERRORINDLL);
  EXPECT_NE(msg.find(text), std::string::npos) << msg;

  point(RUNTIME_LIBRARY);
  EXPECT_EQ(CodeOf([&] { CreateInstance(unknown); }, &msg), CO_E_ERRORINDLL);
  EXPECT_NE(msg.find("DllGetClassObject"), std::string::npos) << msg;

  point(kModule);  // a real module that does not hold this class
  EXPECT_EQ(CodeOf([&] { CreateInstance(unknown); }, &msg), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(LoadedModules(), std::vector<std::string>{kModule});  // failed loads left nothing behind
}

TEST_F(ModuleTest, ModuleUnloadsOnlyWhenNoObjectFactoryOrLockRemains) {
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  ComPtr<IUnknown> object = CreateInstance(kCLSID_Tally);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  CoFreeUnusedLibraries();
  EXPECT_TRUE(ModuleLoaded());
  object = nullptr;
  EXPECT_EQ(CanUnloadNow(), S_OK);

  {
    ComPtr<IClassFactory> factory = GetClassObject(kCLSID_Tally);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);  // a live class object points into the module
    EXPECT_EQ(factory->LockServer(1), S_OK);
  }
  EXPECT_EQ(CanUnloadNow(), S_FALSE);  // the lock outlives the factory
  CoFreeUnusedLibraries();
  EXPECT_TRUE(ModuleLoaded());
  {
    ComPtr<IClassFactory> factory = GetClassObject(kCLSID_Tally);
    EXPECT_EQ(factory->LockServer(0), S_OK);
    EXPECT_EQ(factory->LockServer(0), E_UNEXPECTED);  // never below zero
    ComPtr<IUnknown> aggregated;
    ComPtr<IUnknown> outer = CreateInstance(kCLSID_Tally);
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, aggregated.PutVoid()), CLASS_E_NOAGGREGATION);
  }
  EXPECT_EQ(CanUnloadNow(), S_OK);
  CoFreeUnusedLibraries();
  EXPECT_FALSE(ModuleLoaded());
  EXPECT_TRUE(LoadedModules().empty());

  // And it comes back on demand.
  DispatchDriver again = DispatchDriver::From(CreateInstance("ComTest.Tally"));
  EXPECT_EQ(again.Get(kCount).RawI4(), 0);
  EXPECT_TRUE(ModuleLoaded());
}

}  // namespace
}  // namespace com
