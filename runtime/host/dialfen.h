#pragma once
// The names and numbers a host uses with the control library KvQmxTmr.ocx
// (type library "Dialfen" 12.0). They never change once released.
#include <cstdint>

namespace kvqmxtmr {

inline constexpr const char* kProgID_KvDispVU = "Dialfen.KvDispVU";
inline constexpr const char* kProgID_KvQmxFasTmr = "Dialfen.KvQmxFasTmr";
inline constexpr const char* kClassId_KvDispVU = "{57C5E3A7-A274-43C4-A827-474AEEA12D7E}";
inline constexpr const char* kClassId_KvQmxFasTmr = "{1AA10265-93D5-45D2-BC3A-6070251FA3F1}";

// KvDispVU, the VU meter: all Long.
inline constexpr int32_t DISPID_DisplayMode = 0x68030007;
inline constexpr int32_t DISPID_SetDispVolumeStep = 0x68030006;
inline constexpr int32_t DISPID_SetDispDelay = 0x68030005;
inline constexpr int32_t DISPID_GetPeekData = 0x68030004;
// KvQmxFasTmr, the fast timer: Enabled is Boolean, SleepDelay Long.
inline constexpr int32_t DISPID_Enabled = 0x68030001;
inline constexpr int32_t DISPID_SleepDelay = 0x68030000;
// Its event, without arguments.
inline constexpr int32_t DISPID_QmxTimer = 1;

// Values of the meter's DisplayMode.
enum DisplayMode : int32_t {
  UseVULowTimer = 0,    // metering passes from the control's 1 ms timer
  UseVUHiTimer = 1,     // passes back to back inside the put, until the mode changes
  DONotUseTimer = 2,    // no passes; the last reading stays
  GetPeekDataOnly = 3,  // one reading inside every put of 3, segments unchanged
};

}  // namespace kvqmxtmr
