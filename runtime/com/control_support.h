#pragma once
// The parts of the control wrapper that do not depend on the control's type.
#include "runtime/platform/export.h"
#include <string>

#include "runtime/com/control_class.h"
#include "runtime/com/dispatch_map.h"
#include "runtime/com/interfaces.h"

namespace com {

// Extents: HIMETRIC (1/100 mm, 2540 an inch) against twips (1440 an inch),
// each rounded to the nearest whole unit, halves away from zero, so whole
// twips survive the round trip (420 x 405 -> 741 x 714 -> 420 x 405).
KVQMXTMR_EXPORT int32_t TwipsToHimetric(float twips);
KVQMXTMR_EXPORT float HimetricToTwips(int32_t himetric);

// The host's ambient UserMode (DISPID -709) read through the site's
// IDispatch; true without a site or when the site does not say.
KVQMXTMR_EXPORT bool AmbientUserMode(IOleClientSite* site);

struct ResolvedControlClass {
  CLSID clsid;
  IID defaultInterface;
  IID sourceInterface;  // GUID_NULL when the class has none
  std::string progId;
};

// Finds the coclass `info.className` in `info.library`, its default and
// default-source interfaces, and checks that `table` describes the default
// interface. Throws platform::Error (TYPE_E_ELEMENTNOTFOUND, E_INVALIDARG).
KVQMXTMR_EXPORT ResolvedControlClass ResolveControlClass(const ControlClassInfo& info, const DispatchTable& table);

}  // namespace com
