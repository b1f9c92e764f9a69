// A control's saved property bag in its text form, which round-trips exactly.
#include "fuzz/fuzz_support.h"
#include "runtime/forms/property_bag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  forms::PropertyBag bag;
  if (fuzz::Refused([&] { bag = forms::PropertyBag::LoadText(fuzz::Text(data, size)); })) return 0;
  const std::string first = bag.SaveText();
  const forms::PropertyBag again = forms::PropertyBag::LoadText(first);
  if (again.SaveText() != first || again.Names() != bag.Names()) fuzz::RoundTripBroken("the property bag");
  return 0;
}
