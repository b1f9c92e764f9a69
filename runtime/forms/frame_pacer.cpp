#include "runtime/forms/detail/frame_pacer.h"

#include <algorithm>
#include <cmath>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "runtime/forms/detail/window_system.h"

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
  // A frame the compositor never called for (the window left the output, or
  // its native window was made anew) is asked for again after a while.
  if ((compositorAsked_ || sourceAsked_) && now - askedAt_ < 4 * period) return;
  if (AskCompositor()) return;
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
  // The frame is painted now, in this pass of the loop. Qt would paint it in
  // the next pass, and a loop that sleeps between its passes (a fast timer's)
  // would show only every second picture: the changes of the pass between
  // would join this frame.
  if (asked) QCoreApplication::sendPostedEvents(window_, QEvent::UpdateRequest);
}

bool FramePacer::AskCompositor() {
  if (!OnWayland()) return false;
  // A window whose pictures reach the compositor through a surface of the
  // runtime's own has the frame callbacks of that surface.
  if (sourceOwner_ && source_ != nullptr) {
    QPointer<FramePacer> self(this);
    const bool asked = source_->AskFrame([self] {
      if (!self) return;
      self->sourceAsked_ = false;
      self->due_ = Clock::now();
      self->StartFrame();
    });
    if (asked) {
      // Not the native window's update request: Qt's own repaints of the
      // window go on as Qt's.
      sourceAsked_ = true;
      askedAt_ = Clock::now();
      return true;
    }
  }
  QWindow* native = window_->windowHandle();
  if (native == nullptr || native->handle() == nullptr) return false;
  if (native != native_) {
    if (native_) native_->removeEventFilter(this);
    native_ = native;
    native->installEventFilter(this);
  }
  compositorAsked_ = true;
  askedAt_ = Clock::now();
  native->requestUpdate();
  return true;
}

void FramePacer::UseFrameSource(QObject* owner, FrameSource& source) {
  sourceOwner_ = owner;
  source_ = &source;
}

bool FramePacer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::UpdateRequest) return false;
  // Qt paints every widget of the window that has a region waiting when the
  // window takes its update request.
  if (watched == window_) inFlight_ = false;
  // The compositor's frame callback: the frame asked for is due. The native
  // window's own handling of it would repaint the whole window, while the
  // waiting changes need only their own footprints.
  if (watched == native_ && compositorAsked_) {
    compositorAsked_ = false;
    due_ = Clock::now();
    StartFrame();
    return true;
  }
  return false;
}

}  // namespace forms::detail
