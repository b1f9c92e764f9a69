#pragma once
// DisplayModeEnum: where the meter's passes come from. The control, the type
// library's enumeration and every host take the members from here.
#include <cstdint>

// Each row: the member's name (also its help string in the type library) and
// its value.
#define KV_DISPLAY_MODES(MODE) \
  MODE(UseVULowTimer, 0)       \
  MODE(UseVUHiTimer, 1)        \
  MODE(DONotUseTimer, 2)       \
  MODE(GetPeekDataOnly, 3)

namespace meter {

#define KV_DISPLAY_MODE_ENUMERATOR(Name, Value) Name = Value,
enum DisplayModeEnum : int32_t { KV_DISPLAY_MODES(KV_DISPLAY_MODE_ENUMERATOR) };
#undef KV_DISPLAY_MODE_ENUMERATOR

}  // namespace meter
