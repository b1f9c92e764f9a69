#include "runtime/winmm/pulse_record_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace winmm {

bool PulseRecordStream::Connect(pa_context* context, const char* monitor, const pa_channel_map& layout) {
  Drop();
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kWindowsPerSecond, layout.channels};
  stream_ = pa_stream_new(context, "Peak meter", &spec, &layout);
  if (stream_ == nullptr) return false;
  pa_stream_set_state_callback(
      stream_, [](pa_stream*, void* self) { static_cast<PulseRecordStream*>(self)->OnState(); }, this);
  pa_stream_set_read_callback(
      stream_, [](pa_stream*, size_t, void* self) { static_cast<PulseRecordStream*>(self)->OnData(); }, this);
  pa_buffer_attr attr;
  std::memset(&attr, 0xFF, sizeof attr);                       // -1: the server's choice
  attr.fragsize = static_cast<uint32_t>(pa_frame_size(&spec));  // one window per fragment
  // The meter must not keep an idle output awake: a suspended output sends
  // nothing, and reads 0 once its data has gone stale. Each channel is
  // recorded as it is, never mixed with another.
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_PEAK_DETECT | PA_STREAM_ADJUST_LATENCY |
                                                    PA_STREAM_DONT_MOVE | PA_STREAM_DONT_INHIBIT_AUTO_SUSPEND |
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
  // Every value is one channel's peak over one window: the largest of them
  // is the loudest channel's.
  float peak = -1.0f;
  for (;;) {
    const void* data = nullptr;
    size_t bytes = 0;
    if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) break;
    if (data != nullptr) {  // null: a hole in the record, nothing measured
      const auto* values = static_cast<const float*>(data);
      for (size_t i = 0; i < bytes / sizeof(float); ++i) peak = std::max(peak, std::fabs(values[i]));
    }
    pa_stream_drop(stream_);
  }
  if (peak >= 0.0f) level_.Publish(peak);
}

}  // namespace winmm
