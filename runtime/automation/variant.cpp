#include "runtime/automation/variant.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <limits>

#include "runtime/automation/hresult.h"
#include "runtime/platform/ascii_case.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

[[noreturn]] void Overflow() { throw platform::Error(DISP_E_OVERFLOW, "Overflow"); }
[[noreturn]] void Mismatch() { throw platform::Error(DISP_E_TYPEMISMATCH, "Type mismatch"); }

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// For a number too far from 1 for a double, whether it is too small (and so
// reads as zero) rather than too large: the power of ten of its first
// significant digit, plus its exponent, is negative. `s` is a whole decimal
// number as from_chars reads it.
bool TooSmallRatherThanTooLarge(std::string_view s) {
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
  const size_t e = s.find_first_of("eE");
  const std::string_view mantissa = s.substr(0, e);
  int64_t exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view digits = s.substr(e + 1);
    const bool negative = !digits.empty() && digits[0] == '-';
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
    constexpr int64_t kFar = int64_t{1} << 40;  // beyond any mantissa's length
    for (const char c : digits) exponent = std::min(exponent * 10 + (c - '0'), kFar);
    if (negative) exponent = -exponent;
  }
  const size_t point = mantissa.find('.');
  const std::string_view whole = mantissa.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
  int64_t lead;
  if (const size_t first = whole.find_first_not_of('0'); first != std::string_view::npos) {
    lead = static_cast<int64_t>(whole.size() - first) - 1;
  } else if (const size_t firstFraction = fraction.find_first_not_of('0'); firstFraction != std::string_view::npos) {
    lead = -static_cast<int64_t>(firstFraction) - 1;
  } else {
    return true;  // all zeros
  }
  return lead + exponent < 0;
}

// Numeric reading of a string: decimal numbers, with "True"/"False" accepted
// as -1/0 the way automation accepts them.
double ParseNumber(const std::string& text) {
  const std::string s = Trim(text);
  if (platform::SameAsciiName(s, "true")) return -1.0;
  if (platform::SameAsciiName(s, "false")) return 0.0;
  if (s.empty()) Mismatch();
  // Read without the C library's locale (a GUI application runs under the
  // user's, where the decimal separator may be a comma), and without the
  // hexadecimal and "inf"/"nan" spellings strtod would also take.
  const char* first = s.c_str();
  const char* last = first + s.size();
  if (*first == '+') ++first;
  if (first == last || *first == '+') Mismatch();
  if (std::string_view(first, static_cast<size_t>(last - first)).find_first_not_of("0123456789+-.eE") !=
      std::string_view::npos)
    Mismatch();
  double v = 0;
  const auto [end, ec] = std::from_chars(first, last, v, std::chars_format::general);
  // Text after the number makes it no number, however large or small the
  // number before it would be.
  if (ec == std::errc::invalid_argument || end != last) Mismatch();
  if (ec == std::errc::result_out_of_range) {
    if (TooSmallRatherThanTooLarge(std::string_view(first, static_cast<size_t>(last - first)))) return 0.0;
    Overflow();
  }
  if (ec != std::errc()) Mismatch();
  return v;
}

// Round half to even, then range-check into an integer type.
template <typename T>
T RoundToInteger(double v) {
  if (std::isnan(v)) Overflow();
  const double r = std::nearbyint(v);  // default rounding mode: to nearest, ties to even
  if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
      r > static_cast<double>(std::numeric_limits<T>::max()))
    Overflow();
  return static_cast<T>(r);
}

std::string FormatReal(double v, int digits) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
  return std::string(buf, r.ptr);
}

}  // namespace

VarType Variant::vt() const {
  static constexpr VarType kTypes[] = {VT_EMPTY, VT_I2, VT_I4, VT_R4, VT_R8, VT_BSTR, VT_BOOL};
  return kTypes[value_.index()];
}

double Variant::ToR8() const {
  switch (vt()) {
    case VT_EMPTY: return 0.0;
    case VT_I2: return RawI2();
    case VT_I4: return RawI4();
    case VT_R4: return RawR4();
    case VT_R8: return RawR8();
    case VT_BOOL: return RawBool();
    case VT_BSTR: return ParseNumber(RawStr());
  }
  Mismatch();
}

int32_t Variant::ToI4() const {
  switch (vt()) {
    case VT_I2: return RawI2();
    case VT_I4: return RawI4();
    case VT_BOOL: return RawBool();
    default: return RoundToInteger<int32_t>(ToR8());
  }
}

int16_t Variant::ToI2() const {
  switch (vt()) {
    case VT_I2: return RawI2();
    case VT_BOOL: return RawBool();
    default: return RoundToInteger<int16_t>(ToR8());
  }
}

float Variant::ToR4() const {
  const double v = ToR8();
  if (std::isfinite(v) && std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) Overflow();
  return static_cast<float>(v);
}

VARIANT_BOOL Variant::ToBool() const {
  if (vt() == VT_BOOL) return RawBool();
  return ToR8() != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
}

std::string Variant::ToStr() const {
  switch (vt()) {
    case VT_EMPTY: return {};
    case VT_I2: return std::to_string(RawI2());
    case VT_I4: return std::to_string(RawI4());
    case VT_R4: return FormatReal(RawR4(), 7);
    case VT_R8: return FormatReal(RawR8(), 15);
    case VT_BOOL: return RawBool() != 0 ? "True" : "False";
    case VT_BSTR: return RawStr();
  }
  Mismatch();
}

Variant Variant::ChangeType(VarType to) const {
  switch (to) {
    case VT_EMPTY: return Variant();
    case VT_I2: return I2(ToI2());
    case VT_I4: return I4(ToI4());
    case VT_R4: return R4(ToR4());
    case VT_R8: return R8(ToR8());
    case VT_BOOL: return Bool(ToBool());
    case VT_BSTR: return Str(ToStr());
  }
  throw platform::Error(DISP_E_BADVARTYPE, "Bad variable type");
}

bool ValueEquals(const Variant& a, const Variant& b) {
  const bool aText = a.vt() == VT_BSTR, bText = b.vt() == VT_BSTR;
  if (aText || bText) return aText && bText && a.RawStr() == b.RawStr();
  return a.ToR8() == b.ToR8();
}

const char* VarTypeName(VarType vt) {
  switch (vt) {
    case VT_EMPTY: return "Empty";
    case VT_I2: return "Integer";
    case VT_I4: return "Long";
    case VT_R4: return "Single";
    case VT_R8: return "Double";
    case VT_BSTR: return "String";
    case VT_BOOL: return "Boolean";
  }
  return "Unknown";
}

}  // namespace com
