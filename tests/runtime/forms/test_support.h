#pragma once
// Helpers shared by the forms tests: pumping until something happens, and
// reading colours off a container's rendered client area.
#include <chrono>
#include <functional>
#include <thread>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <string>

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

// What the screen shows of a shown top-level window: its backing store as the
// repaints so far left it. (Render and grab() paint everything afresh.)
inline QImage OnScreen(QWidget* window) {
  return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// The same after a full repaint of the window in its present state. Every
// widget is asked: a window whose client area is an opaque child paints
// nothing of it when only the window is.
inline QImage AfterFullRepaint(QWidget* window) {
  window->repaint();
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (child->isVisible()) child->repaint();
  }
  return OnScreen(window);
}

// Empty when both frames are equal pixel for pixel; otherwise how many pixels
// differ and where the first one is.
inline std::string FrameDifference(const QImage& shown, const QImage& expected) {
  if (shown.size() != expected.size()) return "the frames differ in size";
  int count = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x)
      if (shown.pixel(x, y) != expected.pixel(x, y) && count++ == 0) {
        firstX = x;
        firstY = y;
      }
  if (count == 0) return "";
  return std::to_string(count) + " stale pixels, the first at (" + std::to_string(firstX) + ", " +
         std::to_string(firstY) + ")";
}

// Counts the paint events that any widget (or only `widget`) receives while
// it lives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(const QObject* widget = nullptr) : only_(widget) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  int Count() const { return count_; }

 protected:
  bool eventFilter(QObject* receiver, QEvent* e) override {
    if (e->type() == QEvent::Paint && (only_ == nullptr || receiver == only_)) ++count_;
    return false;
  }

 private:
  const QObject* only_;
  int count_ = 0;
};

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
