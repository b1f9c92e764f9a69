#pragma once
// Programs the benchmark starts and watches: started with an environment of
// their own, their processor time read from the kernel's counters for them
// (/proc/PID/stat, every thread, living or ended), and ended by their id.
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace kvbench {

// The environment of this process with `changes` applied; an empty value
// removes the variable.
std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes);

class ChildProcess {
 public:
  // Starts `argv[0]` (searched on PATH when it has no slash) with `env`;
  // standard output and error go to `logFile`. Raises std::runtime_error when
  // the program cannot be started.
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& logFile, int keepFd = -1);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running();
  // User plus system time of every thread, in seconds.
  double CpuSeconds() const;
  // Waits for the end; the exit status, or -1 after a signal.
  int Wait();
  // SIGTERM, then SIGKILL if it has not gone after a second; waits for it.
  void Stop();

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
};

// Runs a program to its end; its exit status, or -1 if it could not run.
int RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& logFile);

}  // namespace kvbench
