#include "runtime/winmm/pulse_server_socket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace winmm {
namespace {

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::string PulseServerSocket(const std::string& server) {
  std::string address = server;
  if (address.empty()) address = FromEnvironment("PULSE_SERVER");
  if (address.empty()) {
    std::string runtime = FromEnvironment("PULSE_RUNTIME_PATH");
    if (runtime.empty()) {
      const std::string xdg = FromEnvironment("XDG_RUNTIME_DIR");
      if (xdg.empty()) return {};
      runtime = xdg + "/pulse";
    }
    return runtime + "/native";
  }
  if (address.find_first_of(" \t") != std::string::npos) return {};  // a list: libpulse tries each
  if (address.rfind("unix:", 0) == 0) address = address.substr(5);
  return !address.empty() && address[0] == '/' ? address : std::string();
}

bool PulseServerListens(const std::string& path) {
  sockaddr_un address{};
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // A listening socket whose backlog is full answers EAGAIN: it is there.
  const bool listens = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
                       errno == EAGAIN || errno == EINPROGRESS;
  close(fd);
  return listens;
}

}  // namespace winmm
