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

// Points KV_REGISTRY_FILE at a fresh file for the test's length.
class ScopedRegistryFile {
 public:
  ScopedRegistryFile() : file_(dir_.path() / "registry.reg") {
    if (const char* old = std::getenv("KV_REGISTRY_FILE")) saved_ = old, hadOld_ = true;
    setenv("KV_REGISTRY_FILE", file_.c_str(), 1);
  }
  ~ScopedRegistryFile() {
    if (hadOld_) {
      setenv("KV_REGISTRY_FILE", saved_.c_str(), 1);
    } else {
      unsetenv("KV_REGISTRY_FILE");
    }
  }
  const std::filesystem::path& file() const { return file_; }
  const std::filesystem::path& dir() const { return dir_.path(); }

 private:
  TempDir dir_;
  std::filesystem::path file_;
  std::string saved_;
  bool hadOld_ = false;
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
