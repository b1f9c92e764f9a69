#pragma once
// The sound server a benchmark measures against: for no kind, the one
// PULSE_SERVER names (./test.sh's private server, or the user's), else a
// private one; for a kind ("pulseaudio", "pipewire"), a private server of that
// kind. Private servers are started here once and live as long as the process.
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "tests/runtime/winmm/sound_server.h"

namespace kvbench {

// Empty when no such server can start.
inline std::string SoundServerAddress(const std::string& kind = {}) {
  if (kind.empty())
    if (const char* env = std::getenv("PULSE_SERVER")) return env;
  static std::map<std::string, std::unique_ptr<kvtest::PrivateSoundServer>> servers;
  auto& server = servers[kind];
  if (!server) {
    server = std::make_unique<kvtest::PrivateSoundServer>(kind);
    if (!server->Start()) return {};
  }
  return server->running() ? server->address() : std::string();
}

}  // namespace kvbench
