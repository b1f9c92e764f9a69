#include <gtest/gtest.h>

#include <clocale>

#include "runtime/automation/hresult.h"
#include "runtime/automation/variant.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

HRESULT CodeOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const platform::Error& e) {
    return e.code();
  }
  return S_OK;
}

TEST(VariantConversion, RealsRoundHalfToEven) {
  EXPECT_EQ(Variant::R8(2.5).ToI4(), 2);
  EXPECT_EQ(Variant::R8(3.5).ToI4(), 4);
  EXPECT_EQ(Variant::R8(-2.5).ToI4(), -2);
  EXPECT_EQ(Variant::R8(-3.5).ToI4(), -4);
  EXPECT_EQ(Variant::R8(2.4999).ToI4(), 2);
  EXPECT_EQ(Variant::R4(0.5f).ToI2(), 0);
  EXPECT_EQ(Variant::R4(1.5f).ToI2(), 2);
  EXPECT_EQ(Variant::Str("2.5").ToI4(), 2);
}

TEST(VariantConversion, OutOfRangeOverflows) {
  EXPECT_EQ(Variant::R8(2147483647.0).ToI4(), 2147483647);
  EXPECT_EQ(Variant::R8(-2147483648.0).ToI4(), -2147483647 - 1);
  EXPECT_EQ(CodeOf([] { Variant::R8(2147483648.0).ToI4(); }), DISP_E_OVERFLOW);
  EXPECT_EQ(CodeOf([] { Variant::R8(2147483647.5).ToI4(); }), DISP_E_OVERFLOW);  // rounds to 2^31
  EXPECT_EQ(CodeOf([] { Variant::I4(40000).ToI2(); }), DISP_E_OVERFLOW);
  EXPECT_EQ(CodeOf([] { Variant::Str("3000000000").ToI4(); }), DISP_E_OVERFLOW);
  EXPECT_EQ(CodeOf([] { Variant::Str("1e400").ToR8(); }), DISP_E_OVERFLOW);
  EXPECT_EQ(CodeOf([] { Variant::R8(1e39).ToR4(); }), DISP_E_OVERFLOW);
  EXPECT_EQ(Variant::Str("1e-400").ToR8(), 0.0);
  EXPECT_EQ(Variant::Str("-0.0001e-400").ToR8(), 0.0);
  // Whether a number is too large or too small is the whole number's, not its exponent's.
  EXPECT_EQ(CodeOf([] { Variant::Str("1" + std::string(700, '0') + "e-5").ToR8(); }), DISP_E_OVERFLOW);
  EXPECT_EQ(Variant::Str("0." + std::string(700, '0') + "1e300").ToR8(), 0.0);
  EXPECT_EQ(CodeOf([] { Variant::Str("1e99999999999999999999999").ToR8(); }), DISP_E_OVERFLOW);
  EXPECT_EQ(Variant::Str("1e-99999999999999999999999").ToR8(), 0.0);
}

TEST(VariantConversion, TextThatIsNoNumberIsATypeMismatch) {
  EXPECT_EQ(Variant::Str("12").ToI4(), 12);
  EXPECT_EQ(Variant::Str(" -12 ").ToI4(), -12);
  EXPECT_EQ(Variant::Str("+7").ToI2(), 7);
  for (const char* bad : {"abc", "", "  ", "12abc", "0x10", "inf", "nan", "1,5", "--1", "+",
                          // a number beyond a double's range with text after it
                          "1e-400-3", "1e-400e", "1e-400.5", "1e400.5", "1e400e"})
    EXPECT_EQ(CodeOf([&] { Variant::Str(bad).ToI4(); }), DISP_E_TYPEMISMATCH) << '"' << bad << '"';
  EXPECT_EQ(CodeOf([] { Variant::Str("abc").ToBool(); }), DISP_E_TYPEMISMATCH);
}

TEST(VariantConversion, BooleansAreMinusOneAndZero) {
  EXPECT_EQ(Variant::FromBool(true).ToI4(), -1);
  EXPECT_EQ(Variant::FromBool(false).ToI4(), 0);
  EXPECT_EQ(Variant::I4(7).ToBool(), VARIANT_TRUE);
  EXPECT_EQ(Variant::R8(0.0).ToBool(), VARIANT_FALSE);
  EXPECT_EQ(Variant::Str("True").ToI4(), -1);
  EXPECT_EQ(Variant::Str("false").ToBool(), VARIANT_FALSE);
  EXPECT_EQ(Variant::FromBool(true).ToStr(), "True");
  // A Boolean keeps the exact 16-bit value it was given.
  EXPECT_EQ(Variant::Bool(5).ChangeType(VT_BOOL).RawBool(), 5);
  EXPECT_EQ(Variant::I4(5).ChangeType(VT_BOOL).RawBool(), VARIANT_TRUE);
}

TEST(VariantConversion, NumbersReadAndPrintTheSameUnderAnyLocale) {
  // A GUI application runs under the user's locale, where the decimal
  // separator may be a comma.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr && std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr)
    GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_EQ(Variant::Str("2.5").ToR8(), 2.5);
  EXPECT_EQ(Variant::R8(2.5).ToStr(), "2.5");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(VariantConversion, ChangeTypeAndEmptyValues) {
  EXPECT_EQ(Variant().ToI4(), 0);
  EXPECT_EQ(Variant().ToStr(), "");
  EXPECT_EQ(Variant::I4(42).ChangeType(VT_BSTR).RawStr(), "42");
  EXPECT_EQ(Variant::Str("42").ChangeType(VT_I2).vt(), VT_I2);
  EXPECT_EQ(Variant::R8(0.1).ToStr(), "0.1");
  EXPECT_TRUE(ValueEquals(Variant::I2(0), Variant::I4(0)));
  EXPECT_FALSE(ValueEquals(Variant::I4(0), Variant::Str("0")));
}

}  // namespace
}  // namespace com
