#pragma once
// The kernel's memory-block and sleep calls, as controls bind them from
// "kernel32" through platform::Declared. Records exchanged with the mixer carry
// block addresses in 32-bit fields, so the blocks live in a 32-bit address
// space of their own (see block_table.h); a GlobalLock address is a number in
// that space, not a process pointer.
#include "runtime/platform/export.h"
#include <cstdint>

// Allocation flags, by their published names and values. Blocks never move, so
// a moveable block behaves like a fixed one; every block starts zero-filled.
inline constexpr uint32_t GMEM_FIXED = 0x0000;
inline constexpr uint32_t GMEM_MOVEABLE = 0x0002;
inline constexpr uint32_t GMEM_NOCOMPACT = 0x0010;
inline constexpr uint32_t GMEM_NODISCARD = 0x0020;
inline constexpr uint32_t GMEM_ZEROINIT = 0x0040;
inline constexpr uint32_t GMEM_MODIFY = 0x0080;
inline constexpr uint32_t GMEM_DISCARDABLE = 0x0100;
inline constexpr uint32_t GMEM_NOT_BANKED = 0x1000;
inline constexpr uint32_t GMEM_SHARE = 0x2000;
inline constexpr uint32_t GMEM_DDESHARE = 0x2000;
inline constexpr uint32_t GMEM_NOTIFY = 0x4000;
inline constexpr uint32_t GMEM_LOWER = GMEM_NOT_BANKED;
inline constexpr uint32_t GMEM_VALID_FLAGS = 0x7F72;
inline constexpr uint32_t GMEM_INVALID_HANDLE = 0x8000;
inline constexpr uint32_t GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
inline constexpr uint32_t GPTR = GMEM_FIXED | GMEM_ZEROINIT;

inline constexpr uint32_t INFINITE = 0xFFFFFFFF;

// Returns the block's handle (for these blocks also its address), 0 when the
// flags hold bits outside GMEM_VALID_FLAGS or GMEM_MODIFY, or memory is short.
KVQMXTMR_EXPORT uint32_t GlobalAlloc(uint32_t flags, uint32_t bytes);
// The block's 32-bit address; 0 for a handle that names no live block.
KVQMXTMR_EXPORT uint32_t GlobalLock(uint32_t handle);
// 0 on success (and for handle 0); the handle itself when it names no live block.
KVQMXTMR_EXPORT uint32_t GlobalFree(uint32_t handle);
// Copies `length` bytes from the block address `source` into `destination`.
// Throws platform::Error when the range does not lie inside one live block,
// when `length` is negative, or when `destination` is null; copies nothing then.
KVQMXTMR_EXPORT void RtlMoveMemory(void* destination, uint32_t source, int32_t length);
// Blocks the calling thread without handling window messages, for
// kernel32::PauseMilliseconds(milliseconds); 0 gives up the rest of the time
// slice.
KVQMXTMR_EXPORT void Sleep(int32_t milliseconds);

namespace kernel32 {

// The pause a signed millisecond count stands for. The platform's Sleep reads
// its count as unsigned, where every negative value is a wait of about 49 days
// or, for -1 (INFINITE), forever, with the thread blocked and its windows
// dead; a negative count therefore pauses 0. Callers that pass a count they
// did not choose through the "kernel32" export, whatever stands behind it,
// apply this first.
constexpr int32_t PauseMilliseconds(int32_t milliseconds) { return milliseconds < 0 ? 0 : milliseconds; }

}  // namespace kernel32
