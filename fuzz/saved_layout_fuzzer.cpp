// The demo's saved window layout (one property bag per control).
#include "demo/saved_layout.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  whorlix::SavedLayout layout;
  if (fuzz::Refused([&] { layout = whorlix::SavedLayout::Parse(fuzz::Text(data, size), "fuzz.layout"); })) return 0;
  // The demo asks for its two controls by name.
  for (const char* control : {"KvQmxFasTmr1", "KvDispVU1"})
    if (layout.Has(control)) (void)layout.Bag(control);
  return 0;
}
