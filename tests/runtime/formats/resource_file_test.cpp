#include <gtest/gtest.h>

#include "runtime/formats/resource_file.h"
#include "runtime/platform/error.h"

namespace {

using com::Resource;
using com::ResourceId;

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 | uint32_t(b.at(at + 3)) << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8); }

Resource Make(ResourceId type, ResourceId name, std::vector<uint8_t> data, uint16_t language = 0) {
  Resource r;
  r.type = std::move(type);
  r.name = std::move(name);
  r.language = language;
  r.data = std::move(data);
  return r;
}

std::vector<Resource> Sample() {
  auto a = Make("TYPELIB", uint16_t{1}, {1, 2, 3}, 1033);
  auto b = Make(uint16_t{16}, "Ab", {9, 8, 7, 6, 5}, 0);
  b.memoryFlags = 0x1030;
  b.dataVersion = 7;
  b.version = 0x01020304;
  b.characteristics = 0xFEEDBEEF;
  auto c = Make("_SRCIID_KVDISPVU", uint16_t{30000}, {}, 0x0407);
  return {a, b, c};
}

void ExpectSame(const Resource& x, const Resource& y) {
  EXPECT_EQ(x.type, y.type);
  EXPECT_EQ(x.name, y.name);
  EXPECT_EQ(x.type.ToString(), y.type.ToString());  // same spelling, not only equal
  EXPECT_EQ(x.name.ToString(), y.name.ToString());
  EXPECT_EQ(x.language, y.language);
  EXPECT_EQ(x.memoryFlags, y.memoryFlags);
  EXPECT_EQ(x.dataVersion, y.dataVersion);
  EXPECT_EQ(x.version, y.version);
  EXPECT_EQ(x.characteristics, y.characteristics);
  EXPECT_EQ(x.data, y.data);
}

TEST(ResourceFile, LayoutIsTheStandard32BitOne) {
  const auto file = com::WriteResourceFile(Sample());
  // The leading empty entry.
  EXPECT_EQ(0u, U32(file, 0));
  EXPECT_EQ(32u, U32(file, 4));
  EXPECT_EQ(0xFFFFu, U32(file, 8));
  EXPECT_EQ(0xFFFFu, U32(file, 12));
  for (size_t i = 16; i < 32; ++i) EXPECT_EQ(0, file[i]);
  // "TYPELIB" #1: UTF-16 type with terminator, ordinal name, then the fixed tail.
  EXPECT_EQ(3u, U32(file, 32));
  EXPECT_EQ(8u + 16u + 4u + 16u, U32(file, 36));
  const char16_t typeName[] = u"TYPELIB";
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(typeName[i], U16(file, 40 + 2 * i));
  EXPECT_EQ(0xFFFF, U16(file, 56));
  EXPECT_EQ(1, U16(file, 58));
  EXPECT_EQ(0u, U32(file, 60));         // data version
  EXPECT_EQ(0x0030, U16(file, 64));     // moveable, pure
  EXPECT_EQ(1033, U16(file, 66));       // language
  EXPECT_EQ(1, file[76]);               // data
  EXPECT_EQ(0, file[79]);               // padded to 32 bits
  // Second entry: ordinal type, two-character name padded to 32 bits.
  EXPECT_EQ(5u, U32(file, 80));
  EXPECT_EQ(8u + 4u + 6u + 2u + 16u, U32(file, 84));
  EXPECT_EQ(0xFFFF, U16(file, 88));
  EXPECT_EQ(16, U16(file, 90));
  EXPECT_EQ(u'A', U16(file, 92));
  EXPECT_EQ(0x1030, U16(file, 104));
  EXPECT_EQ(0xFEEDBEEFu, U32(file, 112));
  EXPECT_EQ(0u, file.size() % 4);
}

TEST(ResourceFile, RoundTripKeepsEveryField) {
  const auto original = Sample();
  const auto back = com::ReadResourceFile(com::WriteResourceFile(original));
  ASSERT_EQ(original.size(), back.size());
  for (size_t i = 0; i < original.size(); ++i) ExpectSame(original[i], back[i]);
  EXPECT_TRUE(com::ReadResourceFile(com::WriteResourceFile({})).empty());
}

TEST(ResourceFile, LookupFollowsThePlatformsLanguagePreference) {
  std::vector<Resource> all{Make(uint16_t{2}, uint16_t{5}, {1}, 0x0407), Make(uint16_t{2}, uint16_t{5}, {2}, 1033),
                            Make(uint16_t{2}, uint16_t{5}, {3}, 0), Make("Named", "Item", {4}, 0x0407)};
  EXPECT_EQ(3, com::FindResourceIn(all, uint16_t{2}, uint16_t{5})->data[0]);
  EXPECT_EQ(1, com::FindResourceIn(all, uint16_t{2}, uint16_t{5}, uint16_t{0x0407})->data[0]);
  EXPECT_EQ(nullptr, com::FindResourceIn(all, uint16_t{2}, uint16_t{5}, uint16_t{0x040C}));
  all.erase(all.begin() + 2);
  EXPECT_EQ(2, com::FindResourceIn(all, uint16_t{2}, uint16_t{5})->data[0]);
  // Names match without regard to case; a name is never a number.
  EXPECT_EQ(4, com::FindResourceIn(all, "NAMED", "item")->data[0]);
  EXPECT_EQ(nullptr, com::FindResourceIn(all, "2", uint16_t{5}));
  EXPECT_EQ(2, com::FindResourceIn(all, ResourceId::Parse("#2"), ResourceId::Parse("5"))->data[0]);
  EXPECT_EQ("#16", ResourceId(uint16_t{16}).ToString());
  EXPECT_FALSE(ResourceId::Parse("70000").IsOrdinal());
}

TEST(ResourceFile, TruncationGivesAnErrorOrTheWholeResourcesBeforeIt) {
  const auto original = Sample();
  const auto file = com::WriteResourceFile(original);
  for (size_t length = 0; length < file.size(); ++length) {
    const std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    try {
      const auto back = com::ReadResourceFile(cut);
      ASSERT_LT(back.size(), original.size()) << "length " << length;
      for (size_t i = 0; i < back.size(); ++i) ExpectSame(original[i], back[i]);
    } catch (const platform::Error& e) {
      ASSERT_EQ(com::RESOURCE_E_INVALID_DATA, e.code()) << "length " << length;
    }
  }
}

TEST(ResourceFile, DamagedBytesNeverReadOutside) {
  const auto file = com::WriteResourceFile(Sample());
  for (size_t at = 0; at < file.size(); ++at) {
    for (const uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}}) {
      auto damaged = file;
      damaged[at] = value;
      try {
        (void)com::ReadResourceFile(damaged);
      } catch (const platform::Error& e) {
        ASSERT_EQ(com::RESOURCE_E_INVALID_DATA, e.code());
      }
    }
  }
  auto lyingHeader = file;
  lyingHeader[36] = 0xF0;  // first header claims 240 bytes
  EXPECT_THROW(com::ReadResourceFile(lyingHeader), platform::Error);
  auto lyingData = file;
  lyingData[35] = 0x7F;  // first data claims 2 GB
  EXPECT_THROW(com::ReadResourceFile(lyingData), platform::Error);
  EXPECT_THROW(com::ReadResourceFile(std::vector<uint8_t>{'M', 'Z', 0, 0}), platform::Error);
}

}  // namespace
