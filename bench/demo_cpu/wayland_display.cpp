#include "bench/demo_cpu/wayland_display.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
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
  // Where every X server keeps its socket; the compositor makes none.
  std::error_code ignored;
  if (!fs::exists("/tmp/.X11-unix")) {
    fs::create_directories("/tmp/.X11-unix", ignored);
    fs::permissions("/tmp/.X11-unix", fs::perms::all | fs::perms::sticky_bit, ignored);
  }
  const std::string westonLog = runtimeDir_ + "/weston.log";
  server_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"weston", "--backend=headless-backend.so", "--use-pixman",
                               "--width=" + std::to_string(width), "--height=" + std::to_string(height),
                               "--socket=" + socket_, "--config=" + runtimeDir_ + "/weston.ini", "--idle-time=0",
                               "--xwayland", "--log=" + westonLog},
      EnvironmentWith({{"XDG_RUNTIME_DIR", runtimeDir_}, {"WAYLAND_DISPLAY", ""}, {"DISPLAY", ""}}), logFile);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(runtimeDir_ + "/" + socket_)) {
    if (!server_->Running() || std::chrono::steady_clock::now() > deadline)
      throw std::runtime_error("weston did not start (see " + logFile + ")");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the shell sets up the output
  std::stringstream westonText;
  westonText << std::ifstream(westonLog).rdbuf();
  std::smatch display;
  const std::string text = westonText.str();
  if (std::regex_search(text, display, std::regex("xserver listening on display (:[0-9]+)"))) xDisplay_ = display[1];
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
                                                         std::map<std::string, std::string> env, bool throughX) {
  if (throughX && xDisplay_.empty()) throw std::runtime_error("weston runs no X server (is Xwayland installed?)");
  fs::remove(ready_);
  env["XDG_RUNTIME_DIR"] = runtimeDir_;
  env["WAYLAND_DISPLAY"] = throughX ? "" : socket_;
  env["DISPLAY"] = throughX ? xDisplay_ : "";
  env["QT_QPA_PLATFORM"] = throughX ? "xcb" : "wayland";
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
