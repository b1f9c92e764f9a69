#include "tests/runtime/winmm/sound_server.h"

#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace kvtest {
namespace {

// Runs `command` through the shell; its standard output, and whether it exited 0.
bool Run(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[512];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Script(const std::string& kind) {
  return (kind.empty() ? std::string() : "KV_SOUND_SERVER=" + Quoted(kind) + " ") + Quoted(KV_SOUND_SERVER_SCRIPT);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

PrivateSoundServer::PrivateSoundServer(std::string kind) : kind_(std::move(kind)) {
  std::string pattern = (std::filesystem::temp_directory_path() / "kv-sound.XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
  std::string output;
  if (Run(Script(kind_) + " which 2>&1", output)) kind_ = output.substr(0, output.find('\n'));
}

PrivateSoundServer::~PrivateSoundServer() {
  Kill();
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

bool PrivateSoundServer::Start() {
  if (running()) return true;
  if (dir_.empty()) {
    error_ = "cannot make a directory for the sound server";
    return false;
  }
  // A sink name and description of their own, so a test can tell its private
  // server from the session's.
  std::string output;
  const bool ok = Run(Script(kind_) + " start " + Quoted(dir_) + " kvtest KvTestOutput 2>&1", output);
  const auto at = output.find("PULSE_SERVER=");
  if (!ok || at == std::string::npos) {
    error_ = output + ReadFile(dir_ + "/server.log");
    return false;
  }
  const auto begin = at + std::string("PULSE_SERVER=").size();
  address_ = output.substr(begin, output.find_first_of(" \n", begin) - begin);
  serverPid_ = std::atoi(ReadFile(dir_ + "/server.pid").c_str());
  running_ = true;
  return true;
}

void PrivateSoundServer::Kill() {
  if (!running()) return;
  std::string output;
  Run(Script(kind_) + " stop " + Quoted(dir_) + " 2>&1", output);
  running_ = false;
  frozen_ = false;
  serverPid_ = -1;
}

bool PrivateSoundServer::Freeze() {
  if (!running() || serverPid_ <= 0 || kill(serverPid_, SIGSTOP) != 0) return false;
  frozen_ = true;
  return true;
}

void PrivateSoundServer::Thaw() {
  if (frozen_ && serverPid_ > 0) kill(serverPid_, SIGCONT);
  frozen_ = false;
}

int PrivateSoundServer::Pactl(const std::string& arguments) const {
  const std::string command = "PULSE_SERVER=" + Quoted(address_) + " pactl " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string PrivateSoundServer::PactlOutput(const std::string& arguments) const {
  std::string output;
  if (!Run("PULSE_SERVER=" + Quoted(address_) + " pactl " + arguments + " 2>/dev/null", output)) output.clear();
  return output;
}

}  // namespace kvtest
