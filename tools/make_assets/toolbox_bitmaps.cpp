// The controls' toolbox pictures: 16 x 15 pixels, 24-bit colour, as the
// module carries them in its bitmap resources 30000 (fast timer) and 30001
// (VU meter). Written as plain .bmp files; the resource generator strips the
// file header.
#include <QByteArray>
#include <array>
#include <cmath>

#include "tools/make_assets/asset.h"

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 15;

struct Rgb {
  uint8_t r, g, b;
};

constexpr Rgb kToolboxGrey{192, 192, 192};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kNavy{0, 0, 128};
constexpr Rgb kRed{255, 0, 0};

using Canvas = std::array<std::array<Rgb, kWidth>, kHeight>;  // [y][x], y = 0 at the top

void AppendLe(QByteArray& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A bottom-up 24-bit .bmp: file header, BITMAPINFOHEADER, rows padded to 4 bytes.
QByteArray Encode(const Canvas& canvas) {
  const int rowBytes = (kWidth * 3 + 3) / 4 * 4;
  const uint32_t imageSize = static_cast<uint32_t>(rowBytes * kHeight);
  QByteArray out;
  out.append("BM");
  AppendLe(out, 14 + 40 + imageSize, 4);
  AppendLe(out, 0, 4);
  AppendLe(out, 14 + 40, 4);
  AppendLe(out, 40, 4);
  AppendLe(out, kWidth, 4);
  AppendLe(out, kHeight, 4);
  AppendLe(out, 1, 2);   // planes
  AppendLe(out, 24, 2);  // bits per pixel
  AppendLe(out, 0, 4);   // uncompressed
  AppendLe(out, imageSize, 4);
  AppendLe(out, 0, 4);
  AppendLe(out, 0, 4);
  AppendLe(out, 0, 4);
  AppendLe(out, 0, 4);
  for (int y = kHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kWidth; ++x) {
      const Rgb& p = canvas[y][x];
      out.append(static_cast<char>(p.b));
      out.append(static_cast<char>(p.g));
      out.append(static_cast<char>(p.r));
    }
    for (int pad = kWidth * 3; pad < rowBytes; ++pad) out.append('\0');
  }
  return out;
}

Canvas Filled(Rgb colour) {
  Canvas c;
  for (auto& row : c) row.fill(colour);
  return c;
}

// A round clock face with a navy rim, four hour ticks, hands at three o'clock
// and a red centre.
QByteArray Clock() {
  Canvas c = Filled(kToolboxGrey);
  const double cx = 7.5, cy = 7.0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double d = std::hypot(x + 0.5 - (cx + 0.5), y + 0.5 - (cy + 0.5));
      if (d <= 7.0) c[y][x] = d > 5.8 ? kNavy : kWhite;
    }
  }
  for (const auto& [x, y] : std::array<std::pair<int, int>, 4>{{{7, 2}, {12, 7}, {7, 12}, {2, 7}}}) c[y][x] = kBlack;
  for (int y = 3; y <= 7; ++y) c[y][7] = kBlack;   // minute hand to twelve
  for (int x = 7; x <= 10; ++x) c[7][x] = kBlack;  // hour hand to three
  c[7][7] = kRed;
  return Encode(c);
}

// Five level bars rising from left to right, green through yellow to red, on a black base line.
QByteArray LevelBars() {
  Canvas c = Filled(kToolboxGrey);
  constexpr std::array<Rgb, 5> kColours{{{0, 160, 0}, {0, 220, 0}, {255, 255, 0}, {255, 128, 0}, {255, 0, 0}}};
  for (int x = 0; x < kWidth; ++x) c[13][x] = kBlack;
  for (int bar = 0; bar < 5; ++bar) {
    const int height = 3 + 2 * bar;
    for (int y = 12; y > 12 - height; --y) {
      c[y][1 + 3 * bar] = kColours[bar];
      c[y][2 + 3 * bar] = kColours[bar];
    }
  }
  return Encode(c);
}

const assets::Registrar timer("toolbox_fasttimer.bmp", Clock);
const assets::Registrar meter("toolbox_meter.bmp", LevelBars);

}  // namespace
