#pragma once
// Following the sound server's default output: which output it is, its name
// for the mixer's description, its channel layout, and a record stream on its
// monitor that moves with it. A change of the default output, or of that
// output's layout or rate, starts the stream anew; anything else leaves it running.
//
// Everything here runs on the server thread or under the main loop's lock.
#include <pulse/pulseaudio.h>

#include <string>

#include "runtime/winmm/pulse_record_stream.h"

namespace winmm {

class PulseDefaultOutput {
 public:
  // What the following needs from the device that owns it.
  class Owner {
   public:
    // Whether a stream is wanted at all (a handle is open, or was lately).
    virtual bool StreamWanted() const = 0;
    // The server gave an answer of any kind.
    virtual void Answered() = 0;
    // A step could not be taken; the owner tries again soon.
    virtual void RetrySoon() = 0;
    // The server has no output to follow.
    virtual void NoOutput() = 0;
    // The followed output's name, as the user knows it.
    virtual void Described(const std::string& description) = 0;

   protected:
    ~Owner() = default;
  };

  PulseDefaultOutput(Owner& owner, PulseRecordStream& stream) : owner_(owner), stream_(stream) {}
  PulseDefaultOutput(const PulseDefaultOutput&) = delete;
  PulseDefaultOutput& operator=(const PulseDefaultOutput&) = delete;

  // Starts following on a connection that has just become ready.
  void Follow(pa_context* context);
  // Asks which output is the default one now, if a stream is wanted.
  void Query(pa_context* context);
  // No output is followed any longer (its stream ended, or was dropped).
  void Forget() { sink_.clear(); }

 private:
  void OnSubscription(pa_context* context, pa_subscription_event_type_t type, uint32_t index);
  void OnServerInfo(pa_context* context, const pa_server_info* info);
  void LookUp(pa_context* context, const std::string& sink);
  void OnSinkInfo(pa_context* context, const pa_sink_info* info, int eol);

  Owner& owner_;
  PulseRecordStream& stream_;
  std::string sink_;  // the output whose monitor the stream reads
  uint32_t sinkIndex_ = PA_INVALID_INDEX;
  pa_channel_map layout_{};  // that output's channel layout, the stream's own
  uint32_t rate_ = 0;        // and its sample rate
  std::string wantedSink_;   // the output being looked up
};

}  // namespace winmm
