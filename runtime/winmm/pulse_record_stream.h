#pragma once
// The record stream that measures the level of one output. The server itself
// computes it: PEAK_DETECT at a sample rate of kWindowsPerSecond delivers, as
// each frame, the peak of one window of the monitored output, channel by
// channel. The stream takes the output's own channel count and layout, so
// nothing is mixed down before the peak is taken: a sound on one channel, or
// in opposite phase on two, reads at its full level. The level is the loudest
// channel's peak. One frame per fragment keeps the delay from sound to reading
// at about one window.
//
// Everything here runs on the server thread or under the main loop's lock.
#include <pulse/pulseaudio.h>

#include <functional>

#include "runtime/winmm/pulse_level.h"

namespace winmm {

class PulseRecordStream {
 public:
  static constexpr uint32_t kWindowsPerSecond = 50;

  struct Events {
    std::function<void()> ready;    // the stream runs
    std::function<void()> ended;    // it failed, or the server ended it (its output was removed)
    std::function<void()> dropped;  // Drop ended it
  };

  PulseRecordStream(PulseLevel& level, Events events) : level_(level), events_(std::move(events)) {}
  PulseRecordStream(const PulseRecordStream&) = delete;
  PulseRecordStream& operator=(const PulseRecordStream&) = delete;

  // Replaces any running stream by one on `monitor`, in `layout`. False when
  // it could not even be started.
  bool Connect(pa_context* context, const char* monitor, const pa_channel_map& layout);
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
};

}  // namespace winmm
