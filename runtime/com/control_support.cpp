#include "runtime/com/control_support.h"

#include <cmath>

#include "runtime/com/com_ptr.h"
#include "runtime/platform/error.h"

namespace com {

int32_t TwipsToHimetric(float twips) { return static_cast<int32_t>(std::lround(double(twips) * 2540.0 / 1440.0)); }

float HimetricToTwips(int32_t himetric) { return static_cast<float>(std::round(double(himetric) * 1440.0 / 2540.0)); }

bool AmbientUserMode(IOleClientSite* site) {
  if (site == nullptr) return true;
  ComPtr<IDispatch> ambient = ComPtr<IOleClientSite>(site).As<IDispatch>();
  if (!ambient) return true;
  DISPPARAMS none{};
  Variant v;
  if (FAILED(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr)))
    return true;
  try {
    return v.ToBool() != VARIANT_FALSE;
  } catch (const platform::Error&) {
    return true;
  }
}

ResolvedControlClass ResolveControlClass(const ControlClassInfo& info, const DispatchTable& table) {
  if (info.library == nullptr) throw platform::Error(E_INVALIDARG, "Control class " + info.className + " has no library");
  const LibraryDescription& lib = *info.library;
  const TypeDescription* coclass = nullptr;
  for (const auto& t : lib.types)
    if (t.kind == TKIND_COCLASS && t.name == info.className) coclass = &t;
  if (coclass == nullptr)
    throw platform::Error(TYPE_E_ELEMENTNOTFOUND, "Library " + lib.name + " has no class " + info.className);
  ResolvedControlClass r;
  r.clsid = coclass->guid;
  r.progId = info.progId.empty() ? lib.name + "." + info.className : info.progId;
  bool haveDefault = false;
  for (const auto& impl : coclass->interfaces) {
    if (impl.typeIndex < 0 || impl.typeIndex >= static_cast<int>(lib.types.size()))
      throw platform::Error(TYPE_E_ELEMENTNOTFOUND, "Class " + info.className + " names a type the library lacks");
    if (!(impl.flags & IMPLTYPEFLAG_FDEFAULT)) continue;
    const GUID& iid = lib.types[impl.typeIndex].guid;
    if (impl.flags & IMPLTYPEFLAG_FSOURCE) {
      r.sourceInterface = iid;
    } else {
      r.defaultInterface = iid;
      haveDefault = true;
    }
  }
  if (!haveDefault)
    throw platform::Error(TYPE_E_ELEMENTNOTFOUND, "Class " + info.className + " has no default interface");
  if (table.Interface().guid != r.defaultInterface)
    throw platform::Error(E_INVALIDARG, "Class " + info.className + " is bound to " + table.Interface().name +
                                            ", which is not its default interface");
  return r;
}

}  // namespace com
