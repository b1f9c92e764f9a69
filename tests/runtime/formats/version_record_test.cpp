#include <gtest/gtest.h>

#include "runtime/formats/resource_file.h"
#include "runtime/formats/version_record.h"
#include "runtime/platform/error.h"

namespace {

uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8); }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return uint32_t(U16(b, at)) | uint32_t(U16(b, at + 2)) << 16; }

std::u16string KeyAt(const std::vector<uint8_t>& b, size_t at) {
  std::u16string s;
  for (size_t p = at + 6; U16(b, p) != 0; p += 2) s.push_back(U16(b, p));
  return s;
}

com::VersionRecord Sample() {
  com::VersionRecord v;
  v.fixed.fileVersionMS = com::VersionFixedInfo::High(1, 2);
  v.fixed.fileVersionLS = com::VersionFixedInfo::High(3, 4);
  v.fixed.productVersionMS = com::VersionFixedInfo::High(5, 6);
  v.fixed.fileType = com::VFT_DLL;
  v.stringTables.push_back({"040904B0", {{"CompanyName", "Brenvale"}, {"Odd", "abc"}, {"Empty", ""}}});
  v.stringTables.push_back({"040704B0", {{"Comments", "Gr\xC3\xBC\xC3\x9F" "e"}}});
  v.translations = {{0x0409, 1200}, {0x0407, 1200}};
  return v;
}

TEST(VersionRecord, NodeHeadersFollowThePlatformLayout) {
  const auto bytes = com::WriteVersionRecord(Sample());
  // VS_VERSIONINFO: its length is the whole record, the value is the 52-byte fixed part.
  EXPECT_EQ(bytes.size(), U16(bytes, 0));
  EXPECT_EQ(52, U16(bytes, 2));
  EXPECT_EQ(0, U16(bytes, 4));
  EXPECT_EQ(u"VS_VERSION_INFO", KeyAt(bytes, 0));
  // Header (6) + key with terminator (32) = 38, aligned to 40.
  EXPECT_EQ(0xFEEF04BDu, U32(bytes, 40));
  EXPECT_EQ(0x00010000u, U32(bytes, 44));
  EXPECT_EQ(0x00010002u, U32(bytes, 48));
  EXPECT_EQ(0x00030004u, U32(bytes, 52));
  EXPECT_EQ(0x3Fu, U32(bytes, 64));
  EXPECT_EQ(4u, U32(bytes, 72));  // 32-bit Windows
  EXPECT_EQ(2u, U32(bytes, 76));  // dynamic-link library
  // StringFileInfo follows at 92, text type, no value.
  EXPECT_EQ(u"StringFileInfo", KeyAt(bytes, 92));
  EXPECT_EQ(0, U16(bytes, 94));
  EXPECT_EQ(1, U16(bytes, 96));
  // Its first table: key "040904B0" at 92 + 6 + 30 = 128, aligned.
  EXPECT_EQ(u"040904B0", KeyAt(bytes, 128));
  // The first string: 6 + "CompanyName\0" (24) = 30, aligned to 32; value counts
  // its characters and the terminator.
  const size_t company = 128 + 6 + 18;  // table header + key, already aligned
  EXPECT_EQ(u"CompanyName", KeyAt(bytes, company));
  EXPECT_EQ(9, U16(bytes, company + 2));
  EXPECT_EQ(1, U16(bytes, company + 4));
  EXPECT_EQ(32 + 18, U16(bytes, company));
  EXPECT_EQ(u'B', U16(bytes, company + 32));
  EXPECT_EQ(0u, bytes.size() % 4);
}

TEST(VersionRecord, RoundTripKeepsFixedPartStringsAndTranslations) {
  const auto original = Sample();
  const auto back = com::ReadVersionRecord(com::WriteVersionRecord(original));
  EXPECT_EQ(original, back);
  ASSERT_NE(nullptr, back.Find("040904B0", "Empty"));
  EXPECT_EQ("", *back.Find("040904B0", "Empty"));
  EXPECT_EQ(nullptr, back.Find("040904B0", "Comments"));
  EXPECT_EQ(nullptr, back.Find("041104B0", "CompanyName"));
}

TEST(VersionRecord, TruncatedOrDamagedRecordsAreErrors) {
  const auto bytes = com::WriteVersionRecord(Sample());
  for (size_t length = 0; length < bytes.size(); ++length) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    try {
      (void)com::ReadVersionRecord(cut);
      ADD_FAILURE() << "length " << length << " accepted";
    } catch (const platform::Error& e) {
      ASSERT_EQ(com::RESOURCE_E_INVALID_DATA, e.code());
    }
  }
  for (size_t at = 0; at < bytes.size(); ++at) {
    for (const uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}}) {
      auto damaged = bytes;
      damaged[at] = value;
      try {
        (void)com::ReadVersionRecord(damaged);
      } catch (const platform::Error& e) {
        ASSERT_EQ(com::RESOURCE_E_INVALID_DATA, e.code()) << "byte " << at;
      }
    }
  }
  auto badSignature = bytes;
  badSignature[40] = 0;
  EXPECT_THROW(com::ReadVersionRecord(badSignature), platform::Error);
}

}  // namespace
