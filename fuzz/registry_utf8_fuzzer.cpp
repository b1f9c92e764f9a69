// The registry file as UTF-8 (or ASCII) text; a UTF-16 file is the other target's.
#include "fuzz/registry_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::RegistryRoundTrip(std::string(fuzz::Text(data, size)));
  return 0;
}
