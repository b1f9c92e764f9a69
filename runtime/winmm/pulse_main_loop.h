#pragma once
// libpulse's threaded main loop: the server thread that owns every libpulse
// object of a sound-server device. Code on other threads touches those objects
// only while it holds the loop's lock (PulseMainLoop::Lock); callbacks run on
// the server thread with the lock already held.
#include <pulse/pulseaudio.h>

#include <functional>

namespace winmm {

class PulseMainLoop {
 public:
  static constexpr const char* kThreadName = "kv-sound-server";

  // Starts the server thread; ok() tells whether that worked.
  PulseMainLoop();
  // Stops the thread. Whoever created libpulse objects on it has released them.
  ~PulseMainLoop();
  PulseMainLoop(const PulseMainLoop&) = delete;
  PulseMainLoop& operator=(const PulseMainLoop&) = delete;

  bool ok() const { return loop_ != nullptr; }
  pa_mainloop_api* api() const { return api_; }

  // Nothing runs on the server thread while one is held. Not for use inside
  // the loop's own callbacks, which hold the lock already.
  class Lock {
   public:
    explicit Lock(PulseMainLoop& loop) : loop_(loop.loop_) { pa_threaded_mainloop_lock(loop_); }
    ~Lock() { pa_threaded_mainloop_unlock(loop_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    pa_threaded_mainloop* loop_;
  };

 private:
  pa_threaded_mainloop* loop_ = nullptr;
  pa_mainloop_api* api_ = nullptr;
};

// A one-shot timer on the server thread: `fire` runs there, under the lock,
// once the delay has passed. Started, stopped and freed under the lock.
class PulseTimer {
 public:
  explicit PulseTimer(std::function<void()> fire) : fire_(std::move(fire)) {}
  PulseTimer(const PulseTimer&) = delete;
  PulseTimer& operator=(const PulseTimer&) = delete;

  // Fires `delayMs` from now, replacing a start not yet fired.
  void Start(pa_mainloop_api* api, int delayMs);
  void Stop();
  // Gives the timer back to the loop; it never fires after this.
  void Free();

 private:
  static void Fired(pa_mainloop_api*, pa_time_event*, const timeval*, void* self);

  std::function<void()> fire_;
  pa_mainloop_api* api_ = nullptr;
  pa_time_event* event_ = nullptr;
};

}  // namespace winmm
