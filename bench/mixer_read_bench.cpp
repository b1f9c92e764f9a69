// One peak-meter read as the meter control makes it, against the floor of a
// bare atomic load: what a poller at 1 ms pays per reading.
#include <atomic>
#include <memory>

#include <benchmark/benchmark.h>

#include "bench/bench_sound_server.h"
#include "runtime/kernel32/kernel32.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/mmsystem.h"
#include "runtime/winmm/scripted_mixer.h"

namespace {

void BM_AtomicLoad(benchmark::State& state) {
  std::atomic<int32_t> level{1200};
  for (auto _ : state) benchmark::DoNotOptimize(level.load(std::memory_order_acquire));
}
BENCHMARK(BM_AtomicLoad);

// Opens device 0 as selected and reads its peak meter into a value block.
void ReadLoop(benchmark::State& state, bool copyOut) {
  uint32_t mixer = 0;
  if (mixerOpen(&mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR) {
    state.SkipWithError(("mixerOpen failed: " + winmm::LastMixerOpenError()).c_str());
    return;
  }
  const uint32_t block = GlobalAlloc(GMEM_FIXED, 4);
  MIXERCONTROLDETAILS details{sizeof details, winmm::kPeakMeterControlId, 1, {0}, 4, GlobalLock(block)};
  int32_t value = 0;
  for (auto _ : state) {
    const uint32_t result = mixerGetControlDetailsA(mixer, &details, MIXER_GETCONTROLDETAILSF_VALUE);
    benchmark::DoNotOptimize(result);
    if (copyOut) RtlMoveMemory(&value, details.paDetails, 4);
    benchmark::DoNotOptimize(value);
  }
  GlobalFree(block);
  mixerClose(mixer);
}

void BM_MixerRead_SoundServer(benchmark::State& state) {
  const std::string server = kvbench::SoundServerAddress();
  if (server.empty()) {
    state.SkipWithError("no sound server");
    return;
  }
  winmm::ScopedMixerSetting setting("pulse:" + server);
  ReadLoop(state, false);
}
BENCHMARK(BM_MixerRead_SoundServer);

// The whole value-read step of a metering pass: the read and the 4-byte copy.
void BM_MixerReadAndCopy_SoundServer(benchmark::State& state) {
  const std::string server = kvbench::SoundServerAddress();
  if (server.empty()) {
    state.SkipWithError("no sound server");
    return;
  }
  winmm::ScopedMixerSetting setting("pulse:" + server);
  ReadLoop(state, true);
}
BENCHMARK(BM_MixerReadAndCopy_SoundServer);

void BM_MixerRead_Scripted(benchmark::State& state) {
  winmm::ScopedMixerDevice use(
      std::make_shared<winmm::ScriptedMixer>(winmm::MixerScript::Parse("values 1200")));
  ReadLoop(state, false);
}
BENCHMARK(BM_MixerRead_Scripted);

}  // namespace
