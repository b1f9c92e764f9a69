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
#include <string>
#include <thread>
#include <vector>

#include "controls/meter/kv_disp_vu.h"
#include <QCoreApplication>
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

}  // namespace
