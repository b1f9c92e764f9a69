#include "runtime/forms/property_bag.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "runtime/platform/error.h"

namespace {

using com::Variant;
using forms::PropertyBag;

TEST(PropertyBag, ValuesEqualToTheirDefaultAreLeftOutAndReadBackAsTheDefault) {
  PropertyBag bag;
  // Written as a 32-bit value with a 16-bit default: equal by value.
  bag.WriteProperty("SleepDelay", Variant::I4(0), Variant::I2(0));
  EXPECT_FALSE(bag.Contains("SleepDelay"));
  EXPECT_TRUE(bag.Empty());

  bag.WriteProperty("SleepDelay", Variant::I4(40), Variant::I2(0));
  ASSERT_TRUE(bag.Contains("sleepdelay"));  // names ignore case
  const Variant read = bag.ReadProperty("SleepDelay", Variant::I2(0));
  EXPECT_EQ(read.vt(), com::VT_I4);  // the stored type, not the default's
  EXPECT_EQ(read.RawI4(), 40);

  // Writing the default again removes the entry.
  bag.WriteProperty("SleepDelay", Variant::I4(0), Variant::I2(0));
  EXPECT_FALSE(bag.Contains("SleepDelay"));
  const Variant absent = bag.ReadProperty("SleepDelay", Variant::I2(7));
  EXPECT_EQ(absent.vt(), com::VT_I2);
  EXPECT_EQ(absent.RawI2(), 7);

  EXPECT_THROW(bag.WriteProperty("", Variant::I4(1), Variant::I4(0)), platform::Error);
}

TEST(PropertyBag, TextFormRoundTripsEveryTypeExactly) {
  PropertyBag bag;
  const Variant none;
  bag.WriteProperty("DisplayMode", Variant::I4(3), Variant::I2(0));
  bag.WriteProperty("I2 min", Variant::I2(INT16_MIN), none);
  bag.WriteProperty("I2 max", Variant::I2(INT16_MAX), none);
  bag.WriteProperty("I4 min", Variant::I4(INT32_MIN), none);
  bag.WriteProperty("I4 max", Variant::I4(INT32_MAX), none);
  bag.WriteProperty("True", Variant::Bool(com::VARIANT_TRUE), none);
  bag.WriteProperty("Odd bool", Variant::Bool(5), none);
  bag.WriteProperty("R4", Variant::R4(0.1f), none);
  bag.WriteProperty("R4 tiny", Variant::R4(std::numeric_limits<float>::denorm_min()), none);
  bag.WriteProperty("R8", Variant::R8(1.0 / 3.0), none);
  bag.WriteProperty("R8 neg", Variant::R8(-1e300), none);
  bag.WriteProperty("R8 inf", Variant::R8(std::numeric_limits<double>::infinity()), none);
  bag.WriteProperty("Text", Variant::Str("say \"hi\"\\\n\tline\r\x01\x7f end"), none);
  bag.WriteProperty("Unicode", Variant::Str("Grüße, 日本 ✓"), none);
  bag.WriteProperty("Empty text", Variant::Str(""), none);
  bag.WriteProperty("Name with \"quotes\" and\nnewline", Variant::I2(1), none);

  const PropertyBag back = PropertyBag::LoadText(bag.SaveText());
  ASSERT_EQ(back.Names(), bag.Names());
  for (const std::string& name : bag.Names()) {
    const Variant a = bag.ReadProperty(name, none);
    const Variant b = back.ReadProperty(name, none);
    EXPECT_TRUE(a == b) << name << " came back as " << com::VarTypeName(b.vt());
  }
  // Stable: saving what was loaded gives the same text.
  EXPECT_EQ(back.SaveText(), bag.SaveText());
  // NaN round-trips as NaN.
  PropertyBag nan;
  nan.WriteProperty("nan", Variant::R8(std::nan("")), none);
  EXPECT_TRUE(std::isnan(PropertyBag::LoadText(nan.SaveText()).ReadProperty("nan", none).RawR8()));
}

TEST(PropertyBag, AnEmptyBagAndHandEditedTextLoad) {
  EXPECT_TRUE(PropertyBag::LoadText(PropertyBag().SaveText()).Empty());
  const PropertyBag bag =
      PropertyBag::LoadText("PropertyBag 1\r\n\r\n  \"SetDispDelay\"   I4   0\r\n\"SetDispVolumeStep\" I4 -5\n");
  EXPECT_EQ(bag.ReadProperty("SetDispDelay", Variant::I2(1000)).RawI4(), 0);
  EXPECT_EQ(bag.ReadProperty("SetDispVolumeStep", Variant::I2(1000)).RawI4(), -5);
}

TEST(PropertyBag, UnreadableDataRaisesAnErrorNeverACrash) {
  const char* bad[] = {
      "",                                         // no header
      "\"A\" I4 1\n",                             // header missing
      "PropertyBag 2\n",                          // unknown version
      "PropertyBag 1\n\"A\" I8 1\n",              // unknown type
      "PropertyBag 1\n\"A\" I2 40000\n",          // out of range for the type
      "PropertyBag 1\n\"A\" I4 2147483648\n",
      "PropertyBag 1\n\"A\" Bool -32769\n",
      "PropertyBag 1\n\"A\" I4 12abc\n",          // not a number
      "PropertyBag 1\n\"A\" R8 one\n",
      "PropertyBag 1\n\"A\" I4\n",                // value missing
      "PropertyBag 1\n\"A\"\n",                   // type missing
      "PropertyBag 1\n\"A\" String \"open\n",     // quote not closed
      "PropertyBag 1\n\"A\" String \"\\q\"\n",    // unknown escape
      "PropertyBag 1\n\"A\" String \"\\x4\"\n",   // short hex escape
      "PropertyBag 1\n\"A\" String \"ok\" x\n",   // trailing text
      "PropertyBag 1\nA I4 1\n",                  // name not quoted
      "PropertyBag 1\n\"\" I4 1\n",               // empty name
      "PropertyBag 1\n\"A\" I4 1\n\"a\" I4 2\n",  // the same name twice
  };
  for (const char* text : bad) {
    EXPECT_THROW(PropertyBag::LoadText(text), platform::Error) << text;
  }
  // Arbitrary bytes.
  std::string noise = "PropertyBag 1\n";
  for (int i = 0; i < 256; ++i) noise += static_cast<char>(i);
  EXPECT_THROW(PropertyBag::LoadText(noise), platform::Error);
}

TEST(PropertyBag, AWronglyTypedValueFailsWhenTheReaderConvertsIt) {
  const PropertyBag bag = PropertyBag::LoadText("PropertyBag 1\n\"SleepDelay\" String \"fast\"\n");
  EXPECT_THROW(bag.ReadProperty("SleepDelay", Variant::I2(0)).ToI4(), platform::Error);
}

}  // namespace
