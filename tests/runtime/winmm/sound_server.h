#pragma once
// A private sound server for one test or benchmark: a null output as its only
// (hence default) sink, listening on DIR/native. Stop kills it; Start again
// brings it back on the same socket, as a restarted server would.
#include <sys/types.h>

#include <string>

namespace kvtest {

class PrivateSoundServer {
 public:
  PrivateSoundServer();  // makes a fresh directory; does not start
  ~PrivateSoundServer();  // stops and removes the directory
  PrivateSoundServer(const PrivateSoundServer&) = delete;
  PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

  // Starts the server and waits until it answers; false (with `error()` set)
  // when it does not within a few seconds.
  bool Start();
  // Kills the server at once (SIGKILL: no goodbye to its clients) and reaps it.
  void Kill();
  bool running() const { return pid_ > 0; }

  // The address for libpulse: "unix:DIR/native".
  std::string address() const { return "unix:" + socket_; }
  const std::string& error() const { return error_; }

  // Runs pactl against this server; returns its exit status.
  int Pactl(const std::string& arguments) const;

 private:
  std::string dir_;
  std::string socket_;
  std::string error_;
  pid_t pid_ = -1;
};

}  // namespace kvtest
