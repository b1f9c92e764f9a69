#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "runtime/automation/hresult.h"
#include "runtime/registry/registry.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

namespace fs = std::filesystem;

std::string Why() { return std::strerror(errno); }

[[noreturn]] void WriteFailure(const fs::path& file, const std::string& why) {
  throw platform::Error(REGDB_E_WRITEREGDB, "Cannot write registry file " + file.string() + ": " + why);
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Held for the length of one read-modify-write: a lock on the folder the
// registry file lies in, which is there already and stays, so the lock
// leaves nothing behind, and every writer of that file locks the same inode.
class ExclusiveLock {
 public:
  ExclusiveLock(const fs::path& file, const fs::path& dir) {
    fd_.reset(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd_.get() < 0) WriteFailure(file, "cannot open " + dir.string() + " to lock it: " + Why());
    while (::flock(fd_.get(), LOCK_EX) != 0)
      if (errno != EINTR) WriteFailure(file, "cannot lock " + dir.string() + ": " + Why());
  }

 private:
  Fd fd_;
};

// Temporary files are written only under the lock, so any found while
// holding it were left by a writer that died before its rename.
void RemoveStaleTemporaries(const fs::path& dir, const std::string& fileName) {
  const std::string prefix = "." + fileName + ".";
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
  }
}

// The file that a write must replace. A registry file that is a symbolic
// link is replaced where the link leads, so the link stays and keeps naming
// the current contents. The final target need not exist yet.
fs::path FinalTarget(const fs::path& file) {
  fs::path p = file;
  for (int hops = 0;; ++hops) {
    struct stat st{};
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    if (hops == 40) WriteFailure(file, "too many levels of symbolic links");
    std::error_code ec;
    const fs::path next = fs::read_symlink(p, ec);
    if (ec) WriteFailure(file, "cannot read the link " + p.string() + ": " + ec.message());
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
}

// Renaming over a file needs only the directory's permission; a file the
// user may not write is refused as the platform refuses it, root or not.
void RefuseReadOnly(const fs::path& file, const fs::path& target) {
  struct stat st{};
  if (::stat(target.c_str(), &st) != 0) return;  // not there yet
  const std::string where = target == file ? std::string() : " (the link's target " + target.string() + ")";
  if ((st.st_mode & 0222) == 0) WriteFailure(file, "the file is read-only" + where);
  if (::access(target.c_str(), W_OK) != 0) WriteFailure(file, Why() + where);
}

// A rename or an unlink must survive a crash too.
void SyncFolder(const fs::path& dir) {
  Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() >= 0) ::fsync(dirFd.get());
}

}  // namespace

Registry::Registry(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path Registry::DefaultFile() {
  if (const char* f = std::getenv("KV_REGISTRY_FILE"); f && *f) return f;
  fs::path base;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x && x[0] == '/') {
    base = x;
  } else if (const char* h = std::getenv("HOME"); h && *h) {
    base = fs::path(h) / ".config";
  } else {
    throw platform::Error(REGDB_E_READREGDB, "No registry location: neither KV_REGISTRY_FILE, XDG_CONFIG_HOME nor HOME is set");
  }
  return base / "kvqmxtmr" / "registry.reg";
}

RegistryData Registry::Read() const {
  // Without blocking: a FIFO put in the registry's place must not hang the caller.
  Fd fd(::open(file_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT) return RegistryData();
    throw platform::Error(REGDB_E_READREGDB, "Cannot read registry file " + file_.string() + ": " + Why());
  }
  struct stat st{};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
    throw platform::Error(REGDB_E_READREGDB, "Cannot read registry file " + file_.string() + ": not a regular file");
  std::string bytes;
  char buf[65536];
  while (true) {
    const ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw platform::Error(REGDB_E_READREGDB, "Cannot read registry file " + file_.string() + ": " + Why());
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  // A file created and never written (touch, a full disk, an editor that
  // truncated it) holds nothing that could be lost: the next write fills it.
  if (bytes.empty()) return RegistryData();
  return RegistryData::Parse(bytes, file_.string());
}

void Registry::Transaction(const std::function<void(RegistryData&)>& edit) {
  const fs::path target = FinalTarget(file_);
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) WriteFailure(file_, "cannot create " + dir.string() + ": " + ec.message());

  // The real file's folder, so writers through the link and writers naming
  // the target directly take the same lock.
  ExclusiveLock lock(target, dir);
  RefuseReadOnly(file_, target);
  RemoveStaleTemporaries(dir, target.filename().string());
  RegistryData data = Read();
  const bool heldValues = data.HoldsValues();
  edit(data);
  if (heldValues && !data.HoldsValues()) {
    if (::unlink(target.c_str()) != 0 && errno != ENOENT) WriteFailure(file_, Why());
    SyncFolder(dir);
    return;
  }
  const std::string bytes = data.Serialize();

  std::string tmpl = dir.string() + "/." + target.filename().string() + ".XXXXXX";
  Fd tmp(::mkostemp(tmpl.data(), O_CLOEXEC));
  if (tmp.get() < 0) WriteFailure(file_, "cannot create a temporary file in " + dir.string() + ": " + Why());
  bool placed = false;
  struct Cleanup {
    const std::string& path;
    bool& placed;
    ~Cleanup() {
      if (!placed) ::unlink(path.c_str());
    }
  } cleanup{tmpl, placed};

  struct stat st{};
  const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  if (::fchmod(tmp.get(), mode) != 0) WriteFailure(file_, Why());
  if (!WriteAll(tmp.get(), bytes)) WriteFailure(file_, Why());
  if (::fsync(tmp.get()) != 0) WriteFailure(file_, Why());
  if (::close(tmp.release()) != 0) WriteFailure(file_, Why());
  if (::rename(tmpl.c_str(), target.c_str()) != 0) WriteFailure(file_, Why());
  placed = true;
  SyncFolder(dir);
}

std::optional<RegistryValue> Registry::GetValue(std::string_view path, std::string_view name) const {
  return Read().GetValue(path, name);
}
std::optional<std::string> Registry::GetString(std::string_view path, std::string_view name) const {
  return Read().GetString(path, name);
}
bool Registry::KeyExists(std::string_view path) const { return Read().KeyExists(path); }
std::vector<std::string> Registry::SubKeys(std::string_view path) const { return Read().SubKeys(path); }
void Registry::SetValue(std::string_view path, std::string_view name, const RegistryValue& value) {
  Transaction([&](RegistryData& d) { d.SetValue(path, name, value); });
}
void Registry::DeleteTree(std::string_view path) {
  Transaction([&](RegistryData& d) { d.DeleteTree(path); });
}

}  // namespace com
