#include "runtime/platform/stack_space.h"

#include <pthread.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "runtime/platform/error.h"

#if defined(__SANITIZE_ADDRESS__)
#define KV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ADDRESS_SANITIZER 1
#endif
#endif

namespace platform {
namespace {

struct Stack {
  uintptr_t low = 0;  // the stack grows down towards this address
  size_t size = 0;    // 0: unknown, nothing is checked
};

Stack ThisThreadsStack() {
  Stack stack;
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return stack;
  void* low = nullptr;
  size_t size = 0;
  if (pthread_attr_getstack(&attributes, &low, &size) == 0) stack = {reinterpret_cast<uintptr_t>(low), size};
  pthread_attr_destroy(&attributes);
  return stack;
}

// What one more level may take before it checks again: a handler, the
// window system's event dispatch and a repaint beneath it, and the
// unwinding of the error. The address sanitizer's frames are several times
// larger.
#if defined(KV_ADDRESS_SANITIZER)
constexpr size_t kReserve = size_t{3} << 20;
#else
constexpr size_t kReserve = size_t{1} << 20;
#endif

}  // namespace

void RequireStackSpace() {
  thread_local const Stack stack = ThisThreadsStack();
  if (stack.size == 0) return;
  const auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  // Somewhere else (a signal stack, say): no measure to go by.
  if (here < stack.low || here - stack.low > stack.size) return;
  if (here - stack.low < std::min(kReserve, stack.size / 2))
    throw Error(kErrorOutOfStackSpace, "Out of stack space");
}

}  // namespace platform
