#include "runtime/platform/exports.h"
#include "runtime/winmm/mmsystem.h"

namespace {

// Published when the runtime library loads, before any caller can bind.
[[maybe_unused]] const bool published = [] {
  platform::Publish("winmm.dll", "mixerOpen", &mixerOpen);
  platform::Publish("winmm.dll", "mixerClose", &mixerClose);
  platform::Publish("winmm.dll", "mixerGetLineInfoA", &mixerGetLineInfoA);
  platform::Publish("winmm.dll", "mixerGetLineControlsA", &mixerGetLineControlsA);
  platform::Publish("winmm.dll", "mixerGetControlDetailsA", &mixerGetControlDetailsA);
  return true;
}();

}  // namespace
