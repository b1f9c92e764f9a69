#include <string>

#include "runtime/kernel32/block_table.h"
#include "runtime/kernel32/kernel32.h"
#include "runtime/platform/error.h"

// Blocks never move, so a block's handle and its address are one number; a
// moveable block is simply a fixed one that GlobalLock also accepts.

uint32_t GlobalAlloc(uint32_t flags, uint32_t bytes) {
  if ((flags & ~GMEM_VALID_FLAGS) != 0) return 0;
  return kernel32::BlockTable::Allocate(bytes);
}

uint32_t GlobalLock(uint32_t handle) {
  return kernel32::BlockTable::IsBlockStart(handle) ? handle : 0;
}

uint32_t GlobalFree(uint32_t handle) {
  if (handle == 0) return 0;
  return kernel32::BlockTable::Free(handle) ? 0 : handle;
}

void RtlMoveMemory(void* destination, uint32_t source, int32_t length) {
  if (length < 0)
    throw platform::Error(platform::kErrorInvalidArgument,
                          "Invalid length for a memory copy: " + std::to_string(length));
  if (length == 0) return;
  if (destination == nullptr)
    throw platform::Error(platform::kErrorInvalidAddress, "Invalid memory access: no destination");
  kernel32::BlockTable::Read(source, destination, static_cast<uint32_t>(length));
}
