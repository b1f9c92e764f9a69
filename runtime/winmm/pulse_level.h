#pragma once
// The level a read of the sound server's peak meter sees. The server thread
// publishes the peak of each stretch of sound it receives; a read on any
// thread is two atomic loads and never waits on the server.
//
// A level is only as good as it is new, and only the server thread can tell
// a server that went quiet from a thread of its own that ran late: it is the
// one that would have received the data. So the server thread decides when
// nothing measured stands any longer (Forget: an output gone quiet, a server
// that stopped answering or went away), and a read never judges by the age it
// sees. A level older than kHeldAtMostNs reads 0 all the same: a server
// thread that late is stuck, and a meter must not hold a level for good.
#include <atomic>
#include <cstdint>

namespace winmm {

class PulseLevel {
 public:
  // How long the server thread, running, waits for new data before the level
  // is forgotten: a few of the stream's fragments (kFragmentMs). Added to the
  // fragment the server may have sent last, it is what a reading takes to
  // fall after the server stops, which must stay within 100 ms.
  static constexpr int kStaleAfterMs = 70;
  static constexpr int64_t kHeldAtMostNs = 1'000'000'000;

  // The largest sample magnitude of a stretch of sound, 1.0 being full scale
  // (-32768 of a 16-bit signed sample) (server thread).
  void Publish(float peak);
  // Nothing measured stands any longer: reads are 0 from now on, until the
  // next Publish (server thread).
  void Forget();
  // The peak meter's signed value (any thread): the level's magnitude, which
  // runs from 0 to 32768, as the meter's signed range holds it, so full scale
  // reads -32768 and everything below it reads positive.
  int32_t Read() const;

  // The magnitude on the meter's scale, 0 to 32768: the peak as a 16-bit
  // sample's magnitude (a float sample is the 16-bit sample / 32768), rounded
  // to the nearest. Beyond full scale reads full scale; nothing, or NaN, reads 0.
  static int32_t Scale(float peak);

 private:
  std::atomic<int32_t> magnitude_{0};
  std::atomic<int64_t> publishedNs_{INT64_MIN / 2};
};

}  // namespace winmm
