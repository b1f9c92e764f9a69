#pragma once
// A private headless Wayland compositor (weston's headless backend with its
// desktop shell, one output) for the benchmark, and the demo on it. No
// program may type or click into another's window on Wayland, so the demo
// runs as demo_mode_runner: the real main window, whose menu items the
// benchmark chooses by name through a pipe (Choose) instead of by hand. The
// compositor also runs its X server (Xwayland), so the same demo can be
// measured through it, as an X client, in the same run.
#include <map>
#include <memory>
#include <string>

#include "bench/demo_cpu/child_process.h"

namespace kvbench {

class WaylandDisplay {
 public:
  // Starts weston on a socket of its own in a runtime folder under `workDir`;
  // raises std::runtime_error when it does not come up.
  WaylandDisplay(int width, int height, const std::string& workDir, const std::string& logFile);
  ~WaylandDisplay();

  ChildProcess& Server() { return *server_; }

  // Starts the demo on this compositor with `env` changes on top of the
  // Wayland client's environment: a native client, or an X client of the
  // compositor's X server when `throughX`.
  std::unique_ptr<ChildProcess> StartDemo(const std::string& runner, std::map<std::string, std::string> env,
                                          bool throughX = false);
  // Waits until the demo's main window is on the output; false after
  // `timeoutMs`.
  bool WaitForWindow(int timeoutMs) const;
  // Chooses a menu item of the demo's main window by its name ("mnuBarGraph").
  void Choose(const std::string& item) const;

 private:
  std::string runtimeDir_, socket_, commands_, ready_, logFile_, xDisplay_;
  int commandFd_ = -1;
  std::unique_ptr<ChildProcess> server_;
};

}  // namespace kvbench
