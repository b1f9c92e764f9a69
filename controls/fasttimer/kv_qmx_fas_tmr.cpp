#include "controls/fasttimer/kv_qmx_fas_tmr.h"

#include "controls/fasttimer/declared_imports.h"
#include "controls/fasttimer/timer_face.h"
#include "runtime/forms/application.h"
#include "runtime/forms/elements.h"

KvQmxFasTmr::KvQmxFasTmr() {
  SetInvisibleAtRuntime(true);
  Add<forms::Image>("ClockFace").SetPicture(fasttimer::FacePicture());
  SetWidth(kWidthTwips);
  SetHeight(kHeightTwips);
}

com::VARIANT_BOOL KvQmxFasTmr::get_Enabled() {
  const auto self = HoldReference();
  const com::VARIANT_BOOL value = enabled_;
  TimerLoop();
  return value;
}

void KvQmxFasTmr::put_Enabled(com::VARIANT_BOOL SetEnabledTo) {
  const auto self = HoldReference();
  enabled_ = SetEnabledTo;
  TimerLoop();
}

int32_t KvQmxFasTmr::get_SleepDelay() const { return sleepDelay_; }

void KvQmxFasTmr::put_SleepDelay(int32_t New_Sleep) {
  sleepDelay_ = New_Sleep;
  PropertyChanged(kSleepDelayKey);
}

void KvQmxFasTmr::TimerLoop() {
  // The flag is looked at only here and after each pump, so a handler that
  // switches off still gets the rest of its pass (pause and pump), and a
  // SleepDelay set by the handler governs the pause right after it.
  if (enabled_ == com::VARIANT_FALSE) return;
  do {
    RaiseEvent(kDispidQmxTimer);
    // A negative delay is kept as set but pauses as if it were 0.
    fasttimer::imports::Sleep(kernel32::PauseMilliseconds(sleepDelay_));
    forms::DoEvents();
  } while (enabled_ != com::VARIANT_FALSE);
}

void KvQmxFasTmr::UserControl_InitProperties() { sleepDelay_ = 0; }

void KvQmxFasTmr::UserControl_ReadProperties(forms::PropertyBag& PropBag) {
  // Converted before it is stored, so an unreadable value leaves the old one.
  sleepDelay_ = PropBag.ReadProperty(kSleepDelayKey, com::Variant::I2(0)).ToI4();
}

void KvQmxFasTmr::UserControl_Resize() {
  SetWidth(kWidthTwips);
  SetHeight(kHeightTwips);
}

void KvQmxFasTmr::UserControl_Terminate() {
  enabled_ = com::VARIANT_FALSE;
  TimerLoop();
}

void KvQmxFasTmr::UserControl_WriteProperties(forms::PropertyBag& PropBag) {
  PropBag.WriteProperty(kSleepDelayKey, com::Variant::I4(sleepDelay_), com::Variant::I2(0));
}
