#include "tests/runtime/winmm/tone_player.h"

#include <pulse/pulseaudio.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

namespace kvtest {
namespace {

constexpr uint32_t kRate = 48000;

}  // namespace

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

TonePlayer::TonePlayer(std::string server, std::string sink) : server_(std::move(server)), sink_(std::move(sink)) {}

TonePlayer::~TonePlayer() { Stop(); }

bool TonePlayer::Start(float amplitude) {
  SetAmplitude(amplitude);
  loop_ = pa_threaded_mainloop_new();
  pa_threaded_mainloop_start(loop_);
  pa_threaded_mainloop_lock(loop_);
  context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Test tone");
  pa_context_connect(context_, server_.empty() ? nullptr : server_.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr);
  pa_threaded_mainloop_unlock(loop_);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  auto waitFor = [&](auto ready, auto failed) {
    while (std::chrono::steady_clock::now() < deadline) {
      pa_threaded_mainloop_lock(loop_);
      const bool isReady = ready(), isFailed = failed();
      pa_threaded_mainloop_unlock(loop_);
      if (isReady) return true;
      if (isFailed) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  };
  if (!waitFor([&] { return pa_context_get_state(context_) == PA_CONTEXT_READY; },
               [&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)); })) {
    error_ = "tone player: no sound server";
    return false;
  }

  pa_threaded_mainloop_lock(loop_);
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kRate, 1};
  stream_ = pa_stream_new(context_, "Test tone", &spec, nullptr);
  pa_stream_set_write_callback(stream_, &TonePlayer::OnWrite, this);
  // A short buffer, so a change of amplitude reaches the output within ~10 ms.
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(10'000, &spec));
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(-1);
  attr.fragsize = static_cast<uint32_t>(-1);
  // A tone meant for one output stays there when the default output changes.
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY |
                                                    (sink_.empty() ? 0 : PA_STREAM_DONT_MOVE));
  pa_stream_connect_playback(stream_, sink_.empty() ? nullptr : sink_.c_str(), &attr, flags, nullptr, nullptr);
  pa_threaded_mainloop_unlock(loop_);
  if (!waitFor([&] { return pa_stream_get_state(stream_) == PA_STREAM_READY; },
               [&] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)); })) {
    error_ = "tone player: stream did not start";
    return false;
  }
  return true;
}

void TonePlayer::SetAmplitude(float amplitude) {
  toneWrittenNs_.store(0);
  amplitude_.store(amplitude);
  amplitudeChanged_.store(true);
}

void TonePlayer::Pause(bool paused) {
  if (loop_ == nullptr || stream_ == nullptr) return;
  pa_threaded_mainloop_lock(loop_);
  if (pa_operation* op = pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr)) pa_operation_unref(op);
  pa_threaded_mainloop_unlock(loop_);
}

void TonePlayer::Stop() {
  if (loop_ == nullptr) return;
  pa_threaded_mainloop_lock(loop_);
  if (stream_ != nullptr) {
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }
  if (context_ != nullptr) {
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }
  pa_threaded_mainloop_unlock(loop_);
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
}

void TonePlayer::OnWrite(pa_stream*, size_t bytes, void* self) { static_cast<TonePlayer*>(self)->Write(bytes); }

void TonePlayer::Write(size_t bytes) {
  // The flag first: SetAmplitude stores the amplitude before raising it.
  const bool changed = amplitudeChanged_.exchange(false);
  const float amplitude = amplitude_.load();
  std::vector<float> samples(bytes / sizeof(float));
  const double step = 2.0 * std::numbers::pi * 440.0 / kRate;
  for (float& s : samples) {
    s = static_cast<float>(amplitude * std::sin(phase_));
    phase_ = std::fmod(phase_ + step, 2.0 * std::numbers::pi);
  }
  pa_stream_write(stream_, samples.data(), samples.size() * sizeof(float), nullptr, 0, PA_SEEK_RELATIVE);
  if (changed && amplitude > 0.0f) toneWrittenNs_.store(MonotonicNs());
}

}  // namespace kvtest
