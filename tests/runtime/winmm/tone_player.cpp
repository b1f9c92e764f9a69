#include "tests/runtime/winmm/tone_player.h"

#include <pulse/pulseaudio.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>
#include <utility>
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

TonePlayer::TonePlayer(std::string server, std::string sink, int channels, int bufferMs)
    : server_(std::move(server)),
      sink_(std::move(sink)),
      channels_(channels),
      bufferMs_(bufferMs),
      amplitudes_(channels, 0.0f) {}

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
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kRate, static_cast<uint8_t>(channels_)};
  pa_channel_map map;
  if (pa_channel_map_init_auto(&map, spec.channels, PA_CHANNEL_MAP_DEFAULT) == nullptr) {
    pa_threaded_mainloop_unlock(loop_);
    error_ = "tone player: no standard layout for " + std::to_string(channels_) + " channels";
    return false;
  }
  stream_ = pa_stream_new(context_, "Test tone", &spec, &map);
  pa_stream_set_write_callback(stream_, &TonePlayer::OnWrite, this);
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(bufferMs_) * 1000, &spec));
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(-1);
  attr.fragsize = static_cast<uint32_t>(-1);
  // A tone meant for one output stays there when the default output changes.
  // Several channels reach the output's channels of the same positions,
  // unmixed; a mono tone is spread over all of them, as the server does.
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY |
                                                    (channels_ > 1 ? PA_STREAM_NO_REMIX_CHANNELS : 0) |
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

std::string TonePlayer::Layout(int channels) {
  pa_channel_map map;
  if (pa_channel_map_init_auto(&map, static_cast<unsigned>(channels), PA_CHANNEL_MAP_DEFAULT) == nullptr) return {};
  char text[PA_CHANNEL_MAP_SNPRINT_MAX];
  return pa_channel_map_snprint(text, sizeof text, &map);
}

void TonePlayer::SetAmplitude(float amplitude) { SetChannelAmplitudes(std::vector<float>(channels_, amplitude)); }

void TonePlayer::SetChannelAmplitudes(std::vector<float> amplitudes) {
  amplitudes.resize(channels_, 0.0f);
  std::lock_guard guard(amplitudesLock_);
  toneWrittenNs_.store(0);
  amplitudes_ = std::move(amplitudes);
  amplitudeChanged_ = true;
}

void TonePlayer::SetShape(Shape shape) {
  std::lock_guard guard(amplitudesLock_);
  shape_ = shape;
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
  std::vector<float> amplitudes;
  bool changed = false;
  Shape shape = Shape::kSine;
  {
    std::lock_guard guard(amplitudesLock_);
    amplitudes = amplitudes_;
    shape = shape_;
    changed = std::exchange(amplitudeChanged_, false);
  }
  const size_t frames = bytes / (sizeof(float) * channels_);
  std::vector<float> samples(frames * channels_);
  const double step = 2.0 * std::numbers::pi * 440.0 / kRate;
  for (size_t frame = 0; frame < frames; ++frame) {
    const double sine = std::sin(phase_);
    const double wave = shape == Shape::kSine ? sine : sine >= 0.0 ? 1.0 : -1.0;
    for (int channel = 0; channel < channels_; ++channel)
      samples[frame * channels_ + channel] = static_cast<float>(amplitudes[channel] * wave);
    phase_ = std::fmod(phase_ + step, 2.0 * std::numbers::pi);
  }
  pa_stream_write(stream_, samples.data(), samples.size() * sizeof(float), nullptr, 0, PA_SEEK_RELATIVE);
  const bool audible = std::any_of(amplitudes.begin(), amplitudes.end(), [](float a) { return a != 0.0f; });
  if (changed && audible) toneWrittenNs_.store(MonotonicNs());
}

}  // namespace kvtest
