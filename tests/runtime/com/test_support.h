#pragma once
// A private directory and registry file per test, so tests never touch the
// user's registry and can run in parallel.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace com::testing {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kvcom-XXXXXX").string();
    path_ = mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Sets an environment variable for the length of a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old, hadOld_ = true;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (hadOld_) {
      setenv(name_, saved_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string saved_;
  bool hadOld_ = false;
};

// Points KV_REGISTRY_FILE and KV_MACHINE_REGISTRY_FILE at fresh files (none
// exists yet) for the test's length.
class ScopedRegistryFile {
 public:
  ScopedRegistryFile()
      : file_(dir_.path() / "registry.reg"),
        machineFile_(dir_.path() / "machine.reg"),
        user_("KV_REGISTRY_FILE", file_.string()),
        machine_("KV_MACHINE_REGISTRY_FILE", machineFile_.string()) {}
  const std::filesystem::path& file() const { return file_; }
  const std::filesystem::path& machineFile() const { return machineFile_; }
  const std::filesystem::path& dir() const { return dir_.path(); }

 private:
  TempDir dir_;
  std::filesystem::path file_;
  std::filesystem::path machineFile_;
  ScopedEnv user_;
  ScopedEnv machine_;
};

inline std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace com::testing
