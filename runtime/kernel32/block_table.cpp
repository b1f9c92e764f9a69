#include "runtime/kernel32/block_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "runtime/platform/error.h"

namespace kernel32 {
namespace {

// The low 64 KiB stay unused, so small integers that reach a block address
// field by mistake (a handle, a count) never name a block.
constexpr uint64_t kFirstAddress = 0x00010000;
constexpr uint64_t kEndOfSpace = 0xFFFF0000;
constexpr uint64_t kAlignment = 16;
// Unused space after every block, so that an access one past the end of a
// block is refused rather than reaching into the next one.
constexpr uint64_t kGap = 16;

uint64_t Footprint(uint32_t bytes) {
  const uint64_t span = bytes == 0 ? 1 : bytes;  // a zero-byte block still owns its address
  return (span + kGap + kAlignment - 1) / kAlignment * kAlignment;
}

// calloc: large blocks come zeroed from the system without being touched.
struct FreeBytes {
  void operator()(uint8_t* p) const { std::free(p); }
};
using Bytes = std::unique_ptr<uint8_t, FreeBytes>;

struct Block {
  uint32_t size = 0;
  Bytes data;
};

class Table {
 public:
  uint32_t Allocate(uint32_t bytes) {
    Bytes data(static_cast<uint8_t*>(std::calloc(bytes == 0 ? 1 : bytes, 1)));
    if (!data) return 0;
    std::lock_guard guard(lock_);
    const uint64_t footprint = Footprint(bytes);
    uint64_t address = FindFree(cursor_, kEndOfSpace, footprint);
    if (address == 0) address = FindFree(kFirstAddress, kEndOfSpace, footprint);  // wrap once
    if (address == 0) return 0;
    cursor_ = address + footprint;
    blocks_.emplace(static_cast<uint32_t>(address), Block{bytes, std::move(data)});
    return static_cast<uint32_t>(address);
  }

  bool Free(uint32_t address) {
    Bytes released;  // freed after the lock is dropped
    std::lock_guard guard(lock_);
    auto it = blocks_.find(address);
    if (it == blocks_.end()) return false;
    released = std::move(it->second.data);
    blocks_.erase(it);
    return true;
  }

  uint32_t SizeOf(uint32_t address) {
    std::lock_guard guard(lock_);
    auto it = blocks_.find(address);
    return it == blocks_.end() ? 0 : it->second.size;
  }

  bool IsStart(uint32_t address) {
    std::lock_guard guard(lock_);
    return blocks_.count(address) != 0;
  }

  size_t Count() {
    std::lock_guard guard(lock_);
    return blocks_.size();
  }

  // Runs `use(pointer)` under the lock when [address, address + length) lies in
  // one live block; returns false otherwise.
  template <typename Use>
  bool WithRange(uint32_t address, uint32_t length, Use&& use) {
    std::lock_guard guard(lock_);
    uint8_t* p = Find(address, length);
    if (p == nullptr) return false;
    use(p);
    return true;
  }

 private:
  uint8_t* Find(uint32_t address, uint32_t length) {
    auto it = blocks_.upper_bound(address);
    if (it == blocks_.begin()) return nullptr;
    --it;
    const uint64_t offset = uint64_t{address} - it->first;
    const uint64_t size = it->second.size;
    // A zero-length range may sit at the very end; anything longer must fit.
    if (offset > size || offset + length > size) return nullptr;
    if (size == 0 && length != 0) return nullptr;
    return it->second.data.get() + offset;
  }

  // First aligned address in [from, end) where `footprint` bytes touch no live
  // block; 0 when there is none.
  uint64_t FindFree(uint64_t from, uint64_t end, uint64_t footprint) const {
    uint64_t candidate = (from + kAlignment - 1) / kAlignment * kAlignment;
    auto it = blocks_.upper_bound(static_cast<uint32_t>(candidate > UINT32_MAX ? UINT32_MAX : candidate));
    if (it != blocks_.begin()) {
      auto before = std::prev(it);
      const uint64_t beforeEnd = uint64_t{before->first} + Footprint(before->second.size);
      if (beforeEnd > candidate) candidate = beforeEnd;
    }
    for (;; ++it) {
      if (candidate + footprint > end) return 0;
      if (it == blocks_.end() || candidate + footprint <= it->first) return candidate;
      candidate = uint64_t{it->first} + Footprint(it->second.size);
    }
  }

  std::mutex lock_;
  std::map<uint32_t, Block> blocks_;
  uint64_t cursor_ = kFirstAddress;
};

Table& TheTable() {
  // Never destroyed: blocks may still be freed by static destructors of other
  // libraries at exit.
  static Table* table = new Table;
  return *table;
}

[[noreturn]] void Refuse(uint32_t address, uint32_t length) {
  char text[96];
  std::snprintf(text, sizeof text, "Invalid memory access: %u bytes at block address 0x%08X", length,
                address);
  throw platform::Error(platform::kErrorInvalidAddress, text);
}

}  // namespace

uint8_t* BlockTable::Resolve(uint32_t address, uint32_t length) {
  uint8_t* found = nullptr;
  if (!TheTable().WithRange(address, length, [&](uint8_t* p) { found = p; })) Refuse(address, length);
  return found;
}

void BlockTable::Read(uint32_t address, void* destination, uint32_t length) {
  if (!TheTable().WithRange(address, length,
                            [&](uint8_t* p) { std::memmove(destination, p, length); }))
    Refuse(address, length);
}

void BlockTable::Write(uint32_t address, const void* source, uint32_t length) {
  if (!TheTable().WithRange(address, length, [&](uint8_t* p) { std::memmove(p, source, length); }))
    Refuse(address, length);
}

bool BlockTable::Contains(uint32_t address, uint32_t length) {
  return TheTable().WithRange(address, length, [](uint8_t*) {});
}

uint32_t BlockTable::Allocate(uint32_t bytes) { return TheTable().Allocate(bytes); }
bool BlockTable::Free(uint32_t address) { return TheTable().Free(address); }
bool BlockTable::IsBlockStart(uint32_t address) { return TheTable().IsStart(address); }
uint32_t BlockTable::SizeOf(uint32_t address) { return TheTable().SizeOf(address); }
size_t BlockTable::LiveCount() { return TheTable().Count(); }

}  // namespace kernel32
