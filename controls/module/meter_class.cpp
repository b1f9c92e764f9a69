#include "controls/meter/kv_disp_vu.h"
#include "controls/module/control_classes.h"
#include "controls/module/dual_interfaces.h"
#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"
#include "runtime/com/control_object.h"

namespace dialfen {
namespace {

class KvDispVUDual final : public com::DualTearOff<_KvDispVU, KvDispVU> {
 public:
  using DualTearOff::DualTearOff;
  com::HRESULT get_DisplayMode(int32_t* value) override { return Get(value, &KvDispVU::get_DisplayMode); }
  com::HRESULT put_DisplayMode(int32_t value) override { return Put(value, &KvDispVU::put_DisplayMode); }
  com::HRESULT get_SetDispVolumeStep(int32_t* value) override {
    return Get(value, &KvDispVU::get_SetDispVolumeStep);
  }
  com::HRESULT put_SetDispVolumeStep(int32_t value) override {
    return Put(value, &KvDispVU::put_SetDispVolumeStep);
  }
  com::HRESULT get_SetDispDelay(int32_t* value) override { return Get(value, &KvDispVU::get_SetDispDelay); }
  com::HRESULT put_SetDispDelay(int32_t value) override { return Put(value, &KvDispVU::put_SetDispDelay); }
  com::HRESULT get_GetPeekData(int32_t* value) override { return Get(value, &KvDispVU::get_GetPeekData); }
  com::HRESULT put_GetPeekData(int32_t value) override { return Put(value, &KvDispVU::put_GetPeekData); }
};

com::DispatchMap<KvDispVU> MeterDispatch() {
  return com::DispatchMap<KvDispVU>(Library(), "_KvDispVU")
      .Property(DISPID_DisplayMode, &KvDispVU::get_DisplayMode, &KvDispVU::put_DisplayMode)
      .Property(DISPID_SetDispVolumeStep, &KvDispVU::get_SetDispVolumeStep, &KvDispVU::put_SetDispVolumeStep)
      .Property(DISPID_SetDispDelay, &KvDispVU::get_SetDispDelay, &KvDispVU::put_SetDispDelay)
      .Property(DISPID_GetPeekData, &KvDispVU::get_GetPeekData, &KvDispVU::put_GetPeekData);
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
