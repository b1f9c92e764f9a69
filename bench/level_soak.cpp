// The meter's level under load, for minutes: a half-scale tone plays into a
// private sound server (KV_SOUND_SERVER chooses which) while busy threads
// load the machine, and the level is read every millisecond, as a meter in
// its fastest mode reads it. With sound flowing all along, every reading of 0
// is a blink of the meter to dark. Not part of the test run:
//   level_soak [MINUTES [BUSY_THREADS]]      (defaults: 5 minutes, 2 threads)
// It prints the readings taken, those of 0, the blinks (runs of 0s) and the
// longest of them, and
// ends with status 1 when any reading was 0.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "runtime/kernel32/kernel32.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/mixer_device.h"
#include "runtime/winmm/mmsystem.h"
#include "tests/runtime/winmm/sound_server.h"
#include "tests/runtime/winmm/tone_player.h"

int main(int argc, char** argv) {
  const double minutes = argc > 1 ? std::atof(argv[1]) : 5.0;
  const int busyThreads = argc > 2 ? std::atoi(argv[2]) : 2;
  if (!(minutes > 0.0) || busyThreads < 0) {
    std::fprintf(stderr, "usage: %s [MINUTES [BUSY_THREADS]]\n", argv[0]);
    return 2;
  }
  kvtest::PrivateSoundServer server;
  if (!server.Start()) {
    std::fprintf(stderr, "no private sound server: %s\n", server.error().c_str());
    return 2;
  }
  winmm::ScopedMixerSetting setting("pulse:" + server.address());
  // Buffered 2 s ahead, as a music player plays: a loaded machine must not
  // starve the player itself, or the output really would fall silent.
  kvtest::TonePlayer tone(server.address(), {}, 1, 2000);
  uint32_t mixer = 0;
  if (!tone.Start(0.5f) || mixerOpen(&mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR) {
    std::fprintf(stderr, "cannot play a tone or open the mixer\n");
    return 2;
  }
  const uint32_t block = GlobalAlloc(GMEM_FIXED, 4);
  MIXERCONTROLDETAILS details{sizeof details, winmm::kPeakMeterControlId, 1, {0}, 4, GlobalLock(block)};
  auto read = [&] {
    int32_t value = -1;
    mixerGetControlDetailsA(mixer, &details, 0);
    RtlMoveMemory(&value, details.paDetails, 4);
    return value;
  };
  // A fresh null output can take two seconds to deliver its first sound.
  const auto warm = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (read() < 10000 && std::chrono::steady_clock::now() < warm)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));

  std::atomic<bool> stop{false};
  std::vector<std::thread> busy;
  for (int i = 0; i < busyThreads; ++i)
    busy.emplace_back([&] {
      uint64_t spin = 0;
      while (!stop.load(std::memory_order_relaxed)) benchmark::DoNotOptimize(++spin);
    });

  uint64_t readings = 0, zeros = 0, blinks = 0, run = 0, longestRun = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double, std::ratio<60>>(minutes);
  while (std::chrono::steady_clock::now() < end) {
    if (read() == 0) {
      ++zeros;
      if (run == 0) ++blinks;
      longestRun = std::max(longestRun, ++run);
    } else {
      run = 0;
    }
    ++readings;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  stop = true;
  for (auto& thread : busy) thread.join();
  GlobalFree(block);
  mixerClose(mixer);
  std::printf(
      "server %s, %.1f min, %d busy threads: %llu readings, %llu of them 0 in %llu blinks, the longest %llu readings\n",
      server.kind().c_str(), minutes, busyThreads, static_cast<unsigned long long>(readings),
      static_cast<unsigned long long>(zeros), static_cast<unsigned long long>(blinks),
      static_cast<unsigned long long>(longestRun));
  return zeros == 0 ? 0 : 1;
}
