// What the meter costs its host: one reading on demand (the demo's per-frame
// put of 3), and back-to-back passes of the mode-1 loop, each with eleven
// segment updates and one DoEvents, silent (eleven Sleep(0) pauses) or loud
// (no pause).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <functional>
#include <memory>
#include <string>

#include "controls/meter/kv_disp_vu.h"
#include "runtime/forms/ref.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/scripted_mixer.h"

namespace {

struct ScriptedMeter {
  explicit ScriptedMeter(const char* script)
      : mixer(std::make_shared<winmm::ScriptedMixer>(winmm::MixerScript::Parse(script))),
        device(mixer),
        meter(forms::MakeRef<KvDispVU>()) {
    meter->InitNew();
    meter->NotifyShown();
    meter->put_SetDispDelay(0);
  }
  std::shared_ptr<winmm::ScriptedMixer> mixer;
  winmm::ScopedMixerDevice device;
  forms::Ref<KvDispVU> meter;
};

void ReadingOnDemand(benchmark::State& state) {
  ScriptedMeter m("values 1200 -3000 0\nend cycle");
  int64_t sum = 0;
  for (auto _ : state) {
    m.meter->put_DisplayMode(KvDispVU::GetPeekDataOnly);
    sum += m.meter->get_GetPeekData();
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ReadingOnDemand)->UseRealTime();

// Ends the loop from inside once the mixer has been read `untilReads` times.
void StopAfter(KvDispVU* meter, winmm::ScriptedMixer* mixer, uint64_t untilReads) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [=] {
        if (mixer->Counts().reads >= untilReads)
          meter->put_DisplayMode(KvDispVU::DONotUseTimer);
        else
          StopAfter(meter, mixer, untilReads);
      },
      Qt::QueuedConnection);
}

void LoopPasses(benchmark::State& state, const char* script) {
  ScriptedMeter m(script);
  constexpr uint64_t kPasses = 200;
  for (auto _ : state) {
    StopAfter(m.meter.get(), m.mixer.get(), m.mixer->Counts().reads + kPasses);
    m.meter->put_DisplayMode(KvDispVU::UseVUHiTimer);
  }
  state.counters["passes_per_s"] =
      benchmark::Counter(static_cast<double>(m.mixer->Counts().reads), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(LoopPasses, silent, "values 0")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(LoopPasses, loud, "values 9000")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
