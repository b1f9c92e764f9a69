#pragma once
// Automation values as they cross between hosts and controls, and as property
// bags keep them. Conversions follow the automation rules: reals round half to
// even, values out of the target's range raise DISP_E_OVERFLOW, and values that
// cannot be converted at all raise DISP_E_TYPEMISMATCH (as platform::Error).
#include "runtime/platform/export.h"
#include <cstdint>
#include <string>
#include <variant>

namespace com {

enum VarType : uint16_t {
  VT_EMPTY = 0,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_BOOL = 11,
};

// 16-bit automation booleans.
using VARIANT_BOOL = int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

class KVQMXTMR_EXPORT Variant {
 public:
  Variant() = default;  // VT_EMPTY
  static Variant I2(int16_t v) { return Variant(Storage(std::in_place_index<1>, v)); }
  static Variant I4(int32_t v) { return Variant(Storage(std::in_place_index<2>, v)); }
  static Variant R4(float v) { return Variant(Storage(std::in_place_index<3>, v)); }
  static Variant R8(double v) { return Variant(Storage(std::in_place_index<4>, v)); }
  static Variant Str(std::string v) { return Variant(Storage(std::in_place_index<5>, std::move(v))); }
  // Stores the 16-bit value unchanged; True is -1, any non-zero counts as true.
  static Variant Bool(VARIANT_BOOL v) { return Variant(Storage(std::in_place_index<6>, BoolBox{v})); }
  static Variant FromBool(bool b) { return Bool(b ? VARIANT_TRUE : VARIANT_FALSE); }

  VarType vt() const;

  // Raw access; the caller must have checked vt().
  int16_t RawI2() const { return std::get<1>(value_); }
  int32_t RawI4() const { return std::get<2>(value_); }
  float RawR4() const { return std::get<3>(value_); }
  double RawR8() const { return std::get<4>(value_); }
  const std::string& RawStr() const { return std::get<5>(value_); }
  VARIANT_BOOL RawBool() const { return std::get<6>(value_).v; }

  // Conversions; each throws platform::Error on overflow or type mismatch.
  int16_t ToI2() const;
  int32_t ToI4() const;
  float ToR4() const;
  double ToR8() const;
  VARIANT_BOOL ToBool() const;
  std::string ToStr() const;
  Variant ChangeType(VarType to) const;

  // Same type and same value (no conversion): used by property bags to leave
  // out values equal to their default.
  bool operator==(const Variant& other) const { return value_ == other.value_; }

 private:
  struct BoolBox {
    VARIANT_BOOL v;
    bool operator==(const BoolBox&) const = default;
  };
  using Storage = std::variant<std::monostate, int16_t, int32_t, float, double, std::string, BoolBox>;
  explicit Variant(Storage s) : value_(std::move(s)) {}
  Storage value_;
};

// Compares by value across numeric types (I2 0 equals I4 0), as a property bag
// does when it decides whether a value equals its default.
KVQMXTMR_EXPORT bool ValueEquals(const Variant& a, const Variant& b);

KVQMXTMR_EXPORT const char* VarTypeName(VarType vt);

}  // namespace com
