#pragma once
// A window timer: ticks arrive through the message loop (also inside nested
// DoEvents), only while Enabled with an Interval above 0. Its resolution is
// one frame of the screen its window is on: a shorter interval ticks once a
// frame, as nothing it does could be seen sooner. A tick is never delivered
// while the same timer's handler is still running, and late ticks are
// dropped rather than queued, so a slow handler slows the pace instead of
// building a backlog.
#include "runtime/platform/export.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace forms {

namespace detail {
class TimerDriver;
}

class KVQMXTMR_EXPORT Timer {
 public:
  // A new timer is disabled with Interval 0; owners set what they need.
  explicit Timer(std::function<void()> onTick = {});
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void SetHandler(std::function<void()> onTick);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Milliseconds. 0 stops the ticks (Enabled keeps its value); 1 asks for
  // ticks as often as the platform allows, once a frame of the screen. Setting it while running starts
  // the count again. Negative values raise platform::Error.
  int32_t Interval() const { return interval_; }
  void SetInterval(int32_t milliseconds);

  // A timer whose owner has closed stays quiet whatever Enabled says, so a
  // closed window never receives another tick.
  void SetSuspended(bool suspended);

  // The widget whose screen sets the resolution (the primary screen's
  // while it returns nullptr, and without one).
  void SetScreenOf(std::function<QWidget*()> widget) { screenOf_ = std::move(widget); }

  bool Running() const;
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

 private:
  friend class detail::TimerDriver;
  void Apply();
  void Tick();

  std::function<void()> handler_;
  std::function<QWidget*()> screenOf_;
  std::unique_ptr<detail::TimerDriver> driver_;
  std::shared_ptr<bool> alive_;
  std::string name_;
  int32_t interval_ = 0;
  bool enabled_ = false;
  bool suspended_ = false;
  bool inTick_ = false;
};

}  // namespace forms
