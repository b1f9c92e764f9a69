// The demo's pictures and its bundled sound: the window icon (32 x 32, 16
// colours, and the same at 256 x 256 for menus), the maker's logo (150 x 30),
// the shaded sphere (100 x 100) and a short loop whose level swings across
// the meter's range. Everything is drawn
// from arithmetic alone (no fonts, no antialiasing engine), so the bytes are
// the same on every machine and the committed files can be checked against
// the generator.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "tools/make_assets/asset.h"

namespace {

QByteArray Png(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

uint8_t Channel(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

// ------------------------------------------------------------------ icon
// The classic 16-colour palette, so the icon is a true 16-colour image.
constexpr std::array<QRgb, 16> kPalette16 = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
enum Index16 : uint8_t { kBlack = 0, kNavy = 4, kPurple = 5, kSilver = 7, kBlue = 12, kFuchsia = 13, kAqua = 14, kWhite = 15 };

// Concentric rings round a small blue ball on a navy tile: the pulsing
// picture in miniature. Drawn on a 32-unit grid; `scale` pixels to a unit
// gives the same picture at 32 * scale pixels, sharp, for menus and launchers
// that want more than the window's 32 x 32 (scale 1 is that window icon).
QByteArray MakeIcon(int scale) {
  const int size = 32 * scale;
  QImage icon(size, size, QImage::Format_Indexed8);
  icon.setColorTable(QList<QRgb>(kPalette16.begin(), kPalette16.end()));
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      // The pixel's centre in units.
      const double ux = (x + 0.5) / scale, uy = (y + 0.5) / scale;
      const double dx = ux - 16.0, dy = uy - 16.0;
      const double r = std::sqrt(dx * dx + dy * dy);
      // The ball's highlight: a white spot in an aqua glow (at scale 1 one
      // white pixel in a 2 x 2 block).
      const double gx = ux - 14.0, gy = uy - 14.0, hx = ux - 13.5, hy = uy - 13.5;
      uint8_t c = kNavy;
      if (r < 5.0) {
        c = gx * gx + gy * gy < 1.1 * 1.1 ? kAqua : kBlue;
        if (hx * hx + hy * hy < 0.75 * 0.75) c = kWhite;
      } else if (r >= 7.0 && r < 8.2) {
        c = kFuchsia;
      } else if (r >= 10.0 && r < 11.2) {
        c = kPurple;
      } else if (r >= 12.8 && r < 14.0) {
        c = kFuchsia;
      } else if (r >= 15.0) {
        c = (ux < 1.0 || uy < 1.0 || ux >= 31.0 || uy >= 31.0) ? kSilver : kBlack;
      }
      icon.setPixel(x, y, c);
    }
  }
  return Png(icon);
}

// ------------------------------------------------------------------ logo
// A 5 x 7 block font for the letters of the maker's name.
struct Glyph {
  char letter;
  std::array<const char*, 7> rows;
};
constexpr std::array<Glyph, 7> kGlyphs = {{
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
}};

bool GlyphPixel(char letter, int col, int row) {
  for (const Glyph& g : kGlyphs)
    if (g.letter == letter) return g.rows[row][col] == '#';
  return false;
}

// "BRENVALE" in tripled block letters on a dark blue plate, with a shadow and
// an underline that fades from magenta to cyan.
QByteArray MakeLogo() {
  constexpr int kW = 150, kH = 30, kScale = 3, kGap = 3, kTop = 2;
  constexpr const char* kName = "BRENVALE";
  constexpr int kLetters = 8;
  constexpr int kTextWidth = kLetters * 5 * kScale + (kLetters - 1) * kGap;
  constexpr int kLeft = (kW - kTextWidth) / 2;
  QImage logo(kW, kH, QImage::Format_RGB32);
  for (int y = 0; y < kH; ++y) {
    const double t = static_cast<double>(y) / (kH - 1);
    for (int x = 0; x < kW; ++x) logo.setPixel(x, y, qRgb(0, 0, Channel(96 - 56 * t)));
  }
  auto letterAt = [&](int x, int y) {
    const int tx = x - kLeft, ty = y - kTop;
    if (tx < 0 || ty < 0 || ty >= 7 * kScale) return false;
    const int cell = 5 * kScale + kGap;
    const int index = tx / cell, within = tx % cell;
    if (index >= kLetters || within >= 5 * kScale) return false;
    return GlyphPixel(kName[index], within / kScale, ty / kScale);
  };
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      if (letterAt(x, y)) {
        const double t = static_cast<double>(y - kTop) / (7 * kScale - 1);
        logo.setPixel(x, y, qRgb(Channel(255 - 40 * t), Channel(255 - 120 * t), Channel(255 - 200 * t)));
      } else if (letterAt(x - 1, y - 1)) {
        logo.setPixel(x, y, qRgb(0, 0, 24));
      }
    }
  }
  for (int x = kLeft; x < kLeft + kTextWidth; ++x) {
    const double t = static_cast<double>(x - kLeft) / (kTextWidth - 1);
    const QRgb c = qRgb(Channel(255 * (1 - t)), Channel(255 * t), 255);
    logo.setPixel(x, kTop + 7 * kScale + 2, c);
    logo.setPixel(x, kTop + 7 * kScale + 3, c);
  }
  return Png(logo);
}

// ------------------------------------------------------------------ sphere
// A blue ball lit from the upper left, on black; each pixel averages 4 x 4
// samples so the rim is smooth.
QByteArray MakeSphere() {
  constexpr int kSize = 100, kSamples = 4;
  constexpr double kRadius = 48.0, kCentre = kSize / 2.0;
  const double lx = -0.45, ly = -0.55, lz = 0.70;
  const double ln = std::sqrt(lx * lx + ly * ly + lz * lz);
  QImage sphere(kSize, kSize, QImage::Format_RGB32);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      double r = 0, g = 0, b = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double px = (x + (sx + 0.5) / kSamples - kCentre) / kRadius;
          const double py = (y + (sy + 0.5) / kSamples - kCentre) / kRadius;
          const double d2 = px * px + py * py;
          if (d2 > 1.0) continue;
          const double pz = std::sqrt(1.0 - d2);
          const double diffuse = std::max(0.0, (px * lx + py * ly + pz * lz) / ln);
          // Reflection of the light about the normal, seen from the front.
          const double rz = 2 * pz * (px * lx + py * ly + pz * lz) / ln - lz / ln;
          const double specular = std::pow(std::max(0.0, rz), 24.0);
          const double shade = 0.12 + 0.88 * diffuse;
          r += 20 * shade + 235 * specular;
          g += 60 * shade + 195 * specular;
          b += 255 * shade;
        }
      }
      constexpr double n = kSamples * kSamples;
      sphere.setPixel(x, y, qRgb(Channel(r / n), Channel(g / n), Channel(std::min(255.0, b / n))));
    }
  }
  return Png(sphere);
}

// ------------------------------------------------------------------ sound
// Three seconds, mono, 16 bit, 11025 Hz: eight struck chords whose peaks step
// across the meter's range, so every bar and segment gets its turn.
void AppendLe(QByteArray& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

QByteArray MakeSampleLoop() {
  constexpr uint32_t kRate = 11025;
  constexpr int kBeats = 8;
  constexpr uint32_t kBeatSamples = kRate * 3 / kBeats;
  constexpr std::array<double, kBeats> kPeaks = {28000, 12000, 20000, 6000, 31000, 9000, 16000, 24000};
  constexpr double kPi = 3.14159265358979323846;
  const uint32_t samples = kBeatSamples * kBeats;
  QByteArray wav;
  wav.append("RIFF");
  AppendLe(wav, 36 + samples * 2, 4);
  wav.append("WAVEfmt ");
  AppendLe(wav, 16, 4);
  AppendLe(wav, 1, 2);  // PCM
  AppendLe(wav, 1, 2);  // mono
  AppendLe(wav, kRate, 4);
  AppendLe(wav, kRate * 2, 4);
  AppendLe(wav, 2, 2);
  AppendLe(wav, 16, 2);
  wav.append("data");
  AppendLe(wav, samples * 2, 4);
  for (uint32_t i = 0; i < samples; ++i) {
    const uint32_t beat = i / kBeatSamples;
    const double t = static_cast<double>(i % kBeatSamples) / kRate;
    const double time = static_cast<double>(i) / kRate;
    const double envelope = kPeaks[beat] * std::exp(-t * 9.0) * std::min(1.0, t * 400.0);
    const double tone = 0.6 * std::sin(2 * kPi * 220 * time) + 0.4 * std::sin(2 * kPi * 330 * time);
    const long v = std::lround(envelope * tone);
    AppendLe(wav, static_cast<uint32_t>(static_cast<int16_t>(std::clamp(v, -32768L, 32767L))), 2);
  }
  return wav;
}

const assets::Registrar icon("whorlix_icon.png", [] { return MakeIcon(1); });
const assets::Registrar largeIcon("whorlix_icon_256.png", [] { return MakeIcon(8); });
const assets::Registrar logo("logo.png", MakeLogo);
const assets::Registrar sphere("sphere.png", MakeSphere);
const assets::Registrar sampleLoop("sample_loop.wav", MakeSampleLoop);

}  // namespace
