#pragma once
// A private sound server for one test or benchmark, started by the project's
// own script (scripts/sound-server.sh, so PulseAudio or PipeWire as
// KV_SOUND_SERVER chooses): a null output as its default sink, in a directory
// of its own. Kill stops it; Start again brings it back on the same socket,
// as a restarted server would.
#include <sys/types.h>

#include <string>

namespace kvtest {

class PrivateSoundServer {
 public:
  // Makes a fresh directory; does not start. `kind` ("pulseaudio",
  // "pipewire") overrides KV_SOUND_SERVER for this server.
  explicit PrivateSoundServer(std::string kind = {});
  ~PrivateSoundServer();  // stops and removes the directory
  PrivateSoundServer(const PrivateSoundServer&) = delete;
  PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

  // Starts the server and waits until it answers; false (with `error()` set,
  // the server's log included) when it does not within a few seconds.
  bool Start();
  // Kills the server at once (SIGKILL: no goodbye to its clients).
  void Kill();
  // Stops (SIGSTOP) and resumes (SIGCONT) the process that serves the socket:
  // a server that is there but no longer answers.
  bool Freeze();
  void Thaw();
  bool running() const { return running_; }

  // The address for libpulse, e.g. "unix:DIR/native".
  const std::string& address() const { return address_; }
  const std::string& error() const { return error_; }
  // "pulseaudio" or "pipewire": the server that runs.
  const std::string& kind() const { return kind_; }

  // Runs pactl against this server; returns its exit status.
  int Pactl(const std::string& arguments) const;
  // Runs pactl against this server; returns what it printed (empty on failure).
  std::string PactlOutput(const std::string& arguments) const;

 private:
  std::string dir_;
  std::string address_;
  std::string error_;
  std::string kind_;
  pid_t serverPid_ = -1;
  bool running_ = false;
  bool frozen_ = false;
};

}  // namespace kvtest
