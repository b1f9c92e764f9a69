#include "controls/fasttimer/kv_qmx_fas_tmr.h"
#include "controls/module/control_classes.h"
#include "controls/module/dual_interfaces.h"
#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"
#include "controls/module/member_bindings.h"
#include "runtime/com/control_object.h"

namespace dialfen {
namespace {

class KvQmxFasTmrDual final : public com::DualTearOff<_KvQmxFasTmr, KvQmxFasTmr> {
 public:
  using DualTearOff::DualTearOff;
  using Control = KvQmxFasTmr;
  KV_QMXFASTMR_PROPERTIES(KV_TEAR_OFF_SLOTS)
};

com::DispatchMap<KvQmxFasTmr> FastTimerDispatch() {
  using Control = KvQmxFasTmr;
  return com::DispatchMap<KvQmxFasTmr>(Library(), "_KvQmxFasTmr") KV_QMXFASTMR_PROPERTIES(KV_BIND_PROPERTY);
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
