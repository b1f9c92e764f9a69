#include "runtime/winmm/pulse_record_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace winmm {

bool PulseRecordStream::Connect(pa_context* context, const char* monitor, const pa_channel_map& layout,
                                uint32_t rate) {
  Drop();
  // Floats hold every 16-bit sample exactly (as the sample / 32768).
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, rate, layout.channels};
  stream_ = pa_stream_new(context, "Peak meter", &spec, &layout);
  if (stream_ == nullptr) return false;
  channels_ = layout.channels;
  windowFrames_ = std::max<size_t>(1, size_t{rate} * kFragmentMs / 1000);
  framesInWindow_ = 0;
  windowPeak_ = 0.0f;
  pa_stream_set_state_callback(
      stream_, [](pa_stream*, void* self) { static_cast<PulseRecordStream*>(self)->OnState(); }, this);
  pa_stream_set_read_callback(
      stream_, [](pa_stream*, size_t, void* self) { static_cast<PulseRecordStream*>(self)->OnData(); }, this);
  pa_buffer_attr attr;
  std::memset(&attr, 0xFF, sizeof attr);                       // -1: the server's choice
  attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(kFragmentMs * PA_USEC_PER_MSEC, &spec));
  // The meter must not keep an idle output awake: a suspended output sends
  // nothing, and reads 0 once its data has gone stale. Each channel is
  // recorded as it is, never mixed with another.
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE |
                                                    PA_STREAM_DONT_INHIBIT_AUTO_SUSPEND |
                                                    PA_STREAM_NO_REMIX_CHANNELS);
  if (pa_stream_connect_record(stream_, monitor, &attr, flags) < 0) {
    Drop();
    return false;
  }
  return true;
}

void PulseRecordStream::Drop() {
  if (stream_ == nullptr) return;
  pa_stream_set_state_callback(stream_, nullptr, nullptr);
  pa_stream_set_read_callback(stream_, nullptr, nullptr);
  pa_stream_disconnect(stream_);
  pa_stream_unref(stream_);
  stream_ = nullptr;
  events_.dropped();
}

bool PulseRecordStream::Alive() const {
  if (stream_ == nullptr) return false;
  const pa_stream_state_t state = pa_stream_get_state(stream_);
  return state == PA_STREAM_CREATING || state == PA_STREAM_READY;
}

void PulseRecordStream::OnState() {
  switch (pa_stream_get_state(stream_)) {
    case PA_STREAM_READY:
      events_.ready();
      break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
      events_.ended();
      break;
    default:
      break;
  }
}

void PulseRecordStream::OnData() {
  // The largest magnitude of any channel's samples is the loudest channel's
  // peak. Only the newest complete window is published.
  bool complete = false;
  float newest = 0.0f;
  for (;;) {
    const void* data = nullptr;
    size_t bytes = 0;
    if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) break;
    if (data != nullptr) {  // null: a hole in the record, nothing measured
      const auto* samples = static_cast<const float*>(data);
      const size_t frames = bytes / sizeof(float) / channels_;
      for (size_t frame = 0; frame < frames; ++frame) {
        for (size_t channel = 0; channel < channels_; ++channel)
          windowPeak_ = std::max(windowPeak_, std::fabs(samples[frame * channels_ + channel]));
        if (++framesInWindow_ == windowFrames_) {
          complete = true;
          newest = windowPeak_;
          framesInWindow_ = 0;
          windowPeak_ = 0.0f;
        }
      }
    }
    pa_stream_drop(stream_);
  }
  if (!complete) return;
  level_.Publish(newest);
  events_.measured();
}

}  // namespace winmm
