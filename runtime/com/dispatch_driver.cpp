#include "runtime/com/dispatch_driver.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "runtime/platform/error.h"

namespace com {
namespace {

[[noreturn]] void Raise(HRESULT h, const std::string& what, EXCEPINFO excep) {
  if (h == DISP_E_EXCEPTION) {
    if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    const HRESULT code = FAILED(excep.scode) ? excep.scode : E_FAIL;
    std::string text = excep.bstrDescription.empty() ? FormatHResult(code) : excep.bstrDescription;
    if (!excep.bstrSource.empty()) text = excep.bstrSource + ": " + text;
    throw platform::Error(code, text);
  }
  throw platform::Error(h, what + " failed: " + FormatHResult(h));
}

std::string Describe(const char* verb, DISPID dispid) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s of member 0x%08X", verb, static_cast<uint32_t>(dispid));
  return buf;
}

}  // namespace

DispatchDriver DispatchDriver::From(const ComPtr<IUnknown>& object) {
  if (!object) throw platform::Error(E_POINTER, "No object to call");
  ComPtr<IDispatch> d = object.As<IDispatch>();
  if (!d) throw platform::Error(E_NOINTERFACE, "The object does not support late-bound calls (IDispatch)");
  return DispatchDriver(std::move(d));
}

HRESULT DispatchDriver::Invoke(DISPID dispid, uint16_t flags, std::span<Variant> argsReversed, bool propertyPut,
                               Variant* result, EXCEPINFO* excep, uint32_t* argErr) const {
  if (!target_) return E_POINTER;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params;
  params.rgvarg = argsReversed.empty() ? nullptr : argsReversed.data();
  params.cArgs = static_cast<uint32_t>(argsReversed.size());
  if (propertyPut) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  return target_->Invoke(dispid, IID_NULL, 0, flags, &params, result, excep, argErr);
}

// Gets and puts run on every tick of a host's timer: their arguments live on
// the stack.
Variant DispatchDriver::Get(DISPID dispid) const {
  Variant result;
  EXCEPINFO excep;
  uint32_t argErr = 0;
  const HRESULT h = Invoke(dispid, DISPATCH_PROPERTYGET, {}, false, &result, &excep, &argErr);
  if (FAILED(h)) Raise(h, Describe("Get", dispid), excep);
  return result;
}

void DispatchDriver::Put(DISPID dispid, const Variant& value) const {
  Variant arg = value;  // the callee gets a writable argument; the caller's stays as it was
  EXCEPINFO excep;
  uint32_t argErr = 0;
  const HRESULT h = Invoke(dispid, DISPATCH_PROPERTYPUT, {&arg, 1}, true, nullptr, &excep, &argErr);
  if (FAILED(h)) Raise(h, Describe("Put", dispid), excep);
}

Variant DispatchDriver::Call(DISPID dispid, std::vector<Variant> args) const {
  std::reverse(args.begin(), args.end());
  Variant result;
  EXCEPINFO excep;
  uint32_t argErr = 0;
  const HRESULT h = Invoke(dispid, DISPATCH_METHOD, args, false, &result, &excep, &argErr);
  if (FAILED(h)) Raise(h, Describe("Call", dispid), excep);
  return result;
}

DISPID DispatchDriver::GetIDOfName(std::string_view name) const {
  if (!target_) throw platform::Error(E_POINTER, "No object to call");
  const std::string n(name);
  const char* names[] = {n.c_str()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT h = target_->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
  if (FAILED(h)) throw platform::Error(h, "No member named " + n + ": " + FormatHResult(h));
  return id;
}

}  // namespace com
