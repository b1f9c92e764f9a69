#pragma once
// The vtable side of the controls' dual default interfaces, for hosts that
// bind early: QueryInterface for IID__KvDispVU or IID__KvQmxFasTmr on a
// control gives one of these. The slots follow the type library's order
// (a get, then its put, per property in declaration order), and each call
// reaches the accessor that a late-bound call by the same DISPID reaches.
// A failing accessor answers with its own status code.
#include <cstdint>

#include "controls/module/library/identities.h"
#include "runtime/com/interfaces.h"

namespace dialfen {

struct _KvDispVU : com::IDispatch {
  static constexpr const com::IID& kIID = IID__KvDispVU;
  // DisplayModeEnum.
  virtual com::HRESULT get_DisplayMode(int32_t* value) = 0;
  virtual com::HRESULT put_DisplayMode(int32_t value) = 0;
  virtual com::HRESULT get_SetDispVolumeStep(int32_t* value) = 0;
  virtual com::HRESULT put_SetDispVolumeStep(int32_t value) = 0;
  virtual com::HRESULT get_SetDispDelay(int32_t* value) = 0;
  virtual com::HRESULT put_SetDispDelay(int32_t value) = 0;
  virtual com::HRESULT get_GetPeekData(int32_t* value) = 0;
  virtual com::HRESULT put_GetPeekData(int32_t value) = 0;

 protected:
  ~_KvDispVU() = default;
};

struct _KvQmxFasTmr : com::IDispatch {
  static constexpr const com::IID& kIID = IID__KvQmxFasTmr;
  virtual com::HRESULT get_Enabled(com::VARIANT_BOOL* value) = 0;
  virtual com::HRESULT put_Enabled(com::VARIANT_BOOL value) = 0;
  virtual com::HRESULT get_SleepDelay(int32_t* value) = 0;
  virtual com::HRESULT put_SleepDelay(int32_t value) = 0;

 protected:
  ~_KvQmxFasTmr() = default;
};

}  // namespace dialfen
