// The VU meter's eleven segment pictures: small flat blocks, one colour each,
// stored as JPEG because that is the format the control's face was designed
// around. Quality 100 keeps the average colour within a unit or two of the
// intended one, which the meter's tests rely on.
#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageWriter>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "tools/make_assets/asset.h"

namespace {

struct Segment {
  const char* fileName;
  int width;
  uint32_t rgb;
};

// Segments 10 and 11 are one pixel wider than the others.
constexpr std::array<Segment, 11> kSegments{{
    {"Dp1.jpg", 14, 0x03892A},
    {"Dp2.jpg", 14, 0x04BD19},
    {"Dp3.jpg", 14, 0x13F107},
    {"Dp4.jpg", 14, 0x67FD04},
    {"Dp5.jpg", 14, 0xBEFE05},
    {"Dp6.jpg", 14, 0xFDDB04},
    {"Dp7.jpg", 14, 0xFDA704},
    {"Dp8.jpg", 14, 0xFD6D04},
    {"Dp9.jpg", 14, 0xFC3F04},
    {"Dp10.jpg", 15, 0xFC1C06},
    {"Dp11.jpg", 15, 0xFC1C06},
}};
constexpr int kSegmentHeight = 8;

QByteArray MakeSegment(const Segment& segment) {
  QImage picture(segment.width, kSegmentHeight, QImage::Format_RGB32);
  picture.fill(QColor::fromRgb(segment.rgb));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(100);
  // Progressive or optimised encodings would still decode the same, but plain
  // baseline output keeps the bytes stable across library builds.
  writer.setOptimizedWrite(false);
  writer.setProgressiveScanWrite(false);
  if (!writer.write(picture))
    throw std::runtime_error(std::string("cannot encode ") + segment.fileName + ": " +
                             writer.errorString().toStdString());
  return bytes;
}

struct RegisterSegments {
  RegisterSegments() {
    for (const Segment& segment : kSegments)
      assets::Registrar(segment.fileName, [segment] { return MakeSegment(segment); });
  }
};
const RegisterSegments registerSegments;

}  // namespace
