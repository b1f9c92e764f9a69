#include "bench/demo_cpu/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kvbench {

std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (changes.count(name) == 0) env.push_back(entry);
  }
  for (const auto& [name, value] : changes) {
    if (!value.empty()) env.push_back(name + "=" + value);
  }
  return env;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                           const std::string& logFile, int keepFd) {
  if (argv.empty()) throw std::runtime_error("no program to start");
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const int log = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (log < 0) throw std::runtime_error("cannot write " + logFile + ": " + std::strerror(errno));
  // Reports a failed exec through a pipe that closes on a successful one.
  int failure[2];
  if (::pipe2(failure, O_CLOEXEC) != 0) throw std::runtime_error("pipe: " + std::string(std::strerror(errno)));
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork: " + std::string(std::strerror(errno)));
  if (pid_ == 0) {
    ::dup2(log, STDOUT_FILENO);
    ::dup2(log, STDERR_FILENO);
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
    if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
    ::execvpe(args[0], args.data(), envp.data());
    const int error = errno;
    (void)!::write(failure[1], &error, sizeof error);
    ::_exit(127);
  }
  ::close(failure[1]);
  ::close(log);
  int error = 0;
  const ssize_t n = ::read(failure[0], &error, sizeof error);
  ::close(failure[0]);
  if (n == static_cast<ssize_t>(sizeof error)) {
    ::waitpid(pid_, nullptr, 0);
    reaped_ = true;
    throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
  }
}

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Running() {
  if (reaped_) return false;
  if (::waitpid(pid_, nullptr, WNOHANG) == pid_) reaped_ = true;
  return !reaped_;
}

int ChildProcess::Wait() {
  if (reaped_) return -1;
  int status = 0;
  const pid_t done = ::waitpid(pid_, &status, 0);
  reaped_ = true;
  return done == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double ChildProcess::CpuSeconds() const {
  std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The command name may hold spaces and parentheses; the fields that follow
  // it start after the last ')'. utime and stime are the 12th and 13th.
  const size_t close = text.rfind(')');
  if (close == std::string::npos) throw std::runtime_error("process " + std::to_string(pid_) + " has gone");
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 1; i <= 13 && fields >> field; ++i) {
    if (i == 12) utime = std::stoull(field);
    if (i == 13) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

void ChildProcess::Stop() {
  if (!Running()) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 100 && Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (Running()) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    reaped_ = true;
  }
}

int RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& logFile) {
  try {
    ChildProcess child(argv, env, logFile);
    return child.Wait();
  } catch (const std::exception&) {
    return -1;
  }
}

}  // namespace kvbench
