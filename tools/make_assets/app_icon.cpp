// The program's icon for menus, launchers and software centres, in the sizes
// the icon theme lists (16 to 256 px): the window icon's picture (rings round
// a blue ball, the pulsing picture in miniature) on a round navy disc with a
// transparent surround, in full colour with alpha. Each pixel is the average
// of 8 x 8 samples, so edges are smooth at every size and the bytes depend on
// arithmetic alone.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cmath>
#include <string>

#include "tools/make_assets/asset.h"

namespace {

struct Rgba {
  double r, g, b, a;
};

// The picture at a point of the 32-unit grid, centre (16, 16).
Rgba Sample(double ux, double uy) {
  const double dx = ux - 16.0, dy = uy - 16.0;
  const double r = std::sqrt(dx * dx + dy * dy);
  if (r >= 15.5) return {0, 0, 0, 0};
  if (r < 5.0) {
    // The ball, lit from the upper left: blue, an aqua glow, a white spot.
    const double gx = ux - 13.8, gy = uy - 13.8;
    const double light = std::exp(-(gx * gx + gy * gy) / 3.0);
    return {255 * light * light, 80 + 175 * light, 255, 1};
  }
  if (r >= 7.0 && r < 8.2) return {255, 0, 255, 1};
  if (r >= 10.0 && r < 11.2) return {160, 0, 160, 1};
  if (r >= 12.8 && r < 14.0) return {255, 0, 255, 1};
  if (r >= 14.8) return {192, 192, 192, 1};  // a silver rim keeps the disc apart from dark panels
  return {0, 0, 128, 1};
}

QByteArray MakeAppIcon(int size) {
  constexpr int kSamples = 8;
  QImage icon(size, size, QImage::Format_ARGB32);
  const double unit = 32.0 / size;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const Rgba s = Sample((x + (sx + 0.5) / kSamples) * unit, (y + (sy + 0.5) / kSamples) * unit);
          r += s.r * s.a, g += s.g * s.a, b += s.b * s.a, a += s.a;
        }
      }
      const auto channel = [&](double premultiplied) {
        return a == 0 ? 0 : static_cast<int>(std::lround(premultiplied / a));
      };
      const int alpha = static_cast<int>(std::lround(255.0 * a / (kSamples * kSamples)));
      icon.setPixel(x, y, qRgba(channel(r), channel(g), channel(b), alpha));
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  icon.save(&buffer, "PNG");
  return bytes;
}

#define KV_APP_ICON(size) \
  const assets::Registrar appIcon##size("app_icon_" #size ".png", [] { return MakeAppIcon(size); })
KV_APP_ICON(16);
KV_APP_ICON(24);
KV_APP_ICON(32);
KV_APP_ICON(48);
KV_APP_ICON(64);
KV_APP_ICON(128);
KV_APP_ICON(256);

}  // namespace
