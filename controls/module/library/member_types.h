#pragma once
// The automation types of the controls' properties (members.h names them), with
// what each one is in the type library, on a dual vtable, and to a host that
// calls late-bound: the element type, the value a slot passes, the value a
// host works with, and the conversions to and from a variant.
#include <cstdint>

#include "controls/module/library/identities.h"
#include "runtime/formats/type_description.h"
#include "runtime/automation/variant.h"

namespace dialfen::automation {

// Long: a signed 32-bit integer.
struct Long {
  using Value = int32_t;
  using HostValue = int32_t;
  static com::ElementType Element() { return {com::VT_I4, -1}; }
  static com::Variant ToVariant(int32_t value) { return com::Variant::I4(value); }
  static int32_t FromVariant(const com::Variant& value) { return value.ToI4(); }
};

// Boolean: 16 bits, True = -1. A host passes a bool, which crosses as -1 or 0;
// the control keeps whatever 16-bit value reaches it.
struct Boolean {
  using Value = com::VARIANT_BOOL;
  using HostValue = bool;
  static com::ElementType Element() { return {com::VT_BOOL, -1}; }
  static com::Variant ToVariant(bool value) { return com::Variant::FromBool(value); }
  static bool FromVariant(const com::Variant& value) { return value.ToBool() != com::VARIANT_FALSE; }
};

// DisplayModeEnum: the library's enumeration, 32 bits wide.
struct DisplayModeEnum {
  using Value = int32_t;
  using HostValue = int32_t;
  static com::ElementType Element() { return {com::VT_USERDEFINED, kType_DisplayModeEnum}; }
  static com::Variant ToVariant(int32_t value) { return com::Variant::I4(value); }
  static int32_t FromVariant(const com::Variant& value) { return value.ToI4(); }
};

}  // namespace dialfen::automation
