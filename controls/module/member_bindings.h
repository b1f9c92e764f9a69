#pragma once
// Binding a control's accessors to its members (members.h), once for both
// ways in: expanded inside a class that defines `Control` as the control's
// class, KV_TEAR_OFF_SLOTS overrides each dual vtable slot of a
// com::DualTearOff, and KV_BIND_PROPERTY adds each DISPID to a
// com::DispatchMap; both reach the control's get_Name and put_Name.
#include "controls/module/library/identities.h"
#include "controls/module/library/member_types.h"
#include "controls/module/library/members.h"

#define KV_TEAR_OFF_SLOTS(Name, Dispid, Type, PutParameter, Binding)                                  \
  com::HRESULT get_##Name(::dialfen::automation::Type::Value* value) override {         \
    return Get(value, &Control::get_##Name);                                            \
  }                                                                                     \
  com::HRESULT put_##Name(::dialfen::automation::Type::Value value) override {          \
    return Put(value, &Control::put_##Name);                                            \
  }

#define KV_BIND_PROPERTY(Name, Dispid, Type, PutParameter, Binding) \
  .Property(::dialfen::DISPID_##Name, &Control::get_##Name, &Control::put_##Name)
