#pragma once
// The Qt side of forms::Timer: a precise single-shot QObject timer aimed at
// each tick's deadline in turn. Deadlines follow one another by the interval,
// or by one frame of the screen when that is longer, measured in nanoseconds
// so that the pace matches the screen's although Qt counts in milliseconds.
#include <chrono>

#include <QObject>

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
  std::chrono::nanoseconds Period() const;
  void AimAtDeadline();

  Timer* owner_;
  std::chrono::milliseconds interval_{0};
  Clock::time_point deadline_{};
  int id_ = 0;
  bool running_ = false;
};

}  // namespace forms::detail
