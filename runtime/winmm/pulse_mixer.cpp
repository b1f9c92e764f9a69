// Mixer device 0 on the sound server: the peak meter of its wave-output line is
// the level of the server's default output, measured on that output's monitor
// (pulse_default_output.h, pulse_record_stream.h) and published for reads that
// never wait (pulse_level.h).
//
// This file keeps the connection: making it, and making it again the moment
// the server is back when it goes (pulse_server_socket.h; with back-off where
// that cannot be watched); the handles and the grace period of the stream after
// the last one closes; and the one wait an open may make for a server that has
// not answered yet.
//
// The connection lives as long as the process: every Show of a meter closes
// and reopens the mixer, and a reopen must answer at once with the live level.
// The record stream is kept for a grace period after the last handle closes,
// then dropped, so an unused mixer costs the server nothing.
#include "runtime/winmm/pulse_mixer.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "runtime/winmm/mmsystem.h"
#include "runtime/winmm/pulse_client_identity.h"
#include "runtime/winmm/pulse_default_output.h"
#include "runtime/winmm/pulse_level.h"
#include "runtime/winmm/pulse_main_loop.h"
#include "runtime/winmm/pulse_record_stream.h"
#include "runtime/winmm/pulse_server_socket.h"

namespace winmm {
namespace {

constexpr auto kOpenTimeout = std::chrono::milliseconds(1500);
constexpr int kFirstRetryMs = 100;
constexpr int kMaxRetryMs = 1000;
// How often the socket of a local server that went away is tried: the stream
// is back within about this long of the server answering again.
constexpr int kProbeMs = 20;
// A stream that failed while the server stays connected (its output was
// removed) is re-established on the then default output after this delay.
constexpr int kResolveRetryMs = 100;
// How long the record stream outlives the last handle: longer than a window
// takes to hide and show again.
constexpr int kStreamGraceMs = 2000;

bool Alive(pa_context_state_t state) {
  return state != PA_CONTEXT_FAILED && state != PA_CONTEXT_TERMINATED;
}

class PulseMixer final : public MixerDevice, private PulseDefaultOutput::Owner {
 public:
  explicit PulseMixer(std::string server)
      : server_(std::move(server)),
        socket_(PulseServerSocket(server_)),
        topology_(std::make_shared<const MixerTopology>(StandardTopology("Sound server output", true, true))) {}

  ~PulseMixer() override {
    if (!loop_.ok()) return;
    PulseMainLoop::Lock lock(loop_);
    retryTimer_.Free();
    graceTimer_.Free();
    staleTimer_.Free();
    probeTimer_.Free();
    stream_.Drop();
    DropContext();
  }

  uint32_t Open() override {
    if (!loop_.ok()) {
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
    bool mayWait = false;
    {
      PulseMainLoop::Lock lock(loop_);
      identity_ = std::move(identity);
      ++users_;
      StopGrace();
      mayWait = !waitedInVain_;
      if (context_ == nullptr || !Alive(pa_context_get_state(context_))) {
        // Connecting anew, or waiting out a back-off: try now, someone is asking.
        retryMs_ = kFirstRetryMs;
        Connect();
      } else if (pa_context_get_state(context_) == PA_CONTEXT_READY && !stream_.Alive()) {
        output_.Query(context_);
      }
    }

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
      PulseMainLoop::Lock lock(loop_);
      if (timedOut) waitedInVain_ = true;
      if (result != MMSYSERR_NOERROR) ReleaseUser();  // a failed open holds nothing
    }
    return result;
  }

  void Close() override {
    if (!loop_.ok()) return;
    PulseMainLoop::Lock lock(loop_);
    ReleaseUser();
  }

  std::string LastError() const override {
    std::lock_guard guard(stateLock_);
    return lastError_;
  }

  std::shared_ptr<const MixerTopology> Describe() override {
    std::lock_guard guard(stateLock_);
    return topology_;
  }

  // An open handle always reads: the live level, or 0 while nothing new has
  // been measured, the server gone included, so a meter falls instead of
  // holding the last level through an outage.
  uint32_t ReadSigned(uint32_t controlId, int32_t& value) override {
    if (controlId != kPeakMeterControlId) return MIXERR_INVALCONTROL;
    value = level_.Read();
    return MMSYSERR_NOERROR;
  }

 private:
  // ---- Everything below runs on the server thread or under its lock. ----

  std::string ServerName() const {
    return server_.empty() ? std::string("the sound server") : "the sound server at " + server_;
  }

  // The stream is wanted while a handle is open and for the grace period after.
  bool StreamWanted() const override { return users_ > 0 || graceRunning_; }

  // The server gave an answer of any kind: an open may wait for it again.
  void Answered() override { waitedInVain_ = false; }

  void RetrySoon() override { retryTimer_.Start(loop_.api(), kResolveRetryMs); }

  void NoOutput() override { Fail(MMSYSERR_BADDEVICEID, ServerName() + " has no sound output"); }

  void Described(const std::string& description) override {
    std::lock_guard guard(stateLock_);
    topology_ = std::make_shared<const MixerTopology>(StandardTopology(description, true, true));
  }

  void ReleaseUser() {
    if (users_ > 0 && --users_ == 0) {
      graceRunning_ = true;
      graceTimer_.Start(loop_.api(), kStreamGraceMs);
    }
  }

  void StopGrace() {
    graceRunning_ = false;
    graceTimer_.Stop();
  }

  void OnGraceOver() {
    graceRunning_ = false;
    if (users_ == 0) {
      stream_.Drop();
      output_.Forget();
    }
  }

  pa_proplist* ClientProperties() const {
    pa_proplist* properties = pa_proplist_new();
    if (!identity_.name.empty()) pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, identity_.name.c_str());
    if (!identity_.id.empty()) pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, identity_.id.c_str());
    if (!identity_.iconName.empty())
      pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, identity_.iconName.c_str());
    return properties;
  }

  void Connect(bool onProbe = false) {
    stream_.Drop();
    DropContext();
    contextLost_ = false;
    connectingOnProbe_ = onProbe;
    pa_proplist* properties = ClientProperties();
    context_ = pa_context_new_with_proplist(loop_.api(), nullptr, properties);
    pa_proplist_free(properties);
    if (context_ == nullptr) {
      Fail(MMSYSERR_NOMEM, "cannot create a sound-server connection");
      ScheduleRetry();
      return;
    }
    pa_context_set_state_callback(
        context_, [](pa_context*, void* self) { static_cast<PulseMixer*>(self)->OnContextState(); }, this);
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
    output_.Forget();
    connected_.store(false, std::memory_order_release);
  }

  // A local server is watched for its return; any other is tried again with
  // back-off, as is a local one whose socket took a connection that then
  // failed (something else listens there, or libpulse reaches another server).
  void ScheduleRetry() {
    if (!socket_.empty() && !probeMisled_) {
      probeTimer_.Start(loop_.api(), kProbeMs);
      return;
    }
    retryTimer_.Start(loop_.api(), retryMs_);
    retryMs_ = std::min(retryMs_ * 2, kMaxRetryMs);
  }

  void OnProbe() {
    if (context_ != nullptr && Alive(pa_context_get_state(context_))) return;  // an open connected meanwhile
    if (PulseServerListens(socket_)) {
      Connect(true);
    } else {
      probeTimer_.Start(loop_.api(), kProbeMs);
    }
  }

  // The connection is re-established whether or not anyone reads, so an open
  // finds it ready; the stream only while it is wanted.
  void Maintain() {
    if (context_ == nullptr || !Alive(pa_context_get_state(context_))) {
      Connect();
    } else if (pa_context_get_state(context_) == PA_CONTEXT_READY && !stream_.Alive()) {
      output_.Query(context_);
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

  // Data arrived: the level stands for kStaleAfterMs more of this thread's time.
  void OnMeasured() {
    confirmingStale_ = false;
    staleTimer_.Start(loop_.api(), PulseLevel::kStaleAfterMs);
  }

  // Nothing arrived for kStaleAfterMs, by this timer. But the timer may have
  // fired late, with this thread the one that was late: what the server sent
  // meanwhile waits behind it in this turn of the loop, and a level flowing
  // all along must not fall to 0. So it is judged once more a moment later,
  // after that turn has handled what was waiting.
  void OnNothingMeasured() {
    if (!confirmingStale_) {
      confirmingStale_ = true;
      staleTimer_.Start(loop_.api(), 1);
      return;
    }
    confirmingStale_ = false;
    level_.Forget();
  }

  void ContextLost() {
    if (contextLost_) return;  // reported by both connect's result and the state change
    contextLost_ = true;
    if (connectingOnProbe_) probeMisled_ = true;
    connectingOnProbe_ = false;
    connected_.store(false, std::memory_order_release);
    // Nothing reaches anyone from a lost server: its level goes with it.
    level_.Forget();
    Answered();
    Fail(MMSYSERR_NODRIVER, ServerName() + ": " + pa_strerror(pa_context_errno(context_)));
    // The context is released by the next attempt, outside its own callback.
    ScheduleRetry();
  }

  void OnContextState() {
    switch (pa_context_get_state(context_)) {
      case PA_CONTEXT_READY:
        connectingOnProbe_ = false;
        probeMisled_ = false;
        connected_.store(true, std::memory_order_release);
        Answered();
        retryMs_ = kFirstRetryMs;
        output_.Follow(context_);
        break;
      case PA_CONTEXT_FAILED:
      case PA_CONTEXT_TERMINATED:
        ContextLost();
        break;
      default:
        break;
    }
  }

  void OnStreamRunning(bool running) {
    {
      std::lock_guard guard(stateLock_);
      streaming_ = running;
    }
    if (running) stateChanged_.notify_all();
  }

  void OnStreamEnded() {
    Answered();
    OnStreamRunning(false);
    // Its output was removed (the stream may not move). A lost server is
    // handled by the context instead.
    if (pa_context_get_state(context_) == PA_CONTEXT_READY) {
      output_.Forget();
      RetrySoon();
    }
  }

  const std::string server_;
  const std::string socket_;  // the local server's socket, watched while it is away; empty: none
  PulseMainLoop loop_;
  PulseLevel level_;
  PulseRecordStream stream_{level_,
                            {.ready =
                                 [this] {
                                   Answered();
                                   OnStreamRunning(true);
                                 },
                             .ended = [this] { OnStreamEnded(); },
                             .dropped = [this] { OnStreamRunning(false); },
                             .measured = [this] { OnMeasured(); }}};
  PulseDefaultOutput output_{*this, stream_};
  PulseTimer retryTimer_{[this] { Maintain(); }};
  PulseTimer graceTimer_{[this] { OnGraceOver(); }};
  PulseTimer staleTimer_{[this] { OnNothingMeasured(); }};
  PulseTimer probeTimer_{[this] { OnProbe(); }};
  bool connectingOnProbe_ = false;  // the connection being made was the probe's answer
  bool probeMisled_ = false;        // such a connection failed: back-off until one succeeds
  bool confirmingStale_ = false;
  pa_context* context_ = nullptr;
  PulseClientIdentity identity_;
  bool contextLost_ = false;
  int retryMs_ = kFirstRetryMs;
  int users_ = 0;              // open handles
  bool graceRunning_ = false;  // the last handle closed; the stream is kept a while
  bool waitedInVain_ = false;  // an open waited its full time without an answer

  // Read by callers on any thread.
  std::atomic<bool> connected_{false};

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
