// The bytes the format fixes, checked against the format's published layout
// rather than against the writer's own reader.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "runtime/automation/hresult.h"
#include "runtime/formats/typelib_hash.h"
#include "runtime/formats/typelib_writer.h"
#include "runtime/platform/error.h"
#include "tests/runtime/formats/typelib_sample_library.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 | uint32_t(b.at(at + 3)) << 24;
}
int32_t I32(const std::vector<uint8_t>& b, size_t at) { return static_cast<int32_t>(U32(b, at)); }

struct Segment {
  int32_t offset, length;
};

// The segment directory follows the header and one word per type.
Segment SegmentOf(const std::vector<uint8_t>& file, int index) {
  const size_t dir = 0x54 + U32(file, 0x20) * 4 + ((U32(file, 0x14) & 0x100) ? 4 : 0);
  return {I32(file, dir + index * 16), I32(file, dir + index * 16 + 4)};
}

int32_t ExpectThrowCode(const std::function<void()>& f) {
  try {
    f();
  } catch (const platform::Error& e) {
    return e.code();
  }
  ADD_FAILURE() << "no platform::Error";
  return 0;
}

TEST(TypeLibraryWriter, HeaderHoldsTheFixedValuesAndTheLibraryAttributes) {
  const auto lib = typelib_test::SampleLibrary();
  const auto file = com::WriteTypeLibrary(lib);
  ASSERT_GE(file.size(), 0x54u);
  EXPECT_EQ(0, std::memcmp(file.data(), "MSFT", 4));
  EXPECT_EQ(0x00010002u, U32(file, 0x04));
  EXPECT_EQ(0x409u, U32(file, 0x0C));
  EXPECT_EQ(0x409u, U32(file, 0x10));
  // Win32 system kind, the always-set bit, and the help-file bit.
  EXPECT_EQ(0x51u, U32(file, 0x14));
  EXPECT_EQ(3u | 7u << 16, U32(file, 0x18));
  EXPECT_EQ(uint32_t(com::LIBFLAG_FCONTROL | com::LIBFLAG_FHIDDEN), U32(file, 0x1C));
  EXPECT_EQ(5u, U32(file, 0x20));
  EXPECT_EQ(-1, I32(file, 0x40));  // no custom data
  EXPECT_EQ(0x20u, U32(file, 0x44));
  EXPECT_EQ(0x80u, U32(file, 0x48));
  EXPECT_EQ(1, I32(file, 0x4C));   // IDispatch: first import entry, low bit marks "imported"
  EXPECT_EQ(1u, U32(file, 0x50));  // one import entry
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(i * 0x64, U32(file, 0x54 + i * 4)) << "type offset " << i;

  const size_t dir = 0x54 + 5 * 4;
  for (int s = 0; s < 15; ++s) {
    EXPECT_EQ(-1, I32(file, dir + s * 16 + 8)) << "segment " << s;
    EXPECT_EQ(0x0F, I32(file, dir + s * 16 + 12)) << "segment " << s;
    const Segment seg = SegmentOf(file, s);
    if (seg.length > 0) {
      EXPECT_LE(size_t(seg.offset) + size_t(seg.length), file.size()) << "segment " << s;
    }
  }
  EXPECT_EQ(5 * 0x64, SegmentOf(file, 0).length);
  EXPECT_EQ(0x80, SegmentOf(file, 4).length);   // GUID hash
  EXPECT_EQ(0x200, SegmentOf(file, 6).length);  // name hash
}

TEST(TypeLibraryWriter, TypeRecordsCarryKindFlagsVersionAndReferences) {
  const auto file = com::WriteTypeLibrary(typelib_test::SampleLibrary());
  const size_t types = static_cast<size_t>(SegmentOf(file, 0).offset);
  auto field = [&](int type, size_t at) { return U32(file, types + type * 0x64 + at); };
  // Kind in the low nibble, alignment 4 in bits 11-15, index in the high half.
  EXPECT_EQ(com::TKIND_DISPATCH, int(field(0, 0) & 0xF));
  EXPECT_EQ(4u, (field(0, 0) >> 11) & 0x1F);
  EXPECT_EQ(2u, field(2, 0) >> 16);
  EXPECT_EQ(com::TKIND_COCLASS, int(field(2, 0) & 0xF));
  EXPECT_EQ(com::TKIND_ENUM, int(field(4, 0) & 0xF));
  EXPECT_EQ(2u | 1u << 16, field(1, 0x38));  // version 2.1
  EXPECT_EQ(uint32_t(com::TYPEFLAG_FCANCREATE | com::TYPEFLAG_FCONTROL), field(2, 0x30));
  // The dual interface: 5 properties x 2 + 1 method after IDispatch's 7 slots,
  // deriving from the imported IDispatch (two ancestors, seven inherited functions).
  EXPECT_EQ(11u | 0u << 16, field(0, 0x18));
  EXPECT_EQ((7u + 11u) * 4u, field(0, 0x4C) >> 16);
  EXPECT_EQ(1u, field(0, 0x4C) & 0xFFFF);
  EXPECT_EQ(1u, field(0, 0x54));
  EXPECT_EQ(7u << 16 | 2u, field(0, 0x58));
  // The dispatch-only interface counts only its own functions.
  EXPECT_EQ(4u * 4u, field(1, 0x4C) >> 16);
  EXPECT_EQ(0xFFFFFFFFu, field(1, 0x54));
  // The class lists three interfaces; the enumeration has four constants.
  EXPECT_EQ(3u, field(2, 0x4C) & 0xFFFF);
  EXPECT_EQ(4u << 16, field(4, 0x18));
  EXPECT_EQ(0xFFFFFFFFu, field(4, 0x2C));  // no identity
}

TEST(TypeLibraryWriter, NameHashMatchesThePlatformsValues) {
  // Values the platform's own hash function (LHashValOfNameSys, 32-bit,
  // locale 0x409) returns for these names; they cover case folding and the
  // locale's peculiar letters (W, Y, '/').
  struct Case {
    const char* name;
    uint32_t hash;
  };
  for (const Case& c : {Case{"Dialfen", 0x00109A1A}, Case{"DisplayMode", 0x00105C71}, Case{"_KvDispVU", 0x001020D7},
                        Case{"QmxTimer", 0x0010AA34}, Case{"Whorlix", 0x00109D74}, Case{"wiry", 0x00104BB0},
                        Case{"a/b", 0x00106921}, Case{"New_Sleep", 0x0010E240},
                        Case{"ZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ", 0x0010F49B}})
    EXPECT_EQ(c.hash, com::NameHash(com::SYS_WIN32, 0x409, c.name)) << c.name;
  EXPECT_EQ(com::NameHash(com::SYS_WIN32, 0x409, "displaymode"), com::NameHash(com::SYS_WIN32, 0x409, "DISPLAYMODE"));
  EXPECT_EQ(com::E_INVALIDARG, ExpectThrowCode([] { com::NameHash(com::SYS_WIN32, 0x407, "x"); }));
  EXPECT_EQ(com::E_INVALIDARG, ExpectThrowCode([] { com::NameHash(com::SYS_WIN32, 0x409, "caf\xC3\xA9"); }));
}

TEST(TypeLibraryWriter, EveryNameAndIdentityIsReachableThroughItsHashBucket) {
  const auto file = com::WriteTypeLibrary(typelib_test::SampleLibrary());
  const Segment names = SegmentOf(file, 7), nameHash = SegmentOf(file, 6);
  std::set<int32_t> chained;
  for (int bucket = 0; bucket < 128; ++bucket) {
    for (int32_t at = I32(file, nameHash.offset + bucket * 4); at != -1; at = I32(file, names.offset + at + 4)) {
      ASSERT_TRUE(chained.insert(at).second) << "name chain loops";
      const uint32_t word = U32(file, names.offset + at + 8);
      const std::string name(reinterpret_cast<const char*>(&file[names.offset + at + 12]), word & 0xFF);
      const uint32_t hash = com::NameHash(com::SYS_WIN32, 0x409, name) & 0xFFFF;
      EXPECT_EQ(hash, word >> 16) << name;
      EXPECT_EQ(bucket, int(hash & 0x7F)) << name;
    }
  }
  // Walk the name table entry by entry: each one is in some chain.
  int count = 0;
  for (int32_t at = 0; at < names.length; ++count) {
    EXPECT_TRUE(chained.count(at)) << "name at " << at << " is in no bucket";
    at += 12 + ((U32(file, names.offset + at + 8) & 0xFF) + 3) / 4 * 4;
  }
  EXPECT_EQ(count, I32(file, 0x30));

  const Segment guids = SegmentOf(file, 5), guidHash = SegmentOf(file, 4);
  std::set<int32_t> reached;
  for (int bucket = 0; bucket < 32; ++bucket) {
    for (int32_t at = I32(file, guidHash.offset + bucket * 4); at != -1; at = I32(file, guids.offset + at + 20)) {
      ASSERT_TRUE(reached.insert(at).second) << "identity chain loops";
      EXPECT_EQ(bucket, com::GuidHashBucket(com::GUID::FromBytes(&file[guids.offset + at])));
    }
  }
  EXPECT_EQ(size_t(guids.length / 24), reached.size());
}

TEST(TypeLibraryWriter, RefusesDescriptionsTheFormatCannotHold) {
  auto expectInvalid = [](const std::function<void(com::LibraryDescription&)>& spoil) {
    auto lib = typelib_test::SampleLibrary();
    spoil(lib);
    EXPECT_EQ(com::E_INVALIDARG, ExpectThrowCode([&] { com::WriteTypeLibrary(lib); }));
  };
  expectInvalid([](auto& l) { l.name.clear(); });
  expectInvalid([](auto& l) { l.lcid = 0x407; });
  expectInvalid([](auto& l) { l.syskind = com::SYS_WIN64; });
  expectInvalid([](auto& l) { l.types[2].interfaces[0].typeIndex = 9; });
  expectInvalid([](auto& l) { l.types[2].interfaces[0].typeIndex = 4; });  // an enumeration is no interface
  expectInvalid([](auto& l) { l.types[0].properties[3].type.userType = 17; });
  expectInvalid([](auto& l) { l.types[0].properties[0].type.vt = com::VT_PTR; });
  expectInvalid([](auto& l) { l.types[3].guid = l.types[0].guid; });
  expectInvalid([](auto& l) { l.types[3].name = "_GAUGE"; });  // names are case-insensitive
  expectInvalid([](auto& l) { l.types[0].properties[0].name = std::string(256, 'x'); });
  expectInvalid([](auto& l) { l.types[4].constants[0].helpString = "caf\xC3\xA9"; });
  expectInvalid([](auto& l) { l.types[4].properties = l.types[0].properties; });
  expectInvalid([](auto& l) { l.types[1].kind = com::TKIND_RECORD; });
}

}  // namespace
