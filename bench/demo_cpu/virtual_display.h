#pragma once
// A private X server (Xvfb on the first free display) and the user's hands on
// it (xdotool): the benchmark drives the real demo the way a user does.
// Everything that ties the benchmark to X lives here: the server it starts,
// the environment a client needs to reach it, and the input it sends; another
// kind of display server plugs in with the same members.
#include <map>
#include <memory>
#include <string>

#include "bench/demo_cpu/child_process.h"

namespace kvbench {

class VirtualDisplay {
 public:
  // Starts Xvfb with one screen of `width` x `height` at 24 bits; raises
  // std::runtime_error when it does not come up.
  VirtualDisplay(int width, int height, const std::string& logFile);
  ~VirtualDisplay();

  const std::string& Name() const { return name_; }  // ":N"
  // What the tables call the server: "Xvfb".
  std::string Kind() const { return "Xvfb"; }
  ChildProcess& Server() { return *server_; }
  // The variables a Qt program needs to show its windows here, and nowhere
  // else (no Wayland session it might find).
  std::map<std::string, std::string> ClientEnvironment() const;

  // Waits until the process `pid` has a window on the screen; false after
  // `timeoutMs`.
  bool WaitForWindowOf(pid_t pid, int timeoutMs) const;
  // A left click at a screen position, and a key by its X name.
  void Click(int x, int y) const;
  void Key(const std::string& name) const;

 private:
  int Xdotool(const std::vector<std::string>& args) const;
  std::string name_;
  std::string logFile_;
  std::unique_ptr<ChildProcess> server_;
};

}  // namespace kvbench
