#include "runtime/com/dispatch_map.h"

#include <new>
#include <stdexcept>

#include "runtime/platform/ascii_case.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

// The automation type a member's element type travels as; enumerations are
// 32-bit integers.
VarType ResolveType(const LibraryDescription& library, const ElementType& type, const std::string& member) {
  if (type.vt == VT_USERDEFINED) {
    if (type.userType < 0 || type.userType >= static_cast<int>(library.types.size()))
      throw platform::Error(TYPE_E_ELEMENTNOTFOUND, "Member " + member + " refers to a type the library lacks");
    if (library.types[type.userType].kind == TKIND_ENUM) return VT_I4;
    throw platform::Error(DISP_E_BADVARTYPE, "Member " + member + " has a type automation cannot carry");
  }
  switch (type.vt) {
    case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_BSTR: case VT_BOOL:
      return static_cast<VarType>(type.vt);
    default:
      throw platform::Error(DISP_E_BADVARTYPE, "Member " + member + " has a type automation cannot carry");
  }
}

}  // namespace

DispatchTable::DispatchTable(const LibraryDescription& library, std::string_view interfaceName) {
  for (const auto& t : library.types)
    if (t.name == interfaceName && (t.kind == TKIND_DISPATCH || t.kind == TKIND_INTERFACE)) interface_ = &t;
  if (interface_ == nullptr)
    throw platform::Error(TYPE_E_ELEMENTNOTFOUND,
                          "Library " + library.name + " has no interface " + std::string(interfaceName));
  for (const auto& p : interface_->properties)
    members_.push_back({p.name, p.dispid, Kind::Property, ResolveType(library, p.type, p.name)});
  for (const auto& m : interface_->methods) members_.push_back({m.name, m.dispid, Kind::Method, VT_EMPTY});
}

const DispatchTable::Member* DispatchTable::Find(DISPID dispid) const {
  for (const auto& m : members_)
    if (m.dispid == dispid) return &m;
  return nullptr;
}

const DispatchTable::Member* DispatchTable::FindByName(std::string_view name) const {
  for (const auto& m : members_)
    if (platform::SameAsciiName(m.name, name)) return &m;
  return nullptr;
}

HRESULT DispatchTable::GetIDsOfNames(const IID& riid, const char* const* names, uint32_t count,
                                     DISPID* ids) const {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  if (count == 0) return E_INVALIDARG;
  HRESULT result = S_OK;
  for (uint32_t i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const Member* member = names[0] ? FindByName(names[0]) : nullptr;
  if (member == nullptr) return DISP_E_UNKNOWNNAME;
  ids[0] = member->dispid;
  // Our members take no named parameters (a put's value is positional).
  if (count > 1) result = DISP_E_UNKNOWNNAME;
  return result;
}

void CheckBinding(const DispatchTable& table, DISPID dispid, bool isMethod, bool alreadyBound) {
  const DispatchTable::Member* m = table.Find(dispid);
  const std::string where = table.Interface().name + " member " + std::to_string(dispid);
  if (m == nullptr) throw platform::Error(DISP_E_MEMBERNOTFOUND, where + " is not in the description");
  if ((m->kind == DispatchTable::Kind::Method) != isMethod)
    throw platform::Error(DISP_E_MEMBERNOTFOUND, where + " is bound as the wrong kind of member");
  if (alreadyBound) throw platform::Error(E_INVALIDARG, where + " is bound twice");
}

HRESULT ExceptionToExcepInfo(EXCEPINFO* excepInfo, std::string_view source) {
  HRESULT code = E_UNEXPECTED;
  std::string description;
  try {
    throw;
  } catch (const platform::Error& e) {
    code = e.code();
    description = e.what();
  } catch (const std::bad_alloc&) {
    code = E_OUTOFMEMORY;
    description = "Out of memory";
  } catch (const std::exception& e) {
    code = E_FAIL;
    description = e.what();
  } catch (...) {
    description = "Unexpected failure";
  }
  if (excepInfo != nullptr) {
    *excepInfo = EXCEPINFO{};
    excepInfo->bstrSource = std::string(source);
    excepInfo->bstrDescription = std::move(description);
    // A member that failed without a failure code still failed.
    excepInfo->scode = FAILED(code) ? code : E_FAIL;
  }
  return DISP_E_EXCEPTION;
}

HRESULT InvokeMember(const DispatchTable::Member& member, const BoundMember& bound, uint16_t flags,
                     const DISPPARAMS* params, Variant* result, EXCEPINFO* excepInfo, uint32_t* argErr,
                     std::string_view source) {
  static const DISPPARAMS kNoArgs{};
  if (params == nullptr) params = &kNoArgs;
  if (params->cArgs > 0 && params->rgvarg == nullptr) return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs) return E_INVALIDARG;
  if (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr) return E_INVALIDARG;

  const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  const bool isGet = (flags & DISPATCH_PROPERTYGET) != 0;
  const bool isCall = (flags & DISPATCH_METHOD) != 0;

  try {
    if (member.kind == DispatchTable::Kind::Method) {
      if (!isCall || isPut || !bound.HasCall()) return DISP_E_MEMBERNOTFOUND;
      if (params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
      if (params->cArgs > 0) return DISP_E_BADPARAMCOUNT;
      bound.Call();
      if (result) *result = Variant();
      return S_OK;
    }
    if (isPut) {
      // Objects are not values: a put by reference has nothing to bind to.
      if ((flags & DISPATCH_PROPERTYPUT) == 0 || !bound.HasPut()) return DISP_E_MEMBERNOTFOUND;
      if (params->cArgs == 0) return DISP_E_PARAMNOTOPTIONAL;
      if (params->cArgs > 1) return DISP_E_BADPARAMCOUNT;
      if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
        return DISP_E_PARAMNOTFOUND;
      Variant value;
      try {
        value = params->rgvarg[0].ChangeType(member.type);
      } catch (const platform::Error& e) {
        if (argErr) *argErr = 0;
        return e.code() == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
      }
      bound.Put(value);
      return S_OK;
    }
    if (isGet) {
      if (!bound.HasGet()) return DISP_E_MEMBERNOTFOUND;
      if (params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
      if (params->cArgs > 0) return DISP_E_BADPARAMCOUNT;
      Variant v = bound.Get();
      if (result) *result = std::move(v);
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  } catch (...) {
    return ExceptionToExcepInfo(excepInfo, source);
  }
}

}  // namespace com
