// What one frame of each visualisation costs, split into the level reading
// and the drawing, and the frame rate the pulsing shapes reach on a full-HD
// screen against the pace their sleep asks for. Runs the real window and
// controls on the offscreen platform, with a scripted mixer so the level (and
// with it the sleep) is fixed.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <time.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QWidget>
#include <memory>

#include "demo/full_screen.h"
#include "demo/level_arithmetic.h"
#include "demo/terminator.h"
#include "runtime/forms/application.h"
#include "runtime/forms/msgbox.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/timer.h"
#include "runtime/winmm/device_selection.h"
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

// The two 1 ms modes as the running program has them: the menu command, then
// one second of the program's own pump (processEvents, waiting for more
// events, as Application::Run does), with the processor time this thread
// took per tick. The waits between ticks cost nothing; what is left is Qt's
// timer dispatch and the tick's own work. An empty 1 ms timer on the same
// pump is the baseline of the same run: what a tick costs before any work.
double ThreadCpuMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// Kept out of line, so a profiler can count what one call runs.
[[gnu::noinline]] void PumpLikeTheProgram(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void ReportTicks(benchmark::State& state, uint64_t ticks, double cpuMicroseconds, int ms) {
  state.counters["ticks_per_s"] = static_cast<double>(ticks) * 1000.0 / ms;
  state.counters["cpu_us_per_tick"] = ticks == 0 ? 0.0 : cpuMicroseconds / static_cast<double>(ticks);
}

void BM_EmptyTimerRunning(benchmark::State& state) {
  Window w(0);
  constexpr int kMs = 1000;
  uint64_t ticks = 0;
  forms::Timer timer([&] { ++ticks; });
  double cpu = 0;
  for (auto _ : state) {
    ticks = 0;
    timer.SetInterval(1);
    timer.SetEnabled(true);
    const double before = ThreadCpuMicroseconds();
    PumpLikeTheProgram(kMs);
    cpu = ThreadCpuMicroseconds() - before;
    timer.SetEnabled(false);
  }
  ReportTicks(state, ticks, cpu, kMs);
}
BENCHMARK(BM_EmptyTimerRunning)->Iterations(1)->Unit(benchmark::kMillisecond);

// One mixer reading per tick in both modes, so the reads count the ticks.
void TimerModeRunning(benchmark::State& state, const char* menuItem) {
  Window w(static_cast<int32_t>(state.range(0)));
  constexpr int kMs = 1000;
  uint64_t ticks = 0;
  double cpu = 0;
  for (auto _ : state) {
    w.form->MenuAction(menuItem)->trigger();
    PumpLikeTheProgram(50);  // the first frame of the new mode
    const uint64_t before = w.mixer->Counts().reads;
    const double cpuBefore = ThreadCpuMicroseconds();
    PumpLikeTheProgram(kMs);
    cpu = ThreadCpuMicroseconds() - cpuBefore;
    ticks = w.mixer->Counts().reads - before;
    // Both timers quiet again.
    w.form->MenuAction("mnuDialfenLow")->trigger();
    w.form->KvDispVU1().put_DisplayMode(dialfen::DONotUseTimer);
  }
  ReportTicks(state, ticks, cpu, kMs);
}
void BM_BarGraphRunning(benchmark::State& state) { TimerModeRunning(state, "mnuBarGraph"); }
BENCHMARK(BM_BarGraphRunning)->Arg(0)->Arg(12000)->Arg(32768)->Iterations(1)->Unit(benchmark::kMillisecond);
void BM_LowTimerRunning(benchmark::State& state) { TimerModeRunning(state, "mnuDialfenLow"); }
BENCHMARK(BM_LowTimerRunning)->Arg(0)->Arg(12000)->Arg(32768)->Iterations(1)->Unit(benchmark::kMillisecond);

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
