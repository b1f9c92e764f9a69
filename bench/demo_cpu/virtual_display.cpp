#include "bench/demo_cpu/virtual_display.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace kvbench {

VirtualDisplay::VirtualDisplay(int width, int height, const std::string& logFile) : logFile_(logFile) {
  // Xvfb picks a free display itself and writes its number to this pipe once
  // it accepts clients.
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  server_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", screen, "-nolisten",
                               "tcp", "-noreset"},
      EnvironmentWith({}), logFile, ready[1]);
  ::close(ready[1]);
  std::string number;
  pollfd p{ready[0], POLLIN, 0};
  while (::poll(&p, 1, 10000) == 1) {
    char c = 0;
    if (::read(ready[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  ::close(ready[0]);
  if (number.empty()) throw std::runtime_error("Xvfb did not start (see " + logFile + ")");
  name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() { server_->Stop(); }

std::map<std::string, std::string> VirtualDisplay::ClientEnvironment() const {
  return {{"DISPLAY", name_}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", "xcb"}};
}

int VirtualDisplay::Xdotool(const std::vector<std::string>& args) const {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunToEnd(argv, EnvironmentWith({{"DISPLAY", name_}}), logFile_);
}

bool VirtualDisplay::WaitForWindowOf(pid_t pid, int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Xdotool({"search", "--onlyvisible", "--pid", std::to_string(pid)}) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

void VirtualDisplay::Click(int x, int y) const {
  Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
}

void VirtualDisplay::Key(const std::string& name) const { Xdotool({"key", name}); }

}  // namespace kvbench
