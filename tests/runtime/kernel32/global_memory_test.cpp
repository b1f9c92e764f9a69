#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/kernel32/block_table.h"
#include "runtime/kernel32/kernel32.h"
#include "runtime/platform/error.h"
#include "runtime/platform/exports.h"

namespace {

using kernel32::BlockTable;

// Bound the way a control binds them.
platform::Declared<decltype(::GlobalAlloc)> Alloc{"kernel32", "GlobalAlloc"};
platform::Declared<decltype(::GlobalLock)> Lock{"kernel32", "GlobalLock"};
platform::Declared<decltype(::GlobalFree)> Free{"kernel32", "GlobalFree"};
platform::Declared<decltype(::RtlMoveMemory)> MoveMemory{"kernel32", "RtlMoveMemory"};

int32_t ErrorCodeOf(void (*action)(uint32_t), uint32_t argument) {
  try {
    action(argument);
  } catch (const platform::Error& e) {
    return e.code();
  }
  return 0;
}

TEST(GlobalMemory, FixedBlockRoundTripsBytesAndIsCountedWhileLive) {
  const size_t before = kernel32::LiveBlockCount();
  const uint32_t handle = Alloc(GMEM_FIXED, 152);
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(kernel32::LiveBlockCount(), before + 1);
  const uint32_t address = Lock(handle);
  ASSERT_NE(address, 0u);
  EXPECT_EQ(address % 16, 0u);

  uint8_t fresh[152];
  std::memset(fresh, 0xAB, sizeof fresh);
  MoveMemory(fresh, address, sizeof fresh);
  for (uint8_t b : fresh) ASSERT_EQ(b, 0) << "blocks start zero-filled";

  const int32_t written = -5000;
  BlockTable::Write(address + 148, &written, 4);
  int32_t read = 0;
  MoveMemory(&read, address + 148, 4);
  EXPECT_EQ(read, -5000);

  EXPECT_EQ(Free(handle), 0u);
  EXPECT_EQ(kernel32::LiveBlockCount(), before);
}

TEST(GlobalMemory, RangesOutsideOneLiveBlockAreRefusedWithoutCopying) {
  const uint32_t a = Lock(Alloc(GMEM_FIXED, 4));
  const uint32_t b = Lock(Alloc(GMEM_FIXED, 4));
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  int32_t sink = 7;
  // Inside, up to the last byte: fine.
  EXPECT_NO_THROW(MoveMemory(&sink, a, 4));
  EXPECT_NO_THROW(MoveMemory(&sink, a + 3, 1));
  EXPECT_NO_THROW(MoveMemory(nullptr, 0, 0));  // nothing to copy, nothing checked
  // One byte past the end, an address between blocks, address 0, a range
  // that would wrap the address space, a negative length, no destination.
  sink = 7;
  EXPECT_THROW(MoveMemory(&sink, a, 5), platform::Error);
  EXPECT_THROW(MoveMemory(&sink, a + 4, 1), platform::Error);
  EXPECT_THROW(MoveMemory(&sink, 0, 4), platform::Error);
  EXPECT_THROW(MoveMemory(&sink, 0xFFFFFFFE, 4), platform::Error);
  EXPECT_THROW(MoveMemory(&sink, a, -1), platform::Error);
  EXPECT_THROW(MoveMemory(nullptr, a, 4), platform::Error);
  EXPECT_EQ(sink, 7);
  EXPECT_EQ(ErrorCodeOf([](uint32_t at) { BlockTable::Resolve(at, 8); }, a), platform::kErrorInvalidAddress);
  EXPECT_FALSE(BlockTable::Contains(a, 8));
  EXPECT_TRUE(BlockTable::Contains(b, 4));
  // A range never spans two blocks, however close they lie.
  EXPECT_FALSE(BlockTable::Contains(a, b - a + 1));
  Free(a);
  Free(b);
}

TEST(GlobalMemory, FreedAddressesAreRefusedAndNotHandedOutAgainSoon) {
  const uint32_t first = Alloc(GMEM_FIXED, 4);
  ASSERT_EQ(Free(first), 0u);
  int32_t sink = 0;
  EXPECT_THROW(MoveMemory(&sink, first, 4), platform::Error);
  EXPECT_EQ(Lock(first), 0u);
  EXPECT_EQ(Free(first), first) << "a second free fails and returns the handle";

  std::set<uint32_t> seen{first};
  std::vector<uint32_t> live;
  for (int i = 0; i < 1000; ++i) {
    const uint32_t h = Alloc(GMEM_FIXED, 4);
    ASSERT_TRUE(seen.insert(h).second) << "address reused: " << h;
    if (i % 2 == 0) {
      Free(h);
    } else {
      live.push_back(h);
    }
  }
  for (uint32_t h : live) EXPECT_EQ(Free(h), 0u);
}

TEST(GlobalMemory, HandlesThatNameNoBlockAndBadFlagsFail) {
  EXPECT_EQ(Free(0), 0u);  // as the platform: freeing nothing succeeds
  EXPECT_EQ(Lock(0), 0u);
  const uint32_t h = Alloc(GMEM_FIXED, 16);
  EXPECT_EQ(Lock(h + 4), 0u) << "an address inside a block is not a handle";
  EXPECT_EQ(Free(h + 4), h + 4);
  EXPECT_EQ(Free(h), 0u);
  EXPECT_EQ(Alloc(GMEM_MODIFY, 4), 0u);
  EXPECT_EQ(Alloc(0x00010000, 4), 0u);
  const uint32_t moveable = Alloc(GHND, 8);
  ASSERT_NE(moveable, 0u);
  EXPECT_NE(Lock(moveable), 0u);
  EXPECT_EQ(Free(moveable), 0u);
}

TEST(GlobalMemory, AddressSpaceWrapsAroundLiveBlocksWithoutOverlap) {
  constexpr uint32_t kHuge = 0x40000000;  // zeroed lazily by the system: cheap
  const uint32_t keep = GlobalAlloc(GMEM_FIXED, 64);
  const int32_t mark = 0x600DF00D;
  BlockTable::Write(keep + 60, &mark, 4);
  uint32_t previous = keep;
  bool wrapped = false;
  for (int i = 0; i < 8 && !wrapped; ++i) {
    const uint32_t big = GlobalAlloc(GMEM_FIXED, kHuge);
    ASSERT_NE(big, 0u);
    wrapped = big < previous;
    previous = big;
    EXPECT_TRUE(uint64_t{big} + kHuge <= keep || big > uint64_t{keep} + 64) << std::hex << big;
    EXPECT_FALSE(BlockTable::Contains(big + kHuge, 1));
    EXPECT_EQ(GlobalFree(big), 0u);
  }
  EXPECT_TRUE(wrapped);
  int32_t back = 0;
  RtlMoveMemory(&back, keep + 60, 4);
  EXPECT_EQ(back, mark);
  EXPECT_EQ(GlobalAlloc(GMEM_FIXED, 0xFFFFFFFF), 0u) << "larger than any free range";
  GlobalFree(keep);
}

TEST(GlobalMemory, ZeroByteBlockHasAnAddressButNoBytes) {
  const uint32_t h = Alloc(GMEM_FIXED, 0);
  ASSERT_NE(h, 0u);
  EXPECT_TRUE(BlockTable::Contains(h, 0));
  EXPECT_FALSE(BlockTable::Contains(h, 1));
  EXPECT_EQ(Free(h), 0u);
}

TEST(GlobalMemory, TableStaysConsistentUnderConcurrentUse) {
  const size_t before = kernel32::LiveBlockCount();
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&failures, t] {
      for (int i = 0; i < 2000; ++i) {
        const uint32_t h = GlobalAlloc(GMEM_FIXED, 4);
        const int32_t mark = t * 100000 + i;
        BlockTable::Write(h, &mark, 4);
        int32_t back = 0;
        RtlMoveMemory(&back, h, 4);
        if (back != mark || GlobalFree(h) != 0) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(kernel32::LiveBlockCount(), before);
}

}  // namespace
