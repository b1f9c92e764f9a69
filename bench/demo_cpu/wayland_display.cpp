#include "bench/demo_cpu/wayland_display.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace kvbench {
namespace fs = std::filesystem;

WaylandDisplay::WaylandDisplay(int width, int height, const std::string& workDir, const std::string& logFile)
    : logFile_(logFile) {
  runtimeDir_ = workDir + "/wayland";
  fs::create_directories(runtimeDir_);
  fs::permissions(runtimeDir_, fs::perms::owner_all, fs::perm_options::replace);
  socket_ = "kv-bench-" + std::to_string(::getpid());
  // No panel, no idle blanking, no animations: the output is the demo's.
  std::ofstream(runtimeDir_ + "/weston.ini") << "[core]\nidle-time=0\nrequire-input=false\n"
                                                "[shell]\npanel-position=none\nlocking=false\nanimation=none\n"
                                                "startup-animation=none\nclose-animation=none\nfocus-animation=none\n";
  server_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"weston", "--backend=headless-backend.so", "--use-pixman",
                               "--width=" + std::to_string(width), "--height=" + std::to_string(height),
                               "--socket=" + socket_, "--config=" + runtimeDir_ + "/weston.ini", "--idle-time=0"},
      EnvironmentWith({{"XDG_RUNTIME_DIR", runtimeDir_}, {"WAYLAND_DISPLAY", ""}, {"DISPLAY", ""}}), logFile);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(runtimeDir_ + "/" + socket_)) {
    if (!server_->Running() || std::chrono::steady_clock::now() > deadline)
      throw std::runtime_error("weston did not start (see " + logFile + ")");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the shell sets up the output
  commands_ = workDir + "/commands";
  ready_ = workDir + "/window-shown";
  if (::mkfifo(commands_.c_str(), 0600) != 0) throw std::runtime_error("cannot make " + commands_);
  // Read and write, so that opening never waits for the demo.
  commandFd_ = ::open(commands_.c_str(), O_RDWR | O_CLOEXEC);
  if (commandFd_ < 0) throw std::runtime_error("cannot open " + commands_);
}

WaylandDisplay::~WaylandDisplay() {
  if (commandFd_ >= 0) ::close(commandFd_);
  server_->Stop();
}

std::unique_ptr<ChildProcess> WaylandDisplay::StartDemo(const std::string& runner,
                                                         std::map<std::string, std::string> env) {
  fs::remove(ready_);
  env["XDG_RUNTIME_DIR"] = runtimeDir_;
  env["WAYLAND_DISPLAY"] = socket_;
  env["DISPLAY"] = "";
  env["QT_QPA_PLATFORM"] = "wayland";
  env["KV_BENCH_COMMANDS"] = commands_;
  env["KV_BENCH_SHOWN"] = ready_;
  return std::make_unique<ChildProcess>(std::vector<std::string>{runner}, EnvironmentWith(env), logFile_);
}

bool WaylandDisplay::WaitForWindow(int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (fs::exists(ready_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

void WaylandDisplay::Choose(const std::string& item) const {
  const std::string line = item + "\n";
  if (::write(commandFd_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
    throw std::runtime_error("cannot send " + item + " to the demo");
}

}  // namespace kvbench
