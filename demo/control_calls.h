#pragma once
// The window's side of the two hosted controls: every call goes late-bound by
// the DISPIDs the control library publishes, with the value types the
// automation interfaces declare (32-bit integers, 16-bit booleans). A failing
// call raises platform::Error, as every unguarded property access does.
#include <cstdint>

#include "controls/module/library/identities.h"
#include "runtime/com/dispatch_driver.h"

namespace whorlix {

class VuMeterCalls {
 public:
  VuMeterCalls() = default;
  explicit VuMeterCalls(com::DispatchDriver driver) : driver_(std::move(driver)) {}

  // May run metering passes before it returns; a put of UseVUHiTimer returns
  // only once something reached through the message pump changed the mode.
  void put_DisplayMode(int32_t mode) const;
  void put_SetDispDelay(int32_t milliseconds) const;
  void put_SetDispVolumeStep(int32_t step) const;
  int32_t get_GetPeekData() const;

  const com::DispatchDriver& Driver() const { return driver_; }

 private:
  com::DispatchDriver driver_;
};

class FastTimerCalls {
 public:
  FastTimerCalls() = default;
  explicit FastTimerCalls(com::DispatchDriver driver) : driver_(std::move(driver)) {}

  // True runs the timer's loop and returns only after it has been switched
  // off again; False returns at once.
  void put_Enabled(bool enabled) const;
  void put_SleepDelay(int32_t milliseconds) const;

  const com::DispatchDriver& Driver() const { return driver_; }

 private:
  com::DispatchDriver driver_;
};

}  // namespace whorlix
