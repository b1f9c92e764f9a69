// Delay from a tone reaching the sound server to the first mixer reading that
// shows it. Each iteration waits for a settled silence, writes a half-scale
// tone and polls the meter every 0.1 ms; the time counted runs from the
// player's first write carrying the tone (it still sits behind up to 10 ms of
// buffered silence) to the first reading above 1000.
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_sound_server.h"
#include "runtime/kernel32/kernel32.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/mixer_device.h"
#include "runtime/winmm/mmsystem.h"
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

void BM_SoundToReadingLatency(benchmark::State& state) {
  const std::string server = kvbench::SoundServerAddress();
  if (server.empty()) {
    state.SkipWithError("no sound server");
    return;
  }
  winmm::ScopedMixerSetting setting("pulse:" + server);
  kvtest::TonePlayer tone(server);
  Meter meter;
  if (!meter.ok() || !tone.Start(0.5f)) {
    state.SkipWithError("cannot open the mixer or play a tone");
    return;
  }
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
    tone.SetAmplitude(0.5f);
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
  std::sort(samples.begin(), samples.end());
  state.counters["median_ms"] = samples[samples.size() / 2];
  state.counters["p95_ms"] = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
  state.counters["max_ms"] = samples.back();
}
BENCHMARK(BM_SoundToReadingLatency)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

}  // namespace
