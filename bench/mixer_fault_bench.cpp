// The level under a sound server's faults, on a private PulseAudio and a
// private PipeWire server, while a half-scale tone plays into it and a meter
// polls every 0.1 ms:
//   stop_to_zero   SIGSTOP to the server, until a reading of 0;
//   kill_to_zero   SIGKILL to the server, until a reading of 0;
//   restart_to_stream  from the restarted server's first answer (its start
//                  script returns once it answers and has its default
//                  output), until the meter's record stream is on it again;
//   restart_to_live    from the same moment, with a new tone started then,
//                  until a reading shows the tone.
// The meter's handle stays open throughout, as a meter on screen does.
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "runtime/kernel32/kernel32.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/mixer_device.h"
#include "runtime/winmm/mmsystem.h"
#include "tests/runtime/winmm/sound_server.h"
#include "tests/runtime/winmm/tone_player.h"

namespace {

using namespace std::chrono_literals;

// Polls a server's record streams for the meter's, over a connection of its own.
class StreamWatch {
 public:
  explicit StreamWatch(const std::string& server) {
    loop_ = pa_mainloop_new();
    context_ = pa_context_new(pa_mainloop_get_api(loop_), "stream watch");
    pa_context_connect(context_, server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr);
  }
  ~StreamWatch() {
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    pa_mainloop_free(loop_);
  }
  // Whether the server has a record stream named "Peak meter"; false when it
  // cannot tell within `limit`.
  bool MeterStreamRuns(std::chrono::milliseconds limit) {
    const int64_t deadline = kvtest::MonotonicNs() + limit.count() * 1'000'000;
    while (pa_context_get_state(context_) != PA_CONTEXT_READY) {
      if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)) || kvtest::MonotonicNs() > deadline) return false;
      pa_mainloop_iterate(loop_, 0, nullptr);
      std::this_thread::sleep_for(100us);
    }
    found_ = false;
    pa_operation* op = pa_context_get_source_output_info_list(
        context_,
        [](pa_context*, const pa_source_output_info* info, int eol, void* self) {
          if (eol == 0 && info != nullptr && std::strcmp(info->name, "Peak meter") == 0)
            static_cast<StreamWatch*>(self)->found_ = true;
        },
        this);
    while (op != nullptr && pa_operation_get_state(op) == PA_OPERATION_RUNNING && kvtest::MonotonicNs() < deadline)
      pa_mainloop_iterate(loop_, 1, nullptr);
    if (op != nullptr) pa_operation_unref(op);
    return found_;
  }

 private:
  pa_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  bool found_ = false;
};

int32_t Read(uint32_t mixer, MIXERCONTROLDETAILS& details) {
  int32_t value = -1;
  if (mixerGetControlDetailsA(mixer, &details, 0) == MMSYSERR_NOERROR) RtlMoveMemory(&value, details.paDetails, 4);
  return value;
}

// Polls until `accept(reading)` or `limit`; the monotonic time it held, or 0.
template <typename Accept>
int64_t PollUntil(uint32_t mixer, MIXERCONTROLDETAILS& details, Accept accept, std::chrono::milliseconds limit) {
  const int64_t deadline = kvtest::MonotonicNs() + limit.count() * 1'000'000;
  for (;;) {
    const int64_t now = kvtest::MonotonicNs();
    if (accept(Read(mixer, details))) return now;
    if (now > deadline) return 0;
    std::this_thread::sleep_for(100us);
  }
}

bool Live(int32_t v) { return v > 10000; }
bool Zero(int32_t v) { return v == 0; }
double Ms(int64_t from, int64_t to) { return static_cast<double>(to - from) / 1e6; }

void Report(benchmark::State& state, const std::string& name, std::vector<double> samples) {
  if (samples.empty()) return;
  std::sort(samples.begin(), samples.end());
  state.counters[name + "_median_ms"] = samples[samples.size() / 2];
  state.counters[name + "_max_ms"] = samples.back();
}

void BM_ServerFaults(benchmark::State& state, const char* kind) {
  kvtest::PrivateSoundServer server(kind);
  if (!server.Start()) {
    state.SkipWithError("this sound server cannot start here");
    return;
  }
  winmm::ScopedMixerSetting setting("pulse:" + server.address());
  std::optional<kvtest::TonePlayer> tone(std::in_place, server.address());
  uint32_t mixer = 0;
  if (mixerOpen(&mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR || !tone->Start(0.5f)) {
    state.SkipWithError("cannot open the mixer or play a tone");
    return;
  }
  const uint32_t block = GlobalAlloc(GMEM_FIXED, 4);
  MIXERCONTROLDETAILS details{sizeof details, winmm::kPeakMeterControlId, 1, {0}, 4, GlobalLock(block)};
  std::map<std::string, std::vector<double>> samples;
  for (auto _ : state) {
    if (PollUntil(mixer, details, Live, 5000ms) == 0) {
      state.SkipWithError("the tone never showed");
      break;
    }
    std::this_thread::sleep_for(200ms);
    server.Freeze();
    const int64_t frozen = kvtest::MonotonicNs();
    const int64_t zero = PollUntil(mixer, details, Zero, 2000ms);
    server.Thaw();
    if (zero != 0) samples["stop_to_zero"].push_back(Ms(frozen, zero));
    if (PollUntil(mixer, details, Live, 3000ms) == 0) {
      state.SkipWithError("the tone did not come back after the server was resumed");
      break;
    }
    std::this_thread::sleep_for(200ms);

    const int64_t killing = kvtest::MonotonicNs();
    server.Kill();  // returns once the server is gone
    const int64_t killedZero = PollUntil(mixer, details, Zero, 2000ms);
    if (killedZero != 0) samples["kill_to_zero"].push_back(Ms(killing, killedZero));
    tone.reset();

    if (!server.Start()) {
      state.SkipWithError(("the server did not start again: " + server.error()).c_str());
      break;
    }
    const int64_t answered = kvtest::MonotonicNs();
    tone.emplace(server.address());
    if (!tone->Start(0.5f)) {
      state.SkipWithError("cannot play a tone on the restarted server");
      break;
    }
    const int64_t live = PollUntil(mixer, details, Live, 5000ms);
    if (live != 0) samples["restart_to_live"].push_back(Ms(answered, live));
    state.SetIterationTime(static_cast<double>(live - answered) / 1e9);
  }
  // The stream's return alone, without a tone to start: a restart per sample.
  for (int i = 0; i < static_cast<int>(state.iterations()); ++i) {
    tone.reset();
    server.Kill();
    if (!server.Start()) break;
    const int64_t answered = kvtest::MonotonicNs();
    StreamWatch watch(server.address());
    while (!watch.MeterStreamRuns(1000ms) && kvtest::MonotonicNs() - answered < 3'000'000'000) {
    }
    samples["restart_to_stream"].push_back(Ms(answered, kvtest::MonotonicNs()));
  }
  GlobalFree(block);
  mixerClose(mixer);
  for (const auto& [name, values] : samples) Report(state, name, values);
}
BENCHMARK_CAPTURE(BM_ServerFaults, pulseaudio, "pulseaudio")
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ServerFaults, pipewire, "pipewire")->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
