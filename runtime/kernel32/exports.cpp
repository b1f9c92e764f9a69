#include "runtime/kernel32/kernel32.h"
#include "runtime/platform/exports.h"

namespace {

// Published when the runtime library loads, before any caller can bind.
[[maybe_unused]] const bool published = [] {
  platform::Publish("kernel32", "GlobalAlloc", &GlobalAlloc);
  platform::Publish("kernel32", "GlobalLock", &GlobalLock);
  platform::Publish("kernel32", "GlobalFree", &GlobalFree);
  platform::Publish("kernel32", "RtlMoveMemory", &RtlMoveMemory);
  platform::Publish("kernel32", "Sleep", &Sleep);
  return true;
}();

}  // namespace
