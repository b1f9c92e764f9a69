// Mixer device 0 on the sound server: the peak meter of its wave-output line is
// the level of the server's default output, measured on that output's monitor.
//
// The server's thread (a pa_threaded_mainloop) owns every libpulse object and
// publishes the level through atomics; a read on the caller's thread is two
// atomic loads and never waits on the server. Only Open waits, a bounded time,
// and only while the server has not yet shown it answers.
//
// The server computes the level itself: a record stream with PEAK_DETECT at a
// sample rate of kWindowsPerSecond delivers, as each frame, the peak of one
// window of the monitored output, channel by channel. The stream takes the
// output's own channel count and layout, so nothing is mixed down before the
// peak is taken: a sound on one channel, or in opposite phase on two, reads
// at its full level. The level is the loudest channel's peak. One frame per
// fragment keeps the delay from sound to reading at about one window.
//
// The connection lives as long as the process: every Show of a meter closes
// and reopens the mixer, and a reopen must answer at once with the live level.
// The record stream is kept for a grace period after the last handle closes,
// then dropped, so an unused mixer costs the server nothing.
#include "runtime/winmm/pulse_mixer.h"

#include <pulse/pulseaudio.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <utility>

#include "runtime/winmm/mmsystem.h"
#include "runtime/winmm/pulse_client_identity.h"

namespace winmm {
namespace {

constexpr uint32_t kWindowsPerSecond = 50;
// An output that sends nothing for this long (paused, suspended by the server)
// reads 0 instead of holding its last peak for ever.
constexpr int64_t kStaleAfterNs = 100'000'000;
constexpr auto kOpenTimeout = std::chrono::milliseconds(1500);
constexpr int kFirstRetryMs = 100;
constexpr int kMaxRetryMs = 1000;
// A stream that failed while the server stays connected (its output was
// removed) is re-established on the then default output after this delay.
constexpr int kResolveRetryMs = 100;
// How long the record stream outlives the last handle: longer than a window
// takes to hide and show again.
constexpr int kStreamGraceMs = 2000;

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

int32_t ScalePeak(float peak) {
  if (!(peak > 0.0f)) return 0;  // also NaN
  if (peak >= 1.0f) return 32767;
  return static_cast<int32_t>(std::lround(peak * 32767.0f));
}

bool Alive(pa_context_state_t state) {
  return state != PA_CONTEXT_FAILED && state != PA_CONTEXT_TERMINATED;
}

pa_time_event* RestartTimer(pa_mainloop_api* api, pa_time_event* timer, int delayMs, pa_time_event_cb_t callback,
                            void* self) {
  timeval when{};
  pa_gettimeofday(&when);
  pa_timeval_add(&when, static_cast<pa_usec_t>(delayMs) * PA_USEC_PER_MSEC);
  if (timer == nullptr) return api->time_new(api, &when, callback, self);
  api->time_restart(timer, &when);
  return timer;
}

class PulseMixer final : public MixerDevice {
 public:
  explicit PulseMixer(std::string server)
      : server_(std::move(server)),
        topology_(std::make_shared<const MixerTopology>(StandardTopology("Sound server output", true, true))) {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ != nullptr) {
      api_ = pa_threaded_mainloop_get_api(loop_);
      if (pa_threaded_mainloop_start(loop_) < 0) {
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
      }
    }
  }

  ~PulseMixer() override {
    if (loop_ == nullptr) return;
    pa_threaded_mainloop_lock(loop_);
    if (timer_ != nullptr) api_->time_free(timer_);
    if (graceTimer_ != nullptr) api_->time_free(graceTimer_);
    timer_ = graceTimer_ = nullptr;
    DropStream();
    DropContext();
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
  }

  uint32_t Open() override {
    if (loop_ == nullptr) {
      std::lock_guard guard(stateLock_);
      lastError_ = "cannot start a sound-server thread";
      return MMSYSERR_NODRIVER;
    }
    PulseClientIdentity identity = HostPulseClientIdentity();
    uint64_t failuresBefore = 0;
    {
      std::lock_guard guard(stateLock_);
      failuresBefore = failures_;
    }
    pa_threaded_mainloop_lock(loop_);
    identity_ = std::move(identity);
    ++users_;
    StopGrace();
    const bool mayWait = !waitedInVain_;
    if (context_ == nullptr || !Alive(pa_context_get_state(context_))) {
      // Connecting anew, or waiting out a back-off: try now, someone is asking.
      retryMs_ = kFirstRetryMs;
      Connect();
    } else if (pa_context_get_state(context_) == PA_CONTEXT_READY && !StreamAlive()) {
      QueryDefaultSink();
    }
    pa_threaded_mainloop_unlock(loop_);

    uint32_t result = MMSYSERR_NOERROR;
    bool timedOut = false;
    {
      std::unique_lock guard(stateLock_);
      // A server that once let an open wait in vain is not waited for again
      // until it answers: the open answers from what is known, and the
      // connection keeps trying in the background.
      if (mayWait)
        timedOut = !stateChanged_.wait_for(guard, kOpenTimeout,
                                           [&] { return streaming_ || failures_ != failuresBefore; });
      if (streaming_) return MMSYSERR_NOERROR;
      if (failures_ != failuresBefore) {
        result = failureCode_;
      } else if (connected_.load(std::memory_order_acquire)) {
        // A connected server whose stream is still starting is usable.
      } else {
        lastError_ = ServerName() + " did not answer in time";
        result = MMSYSERR_NODRIVER;
      }
    }
    if (timedOut || result != MMSYSERR_NOERROR) {
      pa_threaded_mainloop_lock(loop_);
      if (timedOut) waitedInVain_ = true;
      if (result != MMSYSERR_NOERROR) ReleaseUser();  // a failed open holds nothing
      pa_threaded_mainloop_unlock(loop_);
    }
    return result;
  }

  void Close() override {
    if (loop_ == nullptr) return;
    pa_threaded_mainloop_lock(loop_);
    ReleaseUser();
    pa_threaded_mainloop_unlock(loop_);
  }

  std::string LastError() const override {
    std::lock_guard guard(stateLock_);
    return lastError_;
  }

  std::shared_ptr<const MixerTopology> Describe() override {
    std::lock_guard guard(stateLock_);
    return topology_;
  }

  uint32_t ReadSigned(uint32_t controlId, int32_t& value) override {
    if (controlId != kPeakMeterControlId) return MIXERR_INVALCONTROL;
    if (!connected_.load(std::memory_order_acquire)) return MMSYSERR_NODRIVER;
    const int64_t last = lastDataNs_.load(std::memory_order_acquire);
    value = MonotonicNs() - last > kStaleAfterNs ? 0 : peak_.load(std::memory_order_relaxed);
    return MMSYSERR_NOERROR;
  }

 private:
  // ---- Everything below runs on the server thread or under its lock. ----

  std::string ServerName() const {
    return server_.empty() ? std::string("the sound server") : "the sound server at " + server_;
  }

  // The stream is wanted while a handle is open and for the grace period after.
  bool StreamWanted() const { return users_ > 0 || graceRunning_; }

  void ReleaseUser() {
    if (users_ > 0 && --users_ == 0) {
      graceRunning_ = true;
      graceTimer_ = RestartTimer(api_, graceTimer_, kStreamGraceMs, &PulseMixer::GraceTimerCallback, this);
    }
  }

  void StopGrace() {
    graceRunning_ = false;
    if (graceTimer_ != nullptr) api_->time_restart(graceTimer_, nullptr);
  }

  void OnGraceOver() {
    graceRunning_ = false;
    if (users_ == 0) {
      DropStream();
      sink_.clear();
    }
  }

  // The server gave an answer of any kind: an open may wait for it again.
  void Answered() { waitedInVain_ = false; }

  pa_proplist* ClientProperties() const {
    pa_proplist* properties = pa_proplist_new();
    if (!identity_.name.empty()) pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, identity_.name.c_str());
    if (!identity_.id.empty()) pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, identity_.id.c_str());
    if (!identity_.iconName.empty())
      pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, identity_.iconName.c_str());
    return properties;
  }

  void Connect() {
    DropStream();
    DropContext();
    contextLost_ = false;
    pa_proplist* properties = ClientProperties();
    context_ = pa_context_new_with_proplist(api_, nullptr, properties);
    pa_proplist_free(properties);
    if (context_ == nullptr) {
      Fail(MMSYSERR_NOMEM, "cannot create a sound-server connection");
      ScheduleRetry();
      return;
    }
    pa_context_set_state_callback(context_, &PulseMixer::ContextStateCallback, this);
    if (pa_context_connect(context_, server_.empty() ? nullptr : server_.c_str(), PA_CONTEXT_NOAUTOSPAWN,
                           nullptr) < 0)
      ContextLost();
  }

  void DropContext() {
    if (context_ == nullptr) return;
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
    sink_.clear();
    connected_.store(false, std::memory_order_release);
  }

  void DropStream() {
    if (stream_ == nullptr) return;
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
    std::lock_guard guard(stateLock_);
    streaming_ = false;
  }

  bool StreamAlive() const {
    if (stream_ == nullptr) return false;
    const pa_stream_state_t state = pa_stream_get_state(stream_);
    return state == PA_STREAM_CREATING || state == PA_STREAM_READY;
  }

  void ScheduleMaintenance(int delayMs) {
    timer_ = RestartTimer(api_, timer_, delayMs, &PulseMixer::TimerCallback, this);
  }

  void ScheduleRetry() {
    ScheduleMaintenance(retryMs_);
    retryMs_ = std::min(retryMs_ * 2, kMaxRetryMs);
  }

  // The connection is re-established whether or not anyone reads, so an open
  // finds it ready; the stream only while it is wanted.
  void Maintain() {
    if (context_ == nullptr || !Alive(pa_context_get_state(context_))) {
      Connect();
    } else if (pa_context_get_state(context_) == PA_CONTEXT_READY && !StreamAlive()) {
      QueryDefaultSink();
    }
  }

  void Fail(uint32_t code, std::string reason) {
    {
      std::lock_guard guard(stateLock_);
      ++failures_;
      failureCode_ = code;
      lastError_ = std::move(reason);
      streaming_ = false;
    }
    stateChanged_.notify_all();
  }

  void ContextLost() {
    if (contextLost_) return;  // reported by both connect's result and the state change
    contextLost_ = true;
    connected_.store(false, std::memory_order_release);
    Answered();
    Fail(MMSYSERR_NODRIVER, ServerName() + ": " + pa_strerror(pa_context_errno(context_)));
    // The context is released by the next attempt, outside its own callback.
    ScheduleRetry();
  }

  void OnContextState() {
    switch (pa_context_get_state(context_)) {
      case PA_CONTEXT_READY: {
        connected_.store(true, std::memory_order_release);
        Answered();
        retryMs_ = kFirstRetryMs;
        pa_context_set_subscribe_callback(context_, &PulseMixer::SubscribeCallback, this);
        const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SINK);
        if (pa_operation* op = pa_context_subscribe(context_, mask, nullptr, nullptr)) pa_operation_unref(op);
        QueryDefaultSink();
        break;
      }
      case PA_CONTEXT_FAILED:
      case PA_CONTEXT_TERMINATED:
        ContextLost();
        break;
      default:
        break;
    }
  }

  void OnSubscription(pa_subscription_event_type_t type, uint32_t index) {
    const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
      QueryDefaultSink();  // the default output may have changed
    } else if (facility == PA_SUBSCRIPTION_EVENT_SINK && index == sinkIndex_ && !sink_.empty() &&
               wantedSink_ == sink_ &&  // no other output is being looked up meanwhile
               (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_CHANGE) {
      LookUpSink(sink_);  // its layout or description may have changed
    }
  }

  void QueryDefaultSink() {
    if (!StreamWanted()) return;
    if (pa_operation* op = pa_context_get_server_info(context_, &PulseMixer::ServerInfoCallback, this)) {
      pa_operation_unref(op);
    } else {
      ScheduleMaintenance(kResolveRetryMs);
    }
  }

  void OnServerInfo(const pa_server_info* info) {
    Answered();
    if (info == nullptr) {
      ScheduleMaintenance(kResolveRetryMs);
      return;
    }
    if (!StreamWanted()) return;
    const std::string sink = info->default_sink_name != nullptr ? info->default_sink_name : "";
    if (sink.empty()) {
      DropStream();
      sink_.clear();
      Fail(MMSYSERR_BADDEVICEID, ServerName() + " has no sound output");
      return;
    }
    if (sink == sink_ && StreamAlive()) return;
    LookUpSink(sink);
  }

  void LookUpSink(const std::string& sink) {
    wantedSink_ = sink;
    if (pa_operation* op =
            pa_context_get_sink_info_by_name(context_, sink.c_str(), &PulseMixer::SinkInfoCallback, this)) {
      pa_operation_unref(op);
    } else {
      ScheduleMaintenance(kResolveRetryMs);
    }
  }

  void OnSinkInfo(const pa_sink_info* info, int eol) {
    if (eol < 0) {  // the output went away while we asked; ask again
      ScheduleMaintenance(kResolveRetryMs);
      return;
    }
    if (eol > 0 || info == nullptr || wantedSink_ != info->name || !StreamWanted()) return;
    {
      std::lock_guard guard(stateLock_);
      topology_ = std::make_shared<const MixerTopology>(StandardTopology(
          info->description != nullptr && *info->description ? info->description : info->name, true, true));
    }
    pa_channel_map layout = info->channel_map;
    if (!pa_channel_map_valid(&layout) || layout.channels != info->sample_spec.channels) {
      if (pa_channel_map_init_auto(&layout, info->sample_spec.channels, PA_CHANNEL_MAP_DEFAULT) == nullptr)
        pa_channel_map_init_extend(&layout, info->sample_spec.channels, PA_CHANNEL_MAP_DEFAULT);
    }
    // The same output in the same layout: the running stream stays.
    if (info->name == sink_ && StreamAlive() && pa_channel_map_equal(&layout, &layout_)) return;
    sink_ = info->name;
    sinkIndex_ = info->index;
    layout_ = layout;
    ConnectStream(info->monitor_source_name);
  }

  void ConnectStream(const char* monitor) {
    DropStream();
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kWindowsPerSecond, layout_.channels};
    stream_ = pa_stream_new(context_, "Peak meter", &spec, &layout_);
    if (stream_ == nullptr) {
      ScheduleMaintenance(kResolveRetryMs);
      return;
    }
    pa_stream_set_state_callback(stream_, &PulseMixer::StreamStateCallback, this);
    pa_stream_set_read_callback(stream_, &PulseMixer::StreamReadCallback, this);
    pa_buffer_attr attr;
    std::memset(&attr, 0xFF, sizeof attr);               // -1: the server's choice
    attr.fragsize = static_cast<uint32_t>(pa_frame_size(&spec));  // one window per fragment
    // The meter must not keep an idle output awake: a suspended output sends
    // nothing, and reads 0 once its data has gone stale. Each channel is
    // recorded as it is, never mixed with another.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_PEAK_DETECT | PA_STREAM_ADJUST_LATENCY |
                                                      PA_STREAM_DONT_MOVE | PA_STREAM_DONT_INHIBIT_AUTO_SUSPEND |
                                                      PA_STREAM_NO_REMIX_CHANNELS);
    if (pa_stream_connect_record(stream_, monitor, &attr, flags) < 0) {
      DropStream();
      ScheduleMaintenance(kResolveRetryMs);
    }
  }

  void OnStreamState() {
    switch (pa_stream_get_state(stream_)) {
      case PA_STREAM_READY: {
        Answered();
        {
          std::lock_guard guard(stateLock_);
          streaming_ = true;
        }
        stateChanged_.notify_all();
        break;
      }
      case PA_STREAM_FAILED:
      case PA_STREAM_TERMINATED: {
        Answered();
        {
          std::lock_guard guard(stateLock_);
          streaming_ = false;
        }
        // Its output was removed (the stream may not move). A lost server is
        // handled by the context instead.
        if (pa_context_get_state(context_) == PA_CONTEXT_READY) {
          sink_.clear();
          ScheduleMaintenance(kResolveRetryMs);
        }
        break;
      }
      default:
        break;
    }
  }

  void OnStreamData() {
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
    if (peak < 0.0f) return;
    peak_.store(ScalePeak(peak), std::memory_order_relaxed);
    lastDataNs_.store(MonotonicNs(), std::memory_order_release);
  }

  static void ContextStateCallback(pa_context*, void* self) { static_cast<PulseMixer*>(self)->OnContextState(); }
  static void SubscribeCallback(pa_context*, pa_subscription_event_type_t type, uint32_t index, void* self) {
    static_cast<PulseMixer*>(self)->OnSubscription(type, index);
  }
  static void ServerInfoCallback(pa_context*, const pa_server_info* info, void* self) {
    static_cast<PulseMixer*>(self)->OnServerInfo(info);
  }
  static void SinkInfoCallback(pa_context*, const pa_sink_info* info, int eol, void* self) {
    static_cast<PulseMixer*>(self)->OnSinkInfo(info, eol);
  }
  static void StreamStateCallback(pa_stream*, void* self) { static_cast<PulseMixer*>(self)->OnStreamState(); }
  static void StreamReadCallback(pa_stream*, size_t, void* self) { static_cast<PulseMixer*>(self)->OnStreamData(); }
  static void TimerCallback(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    static_cast<PulseMixer*>(self)->Maintain();
  }
  static void GraceTimerCallback(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    static_cast<PulseMixer*>(self)->OnGraceOver();
  }

  const std::string server_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_mainloop_api* api_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  pa_time_event* timer_ = nullptr;
  pa_time_event* graceTimer_ = nullptr;
  PulseClientIdentity identity_;
  bool contextLost_ = false;
  int retryMs_ = kFirstRetryMs;
  int users_ = 0;              // open handles
  bool graceRunning_ = false;  // the last handle closed; the stream is kept a while
  bool waitedInVain_ = false;  // an open waited its full time without an answer
  std::string sink_;           // the output whose monitor the stream reads
  uint32_t sinkIndex_ = PA_INVALID_INDEX;
  pa_channel_map layout_{};    // that output's channel layout, the stream's own
  std::string wantedSink_;     // the output being looked up

  // Read by callers on any thread.
  std::atomic<bool> connected_{false};
  std::atomic<int32_t> peak_{0};
  std::atomic<int64_t> lastDataNs_{INT64_MIN / 2};

  // Shared with Open and Describe.
  mutable std::mutex stateLock_;
  std::condition_variable stateChanged_;
  bool streaming_ = false;
  uint64_t failures_ = 0;
  uint32_t failureCode_ = MMSYSERR_NODRIVER;
  std::string lastError_;
  std::shared_ptr<const MixerTopology> topology_;
};

}  // namespace

std::shared_ptr<MixerDevice> MakePulseMixer(std::string server) {
  return std::make_shared<PulseMixer>(std::move(server));
}

}  // namespace winmm
