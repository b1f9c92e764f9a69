// Mixer device 0 on the sound server: the peak meter of its wave-output line is
// the level of the server's default output, measured on that output's monitor.
//
// The server's thread (a pa_threaded_mainloop) owns every libpulse object and
// publishes the level through atomics; a read on the caller's thread is two
// atomic loads and never waits on the server. Only Open waits, a bounded time,
// for the first connection.
//
// The server computes the level itself: a record stream with PEAK_DETECT at a
// sample rate of kWindowsPerSecond delivers, as each "sample", the peak of one
// window of the monitored output. One sample per fragment keeps the delay from
// sound to reading at about one window.
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
    timer_ = nullptr;
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
    uint64_t failuresBefore = 0;
    {
      std::lock_guard guard(stateLock_);
      if (streaming_) return MMSYSERR_NOERROR;
      failuresBefore = failures_;
    }
    pa_threaded_mainloop_lock(loop_);
    if (context_ == nullptr || !Alive(pa_context_get_state(context_))) {
      // Connecting anew, or waiting out a back-off: try now, someone is asking.
      retryMs_ = kFirstRetryMs;
      Connect();
    } else if (pa_context_get_state(context_) == PA_CONTEXT_READY && !StreamAlive()) {
      QueryDefaultSink();
    }
    pa_threaded_mainloop_unlock(loop_);

    std::unique_lock guard(stateLock_);
    stateChanged_.wait_for(guard, kOpenTimeout,
                           [&] { return streaming_ || failures_ != failuresBefore; });
    if (streaming_) return MMSYSERR_NOERROR;
    if (failures_ != failuresBefore) return failureCode_;
    // No verdict in time: a connected server whose stream is still starting
    // is usable; anything else is not answering.
    if (connected_.load(std::memory_order_acquire)) return MMSYSERR_NOERROR;
    lastError_ = ServerName() + " did not answer in time";
    return MMSYSERR_NODRIVER;
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

  void Connect() {
    DropStream();
    DropContext();
    contextLost_ = false;
    context_ = pa_context_new(api_, "Mixer peak meter");
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
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, static_cast<pa_usec_t>(delayMs) * PA_USEC_PER_MSEC);
    if (timer_ == nullptr) {
      timer_ = api_->time_new(api_, &when, &PulseMixer::TimerCallback, this);
    } else {
      api_->time_restart(timer_, &when);
    }
  }

  void ScheduleRetry() {
    ScheduleMaintenance(retryMs_);
    retryMs_ = std::min(retryMs_ * 2, kMaxRetryMs);
  }

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
    Fail(MMSYSERR_NODRIVER, ServerName() + ": " + pa_strerror(pa_context_errno(context_)));
    // The context is released by the next attempt, outside its own callback.
    ScheduleRetry();
  }

  void OnContextState() {
    switch (pa_context_get_state(context_)) {
      case PA_CONTEXT_READY: {
        connected_.store(true, std::memory_order_release);
        retryMs_ = kFirstRetryMs;
        pa_context_set_subscribe_callback(context_, &PulseMixer::SubscribeCallback, this);
        if (pa_operation* op = pa_context_subscribe(context_, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr))
          pa_operation_unref(op);
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

  void QueryDefaultSink() {
    if (pa_operation* op = pa_context_get_server_info(context_, &PulseMixer::ServerInfoCallback, this)) {
      pa_operation_unref(op);
    } else {
      ScheduleMaintenance(kResolveRetryMs);
    }
  }

  void OnServerInfo(const pa_server_info* info) {
    if (info == nullptr) {
      ScheduleMaintenance(kResolveRetryMs);
      return;
    }
    const std::string sink = info->default_sink_name != nullptr ? info->default_sink_name : "";
    if (sink.empty()) {
      DropStream();
      sink_.clear();
      Fail(MMSYSERR_BADDEVICEID, ServerName() + " has no sound output");
      return;
    }
    if (sink == sink_ && StreamAlive()) return;
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
    if (eol > 0 || info == nullptr || wantedSink_ != info->name) return;
    sink_ = info->name;
    {
      std::lock_guard guard(stateLock_);
      topology_ = std::make_shared<const MixerTopology>(StandardTopology(
          info->description != nullptr && *info->description ? info->description : info->name, true, true));
    }
    ConnectStream(info->monitor_source_name);
  }

  void ConnectStream(const char* monitor) {
    DropStream();
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kWindowsPerSecond, 1};
    stream_ = pa_stream_new(context_, "Peak meter", &spec, nullptr);
    if (stream_ == nullptr) {
      ScheduleMaintenance(kResolveRetryMs);
      return;
    }
    pa_stream_set_state_callback(stream_, &PulseMixer::StreamStateCallback, this);
    pa_stream_set_read_callback(stream_, &PulseMixer::StreamReadCallback, this);
    pa_buffer_attr attr;
    std::memset(&attr, 0xFF, sizeof attr);  // -1: the server's choice
    attr.fragsize = sizeof(float);          // one window per fragment
    // The meter must not keep an idle output awake: a suspended output sends
    // nothing, and reads 0 once its data has gone stale.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_PEAK_DETECT | PA_STREAM_ADJUST_LATENCY |
                                                      PA_STREAM_DONT_MOVE | PA_STREAM_DONT_INHIBIT_AUTO_SUSPEND);
    if (pa_stream_connect_record(stream_, monitor, &attr, flags) < 0) {
      DropStream();
      ScheduleMaintenance(kResolveRetryMs);
    }
  }

  void OnStreamState() {
    switch (pa_stream_get_state(stream_)) {
      case PA_STREAM_READY: {
        {
          std::lock_guard guard(stateLock_);
          streaming_ = true;
        }
        stateChanged_.notify_all();
        break;
      }
      case PA_STREAM_FAILED:
      case PA_STREAM_TERMINATED: {
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
  static void SubscribeCallback(pa_context*, pa_subscription_event_type_t type, uint32_t, void* self) {
    if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SERVER)
      static_cast<PulseMixer*>(self)->QueryDefaultSink();
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

  const std::string server_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_mainloop_api* api_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  pa_time_event* timer_ = nullptr;
  bool contextLost_ = false;
  int retryMs_ = kFirstRetryMs;
  std::string sink_;        // the output whose monitor the stream reads
  std::string wantedSink_;  // the default output being looked up

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
