// The meter against the real sound server: while a tone plays, a reading on
// demand (mode 3) reports its level.
#include <gtest/gtest.h>

#include <pulse/error.h>
#include <pulse/simple.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "controls/meter/kv_disp_vu.h"
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMetaObject>
#include <QPixmap>
#include <QWidget>

#include "runtime/forms/application.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/form.h"
#include "runtime/forms/msgbox.h"
#include "runtime/forms/ref.h"
#include "runtime/winmm/device_selection.h"
#include "tests/runtime/winmm/sound_server.h"
#include "tests/runtime/winmm/tone_player.h"

namespace {

constexpr int kRate = 48000;
constexpr double kAmplitude = 0.5;  // half of full scale: a peak of about 16384

// Plays a 440 Hz sine into the server's default output until told to stop.
class Tone {
 public:
  Tone() {
    const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
    int error = 0;
    stream_ = pa_simple_new(nullptr, "meter test", PA_STREAM_PLAYBACK, nullptr, "tone", &format,
                            nullptr, nullptr, &error);
    if (stream_ == nullptr) {
      error_ = pa_strerror(error);
      return;
    }
    player_ = std::thread([this] { Play(); });
  }
  ~Tone() {
    stop_ = true;
    if (player_.joinable()) player_.join();
    if (stream_ != nullptr) pa_simple_free(stream_);
  }
  const std::string& Error() const { return error_; }

 private:
  void Play() {
    std::vector<int16_t> chunk(kRate / 20);  // 50 ms
    long t = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!stop_ && std::chrono::steady_clock::now() < end) {
      for (int16_t& sample : chunk)
        sample = static_cast<int16_t>(kAmplitude * 32767 * std::sin(2 * M_PI * 440 * t++ / kRate));
      int error = 0;
      if (pa_simple_write(stream_, chunk.data(), chunk.size() * sizeof(int16_t), &error) < 0) return;
    }
  }

  pa_simple* stream_ = nullptr;
  std::thread player_;
  std::atomic<bool> stop_{false};
  std::string error_;
};

#define SKIP_WITHOUT_SOUND_SERVER()                                                  \
  if (std::getenv("PULSE_SERVER") == nullptr)                                        \
  GTEST_SKIP() << "PULSE_SERVER is not set: no private sound server to play into " \
                  "(./test.sh starts one)"

int LitSegments(const KvDispVU& meter) {
  int lit = 0;
  for (int n = 1; n <= 11; ++n) lit += meter.Find("Dp" + std::to_string(n))->Visible() ? 1 : 0;
  return lit;
}

TEST(MeterOnSoundServer, ReadsTheLevelOfAPlayingTone) {
  SKIP_WITHOUT_SOUND_SERVER();

  winmm::ScopedMixerSetting useServer("pulse");
  std::vector<std::string> messages;
  forms::ScopedMsgBoxHook hook([&](const std::string& text) { messages.push_back(text); });

  auto meter = forms::MakeRef<KvDispVU>();
  meter->InitNew();
  meter->NotifyShown();
  ASSERT_TRUE(messages.empty()) << "the mixer did not open: " << winmm::LastMixerOpenError();
  ASSERT_EQ(meter->Mixer().MeterFound, -1) << "the sound server offers no peak meter";

  Tone tone;
  ASSERT_TRUE(tone.Error().empty()) << "cannot play: " << tone.Error();

  int32_t loudest = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (loudest < 8000 && std::chrono::steady_clock::now() < deadline) {
    meter->put_DisplayMode(KvDispVU::GetPeekDataOnly);
    loudest = std::max(loudest, meter->get_GetPeekData());
    forms::DoEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  RecordProperty("loudest_reading", loudest);
  EXPECT_GE(loudest, 8000) << "a half-scale tone should read near 16384";
  EXPECT_LE(loudest, 32768);
  EXPECT_EQ(meter->Mixer().LastMixerResult, 0u);
}

TEST(MeterOnSoundServer, OnAPlainWindowShowsTheLiveLevelInModesZeroAndOne) {
  SKIP_WITHOUT_SOUND_SERVER();
  winmm::ScopedMixerSetting useServer("pulse");
  std::vector<std::string> messages;
  forms::ScopedMsgBoxHook hook([&](const std::string& text) { messages.push_back(text); });

  forms::Form window;
  window.Move(0, 0, 6000, 2000);
  auto meter = forms::MakeRef<KvDispVU>();
  meter->InitNew();
  window.PlaceChildWidget(meter->Widget(), 600, 600, 2715, 240);
  window.Show();  // showing the window shows the control, which opens the mixer
  ASSERT_TRUE(messages.empty()) << winmm::LastMixerOpenError();
  ASSERT_NE(meter->Mixer().MixerHandle, 0u);
  meter->put_SetDispDelay(0);

  Tone tone;
  ASSERT_TRUE(tone.Error().empty()) << "cannot play: " << tone.Error();

  // Mode 0: Timer1's passes light the whole strip for a half-scale tone.
  meter->put_DisplayMode(KvDispVU::UseVULowTimer);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (LitSegments(*meter) < 11 && std::chrono::steady_clock::now() < deadline) {
    forms::DoEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(LitSegments(*meter), 11);
  EXPECT_GE(meter->get_GetPeekData(), 8000);
  const QImage face = meter->Widget()->grab().toImage();
  const QRgb red = face.pixel(face.width() - 12, face.height() / 2);
  EXPECT_GT(qRed(red), 200);
  EXPECT_LT(qGreen(red), 60);

  // Mode 1: the loop inside the put keeps reading until a handler stops it.
  meter->put_DisplayMode(KvDispVU::DONotUseTimer);
  meter->put_SetDispVolumeStep(1000000);  // every segment dark...
  KvDispVU* control = meter.get();
  int passes = 0;
  std::function<void()> watch = [&] {
    ++passes;
    if (passes >= 50) {
      control->put_SetDispVolumeStep(1000);  // ...until the step is back
      control->put_DisplayMode(KvDispVU::DONotUseTimer);
    } else {
      QMetaObject::invokeMethod(QCoreApplication::instance(), watch, Qt::QueuedConnection);
    }
  };
  QMetaObject::invokeMethod(QCoreApplication::instance(), watch, Qt::QueuedConnection);
  meter->put_DisplayMode(KvDispVU::UseVUHiTimer);
  EXPECT_EQ(passes, 50);
  EXPECT_EQ(LitSegments(*meter), 11) << "the loop's last pass used the restored step";
  EXPECT_GE(meter->get_GetPeekData(), 8000);
}

// Through the control, on a server of its own (so no other test's tone adds
// in): what a peak meter reads, whichever channels carry the sound.
class MeterOnPrivateServer : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_SOUND_SERVER();
    ASSERT_TRUE(server_.Start()) << server_.error();
    setting_ = std::make_unique<winmm::ScopedMixerSetting>("pulse:" + server_.address());
  }

  // Puts DisplayMode 3 and gets GetPeekData until the reading is `reads`
  // (+- `tolerance`) or the time is up; returns the last reading.
  static int32_t ReadUntil(KvDispVU& meter, int32_t reads, int32_t tolerance, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int32_t reading = 0;
    do {
      meter.put_DisplayMode(KvDispVU::GetPeekDataOnly);
      reading = meter.get_GetPeekData();
      if (std::abs(reading - reads) <= tolerance) break;
      forms::DoEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < deadline);
    return reading;
  }

  static int32_t ReadUntilHalfScale(KvDispVU& meter, std::chrono::milliseconds limit) {
    return ReadUntil(meter, kHalfScale, kTolerance, limit);
  }

  static constexpr int32_t kHalfScale = 16384;
  static constexpr int32_t kTolerance = kHalfScale * 3 / 100;
  // A fresh null output can take up to two seconds to deliver its first sound.
  static constexpr auto kWarmUp = std::chrono::milliseconds(3000);

  kvtest::PrivateSoundServer server_;
  std::unique_ptr<winmm::ScopedMixerSetting> setting_;
};

// GetPeekData is the magnitude of the 16-bit sample at the peak: a sine
// reaching 32767 reads 32767, a square wave reaching -32768 reads 32768.
TEST_F(MeterOnPrivateServer, ReadsThePeakForSoundOnAnyOneChannelOrInAntiPhaseUpToFullScale) {
  std::vector<std::string> messages;
  forms::ScopedMsgBoxHook hook([&](const std::string& text) { messages.push_back(text); });
  auto meter = forms::MakeRef<KvDispVU>();
  meter->InitNew();
  meter->NotifyShown();
  ASSERT_TRUE(messages.empty()) << winmm::LastMixerOpenError();

  kvtest::TonePlayer tone(server_.address(), {}, 2);
  ASSERT_TRUE(tone.Start(0.0f)) << tone.error();
  using Shape = kvtest::TonePlayer::Shape;
  constexpr float kSample32767 = 32767.0f / 32768.0f;
  const struct {
    const char* name;
    std::vector<float> amplitudes;
    Shape shape;
    int32_t reads;
    int32_t tolerance;
  } played[] = {{"left only", {0.5f, 0.0f}, Shape::kSine, kHalfScale, kTolerance},
                {"right only", {0.0f, 0.5f}, Shape::kSine, kHalfScale, kTolerance},
                {"anti-phase", {0.5f, -0.5f}, Shape::kSine, kHalfScale, kTolerance},
                {"full-scale sine", {kSample32767, kSample32767}, Shape::kSine, 32767, 0},
                {"full-scale square, left only", {1.0f, 0.0f}, Shape::kSquare, 32768, 0}};
  auto limit = kWarmUp;
  for (const auto& p : played) {
    tone.SetShape(p.shape);
    tone.SetChannelAmplitudes(p.amplitudes);
    EXPECT_NEAR(ReadUntil(*meter, p.reads, p.tolerance, limit), p.reads, p.tolerance) << p.name;
    limit = std::chrono::milliseconds(1000);  // the output is warm now
  }
  EXPECT_EQ(meter->Mixer().LastMixerResult, 0u);
}

TEST_F(MeterOnPrivateServer, TheFirstReadingAfterAReShowIsTheLiveLevelAndTheServerKnowsWhoseStreamItIs) {
  // What a user sees in their sound settings' recording list.
  QCoreApplication::setApplicationName("Meter level test");
  QGuiApplication::setDesktopFileName("org.kvqmxtmr.MeterLevelTest");
  std::vector<std::string> messages;
  forms::ScopedMsgBoxHook hook([&](const std::string& text) { messages.push_back(text); });

  forms::Form window;
  window.Move(0, 0, 6000, 2000);
  auto meter = forms::MakeRef<KvDispVU>();
  meter->InitNew();
  window.PlaceChildWidget(meter->Widget(), 600, 600, 2715, 240);
  window.Show();
  ASSERT_TRUE(messages.empty()) << winmm::LastMixerOpenError();
  const uint32_t firstHandle = meter->Mixer().MixerHandle;
  ASSERT_NE(firstHandle, 0u);

  kvtest::TonePlayer tone(server_.address());
  ASSERT_TRUE(tone.Start(0.5f)) << tone.error();
  ASSERT_NEAR(ReadUntilHalfScale(*meter, kWarmUp), kHalfScale, kTolerance);

  const std::string streams = server_.PactlOutput("list source-outputs");
  EXPECT_NE(streams.find("media.name = \"Peak meter\""), std::string::npos) << streams;
  EXPECT_NE(streams.find("application.name = \"Meter level test\""), std::string::npos) << streams;
  EXPECT_NE(streams.find("application.id = \"org.kvqmxtmr.MeterLevelTest\""), std::string::npos) << streams;

  // Hidden and shown again: the control's Show closes and reopens the mixer.
  meter->Widget()->hide();
  meter->Widget()->show();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (meter->Mixer().MixerHandle == firstHandle && std::chrono::steady_clock::now() < deadline)
    forms::DoEvents();
  ASSERT_NE(meter->Mixer().MixerHandle, firstHandle) << "the Show handler did not run again";
  ASSERT_TRUE(messages.empty()) << winmm::LastMixerOpenError();
  meter->put_DisplayMode(KvDispVU::GetPeekDataOnly);
  EXPECT_NEAR(meter->get_GetPeekData(), kHalfScale, kTolerance) << "the first reading after the re-Show";
}

}  // namespace
