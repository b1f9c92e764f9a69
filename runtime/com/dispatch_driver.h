#pragma once
// Late-bound calls on an IDispatch, the way a host makes them: by DISPID, with
// failures raised as platform::Error. A member that raised its own error
// (DISP_E_EXCEPTION) surfaces with that error's code and description.
#include "runtime/platform/export.h"
#include <span>
#include <string_view>
#include <vector>

#include "runtime/com/com_ptr.h"
#include "runtime/com/interfaces.h"
#include "runtime/automation/variant.h"

namespace com {

class KVQMXTMR_EXPORT DispatchDriver {
 public:
  DispatchDriver() = default;
  explicit DispatchDriver(ComPtr<IDispatch> target) : target_(std::move(target)) {}
  // Queries the object for IDispatch; throws E_NOINTERFACE when it has none.
  static DispatchDriver From(const ComPtr<IUnknown>& object);

  Variant Get(DISPID dispid) const;
  void Put(DISPID dispid, const Variant& value) const;
  // A method call; arguments in their natural order.
  Variant Call(DISPID dispid, std::vector<Variant> args = {}) const;
  DISPID GetIDOfName(std::string_view name) const;

  // The raw answer of Invoke, for callers that inspect status codes.
  HRESULT Invoke(DISPID dispid, uint16_t flags, std::span<Variant> argsReversed, bool propertyPut,
                 Variant* result, EXCEPINFO* excep, uint32_t* argErr) const;

  const ComPtr<IDispatch>& Target() const { return target_; }
  explicit operator bool() const { return static_cast<bool>(target_); }

 private:
  ComPtr<IDispatch> target_;
};

}  // namespace com
