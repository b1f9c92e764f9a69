#include "controls/fasttimer/kv_qmx_fas_tmr.h"
#include "controls/module/control_classes.h"
#include "controls/module/dual_interfaces.h"
#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"
#include "runtime/com/control_object.h"

namespace dialfen {
namespace {

class KvQmxFasTmrDual final : public com::DualTearOff<_KvQmxFasTmr, KvQmxFasTmr> {
 public:
  using DualTearOff::DualTearOff;
  com::HRESULT get_Enabled(com::VARIANT_BOOL* value) override { return Get(value, &KvQmxFasTmr::get_Enabled); }
  com::HRESULT put_Enabled(com::VARIANT_BOOL value) override { return Put(value, &KvQmxFasTmr::put_Enabled); }
  com::HRESULT get_SleepDelay(int32_t* value) override { return Get(value, &KvQmxFasTmr::get_SleepDelay); }
  com::HRESULT put_SleepDelay(int32_t value) override { return Put(value, &KvQmxFasTmr::put_SleepDelay); }
};

com::DispatchMap<KvQmxFasTmr> FastTimerDispatch() {
  return com::DispatchMap<KvQmxFasTmr>(Library(), "_KvQmxFasTmr")
      .Property(DISPID_Enabled, &KvQmxFasTmr::get_Enabled, &KvQmxFasTmr::put_Enabled)
      .Property(DISPID_SleepDelay, &KvQmxFasTmr::get_SleepDelay, &KvQmxFasTmr::put_SleepDelay);
}

}  // namespace

com::ClassDescriptor KvQmxFasTmrClass() {
  // QmxTimer needs no binding: the control raises it by its DISPID and the
  // object sends it to every sink connected to __KvQmxFasTmr.
  static_assert(KvQmxFasTmr::kDispidQmxTimer == DISPID_QmxTimer);
  return com::ControlClass<KvQmxFasTmr, KvQmxFasTmrDual>({.library = &Library(),
                                                          .className = kClassName_KvQmxFasTmr,
                                                          .progId = kProgID_KvQmxFasTmr,
                                                          .miscStatus = kMiscStatus_KvQmxFasTmr,
                                                          .toolboxBitmap = kToolboxBitmap_KvQmxFasTmr},
                                                         FastTimerDispatch());
}

}  // namespace dialfen
