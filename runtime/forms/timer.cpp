#include "runtime/forms/timer.h"

#include <algorithm>

#include <QTimerEvent>

#include "runtime/forms/detail/frame_pacer.h"
#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/detail/timer_driver.h"
#include "runtime/platform/error.h"

namespace forms {

namespace detail {

void TimerDriver::Start(int milliseconds) {
  Stop();
  interval_ = std::chrono::milliseconds(milliseconds);
  running_ = true;
  deadline_ = Clock::now() + Period();
  AimAtDeadline();
}

void TimerDriver::Stop() {
  running_ = false;
  if (id_ != 0) {
    killTimer(id_);
    id_ = 0;
  }
}

std::chrono::nanoseconds TimerDriver::Period() {
  const QWidget* widget = owner_->screenOf_ ? owner_->screenOf_() : nullptr;
  return std::max<std::chrono::nanoseconds>(interval_, framePeriod_.Of(widget));
}

void TimerDriver::AimAtDeadline() {
  // Rounded up, so no tick comes before its deadline. Coarse timers may fire
  // up to 5 % late; precise ones keep the pace.
  const auto wait =
      std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now()), std::chrono::milliseconds(0));
  // A running Qt timer repeats at its interval, counted from when it was due
  // rather than from when its event came: asked for the same wait again, it
  // is aimed already, give or take the lateness of this tick's event.
  if (id_ != 0 && wait == armed_) return;
  if (id_ != 0) killTimer(id_);
  id_ = startTimer(wait, Qt::PreciseTimer);
  armed_ = wait;
}

void TimerDriver::timerEvent(QTimerEvent* e) {
  if (e->timerId() != id_) return;
  // The next deadline is aimed at before the handler runs, which may stop or
  // restart this timer. One missed while a handler ran late is dropped.
  const auto now = Clock::now();
  deadline_ += Period();
  if (deadline_ <= now) deadline_ = now + Period();
  AimAtDeadline();
  owner_->Tick();
}

}  // namespace detail

Timer::Timer(std::function<void()> onTick)
    : handler_(std::move(onTick)), alive_(std::make_shared<bool>(true)) {
  detail::EnsureApplication();
  driver_ = std::make_unique<detail::TimerDriver>(this);
}

Timer::~Timer() {
  *alive_ = false;
}

void Timer::SetHandler(std::function<void()> onTick) { handler_ = std::move(onTick); }

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Apply();
}

void Timer::SetInterval(int32_t milliseconds) {
  if (milliseconds < 0) {
    throw platform::Error(platform::kErrorInvalidArgument, "A timer interval cannot be negative.");
  }
  interval_ = milliseconds;
  // A running timer counts the new interval from now.
  if (driver_->Running()) driver_->Stop();
  Apply();
}

void Timer::SetSuspended(bool suspended) {
  if (suspended == suspended_) return;
  suspended_ = suspended;
  Apply();
}

bool Timer::Running() const { return driver_->Running(); }

void Timer::Apply() {
  // A Qt timer of interval 0 fires on every pass of the loop; here 0 means
  // stopped.
  const bool wanted = enabled_ && interval_ > 0 && !suspended_;
  if (!wanted) {
    driver_->Stop();
  } else if (!driver_->Running()) {
    driver_->Start(interval_);
  }
}

void Timer::Tick() {
  // Qt does not re-fire a timer whose event is still being handled, but a
  // handler that restarts its own timer gets a new id; the flag covers that.
  if (inTick_ || !handler_) return;
  inTick_ = true;
  std::shared_ptr<bool> alive = alive_;
  // The handler may replace itself; run a copy.
  std::function<void()> handler = handler_;
  detail::Guarded(name_.empty() ? "a timer tick" : name_.c_str(), handler);
  if (*alive) inTick_ = false;
}

}  // namespace forms
