#include "demo/control_calls.h"

#include "runtime/automation/variant.h"

namespace whorlix {

void VuMeterCalls::put_DisplayMode(int32_t mode) const {
  driver_.Put(dialfen::DISPID_DisplayMode, com::Variant::I4(mode));
}

void VuMeterCalls::put_SetDispDelay(int32_t milliseconds) const {
  driver_.Put(dialfen::DISPID_SetDispDelay, com::Variant::I4(milliseconds));
}

void VuMeterCalls::put_SetDispVolumeStep(int32_t step) const {
  driver_.Put(dialfen::DISPID_SetDispVolumeStep, com::Variant::I4(step));
}

int32_t VuMeterCalls::get_GetPeekData() const { return driver_.Get(dialfen::DISPID_GetPeekData).ToI4(); }

void FastTimerCalls::put_Enabled(bool enabled) const {
  driver_.Put(dialfen::DISPID_Enabled, com::Variant::FromBool(enabled));
}

void FastTimerCalls::put_SleepDelay(int32_t milliseconds) const {
  driver_.Put(dialfen::DISPID_SleepDelay, com::Variant::I4(milliseconds));
}

}  // namespace whorlix
