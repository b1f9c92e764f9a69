#pragma once
// The sound server a benchmark measures against: the one PULSE_SERVER names
// (./test.sh's private server, or the user's), else a private one started here
// for the life of the process.
#include <cstdlib>
#include <memory>
#include <string>

#include "tests/runtime/winmm/sound_server.h"

namespace kvbench {

inline std::string SoundServerAddress() {
  if (const char* env = std::getenv("PULSE_SERVER")) return env;
  static std::unique_ptr<kvtest::PrivateSoundServer> own = [] {
    auto server = std::make_unique<kvtest::PrivateSoundServer>();
    return server->Start() ? std::move(server) : nullptr;
  }();
  return own ? own->address() : std::string();
}

}  // namespace kvbench
