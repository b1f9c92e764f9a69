#pragma once
// Where a sound server listens, and whether it does: a server that went away
// is back the moment its socket takes a connection, and trying that costs a
// connect() that fails and nothing on any server, so it can be tried often
// while the server is away. Only local (unix socket) servers can be watched so.
#include <string>

namespace winmm {

// The socket path of `server` as libpulse takes it ("unix:/path", or a path);
// for an empty `server`, the one libpulse finds by itself from the
// environment (PULSE_SERVER, then the user's runtime directory). Empty when
// it is no local socket, or names several servers.
std::string PulseServerSocket(const std::string& server);

// Whether a server accepts connections at `path` now. Never blocks.
bool PulseServerListens(const std::string& path);

}  // namespace winmm
