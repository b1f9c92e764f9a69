#include <gtest/gtest.h>

#include "runtime/automation/guid.h"
#include "runtime/com/interfaces.h"

namespace com {
namespace {

constexpr GUID kSample = MakeGuid(0x0123ABCD, 0x4567, 0x89EF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10});

TEST(GuidText, FormatsUpperCaseBracedAndParsesEveryAcceptedSpelling) {
  EXPECT_EQ(kSample.ToString(), "{0123ABCD-4567-89EF-FEDC-BA9876543210}");
  EXPECT_EQ(GUID::Parse("{0123ABCD-4567-89EF-FEDC-BA9876543210}"), kSample);
  EXPECT_EQ(GUID::Parse("{0123abcd-4567-89ef-fedc-ba9876543210}"), kSample);
  EXPECT_EQ(GUID::Parse("0123ABCD-4567-89EF-FEDC-BA9876543210"), kSample);
  EXPECT_EQ(IID_IDispatch.ToString(), "{00020400-0000-0000-C000-000000000046}");
  EXPECT_EQ(IID_IConnectionPointContainer.ToString(), "{B196B284-BAB4-101A-B69C-00AA00341D07}");
  EXPECT_EQ(IID_IPersistPropertyBag.ToString(), "{37D84F60-42CB-11CE-8135-00AA004BB851}");
}

TEST(GuidText, RejectsMalformedText) {
  for (const char* bad : {"", "{}", "{0123ABCD-4567-89EF-FEDC-BA9876543210",  // missing brace
                          "0123ABCD-4567-89EF-FEDC-BA9876543210}", "(0123ABCD-4567-89EF-FEDC-BA9876543210)",
                          "0123ABCD-4567-89EF-FEDC-BA987654321",     // short
                          "0123ABCD-4567-89EF-FEDC-BA98765432100",   // long
                          "0123ABCD_4567-89EF-FEDC-BA9876543210",    // wrong separator
                          "0123ABCG-4567-89EF-FEDC-BA9876543210",    // not hex
                          "0123ABCD-4567-89EF-FEDCBA-9876543210"})   // dash misplaced
    EXPECT_FALSE(GUID::Parse(bad).has_value()) << bad;
}

TEST(GuidBytes, LaysOutLittleEndianFieldsAndRoundTrips) {
  const auto b = kSample.Bytes();
  const std::array<uint8_t, 16> expected = {0xCD, 0xAB, 0x23, 0x01, 0x67, 0x45, 0xEF, 0x89,
                                            0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
  EXPECT_EQ(b, expected);
  EXPECT_EQ(GUID::FromBytes(b.data()), kSample);
}

}  // namespace
}  // namespace com
