#pragma once
// How the sound-server connection introduces itself, so a user who finds it in
// the recording list of their sound settings knows whose it is: the host
// program's name as Qt knows it (by default its executable's), its desktop
// file name and its icon's theme name where the program set them.
#include <string>

namespace winmm {

struct PulseClientIdentity {
  std::string name;      // empty: libpulse names the connection after the executable
  std::string id;        // the desktop file name, e.g. "org.example.Program"
  std::string iconName;  // a theme icon name
};

// Reads the host program's identity; call on the thread that runs Qt.
PulseClientIdentity HostPulseClientIdentity();

}  // namespace winmm
