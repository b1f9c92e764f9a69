#pragma once
// The window's side of the two hosted controls: every call goes late-bound by
// the DISPIDs the control library publishes, with the value types the
// automation interfaces declare (32-bit integers, 16-bit booleans), one get
// and one put per property of the library's member tables. A failing call
// raises platform::Error, as every unguarded property access does.
//
// Two calls run the controls' loops: a put of UseVUHiTimer to DisplayMode
// returns only once something reached through the message pump changed the
// mode, and so does a put of true to Enabled (or any get of it while the
// timer runs) until the timer is switched off again.
#include <cstdint>
#include <utility>

#include "controls/module/library/identities.h"
#include "controls/module/library/member_types.h"
#include "controls/module/library/members.h"
#include "runtime/com/dispatch_driver.h"

#define KV_HOST_CALLS(Name, Dispid, Type, PutParameter, Binding)                                       \
  ::dialfen::automation::Type::HostValue get_##Name() const {                                 \
    return ::dialfen::automation::Type::FromVariant(driver_.Get(::dialfen::DISPID_##Name));   \
  }                                                                                           \
  void put_##Name(::dialfen::automation::Type::HostValue value) const {                       \
    driver_.Put(::dialfen::DISPID_##Name, ::dialfen::automation::Type::ToVariant(value));     \
  }

namespace whorlix {

class VuMeterCalls {
 public:
  VuMeterCalls() = default;
  explicit VuMeterCalls(com::DispatchDriver driver) : driver_(std::move(driver)) {}

  KV_DISPVU_PROPERTIES(KV_HOST_CALLS)

  const com::DispatchDriver& Driver() const { return driver_; }

 private:
  com::DispatchDriver driver_;
};

class FastTimerCalls {
 public:
  FastTimerCalls() = default;
  explicit FastTimerCalls(com::DispatchDriver driver) : driver_(std::move(driver)) {}

  KV_QMXFASTMR_PROPERTIES(KV_HOST_CALLS)

  const com::DispatchDriver& Driver() const { return driver_; }

 private:
  com::DispatchDriver driver_;
};

}  // namespace whorlix

#undef KV_HOST_CALLS
