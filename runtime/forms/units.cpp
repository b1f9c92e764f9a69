#include "runtime/forms/units.h"

#include <cmath>

#include <QGuiApplication>
#include <QScreen>

#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/screen.h"

namespace forms {
namespace {

constexpr float kTwipsPerInch = 1440.0f;
constexpr qreal kFallbackDpi = 96.0;

QScreen* PrimaryScreen() {
  detail::EnsureApplication();
  return QGuiApplication::primaryScreen();
}

qreal DpiX() {
  QScreen* s = PrimaryScreen();
  const qreal dpi = s != nullptr ? s->logicalDotsPerInchX() : 0.0;
  return dpi > 0 ? dpi : kFallbackDpi;
}

qreal DpiY() {
  QScreen* s = PrimaryScreen();
  const qreal dpi = s != nullptr ? s->logicalDotsPerInchY() : 0.0;
  return dpi > 0 ? dpi : kFallbackDpi;
}

int Round(float pixels) {
  if (std::isnan(pixels)) return 0;
  // Far outside any screen; clamp so the int conversion stays defined.
  constexpr float kLimit = 1.0e8f;
  if (pixels > kLimit) return static_cast<int>(kLimit);
  if (pixels < -kLimit) return -static_cast<int>(kLimit);
  return static_cast<int>(std::lround(pixels));
}

}  // namespace

float TwipsPerPixelX() { return kTwipsPerInch / static_cast<float>(DpiX()); }
float TwipsPerPixelY() { return kTwipsPerInch / static_cast<float>(DpiY()); }

int TwipsToPixelsX(float twips) { return Round(twips / TwipsPerPixelX()); }
int TwipsToPixelsY(float twips) { return Round(twips / TwipsPerPixelY()); }

float PixelsToTwipsX(int pixels) { return static_cast<float>(pixels) * TwipsPerPixelX(); }
float PixelsToTwipsY(int pixels) { return static_cast<float>(pixels) * TwipsPerPixelY(); }

float Screen::Width() {
  QScreen* s = PrimaryScreen();
  return s != nullptr ? PixelsToTwipsX(s->geometry().width()) : 0.0f;
}

float Screen::Height() {
  QScreen* s = PrimaryScreen();
  return s != nullptr ? PixelsToTwipsY(s->geometry().height()) : 0.0f;
}

float Screen::TwipsPerPixelX() { return forms::TwipsPerPixelX(); }
float Screen::TwipsPerPixelY() { return forms::TwipsPerPixelY(); }

}  // namespace forms
