#pragma once
// KvQmxFasTmr: a timer that needs no window timer. Switched on, it raises
// QmxTimer, pauses SleepDelay milliseconds, lets the host's waiting messages
// run once, and starts over, all inside the call that switched it on; that
// call returns only once the control is off again. Everything the host does
// meanwhile (menu commands, paints, other timers) runs nested inside the loop
// through the message pump, and may switch the control on again, which nests
// a further loop. Invisible while the host runs; a small clock at design time.
#include <cstdint>

#include "runtime/automation/variant.h"
#include "runtime/forms/property_bag.h"
#include "runtime/forms/user_control.h"

class KvQmxFasTmr : public forms::UserControl {
 public:
  // The one event, QmxTimer, has no arguments.
  static constexpr int32_t kDispidQmxTimer = 1;
  // The control's size never changes, whatever its host asks.
  static constexpr float kWidthTwips = 420;
  static constexpr float kHeightTwips = 405;
  static constexpr const char* kSleepDelayKey = "SleepDelay";

  KvQmxFasTmr();

  // Returns the flag as it was when the call came in, but only after running
  // the loop: a read while the control is on does not come back until it has
  // been switched off.
  com::VARIANT_BOOL get_Enabled();
  // Any non-zero value switches on and returns only when the control is off
  // again; the value is kept exactly as given. Sends no change notification.
  void put_Enabled(com::VARIANT_BOOL SetEnabledTo);

  // Milliseconds paused after each event. Any value is kept as given; a
  // negative one pauses 0 ms.
  int32_t get_SleepDelay() const;
  // A running loop takes the new value at its next pause.
  void put_SleepDelay(int32_t New_Sleep);

 protected:
  void UserControl_InitProperties() override;
  void UserControl_ReadProperties(forms::PropertyBag& PropBag) override;
  void UserControl_Resize() override;
  void UserControl_Terminate() override;
  void UserControl_WriteProperties(forms::PropertyBag& PropBag) override;

 private:
  // The caller must hold a reference: the host may drop its own from inside.
  void TimerLoop();

  int32_t sleepDelay_ = 0;
  com::VARIANT_BOOL enabled_ = com::VARIANT_FALSE;
};
