#include "runtime/forms/detail/frame_pacer.h"

#include <algorithm>
#include <cmath>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace forms::detail {

std::chrono::nanoseconds FramePeriod(const QWidget* widget) {
  constexpr double kUnknownRateHz = 60;
  const QScreen* screen = widget != nullptr ? widget->screen() : QGuiApplication::primaryScreen();
  double rate = screen != nullptr ? screen->refreshRate() : 0;
  if (!std::isfinite(rate) || rate < 1) rate = kUnknownRateHz;
  return std::chrono::nanoseconds(static_cast<int64_t>(std::llround(1e9 / rate)));
}

std::chrono::nanoseconds RecentFramePeriod::Of(const QWidget* widget) {
  const auto now = std::chrono::steady_clock::now();
  if (widget != widget_ || period_.count() == 0 || now - lookedUp_ >= std::chrono::seconds(1)) {
    widget_ = widget;
    period_ = FramePeriod(widget);
    lookedUp_ = now;
  }
  return period_;
}

FramePacer::FramePacer(QWidget* window) : QObject(window), window_(window) {
  next_.setSingleShot(true);
  next_.setTimerType(Qt::PreciseTimer);
  connect(&next_, &QTimer::timeout, this, [this] { StartFrame(); });
  window->installEventFilter(this);
}

FramePacer& FramePacer::Of(QWidget* widget) {
  QWidget* window = widget->window();
  if (auto* pacer = window->findChild<FramePacer*>(QString(), Qt::FindDirectChildrenOnly)) return *pacer;
  return *new FramePacer(window);
}

void FramePacer::Request(QWidget* widget, FrameClient& client) {
  const auto now = Clock::now();
  const auto period = period_.Of(window_);
  // A frame whose paint never came (its window went off the screen) stops
  // counting as on its way after a while.
  if (inFlight_ && now - lastFrame_ < 2 * period) {
    client.PaintFrame();
    return;
  }
  inFlight_ = false;
  waiting_.push_back({widget, &client});
  if (next_.isActive()) return;
  due_ = std::max(lastFrame_ + period, now);
  // Rounded up: never before the frame is due.
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due_ - now);
  next_.start(static_cast<int>(wait.count()));
}

void FramePacer::StartFrame() {
  // Frames keep the screen's cadence although the timer fires a little late:
  // the next one is due a period after this one was, not after it came.
  const auto now = Clock::now();
  lastFrame_ = now - due_ < period_.Of(window_) ? due_ : now;
  std::vector<Waiting> waiting;
  waiting.swap(waiting_);
  bool asked = false;
  for (const Waiting& w : waiting) {
    if (w.widget) asked = w.client->PaintFrame() || asked;
  }
  inFlight_ = asked;
}

bool FramePacer::eventFilter(QObject* watched, QEvent* event) {
  // Qt paints every widget of the window that has a region waiting when the
  // window takes its update request.
  if (watched == window_ && event->type() == QEvent::UpdateRequest) inFlight_ = false;
  return false;
}

}  // namespace forms::detail
