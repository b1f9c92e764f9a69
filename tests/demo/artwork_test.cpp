// The committed artwork and sample loop are exactly what the generator makes,
// and the loop's level really swings across the meter's range.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tools/make_assets/asset.h"

namespace assets {
// The generator's main is not linked here; its registrations land here.
std::vector<Asset>& Registry() {
  static std::vector<Asset> all;
  return all;
}
}  // namespace assets

namespace {

QByteArray Made(const std::string& name) {
  for (const auto& asset : assets::Registry())
    if (asset.fileName == name) return asset.make();
  ADD_FAILURE() << name << " is not generated";
  return {};
}

TEST(DemoArtwork, CommittedFilesMatchTheGenerator) {
  int argc = 1;
  char arg[] = "artwork";
  char* argv[] = {arg, nullptr};
  QGuiApplication app(argc, argv);
  for (const char* name : {"whorlix_icon.png", "whorlix_icon_256.png", "logo.png", "sphere.png", "sample_loop.wav",
                           "app_icon_16.png", "app_icon_24.png", "app_icon_32.png", "app_icon_48.png",
                           "app_icon_64.png", "app_icon_128.png", "app_icon_256.png"}) {
    QFile committed(QString(std::getenv("KV_SOURCE_DIR")) + "/assets/" + name);
    ASSERT_TRUE(committed.open(QIODevice::ReadOnly)) << name << " missing; run make_assets assets";
    EXPECT_TRUE(committed.readAll() == Made(name)) << name << " differs from the generator; run make_assets assets";
  }
}

TEST(DemoArtwork, SampleLoopIsShortPcmWithQuietAndLoudBeats) {
  const QByteArray wav = Made("sample_loop.wav");
  ASSERT_GT(wav.size(), 44);
  EXPECT_EQ(wav.left(4), "RIFF");
  EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
  int16_t channels = 0, bits = 0;
  uint32_t rate = 0;
  std::memcpy(&channels, wav.constData() + 22, 2);
  std::memcpy(&rate, wav.constData() + 24, 4);
  std::memcpy(&bits, wav.constData() + 34, 2);
  EXPECT_EQ(channels, 1);
  EXPECT_EQ(bits, 16);
  const size_t samples = static_cast<size_t>(wav.size() - 44) / 2;
  EXPECT_NEAR(static_cast<double>(samples) / rate, 3.0, 0.05);
  // Peaks of each eighth: the loudest near full scale, the quietest well below.
  std::vector<int> peaks;
  for (size_t part = 0; part < 8; ++part) {
    int peak = 0;
    for (size_t i = part * samples / 8; i < (part + 1) * samples / 8; ++i) {
      int16_t v = 0;
      std::memcpy(&v, wav.constData() + 44 + 2 * i, 2);
      peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
    peaks.push_back(peak);
  }
  EXPECT_GT(*std::max_element(peaks.begin(), peaks.end()), 25000);
  EXPECT_LT(*std::min_element(peaks.begin(), peaks.end()), 8000);
}

}  // namespace
