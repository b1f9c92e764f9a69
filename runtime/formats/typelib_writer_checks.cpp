#include <set>
#include <string>

#include "runtime/automation/hresult.h"
#include "runtime/formats/typelib_writing.h"
#include "runtime/platform/ascii_case.h"
#include "runtime/platform/error.h"

namespace com::typelib_writing {

void Invalid(const std::string& why) { throw platform::Error(E_INVALIDARG, "type library: " + why); }

namespace {

void CheckElementType(const LibraryDescription& lib, const TypeDescription& owner, const ElementType& e) {
  if (e.vt == VT_USERDEFINED) {
    if (e.userType < 0 || static_cast<size_t>(e.userType) >= lib.types.size())
      Invalid(owner.name + " uses a type outside the library");
  } else if (e.vt == VT_PTR || e.vt == VT_VOID || e.vt == VT_HRESULT || e.vt > m::kVtTypeMask) {
    Invalid(owner.name + " uses element type " + std::to_string(e.vt) + ", which a property cannot have");
  }
}

}  // namespace

void CheckWritable(const LibraryDescription& lib) {
  if (lib.name.empty()) Invalid("the library needs a name");
  if (lib.lcid != 0x409) Invalid("only locale 0x409 is supported");
  if (lib.syskind != SYS_WIN32) Invalid("only 32-bit libraries are supported");
  if (lib.types.size() > 0xFFFF) Invalid("too many types");
  std::set<GUID> guids{lib.guid};
  std::set<std::string> names;
  for (size_t i = 0; i < lib.types.size(); ++i) {
    const auto& t = lib.types[i];
    if (t.name.empty()) Invalid("type " + std::to_string(i) + " has no name");
    if (!names.insert(platform::FoldedAscii(t.name)).second) Invalid("two types are named " + t.name);
    if (t.guid != GUID_NULL && !guids.insert(t.guid).second) Invalid(t.name + " repeats an identity");
    switch (t.kind) {
      case TKIND_DISPATCH:
      case TKIND_INTERFACE:
        if (t.kind == TKIND_INTERFACE && !IsDual(t)) Invalid(t.name + ": only dual vtable interfaces are supported");
        if (!t.constants.empty() || !t.interfaces.empty()) Invalid(t.name + ": interfaces hold only members");
        for (const auto& p : t.properties) CheckElementType(lib, t, p.type);
        break;
      case TKIND_COCLASS:
        if (!t.properties.empty() || !t.methods.empty() || !t.constants.empty())
          Invalid(t.name + ": a component class holds only interfaces");
        for (const auto& impl : t.interfaces) {
          if (impl.typeIndex < 0 || static_cast<size_t>(impl.typeIndex) >= lib.types.size())
            Invalid(t.name + " implements a type outside the library");
          const auto kind = lib.types[impl.typeIndex].kind;
          if (kind != TKIND_DISPATCH && kind != TKIND_INTERFACE) Invalid(t.name + " implements a non-interface");
        }
        break;
      case TKIND_ENUM:
        if (!t.properties.empty() || !t.methods.empty() || !t.interfaces.empty())
          Invalid(t.name + ": an enumeration holds only constants");
        break;
      default:
        Invalid(t.name + ": type kind " + std::to_string(t.kind) + " is not supported");
    }
  }
}

}  // namespace com::typelib_writing
