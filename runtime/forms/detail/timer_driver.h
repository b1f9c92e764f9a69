#pragma once
// The Qt side of forms::Timer: one precise QObject timer, restarted or stopped
// as the forms timer's settings change.
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
  bool Running() const { return id_ != 0; }

 protected:
  void timerEvent(QTimerEvent* e) override;

 private:
  Timer* owner_;
  int id_ = 0;
};

}  // namespace forms::detail
