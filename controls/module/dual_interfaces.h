#pragma once
// The vtable side of the controls' dual default interfaces, for hosts that
// bind early: QueryInterface for IID__KvDispVU or IID__KvQmxFasTmr on a
// control gives one of these. The slots follow the type library's order
// (a get, then its put, per property in declaration order: members.h), and
// each call reaches the accessor that a late-bound call by the same DISPID
// reaches. A failing accessor answers with its own status code.
//
//   _KvDispVU:    get_/put_DisplayMode (DisplayModeEnum, 32-bit),
//                 get_/put_SetDispVolumeStep, get_/put_SetDispDelay,
//                 get_/put_GetPeekData (int32_t)
//   _KvQmxFasTmr: get_/put_Enabled (VARIANT_BOOL), get_/put_SleepDelay (int32_t)
#include <cstdint>

#include "controls/module/library/identities.h"
#include "controls/module/library/member_types.h"
#include "controls/module/library/members.h"
#include "runtime/com/interfaces.h"

#define KV_DUAL_SLOTS(Name, Dispid, Type, PutParameter, Binding)                                \
  virtual com::HRESULT get_##Name(::dialfen::automation::Type::Value* value) = 0; \
  virtual com::HRESULT put_##Name(::dialfen::automation::Type::Value value) = 0;

namespace dialfen {

struct _KvDispVU : com::IDispatch {
  static constexpr const com::IID& kIID = IID__KvDispVU;
  KV_DISPVU_PROPERTIES(KV_DUAL_SLOTS)

 protected:
  ~_KvDispVU() = default;
};

struct _KvQmxFasTmr : com::IDispatch {
  static constexpr const com::IID& kIID = IID__KvQmxFasTmr;
  KV_QMXFASTMR_PROPERTIES(KV_DUAL_SLOTS)

 protected:
  ~_KvQmxFasTmr() = default;
};

}  // namespace dialfen

#undef KV_DUAL_SLOTS
