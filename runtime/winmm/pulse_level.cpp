#include "runtime/winmm/pulse_level.h"

#include <time.h>

#include <cmath>

namespace winmm {
namespace {

constexpr int32_t kFullScale = 32768;

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

int32_t PulseLevel::Scale(float peak) {
  if (!(peak > 0.0f)) return 0;  // also NaN
  if (peak >= 1.0f) return kFullScale;
  // In double: 32767 / 32768 in float, times 32768, must come back as 32767.
  return static_cast<int32_t>(std::lround(static_cast<double>(peak) * kFullScale));
}

void PulseLevel::Publish(float peak) {
  magnitude_.store(Scale(peak), std::memory_order_relaxed);
  publishedNs_.store(MonotonicNs(), std::memory_order_release);
}

void PulseLevel::Forget() { publishedNs_.store(INT64_MIN / 2, std::memory_order_release); }

int32_t PulseLevel::Read() const {
  const int64_t published = publishedNs_.load(std::memory_order_acquire);
  if (MonotonicNs() - published > kHeldAtMostNs) return 0;
  const int32_t magnitude = magnitude_.load(std::memory_order_relaxed);
  return magnitude == kFullScale ? -kFullScale : magnitude;
}

}  // namespace winmm
