#pragma once
// The level a read of the sound server's peak meter sees. The server thread
// publishes the peak of each window it measures; a read on any thread is two
// atomic loads and never waits on the server.
//
// A level is only as good as it is new: one that nothing has renewed for
// kStaleAfterNs reads 0, whether the output went quiet (paused, suspended), the
// server stopped answering, or the server went away. A lost server is known at
// once, and its level is dropped at once.
#include <atomic>
#include <cstdint>

namespace winmm {

class PulseLevel {
 public:
  static constexpr int64_t kStaleAfterNs = 100'000'000;

  // A window's peak, 1.0 being full scale (server thread).
  void Publish(float peak);
  // Nothing measured stands any longer: reads are 0 from now on, until the
  // next Publish (server thread).
  void Forget();
  // The level on the meter's scale, 0 to 32767 (any thread).
  int32_t Read() const;

  // 1.0 and above read full scale; nothing, or NaN, reads 0.
  static int32_t Scale(float peak);

 private:
  std::atomic<int32_t> peak_{0};
  std::atomic<int64_t> publishedNs_{INT64_MIN / 2};
};

}  // namespace winmm
