// The committed segment pictures are exactly what the generator makes, and
// what it makes are flat blocks of the intended colours and sizes.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdlib>
#include <string>
#include <vector>

#include "controls/meter/segment_pictures.h"
#include "tools/make_assets/asset.h"

namespace assets {
// The generator's own main is not linked here; its registrations land in
// this registry instead.
std::vector<Asset>& Registry() {
  static std::vector<Asset> all;
  return all;
}
}  // namespace assets

namespace {

struct Expected {
  std::string file;
  int width;
  QRgb colour;
};
const std::vector<Expected> kExpected = {
    {"Dp1.jpg", 14, 0x03892A}, {"Dp2.jpg", 14, 0x04BD19},  {"Dp3.jpg", 14, 0x13F107},
    {"Dp4.jpg", 14, 0x67FD04}, {"Dp5.jpg", 14, 0xBEFE05},  {"Dp6.jpg", 14, 0xFDDB04},
    {"Dp7.jpg", 14, 0xFDA704}, {"Dp8.jpg", 14, 0xFD6D04},  {"Dp9.jpg", 14, 0xFC3F04},
    {"Dp10.jpg", 15, 0xFC1C06}, {"Dp11.jpg", 15, 0xFC1C06},
};

class SegmentPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QCoreApplication::instance() == nullptr) app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  int argc_ = 1;
  char arg0_[16] = "meter_tests";
  char* argv_[2] = {arg0_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

// Largest per-channel distance between the picture's average and `colour`.
int AverageColourDistance(const QImage& picture, QRgb colour) {
  long sum[3] = {0, 0, 0};
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb p = picture.pixel(x, y);
      sum[0] += qRed(p);
      sum[1] += qGreen(p);
      sum[2] += qBlue(p);
    }
  const long n = static_cast<long>(picture.width()) * picture.height();
  const int want[3] = {qRed(colour), qGreen(colour), qBlue(colour)};
  int worst = 0;
  for (int c = 0; c < 3; ++c)
    worst = std::max(worst, static_cast<int>(std::labs((sum[c] + n / 2) / n - want[c])));
  return worst;
}

TEST_F(SegmentPictures, CommittedFilesMatchTheGenerator) {
  // The test environment's KV_SOURCE_DIR wins; the build's own source tree
  // stands in when it is not passed through.
  const char* source = std::getenv("KV_SOURCE_DIR");
  if (source == nullptr) source = KV_METER_SOURCE_DIR;
  ASSERT_EQ(assets::Registry().size(), kExpected.size());
  for (size_t i = 0; i < kExpected.size(); ++i) {
    const assets::Asset& asset = assets::Registry()[i];
    SCOPED_TRACE(asset.fileName);
    EXPECT_EQ(asset.fileName, kExpected[i].file);
    const QByteArray made = asset.make();
    QFile committed(QString(source) + "/assets/" + QString::fromStdString(asset.fileName));
    ASSERT_TRUE(committed.open(QIODevice::ReadOnly)) << "missing; run make_assets assets";
    EXPECT_TRUE(committed.readAll() == made) << "differs from the generator; run make_assets assets";

    QImage picture;
    ASSERT_TRUE(picture.loadFromData(made, "JPG"));
    EXPECT_EQ(picture.width(), kExpected[i].width);
    EXPECT_EQ(picture.height(), 8);
    EXPECT_LE(AverageColourDistance(picture, kExpected[i].colour), 3);
  }
}

TEST_F(SegmentPictures, TheControlCarriesThemCompiledIn) {
  for (size_t i = 0; i < kExpected.size(); ++i) {
    SCOPED_TRACE(kExpected[i].file);
    const QImage picture = meter::SegmentPicture(static_cast<int>(i) + 1);
    EXPECT_EQ(picture.width(), kExpected[i].width);
    EXPECT_EQ(picture.height(), 8);
    EXPECT_LE(AverageColourDistance(picture, kExpected[i].colour), 3);
  }
}

}  // namespace
