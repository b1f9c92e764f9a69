#include "runtime/formats/typelib_reader.h"

#include <algorithm>

#include "runtime/automation/hresult.h"
#include "runtime/automation/variant.h"
#include "runtime/formats/typelib_format.h"
#include "runtime/platform/ascii_case.h"
#include "runtime/platform/error.h"

// What a host asks a library that has been read: members by name and DISPID,
// types by name and identity, where a reference leads, and the dispatch and
// vtable views of a dual interface.
namespace com {

namespace m = msft;

// --- TypeInfo -------------------------------------------------------------------

std::optional<DISPID> TypeInfo::IdOfName(std::string_view memberName) const {
  for (const auto& f : funcs)
    if (platform::SameAsciiName(f.name, memberName)) return f.memid;
  for (const auto& v : vars)
    if (platform::SameAsciiName(v.name, memberName)) return v.memid;
  return std::nullopt;
}

std::optional<std::string> TypeInfo::NameOfId(DISPID id) const {
  for (const auto& f : funcs)
    if (f.memid == id) return f.name;
  for (const auto& v : vars)
    if (v.memid == id) return v.name;
  return std::nullopt;
}

const FuncInfo* TypeInfo::FindFunction(DISPID id, INVOKEKIND kind) const {
  for (const auto& f : funcs)
    if (f.memid == id && f.invkind == kind) return &f;
  return nullptr;
}

const VarInfo* TypeInfo::FindVariable(std::string_view memberName) const {
  for (const auto& v : vars)
    if (platform::SameAsciiName(v.name, memberName)) return &v;
  return nullptr;
}

// --- TypeLibrary ----------------------------------------------------------------

const TypeInfo* TypeLibrary::Find(std::string_view typeName) const {
  for (const auto& t : types_)
    if (platform::SameAsciiName(t.name, typeName)) return &t;
  return nullptr;
}

const TypeInfo* TypeLibrary::FindByGuid(const GUID& guid) const {
  for (const auto& t : types_)
    if (t.guid == guid) return &t;
  return nullptr;
}

TypeReference TypeLibrary::Resolve(int32_t href) const {
  TypeReference ref;
  if (href >= 0 && (href & 3) == 0) {
    if (href % static_cast<int32_t>(m::kTypeInfoSize) == 0 &&
        static_cast<size_t>(href) / m::kTypeInfoSize < types_.size()) {
      ref.typeIndex = href / static_cast<int32_t>(m::kTypeInfoSize);
      return ref;
    }
  } else if (href > 0 && (href & 3) == 1) {
    // Entries are read in the order of their offsets.
    const auto it = std::lower_bound(importEntries_.begin(), importEntries_.end(), href & ~3,
                                     [](const auto& e, int32_t offset) { return e.first < offset; });
    if (it != importEntries_.end() && it->first == (href & ~3)) {
      ref.importIndex = it->second.importIndex;
      ref.importedGuid = it->second.guid;
      ref.importedTypeIndex = it->second.typeIndex;
      return ref;
    }
  }
  throw platform::Error(TYPE_E_ELEMENTNOTFOUND, "type library: reference " + std::to_string(href) + " leads nowhere");
}

std::string TypeLibrary::ReferenceName(int32_t href) const {
  const TypeReference ref = Resolve(href);
  if (ref.typeIndex >= 0) return types_[static_cast<size_t>(ref.typeIndex)].name;
  if (ref.importedGuid == IID_IDispatch) return "IDispatch";
  if (ref.importedGuid == IID_IUnknown) return "IUnknown";
  if (ref.importedGuid) return ref.importedGuid->ToString();
  return imports_[static_cast<size_t>(ref.importIndex)].fileName + "#" + std::to_string(ref.importedTypeIndex);
}

std::string TypeLibrary::TypeName(const TypeDesc& type) const {
  switch (type.vt) {
    case VT_EMPTY: return "EMPTY";
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_R4: return "single";
    case VT_R8: return "double";
    case 6: return "CURRENCY";
    case 7: return "DATE";
    case VT_BSTR: return "BSTR";
    case 9: return "IDispatch*";
    case 10: return "SCODE";
    case VT_BOOL: return "VARIANT_BOOL";
    case 12: return "VARIANT";
    case 13: return "IUnknown*";
    case 16: return "char";
    case 17: return "unsigned char";
    case 18: return "unsigned short";
    case 19: return "unsigned long";
    case 22: return "int";
    case 23: return "unsigned int";
    case VT_VOID: return "void";
    case VT_HRESULT: return "HRESULT";
    case VT_PTR: return (type.inner.empty() ? std::string("void") : TypeName(type.inner[0])) + "*";
    case VT_SAFEARRAY: return "SAFEARRAY(" + (type.inner.empty() ? std::string("?") : TypeName(type.inner[0])) + ")";
    case VT_CARRAY: {
      std::string s = type.inner.empty() ? std::string("?") : TypeName(type.inner[0]);
      for (const auto& [elements, lower] : type.bounds) s += "[" + std::to_string(elements) + "]";
      return s;
    }
    case VT_USERDEFINED: return ReferenceName(type.href);
    default: return "vt" + std::to_string(type.vt);
  }
}

TypeInfo TypeLibrary::DispatchView(size_t index) const {
  TypeInfo view = types_.at(index);
  const bool dual = view.kind == TKIND_DISPATCH && (view.flags & TYPEFLAG_FDUAL);
  if (!dual) return view;
  view.sizeVft = static_cast<uint16_t>(m::kIDispatchMethodCount * 4);
  view.implTypes = {{dispatchHref_, 0}};
  for (auto& f : view.funcs) {
    if (f.funckind == FUNC_DISPATCH) continue;
    f.funckind = FUNC_DISPATCH;
    f.vtableOffset = 0;
    if (!f.params.empty() && (f.params.back().flags & PARAMFLAG_FRETVAL) && f.params.back().type.vt == VT_PTR &&
        !f.params.back().type.inner.empty()) {
      f.returnType = f.params.back().type.inner[0];
      f.params.pop_back();
    } else if (f.returnType.vt == VT_HRESULT) {
      f.returnType = TypeDesc{};
      f.returnType.vt = VT_VOID;
    }
  }
  return view;
}

std::optional<TypeInfo> TypeLibrary::InterfaceTwin(size_t index) const {
  const TypeInfo& stored = types_.at(index);
  if (stored.kind != TKIND_DISPATCH || !(stored.flags & TYPEFLAG_FDUAL)) return std::nullopt;
  TypeInfo twin = stored;
  twin.kind = TKIND_INTERFACE;
  return twin;
}

}  // namespace com
