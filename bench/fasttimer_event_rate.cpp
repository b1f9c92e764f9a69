// How fast the fast timer raises events with SleepDelay 0 and an empty
// handler, next to a Qt zero-interval timer driving the same handler in the
// same process. Each iteration is one run of kEventsPerRun events; the rate is
// the items-per-second column.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <functional>

#include "controls/fasttimer/kv_qmx_fas_tmr.h"
#include "runtime/forms/application.h"
#include "runtime/forms/ref.h"
#include "runtime/forms/user_control.h"

namespace {

constexpr int kEventsPerRun = 20000;

void StartApplication() {
  static int argc = 1;
  static char arg0[] = "fasttimer_bench";
  static char* argv[] = {arg0, nullptr};
  forms::Application::Initialize(argc, argv);
}

int handled = 0;
// The handler both sources drive; it does nothing the compiler may drop.
void EmptyHandler() { benchmark::DoNotOptimize(++handled); }

class EventSite : public forms::ControlSite {
 public:
  explicit EventSite(std::function<void()> onEvent) : onEvent_(std::move(onEvent)) {}
  void OnPropertyChanged(std::string_view) override {}
  bool UserMode() const override { return true; }
  void OnEvent(int32_t, const std::vector<com::Variant>&) override { onEvent_(); }
  void OnRequestSize(float, float) override {}

 private:
  std::function<void()> onEvent_;
};

void BM_FastTimerEvents(benchmark::State& state) {
  StartApplication();
  auto control = forms::MakeRef<KvQmxFasTmr>();
  control->put_SleepDelay(0);
  int count = 0;
  EventSite site([&] {
    EmptyHandler();
    if (++count == kEventsPerRun) control->put_Enabled(com::VARIANT_FALSE);
  });
  control->SetSite(&site);
  for (auto _ : state) {
    count = 0;
    control->put_Enabled(com::VARIANT_TRUE);
  }
  control->SetSite(nullptr);
  state.SetItemsProcessed(state.iterations() * kEventsPerRun);
}
BENCHMARK(BM_FastTimerEvents)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtZeroIntervalTimerEvents(benchmark::State& state) {
  StartApplication();
  QTimer timer;
  timer.setInterval(0);
  QEventLoop loop;
  int count = 0;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    EmptyHandler();
    if (++count == kEventsPerRun) {
      timer.stop();
      loop.quit();
    }
  });
  for (auto _ : state) {
    count = 0;
    timer.start();
    loop.exec();
  }
  state.SetItemsProcessed(state.iterations() * kEventsPerRun);
}
BENCHMARK(BM_QtZeroIntervalTimerEvents)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
