#pragma once
// The process-wide table of memory blocks behind GlobalAlloc. Each block owns a
// range of a private 32-bit address space; every access through such an
// address is checked against the table, so a stale, foreign or overlong address
// is refused instead of reading or writing wild memory.
//
// Addresses are never 0, are 16-byte aligned, are separated by an unused gap
// (an access running one byte past a block does not land in its neighbour),
// and are handed out in increasing order, wrapping only after the whole space
// has been used once: an address freed a moment ago names nothing for a long
// time instead of aliasing a newer block.
#include "runtime/platform/export.h"
#include <cstddef>
#include <cstdint>

namespace kernel32 {

class KVQMXTMR_EXPORT BlockTable {
 public:
  // The block that holds [address, address + length); length 0 asks only that
  // the address lies inside (or at the start of) a live block. The pointer is
  // valid until that block is freed; code that may race with a free on another
  // thread uses Read/Write, which copy under the table's lock.
  // Throws platform::Error(kErrorInvalidAddress) when no single live block
  // holds the range.
  static uint8_t* Resolve(uint32_t address, uint32_t length);

  // Copies between a block range and process memory; the range is checked as
  // in Resolve and nothing is copied when it is refused.
  static void Read(uint32_t address, void* destination, uint32_t length);
  static void Write(uint32_t address, const void* source, uint32_t length);

  // Non-throwing check, for callers that report failure through result codes.
  static bool Contains(uint32_t address, uint32_t length);

  // Returns the new block's address, or 0 when memory or address space is short.
  static uint32_t Allocate(uint32_t bytes);
  // False when `address` is not the start of a live block.
  static bool Free(uint32_t address);
  // True when `address` is the start of a live block.
  static bool IsBlockStart(uint32_t address);
  // Size of the live block starting at `address`, or 0 when there is none.
  static uint32_t SizeOf(uint32_t address);

  static size_t LiveCount();
};

// Number of blocks allocated and not yet freed, process-wide.
inline size_t LiveBlockCount() { return BlockTable::LiveCount(); }

}  // namespace kernel32
