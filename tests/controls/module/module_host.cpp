#include "tests/controls/module/module_host.h"

#include <dlfcn.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "runtime/com/creation.h"
#include "runtime/platform/error.h"

namespace kvmodule_test {

const std::string& ModulePath() {
  static const std::string path = std::string(KV_MODULE_DIR) + "/" + dialfen::kModuleFileName;
  return path;
}

com::HRESULT CallExport(const std::string& module, const char* exportName) {
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    ADD_FAILURE() << dlerror();
    return com::E_FAIL;
  }
  auto* fn = reinterpret_cast<com::HRESULT (*)()>(dlsym(handle, exportName));
  const com::HRESULT result = fn ? fn() : com::E_FAIL;
  dlclose(handle);
  return result;
}

com::HRESULT CanUnloadNow() {
  void* handle = dlopen(ModulePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return com::S_OK;
  auto* fn = reinterpret_cast<com::HRESULT (*)()>(dlsym(handle, "DllCanUnloadNow"));
  const com::HRESULT result = fn();
  dlclose(handle);
  return result;
}

bool ModuleLoaded() {
  void* handle = dlopen(ModulePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
}

com::HRESULT CodeOf(const std::function<void()>& f, std::string* message) {
  try {
    f();
  } catch (const platform::Error& e) {
    if (message) *message = e.what();
    return e.code();
  }
  return com::S_OK;
}

CommandRun RunCommand(const std::string& command) {
  CommandRun run;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer{};
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) run.output.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::vector<int32_t>& ModuleHostTest::Sleeps() {
  static std::vector<int32_t> sleeps;
  return sleeps;
}

void ModuleHostTest::SetUp() {
  Sleeps().clear();
  UseMixerScript("values 1200");
  ASSERT_EQ(CallExport(ModulePath(), "DllRegisterServer"), com::S_OK);
}

void ModuleHostTest::TearDown() {
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  com::CoFreeUnusedLibraries();
}

void ModuleHostTest::UseMixerScript(const std::string& script) {
  device_.reset();
  mixer_ = std::make_shared<winmm::ScriptedMixer>(winmm::MixerScript::Parse(script));
  device_ = std::make_unique<winmm::ScopedMixerDevice>(mixer_);
}

uint64_t ModuleHostTest::MixerReads() const { return mixer_->Counts().reads; }
uint64_t ModuleHostTest::MixerOpens() const { return mixer_->Counts().opens; }

}  // namespace kvmodule_test
