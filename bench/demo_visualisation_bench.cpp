// What one frame of each visualisation costs, split into the level reading
// and the drawing, and the frame rate the pulsing shapes reach on a full-HD
// screen against the pace their sleep asks for. Runs the real window and
// controls on the offscreen platform, with a scripted mixer so the level (and
// with it the sleep) is fixed.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QAction>
#include <QElapsedTimer>
#include <QWidget>
#include <memory>

#include "demo/full_screen.h"
#include "demo/level_arithmetic.h"
#include "demo/terminator.h"
#include "runtime/forms/application.h"
#include "runtime/forms/msgbox.h"
#include "runtime/forms/picture_box.h"
#include "runtime/winmm/scripted_mixer.h"
#include "tests/demo/demo_session.h"

namespace {

using whorlix::FullScreen;

// One window for the whole run, on a mixer that always reads `level`.
struct Window {
  explicit Window(int32_t level)
      : mixer(std::make_shared<winmm::ScriptedMixer>(winmm::MixerScript::Parse("values " + std::to_string(level)))),
        device(mixer),
        form(&forms::Application::CreateForm<FullScreen>()) {
    form->Show();
    whorlix::testing::PumpFor(50);
  }
  ~Window() {
    form->Unload();
    form->KvQmxFasTmr1().put_Enabled(false);
    form->KvDispVU1().put_DisplayMode(dialfen::UseVULowTimer);
    form->QuitDialog()->Unload();
    forms::Application::Run();
  }
  std::shared_ptr<winmm::ScriptedMixer> mixer;
  winmm::ScopedMixerDevice device;
  FullScreen* form;
};

// The reading half of a bar-graph tick: one reading and the level read.
void BM_LevelReading(benchmark::State& state) {
  Window w(12000);
  for (auto _ : state) {
    w.form->KvDispVU1().put_DisplayMode(dialfen::GetPeekDataOnly);
    benchmark::DoNotOptimize(w.form->KvDispVU1().get_GetPeekData());
  }
}
BENCHMARK(BM_LevelReading);

// The reading half of a pulsing-shapes event: the pace read, the sleep put,
// the reading and the level read, as the handler makes them.
void BM_PulsingShapesReading(benchmark::State& state) {
  Window w(12000);
  for (auto _ : state) {
    const int32_t pace = w.form->KvDispVU1().get_GetPeekData();
    w.form->KvQmxFasTmr1().put_SleepDelay(whorlix::SleepDelayForLevel(pace));
    w.form->KvDispVU1().put_DisplayMode(dialfen::GetPeekDataOnly);
    benchmark::DoNotOptimize(w.form->KvDispVU1().get_GetPeekData());
  }
}
BENCHMARK(BM_PulsingShapesReading);

// The whole event: two reads, one reading, the sleep put and 41 element
// operations; painting is not included (it happens when messages are pumped).
void BM_PulsingShapesEvent(benchmark::State& state) {
  Window w(12000);
  for (auto _ : state) w.form->KvQmxFasTmr1_QmxTimer();
}
BENCHMARK(BM_PulsingShapesEvent);

// The event and a full repaint of the full-HD window: what every event cost
// before repaints took in only what changed (demo_cpu_per_mode measures
// the two ways in the running program).
void BM_PulsingShapesEventAndPaint(benchmark::State& state) {
  Window w(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    w.form->KvQmxFasTmr1_QmxTimer();
    w.form->Widget()->repaint();
  }
}
BENCHMARK(BM_PulsingShapesEventAndPaint)->Arg(0)->Arg(12000)->Arg(32768);

void BM_BarGraphTick(benchmark::State& state) {
  Window w(6000);
  for (auto _ : state) w.form->BarGraphTimer_Timer();
}
BENCHMARK(BM_BarGraphTick);

void BM_BarGraphTickAndPaint(benchmark::State& state) {
  Window w(6000);
  QWidget* strip = w.form->FindPictureBox("Picture1")->Widget();
  for (auto _ : state) {
    w.form->BarGraphTimer_Timer();
    strip->repaint();
  }
}
BENCHMARK(BM_BarGraphTickAndPaint);

// The real loop for two seconds: frames counted by the mixer's reads (one per
// event), against 1000 / SleepDelay frames a second.
void BM_PulsingShapesFrameRate(benchmark::State& state) {
  const int32_t level = static_cast<int32_t>(state.range(0));
  Window w(level);
  const int32_t sleep = whorlix::SleepDelayForLevel(level);
  double framesPerSecond = 0;
  for (auto _ : state) {
    const uint64_t before = w.mixer->Counts().reads;
    QElapsedTimer clock;
    whorlix::testing::Later(2000, [&] { w.form->KvQmxFasTmr1().put_Enabled(false); });
    clock.start();
    w.form->MenuAction("mnuWhorlix")->trigger();
    framesPerSecond = static_cast<double>(w.mixer->Counts().reads - before) * 1000.0 / clock.elapsed();
  }
  state.counters["sleep_ms"] = sleep;
  state.counters["asked_fps"] = 1000.0 / sleep;
  state.counters["reached_fps"] = framesPerSecond;
}
BENCHMARK(BM_PulsingShapesFrameRate)->Arg(0)->Arg(12000)->Arg(32768)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // A full-HD screen unless the caller chose another.
  setenv("QT_QPA_PLATFORM", "offscreen:configfile=" KV_FULL_HD_SCREEN, 0);
  forms::Application::Initialize(argc, argv);
  whorlix::testing::RegisterControlModule();
  // The meter would report a mixer it cannot open in a modal box.
  forms::ScopedMsgBoxHook quiet([](const std::string&) {});
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
