#pragma once
// The record stream that measures the level of one output: the monitored
// output's own samples, in its own rate, channel count and layout, so nothing
// is resampled or mixed down before the peak is taken: a sound on one
// channel, or in opposite phase on two, reads at its full level, and a sample
// at full scale reads full scale. (The server's own peak detection works on
// 16-bit magnitudes, where -32768 has none, and reads it one short.) The
// samples are cut into windows of kFragmentMs, however the server happens to
// deliver them, and each window's largest sample magnitude, the loudest
// channel's peak, is the level: a window is longer than half a period of any
// sound worth metering, so it always holds the sound's peak. The server sends
// a fragment a window, which keeps the delay from sound to reading at about
// one window.
//
// Everything here runs on the server thread or under the main loop's lock.
#include <pulse/pulseaudio.h>

#include <functional>

#include "runtime/winmm/pulse_level.h"

namespace winmm {

class PulseRecordStream {
 public:
  static constexpr int kFragmentMs = 20;

  struct Events {
    std::function<void()> ready;    // the stream runs
    std::function<void()> ended;    // it failed, or the server ended it (its output was removed)
    std::function<void()> dropped;  // Drop ended it
    std::function<void()> measured;  // a window's level was published
  };

  PulseRecordStream(PulseLevel& level, Events events) : level_(level), events_(std::move(events)) {}
  PulseRecordStream(const PulseRecordStream&) = delete;
  PulseRecordStream& operator=(const PulseRecordStream&) = delete;

  // Replaces any running stream by one on `monitor`, in `layout` at `rate`.
  // False when it could not even be started.
  bool Connect(pa_context* context, const char* monitor, const pa_channel_map& layout, uint32_t rate);
  // Ends the stream, if there is one; tells `dropped`, not `ended`.
  void Drop();
  // Starting or running.
  bool Alive() const;

 private:
  void OnState();
  void OnData();

  PulseLevel& level_;
  Events events_;
  pa_stream* stream_ = nullptr;
  size_t channels_ = 1;
  size_t windowFrames_ = 1;
  size_t framesInWindow_ = 0;
  float windowPeak_ = 0.0f;
};

}  // namespace winmm
