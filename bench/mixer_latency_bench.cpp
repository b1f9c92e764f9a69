// Delay from a tone reaching the sound server to the first mixer reading that
// shows it, on a private PulseAudio and a private PipeWire server. Each
// iteration waits for a settled silence, writes a half-scale tone and polls
// the meter every 0.1 ms; the time counted runs from the player's first write
// carrying the tone (it still sits behind up to 10 ms of buffered silence) to
// the first reading above 1000. The tone plays on the right channel of a
// stereo output only, as one-sided sound in music does.
//
// How long a meter's first Show waits for its first live reading, with sound
// already playing: a device of its own (as in a program just started), opened
// and polled until the reading shows the tone. The tone's player buffers 10 ms
// (as a game or a browser does) or 2 s (as a music player does, letting an
// idle output render ahead in long blocks). Beside it, the ratio to the
// steady-state delay measured above in the same run.
//
// And what a meter's re-Show costs: closing the mixer and opening it again,
// up to the first reading, with the share of first readings that already show
// the playing tone; the baseline is a reading on a handle kept open, in the
// same run (its share is below 1 only where the tone itself drops out on a
// busy machine).
#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_sound_server.h"
#include "runtime/kernel32/kernel32.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/mixer_device.h"
#include "runtime/winmm/mmsystem.h"
#include "runtime/winmm/pulse_mixer.h"
#include "tests/runtime/winmm/tone_player.h"

namespace {

using namespace std::chrono_literals;

class Meter {
 public:
  Meter() {
    ok_ = mixerOpen(&mixer_, 0, 0, 0, 0) == MMSYSERR_NOERROR;
    block_ = GlobalAlloc(GMEM_FIXED, 4);
    details_ = {sizeof details_, winmm::kPeakMeterControlId, 1, {0}, 4, GlobalLock(block_)};
  }
  ~Meter() {
    GlobalFree(block_);
    if (ok_) mixerClose(mixer_);
  }
  bool ok() const { return ok_; }
  int32_t Read() {
    int32_t value = -1;
    if (mixerGetControlDetailsA(mixer_, &details_, 0) == MMSYSERR_NOERROR) RtlMoveMemory(&value, details_.paDetails, 4);
    return value;
  }
  // Polls until `accept(reading)` or `limit`; returns the time it held, or 0.
  template <typename Accept>
  int64_t PollUntil(Accept accept, std::chrono::milliseconds limit) {
    const int64_t deadline = kvtest::MonotonicNs() + limit.count() * 1'000'000;
    for (;;) {
      const int64_t now = kvtest::MonotonicNs();
      if (accept(Read())) return now;
      if (now > deadline) return 0;
      std::this_thread::sleep_for(100us);
    }
  }

 private:
  bool ok_ = false;
  uint32_t mixer_ = 0;
  uint32_t block_ = 0;
  MIXERCONTROLDETAILS details_{};
};

constexpr std::initializer_list<float> kRightOnly = {0.0f, 0.5f};

// The steady-state median of each server, for the ratio of a later benchmark.
std::map<std::string, double>& SteadyMedianMs() {
  static std::map<std::string, double> medians;
  return medians;
}

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

void ReportSpread(benchmark::State& state, std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  state.counters["median_ms"] = samples[samples.size() / 2];
  state.counters["p95_ms"] = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
  state.counters["max_ms"] = samples.back();
}

void BM_SoundToReadingLatency(benchmark::State& state, const char* kind) {
  const std::string server = kvbench::SoundServerAddress(kind);
  if (server.empty()) {
    state.SkipWithError("this sound server cannot start here");
    return;
  }
  winmm::ScopedMixerSetting setting("pulse:" + server);
  kvtest::TonePlayer tone(server, {}, 2);
  Meter meter;
  if (!meter.ok() || !tone.Start(0.0f)) {
    state.SkipWithError("cannot open the mixer or play a tone");
    return;
  }
  tone.SetChannelAmplitudes(kRightOnly);
  // A fresh null output renders ahead in blocks of up to two seconds; wait
  // until the tone shows once before timing anything.
  if (meter.PollUntil([](int32_t v) { return v > 1000; }, 5000ms) == 0) {
    state.SkipWithError("the tone never showed");
    return;
  }

  std::vector<double> samples;
  for (auto _ : state) {
    tone.SetAmplitude(0.0f);
    // Settled silence: 0 for 150 ms in a row.
    int64_t zeroSince = 0;
    meter.PollUntil(
        [&](int32_t v) {
          const int64_t now = kvtest::MonotonicNs();
          if (v != 0) zeroSince = 0;
          else if (zeroSince == 0) zeroSince = now;
          return zeroSince != 0 && now - zeroSince > 150'000'000;
        },
        3000ms);
    tone.SetChannelAmplitudes(kRightOnly);
    const int64_t shown = meter.PollUntil([](int32_t v) { return v > 1000; }, 1000ms);
    const int64_t written = tone.toneWrittenNs();
    if (shown == 0 || written == 0) {
      state.SkipWithError("the tone did not show within a second");
      return;
    }
    const double seconds = static_cast<double>(shown - written) / 1e9;
    state.SetIterationTime(seconds);
    samples.push_back(seconds * 1e3);
  }
  SteadyMedianMs()[kind] = Median(samples);
  ReportSpread(state, samples);
}
BENCHMARK_CAPTURE(BM_SoundToReadingLatency, pulseaudio, "pulseaudio")
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SoundToReadingLatency, pipewire, "pipewire")
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

void BM_ShowToFirstReading(benchmark::State& state, const char* kind, int playerBufferMs) {
  const std::string server = kvbench::SoundServerAddress(kind);
  if (server.empty()) {
    state.SkipWithError("this sound server cannot start here");
    return;
  }
  kvtest::TonePlayer tone(server, {}, 2, playerBufferMs);
  if (!tone.Start(0.0f)) {
    state.SkipWithError("cannot play a tone");
    return;
  }
  tone.SetChannelAmplitudes(kRightOnly);
  std::this_thread::sleep_for(3000ms);  // past a fresh output's first long block
  std::mt19937 random(7);
  std::vector<double> samples;
  for (auto _ : state) {
    // Anywhere in the output's render block, as a user's Show would fall.
    std::this_thread::sleep_for(std::chrono::milliseconds(200 + random() % 500));
    winmm::ScopedMixerDevice fresh(winmm::MakePulseMixer(server));
    const int64_t shown = kvtest::MonotonicNs();
    Meter meter;
    const int64_t live = meter.ok() ? meter.PollUntil([](int32_t v) { return v > 1000; }, 3000ms) : 0;
    if (live == 0) {
      state.SkipWithError("no live reading within 3 s of the open");
      return;
    }
    const double seconds = static_cast<double>(live - shown) / 1e9;
    state.SetIterationTime(seconds);
    samples.push_back(seconds * 1e3);
  }
  ReportSpread(state, samples);
  if (const auto steady = SteadyMedianMs().find(kind); steady != SteadyMedianMs().end())
    state.counters["x_steady_state"] = Median(samples) / steady->second;
}
BENCHMARK_CAPTURE(BM_ShowToFirstReading, pulseaudio_player_10ms, "pulseaudio", 10)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ShowToFirstReading, pulseaudio_player_2s, "pulseaudio", 2000)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ShowToFirstReading, pipewire_player_10ms, "pipewire", 10)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ShowToFirstReading, pipewire_player_2s, "pipewire", 2000)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_ReopenToFirstReading(benchmark::State& state, const char* kind, bool reopen) {
  const std::string server = kvbench::SoundServerAddress(kind);
  if (server.empty()) {
    state.SkipWithError("this sound server cannot start here");
    return;
  }
  winmm::ScopedMixerSetting setting("pulse:" + server);
  kvtest::TonePlayer tone(server, {}, 2);
  auto meter = std::make_unique<Meter>();
  if (!meter->ok() || !tone.Start(0.0f)) {
    state.SkipWithError("cannot open the mixer or play a tone");
    return;
  }
  tone.SetChannelAmplitudes(kRightOnly);
  if (meter->PollUntil([](int32_t v) { return v > 15000; }, 5000ms) == 0) {
    state.SkipWithError("the tone never showed");
    return;
  }
  int64_t live = 0;
  for (auto _ : state) {
    if (reopen) {
      meter.reset();  // as a meter's Show does: close, then open again
      meter = std::make_unique<Meter>();
    }
    const int32_t first = meter->Read();
    if (first > 15000) ++live;
  }
  state.counters["live_first_readings"] =
      benchmark::Counter(static_cast<double>(live), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_ReopenToFirstReading, pulseaudio_baseline_kept_open, "pulseaudio", false)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReopenToFirstReading, pulseaudio, "pulseaudio", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReopenToFirstReading, pipewire_baseline_kept_open, "pipewire", false)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReopenToFirstReading, pipewire, "pipewire", true)->Unit(benchmark::kMicrosecond);

}  // namespace
