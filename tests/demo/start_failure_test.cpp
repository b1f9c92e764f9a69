// Without its controls the program shows one message naming the class and
// the module, and ends with a failure status. Runs in a process of its own:
// it points the registry elsewhere and loads a throwaway copy of the module.
#include <dlfcn.h>

#include <filesystem>
#include <fstream>

#include "demo/program.h"
#include "runtime/com/module.h"
#include "runtime/forms/msgbox.h"
#include "tests/demo/demo_session.h"

namespace whorlix::testing {
namespace {

std::vector<std::string> RunCapturingMessages(int& status) {
  std::vector<std::string> messages;
  forms::ScopedMsgBoxHook hook([&](const std::string& text) { messages.push_back(text); });
  int argc = 1;
  char name[] = "Whorlix";
  char* argv[] = {name, nullptr};
  status = RunWhorlix(argc, argv);
  return messages;
}

TEST(StartFailure, UnregisteredControlsAreNamedWithTheModule) {
  UseEmptyRegistry();
  // Started from the folder above bin/, as the README's commands are given.
  const std::filesystem::path started = std::filesystem::current_path();
  std::filesystem::current_path(std::getenv("KV_BINARY_DIR"));
  int status = 0;
  const auto messages = RunCapturingMessages(status);
  std::filesystem::current_path(started);
  EXPECT_EQ(status, 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("KvQmxTmr.ocx"), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("KvQmxFasTmr"), std::string::npos) << messages[0];
  // The whole command, with this tree's kvqmxtmr-regtool and module.
  EXPECT_NE(messages[0].find("\n    bin/kvqmxtmr-regtool register bin/KvQmxTmr.ocx"), std::string::npos) << messages[0];
}

// A registry file that cannot be read is named as the problem; the module
// is not blamed for it.
TEST(StartFailure, UnreadableRegistryFileIsNamedAsTheProblem) {
  UseEmptyRegistry();
  const std::filesystem::path started = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::path(std::getenv("KV_REGISTRY_FILE")).parent_path());
  for (const char* variable : {"KV_REGISTRY_FILE", "KV_MACHINE_REGISTRY_FILE"}) {
    const std::string file = std::getenv(variable);
    std::ofstream(file) << "not a registry\n";
    int status = 0;
    const auto messages = RunCapturingMessages(status);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Registry file " + file + " is malformed"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("that file is at fault, not KvQmxTmr.ocx"), std::string::npos) << messages[0];
    EXPECT_EQ(messages[0].find("damaged or out of date"), std::string::npos) << messages[0];
    // Started elsewhere, the command names both by their full paths.
    const std::string bin = std::filesystem::canonical(std::string(std::getenv("KV_BINARY_DIR")) + "/bin").string();
    EXPECT_NE(messages[0].find("\n    " + bin + "/kvqmxtmr-regtool register " + bin + "/KvQmxTmr.ocx"), std::string::npos)
        << messages[0];
    std::filesystem::remove(file);
  }
  std::filesystem::current_path(started);
}

TEST(StartFailure, MissingModuleFileIsNamed) {
  UseEmptyRegistry();
  const std::filesystem::path dir = std::filesystem::path(std::getenv("KV_REGISTRY_FILE")).parent_path();
  const std::filesystem::path copy = dir / "KvQmxTmr.ocx";
  std::filesystem::copy_file(std::string(std::getenv("KV_BINARY_DIR")) + "/bin/KvQmxTmr.ocx", copy);
  void* handle = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto* reg = reinterpret_cast<com::DllRegisterServerFn*>(dlsym(handle, "DllRegisterServer"));
  ASSERT_NE(reg, nullptr);
  ASSERT_EQ(reg(), com::S_OK);
  dlclose(handle);
  std::filesystem::remove(copy);

  int status = 0;
  const auto messages = RunCapturingMessages(status);
  EXPECT_EQ(status, 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(copy.string()), std::string::npos) << messages[0];
}

}  // namespace
}  // namespace whorlix::testing
