#pragma once
// The Qt side of forms::Timer: a precise QObject timer aimed at each tick's
// deadline in turn. Deadlines follow one another by the interval, or by one
// frame of the screen when that is longer, measured in nanoseconds so that
// the pace matches the screen's although Qt counts in milliseconds.
#include <chrono>

#include <QObject>

#include "runtime/forms/detail/frame_pacer.h"

namespace forms {
class Timer;
}

namespace forms::detail {

class TimerDriver : public QObject {
  Q_OBJECT

 public:
  explicit TimerDriver(Timer* owner) : owner_(owner) {}
  ~TimerDriver() override { Stop(); }
  void Start(int milliseconds);
  void Stop();
  bool Running() const { return running_; }

 protected:
  void timerEvent(QTimerEvent* e) override;

 private:
  using Clock = std::chrono::steady_clock;
  std::chrono::nanoseconds Period();
  void AimAtDeadline();

  Timer* owner_;
  std::chrono::milliseconds interval_{0};
  RecentFramePeriod framePeriod_;
  Clock::time_point deadline_{};
  int id_ = 0;
  std::chrono::milliseconds armed_{0};  // the running Qt timer's interval
  bool running_ = false;
};

}  // namespace forms::detail
