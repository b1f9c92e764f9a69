#include "tests/runtime/winmm/sound_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

extern char** environ;

namespace kvtest {
namespace {

bool Answers(const std::string& socketPath) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

}  // namespace

PrivateSoundServer::PrivateSoundServer() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kv-sound.XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
  std::filesystem::create_directories(dir_ + "/runtime");
  std::filesystem::create_directories(dir_ + "/state");
  socket_ = dir_ + "/native";
}

PrivateSoundServer::~PrivateSoundServer() {
  Kill();
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

bool PrivateSoundServer::Start() {
  if (running()) return true;
  std::filesystem::remove(socket_);
  std::vector<std::string> args = {
      "pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
      "--use-pid-file=no",
      "--load=module-null-sink sink_name=kvtest sink_properties=device.description=KvTestOutput",
      "--load=module-native-protocol-unix socket=" + socket_ + " auth-anonymous=1",
      "--log-target=file:" + dir_ + "/server.log"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> env = {"PULSE_RUNTIME_PATH=" + dir_ + "/runtime", "PULSE_STATE_PATH=" + dir_ + "/state",
                                  "HOME=" + dir_};
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("PULSE_", 0) != 0 && entry.rfind("HOME=", 0) != 0) env.push_back(entry);
  }
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int rc = posix_spawnp(&pid_, "pulseaudio", &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    error_ = std::string("cannot run pulseaudio: ") + std::strerror(rc);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Answers(socket_)) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      error_ = "pulseaudio exited at start; see " + dir_ + "/server.log";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  error_ = "pulseaudio did not open " + socket_ + " in time";
  Kill();
  return false;
}

void PrivateSoundServer::Kill() {
  if (!running()) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

int PrivateSoundServer::Pactl(const std::string& arguments) const {
  const std::string command = "PULSE_SERVER='" + address() + "' pactl " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kvtest
