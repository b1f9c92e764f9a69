#pragma once
// Helpers shared by the forms tests: pumping until something happens, and
// reading colours off a container's rendered client area.
#include <chrono>
#include <functional>
#include <thread>

#include <QImage>
#include <QWidget>

#include "runtime/forms/application.h"
#include "runtime/forms/color.h"
#include "runtime/forms/container.h"

namespace forms_test {

// Pumps with DoEvents until `done` or the timeout; true if `done`.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    forms::DoEvents();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

// Pumps for a while, whatever happens.
inline void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

inline QImage Render(const forms::Container& c) {
  return c.Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline forms::Color At(const QImage& img, int x, int y) {
  const QRgb p = img.pixel(x, y);
  return forms::Color{static_cast<uint8_t>(qRed(p)), static_cast<uint8_t>(qGreen(p)),
                      static_cast<uint8_t>(qBlue(p))};
}

}  // namespace forms_test

namespace forms {
inline void PrintTo(const Color& c, std::ostream* os) {
  *os << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}
}  // namespace forms
