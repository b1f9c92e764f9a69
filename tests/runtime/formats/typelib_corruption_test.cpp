// Damaged type libraries end in platform::Error, never in a crash, a hang or
// a read outside the buffer (run under the address sanitizer to see the last).
#include <gtest/gtest.h>

#include <tuple>

#include "runtime/automation/hresult.h"
#include "runtime/formats/typelib_reader.h"
#include "runtime/formats/typelib_writer.h"
#include "runtime/platform/error.h"
#include "tests/runtime/formats/typelib_hostile.h"
#include "tests/runtime/formats/typelib_sample_library.h"

namespace {

void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
int32_t GetI32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int32_t>(uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
                              uint32_t(b.at(at + 3)) << 24);
}
size_t Directory(const std::vector<uint8_t>& b) { return 0x54 + static_cast<size_t>(GetI32(b, 0x20)) * 4; }
size_t SegmentStart(const std::vector<uint8_t>& b, int s) { return static_cast<size_t>(GetI32(b, Directory(b) + s * 16)); }

int32_t ReadCode(const std::vector<uint8_t>& bytes) {
  try {
    const auto lib = com::TypeLibrary::Read(bytes);
    // Reading succeeded: using every part must not fault either.
    for (size_t i = 0; i < lib.types().size(); ++i) {
      for (const auto& f : lib.DispatchView(i).funcs) (void)f.name.size();
      for (const auto& impl : lib.types()[i].implTypes) {
        try {
          (void)lib.ReferenceName(impl.href);
        } catch (const platform::Error&) {
        }
      }
    }
    return 0;
  } catch (const platform::Error& e) {
    return e.code();
  }
}

const std::vector<uint8_t>& Sample() {
  static const auto bytes = com::WriteTypeLibrary(typelib_test::SampleLibrary());
  return bytes;
}

TEST(TypeLibraryCorruption, EveryTruncationIsRefused) {
  const auto& full = Sample();
  for (size_t length = 0; length < full.size(); ++length) {
    const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    const int32_t code = ReadCode(cut);
    ASSERT_TRUE(code == com::TYPE_E_INVDATAREAD || code == com::TYPE_E_UNSUPFORMAT)
        << "length " << length << " gave " << std::hex << code;
  }
}

TEST(TypeLibraryCorruption, AnyDamagedByteGivesAnErrorOrAReadableLibrary) {
  const auto& full = Sample();
  for (size_t at = 0; at < full.size(); ++at) {
    for (const uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0xFF}}) {
      auto damaged = full;
      damaged[at] = value;
      const int32_t code = ReadCode(damaged);
      ASSERT_TRUE(code == 0 || code == com::TYPE_E_INVDATAREAD || code == com::TYPE_E_UNSUPFORMAT)
          << "byte " << at << " = " << int(value) << " gave " << std::hex << code;
    }
  }
}

TEST(TypeLibraryCorruption, SpecificDamageIsNamed) {
  auto wrongMagic = Sample();
  wrongMagic[0] = 'X';
  EXPECT_EQ(com::TYPE_E_UNSUPFORMAT, ReadCode(wrongMagic));

  auto wrongVersion = Sample();
  PutI32(wrongVersion, 4, 0x00010001);
  EXPECT_EQ(com::TYPE_E_UNSUPFORMAT, ReadCode(wrongVersion));

  auto noDirectory = Sample();
  PutI32(noDirectory, Directory(noDirectory) + 12, 0);  // the marker loaders look for
  EXPECT_EQ(com::TYPE_E_INVDATAREAD, ReadCode(noDirectory));

  auto segmentPastEnd = Sample();
  PutI32(segmentPastEnd, Directory(segmentPastEnd) + 7 * 16 + 4, 0x7FFFFFF0);  // name table length
  EXPECT_EQ(com::TYPE_E_INVDATAREAD, ReadCode(segmentPastEnd));

  auto tooManyTypes = Sample();
  PutI32(tooManyTypes, 0x20, 0x7FFFFFFF);
  EXPECT_EQ(com::TYPE_E_INVDATAREAD, ReadCode(tooManyTypes));

  auto nameOutside = Sample();
  PutI32(nameOutside, 0x38, 0x10000);  // library name offset
  EXPECT_EQ(com::TYPE_E_INVDATAREAD, ReadCode(nameOutside));

  // A pointer descriptor that points at itself would recurse for ever.
  auto loop = Sample();
  const size_t typedesc = SegmentStart(loop, 9);
  ASSERT_EQ(26, loop[typedesc]);  // the first descriptor is a pointer
  PutI32(loop, typedesc + 4, 0);
  EXPECT_EQ(com::TYPE_E_INVDATAREAD, ReadCode(loop));

  // A class whose interface list links back to itself.
  auto ring = Sample();
  const size_t refs = SegmentStart(ring, 3);
  PutI32(ring, refs + 1 * 16 + 12, 0);
  EXPECT_EQ(com::TYPE_E_INVDATAREAD, ReadCode(ring));

  // A member block whose records claim to run past the file.
  auto members = Sample();
  const size_t firstType = SegmentStart(members, 0);
  const auto memOffset = static_cast<size_t>(GetI32(members, firstType + 4));
  PutI32(members, memOffset, 0x7FFFFFFF);
  EXPECT_EQ(com::TYPE_E_INVDATAREAD, ReadCode(members));
}

TEST(TypeLibraryCorruption, SharedRecordsCannotMultiplyWhatTheFileHolds) {
  // A few shared references are read as they stand.
  const auto small = typelib_test::SharedMemberBlocks(2, 3, 4);
  const auto lib = com::TypeLibrary::Read(small);
  ASSERT_EQ(lib.types().size(), 2u);
  ASSERT_EQ(lib.types()[1].funcs.size(), 3u);
  EXPECT_EQ(lib.types()[1].funcs[2].params.size(), 4u);
  EXPECT_EQ(lib.types()[1].funcs[2].memid, 2);

  // 16 KB asking for 2.7 million parameters, and 65 KB for 450 million.
  for (const auto& [types, funcs, args] : {std::tuple{10, 300, 900}, std::tuple{100, 1500, 3000}}) {
    const auto bomb = typelib_test::SharedMemberBlocks(types, funcs, args);
    try {
      (void)com::TypeLibrary::Read(bomb);
      ADD_FAILURE() << bomb.size() << " bytes read as " << types * funcs * args << " parameters";
    } catch (const platform::Error& e) {
      EXPECT_EQ(e.code(), com::TYPE_E_INVDATAREAD);
      EXPECT_NE(std::string(e.what()).find("more than a file of " + std::to_string(bomb.size()) + " bytes can hold"),
                std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
