#include "controls/meter/kv_disp_vu.h"
#include "controls/module/control_classes.h"
#include "controls/module/dual_interfaces.h"
#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"
#include "controls/module/member_bindings.h"
#include "runtime/com/control_object.h"

namespace dialfen {
namespace {

class KvDispVUDual final : public com::DualTearOff<_KvDispVU, KvDispVU> {
 public:
  using DualTearOff::DualTearOff;
  using Control = KvDispVU;
  KV_DISPVU_PROPERTIES(KV_TEAR_OFF_SLOTS)
};

com::DispatchMap<KvDispVU> MeterDispatch() {
  using Control = KvDispVU;
  return com::DispatchMap<KvDispVU>(Library(), "_KvDispVU") KV_DISPVU_PROPERTIES(KV_BIND_PROPERTY);
}

}  // namespace

com::ClassDescriptor KvDispVUClass() {
  return com::ControlClass<KvDispVU, KvDispVUDual>({.library = &Library(),
                                                    .className = kClassName_KvDispVU,
                                                    .progId = kProgID_KvDispVU,
                                                    .miscStatus = kMiscStatus_KvDispVU,
                                                    .toolboxBitmap = kToolboxBitmap_KvDispVU},
                                                   MeterDispatch());
}

}  // namespace dialfen
