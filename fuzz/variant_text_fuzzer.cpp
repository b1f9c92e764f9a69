// Text converted to numbers and Booleans as automation converts it; a number
// read from text prints as text that reads back to the same print.
#include <cmath>
#include <string>

#include "fuzz/fuzz_support.h"
#include "runtime/automation/variant.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const com::Variant text = com::Variant::Str(std::string(fuzz::Text(data, size)));
  for (const com::VarType to : {com::VT_I2, com::VT_I4, com::VT_R4, com::VT_R8, com::VT_BOOL, com::VT_BSTR})
    (void)fuzz::Refused([&] { (void)text.ChangeType(to); });
  double value = 0;
  if (fuzz::Refused([&] { value = text.ToR8(); }) || !std::isfinite(value)) return 0;
  const std::string printed = com::Variant::R8(value).ToStr();
  if (com::Variant::R8(com::Variant::Str(printed).ToR8()).ToStr() != printed) fuzz::RoundTripBroken("a number");
  int32_t whole = 0;
  if (fuzz::Refused([&] { whole = text.ToI4(); })) return 0;
  if (com::Variant::Str(com::Variant::I4(whole).ToStr()).ToI4() != whole) fuzz::RoundTripBroken("a whole number");
  return 0;
}
