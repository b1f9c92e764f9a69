#pragma once
// The vtable half of a dual interface, as a tear-off of a control object.
//
// A dual interface derives from IDispatch and adds one virtual slot per get
// and put (`HRESULT get_X(T*)`, `HRESULT put_X(T)`). ControlObject answers the
// class's default interface with a member of the class given as its `Dual`
// argument, derived from DualTearOff<Interface, Control>: IUnknown and
// IDispatch go to the object itself (one identity, one reference count, the
// same Invoke), and each vtable slot calls the control's own accessor, the
// one the class's DispatchMap binds to the same DISPID:
//
//   class MeterDual final : public com::DualTearOff<_Meter, Meter> {
//    public:
//     using DualTearOff::DualTearOff;
//     HRESULT get_Level(int32_t* v) override { return Get(v, &Meter::get_Level); }
//     HRESULT put_Level(int32_t v) override { return Put(v, &Meter::put_Level); }
//   };
//
// A raised platform::Error comes back as its own status code (the message
// kept as the thread's error text), where Invoke would answer
// DISP_E_EXCEPTION with the error in EXCEPINFO.
#include <optional>

#include "runtime/com/control_support.h"
#include "runtime/automation/error_info.h"
#include "runtime/com/interfaces.h"
#include "runtime/forms/user_control.h"

namespace com {

// The class argument of a control class without a dual vtable.
struct NoDualInterface {
  template <class Control>
  NoDualInterface(IDispatch&, Control&) {}
};

template <class InterfaceType, class Control>
class DualTearOff : public InterfaceType {
 public:
  using Interface = InterfaceType;

  DualTearOff(IDispatch& object, Control& control) : object_(object), control_(control) {}
  DualTearOff(const DualTearOff&) = delete;
  DualTearOff& operator=(const DualTearOff&) = delete;

  HRESULT QueryInterface(const IID& iid, void** ppv) override { return object_.QueryInterface(iid, ppv); }
  ULONG AddRef() override { return object_.AddRef(); }
  ULONG Release() override { return object_.Release(); }
  HRESULT GetTypeInfoCount(uint32_t* count) override { return object_.GetTypeInfoCount(count); }
  HRESULT GetTypeInfo(uint32_t index, LCID lcid, ITypeInfo** info) override {
    return object_.GetTypeInfo(index, lcid, info);
  }
  HRESULT GetIDsOfNames(const IID& riid, const char* const* names, uint32_t count, LCID lcid, DISPID* ids) override {
    return object_.GetIDsOfNames(riid, names, count, lcid, ids);
  }
  HRESULT Invoke(DISPID id, const IID& riid, LCID lcid, uint16_t flags, DISPPARAMS* params, Variant* result,
                 EXCEPINFO* excep, uint32_t* argErr) override {
    return object_.Invoke(id, riid, lcid, flags, params, result, excep, argErr);
  }

 protected:
  ~DualTearOff() = default;

  template <class V, class G>
  HRESULT Get(V* out, G getter) {
    if (out == nullptr) return E_POINTER;
    return Call([&](Control& c) { *out = static_cast<V>((c.*getter)()); });
  }
  template <class V, class P>
  HRESULT Put(V value, P putter) {
    return Call([&](Control& c) { (c.*putter)(value); });
  }

 private:
  // As Invoke does: the object outlives the call even when host code run
  // from inside it (events, message loops) lets go of the last reference.
  template <class F>
  HRESULT Call(F&& body) {
    std::optional<forms::Ref<forms::UserControl>> hold;
    if (control_.RefCount() != 0) hold.emplace(static_cast<forms::UserControl*>(&control_));
    try {
      body(control_);
      return S_OK;
    } catch (...) {
      return StatusOfCurrentException();
    }
  }

  IDispatch& object_;
  Control& control_;
};

}  // namespace com
