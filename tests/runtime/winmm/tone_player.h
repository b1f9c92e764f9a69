#pragma once
// Plays a 440 Hz sine (or square wave) into a sound server from a client stream of its own,
// as any program would, on one channel or several (the server's standard
// layout for that count: 2 is stereo, 6 is 5.1), each at an amplitude of its
// own; a negative amplitude plays the sine inverted. Amplitude 0 plays
// silence (the stream keeps running); Pause corks the stream so the server
// receives nothing from it.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace kvtest {

class TonePlayer {
 public:
  // A square wave of amplitude 1.0 swings between full scale's two ends: as
  // 16-bit samples, 32767 and -32768.
  enum class Shape { kSine, kSquare };

  // `server` empty: libpulse's own choice (PULSE_SERVER). `sink` empty: the
  // server's default output. `bufferMs`: how far ahead the server may buffer
  // the tone; 10 ms follows a change of amplitude at once, 2000 is how a music
  // player plays (and lets an idle output render ahead in long blocks).
  explicit TonePlayer(std::string server = {}, std::string sink = {}, int channels = 1, int bufferMs = 10);
  ~TonePlayer();
  TonePlayer(const TonePlayer&) = delete;
  TonePlayer& operator=(const TonePlayer&) = delete;

  // Connects and starts playing at `amplitude` (1.0 = full scale) on every
  // channel; false with error() set when the server cannot be reached within
  // a few seconds.
  bool Start(float amplitude);
  void SetAmplitude(float amplitude);  // on every channel
  // One amplitude per channel, in the layout's order (stereo: left, right).
  void SetChannelAmplitudes(std::vector<float> amplitudes);
  void SetShape(Shape shape);
  void Pause(bool paused);
  void Stop();

  // The layout a tone of `channels` channels plays in, as pactl writes
  // channel maps ("front-left,front-right"), so an output can be made to match.
  static std::string Layout(int channels);

  // Monotonic time (ns) of the first write that carried the current non-zero
  // amplitude; 0 until then.
  int64_t toneWrittenNs() const { return toneWrittenNs_.load(); }
  const std::string& error() const { return error_; }

 private:
  static void OnWrite(pa_stream* stream, size_t bytes, void* self);
  void Write(size_t bytes);

  std::string server_;
  std::string sink_;
  int channels_;
  int bufferMs_;
  std::string error_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  std::mutex amplitudesLock_;
  std::vector<float> amplitudes_;
  Shape shape_ = Shape::kSine;
  bool amplitudeChanged_ = false;
  std::atomic<int64_t> toneWrittenNs_{0};
  double phase_ = 0.0;
};

int64_t MonotonicNs();

}  // namespace kvtest
