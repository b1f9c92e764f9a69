#include "runtime/formats/typelib_reader.h"

#include <unordered_map>

#include "runtime/automation/hresult.h"
#include "runtime/platform/error.h"

// A library read from a file turned back into the description it was
// written from.
namespace com {

LibraryDescription TypeLibrary::Describe() const {
  LibraryDescription d;
  d.name = attributes_.name;
  d.guid = attributes_.guid;
  d.helpString = attributes_.helpString;
  d.helpFile = attributes_.helpFile;
  d.majorVersion = attributes_.majorVersion;
  d.minorVersion = attributes_.minorVersion;
  d.lcid = attributes_.lcid;
  d.syskind = attributes_.syskind;
  d.flags = attributes_.flags;
  auto unsupported = [](const std::string& why) {
    throw platform::Error(TYPE_E_UNSUPFORMAT, "type library cannot be described: " + why);
  };
  auto element = [&](const TypeDesc& t) {
    ElementType e{t.vt, -1};
    if (t.vt == VT_USERDEFINED) {
      const TypeReference ref = Resolve(t.href);
      if (ref.typeIndex < 0) unsupported("a member uses an imported type");
      e.userType = ref.typeIndex;
    } else if (t.vt == VT_PTR || t.vt == VT_CARRAY || t.vt == VT_SAFEARRAY) {
      unsupported("a property of pointer or array type");
    }
    return e;
  };
  for (const auto& t : types_) {
    TypeDescription td;
    td.name = t.name;
    td.guid = t.guid;
    // A description names a dual interface once, and it is stored as one
    // dispatch record; a vtable record that carries the dual flag describes
    // the same thing, so it reads back as the writer would store it.
    td.kind = t.kind == TKIND_INTERFACE && (t.flags & TYPEFLAG_FDUAL) ? TKIND_DISPATCH : t.kind;
    td.flags = t.flags;
    td.majorVersion = t.majorVersion;
    td.minorVersion = t.minorVersion;
    td.helpString = t.helpString;
    std::unordered_map<DISPID, size_t> propertyIndex;
    auto property = [&](DISPID id, const std::string& name) -> PropertyDescription& {
      const auto [it, added] = propertyIndex.emplace(id, td.properties.size());
      if (added) td.properties.push_back({name, id, {}, {}});
      return td.properties[it->second];
    };
    for (const auto& f : t.funcs) {
      const bool vtableForm = f.funckind != FUNC_DISPATCH;
      if (f.invkind == INVOKE_PROPERTYGET) {
        auto& p = property(f.memid, f.name);
        p.flags = f.flags;
        if (vtableForm) {
          if (f.params.size() != 1 || !(f.params[0].flags & PARAMFLAG_FRETVAL) || f.params[0].type.inner.empty())
            unsupported(t.name + "." + f.name + " is not a plain property get");
          p.type = element(f.params[0].type.inner[0]);
        } else {
          if (!f.params.empty()) unsupported(t.name + "." + f.name + " takes parameters");
          p.type = element(f.returnType);
        }
      } else if (f.invkind == INVOKE_PROPERTYPUT) {
        if (f.params.size() != 1) unsupported(t.name + "." + f.name + " is not a plain property put");
        auto& p = property(f.memid, f.name);
        p.putParameterName = f.params[0].name;
        if (p.type.vt == 0) p.type = element(f.params[0].type);
      } else if (f.invkind == INVOKE_FUNC) {
        if (!f.params.empty()) unsupported(t.name + "." + f.name + " takes parameters");
        td.methods.push_back({f.name, f.memid});
      } else {
        unsupported(t.name + "." + f.name + " has invocation kind " + std::to_string(f.invkind));
      }
    }
    for (const auto& v : t.vars) {
      if (v.varkind != VAR_CONST) unsupported(t.name + "." + v.name + " is not a constant");
      td.constants.push_back({v.name, static_cast<int32_t>(v.value), v.helpString});
    }
    if (t.kind == TKIND_COCLASS) {
      for (const auto& impl : t.implTypes) {
        const TypeReference ref = Resolve(impl.href);
        if (ref.typeIndex < 0) unsupported(t.name + " implements an imported interface");
        td.interfaces.push_back({ref.typeIndex, impl.flags});
      }
    }
    d.types.push_back(std::move(td));
  }
  return d;
}

}  // namespace com
