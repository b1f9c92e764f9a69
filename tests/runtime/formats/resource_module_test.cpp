// Resources read back from real ELF files built by the project's own
// embedding step (see kv_embed_resources).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "runtime/automation/hresult.h"
#include "runtime/formats/resource_module.h"
#include "runtime/formats/typelib_module.h"
#include "runtime/platform/error.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string RealPath(const std::string& path) { return fs::canonical(path).string(); }

int32_t Code(const std::function<void()>& f) {
  try {
    f();
  } catch (const platform::Error& e) {
    return e.code();
  }
  return 0;
}

// A scratch copy of a module that the test may replace.
class ScratchModule {
 public:
  ScratchModule() : path_(fs::temp_directory_path() / ("kv_resource_test_" + std::to_string(::getpid()) + ".so")) {}
  ~ScratchModule() { fs::remove(path_); }
  void CopyFrom(const std::string& source) {
    fs::copy_file(source, path_, fs::copy_options::overwrite_existing);
    // A later copy in the same clock tick must still count as a change.
    fs::last_write_time(path_, fs::last_write_time(path_) + std::chrono::seconds(++generation_));
  }
  std::string path() const { return path_.string(); }

 private:
  fs::path path_;
  int generation_ = 0;
};

TEST(ResourceModule, EveryEmbeddedResourceLoadsAsWritten) {
  const auto expected = com::ReadResourceFile(ReadAll(KV_PROBE_MODULE_RES));
  ASSERT_FALSE(expected.empty());
  for (const auto& res : expected) {
    const auto found = com::FindResource(KV_PROBE_MODULE, res.type, res.name, res.language);
    ASSERT_TRUE(found.has_value()) << res.type.ToString() << " " << res.name.ToString();
    EXPECT_EQ(res.data.size(), found->size);
    EXPECT_EQ(res.data, com::LoadResource(*found));
  }
  EXPECT_EQ(expected.size(), com::ReadModuleResources(KV_PROBE_MODULE).size());
}

TEST(ResourceModule, LoadedModulesAreFoundByHandleAndByAddress) {
  void* handle = ::dlopen(KV_PROBE_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(nullptr, handle) << ::dlerror();
  EXPECT_EQ(RealPath(KV_PROBE_MODULE), com::ModulePathOfHandle(handle));
  void* marker = ::dlsym(handle, "kv_resource_probe_marker");
  ASSERT_NE(nullptr, marker);
  EXPECT_EQ(RealPath(KV_PROBE_MODULE), com::ModulePathOfAddress(marker));
  const auto found = com::FindResource(handle, "TYPELIB", uint16_t{1});
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(0, std::memcmp(com::LoadResource(*found).data(), "MSFT", 4));
  ::dlclose(handle);

  // The program itself: its handle and its own code lead to its file.
  void* self = ::dlopen(nullptr, RTLD_NOW);
  EXPECT_EQ(RealPath("/proc/self/exe"), com::ModulePathOfHandle(self));
  ::dlclose(self);
  static int localVariable = 0;
  EXPECT_EQ(RealPath("/proc/self/exe"), com::ModulePathOfAddress(&localVariable));
  EXPECT_EQ(com::E_INVALIDARG, Code([] { com::ModulePathOfAddress(nullptr); }));
  EXPECT_EQ(com::E_INVALIDARG, Code([] { com::ModulePathOfHandle(nullptr); }));
}

TEST(ResourceModule, AbsentResourcesAndUnreadableModulesAreTold) {
  EXPECT_FALSE(com::FindResource(KV_PROBE_MODULE, "TYPELIB", uint16_t{2}).has_value());
  EXPECT_FALSE(com::FindResource(KV_PROBE_MODULE, com::RT_VERSION, uint16_t{1}, uint16_t{0x0407}).has_value());
  // A module without a resource section simply has none.
  EXPECT_FALSE(com::FindResource("/proc/self/exe", com::RT_VERSION, uint16_t{1}).has_value());
  EXPECT_EQ(platform::kErrorFileNotFound, Code([] { com::FindResource("/nonexistent.ocx", "TYPELIB", uint16_t{1}); }));
  EXPECT_EQ(com::RESOURCE_E_BAD_MODULE, Code([] { com::FindResource(KV_PROBE_MODULE_RES, "TYPELIB", uint16_t{1}); }));
  EXPECT_EQ(com::TYPE_E_CANTLOADLIBRARY, Code([] { com::LoadTypeLibraryFromModule(KV_PROBE_PROGRAM); }));
  EXPECT_EQ("Dialfen", com::LoadTypeLibraryFromModule(KV_PROBE_MODULE).attributes().name);
}

TEST(ResourceModule, ReplacedModuleFileIsReadAfresh) {
  ScratchModule scratch;
  scratch.CopyFrom(KV_PROBE_MODULE);
  const auto typelib = com::FindResource(scratch.path(), "TYPELIB", uint16_t{1});
  ASSERT_TRUE(typelib.has_value());
  const auto moduleVersion = com::LoadResource(*com::FindResource(scratch.path(), com::RT_VERSION, uint16_t{1}));

  scratch.CopyFrom(KV_PROBE_PROGRAM);
  const auto programVersion = com::LoadResource(*com::FindResource(scratch.path(), com::RT_VERSION, uint16_t{1}));
  EXPECT_NE(moduleVersion, programVersion);
  // A location found before the change no longer leads anywhere.
  EXPECT_EQ(com::RESOURCE_E_DATA_NOT_FOUND, Code([&] { com::LoadResource(*typelib); }));
}

}  // namespace
