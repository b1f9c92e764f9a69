// The registry file as written, UTF-16LE: the input is the text after the
// byte-order mark.
#include "fuzz/registry_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::RegistryRoundTrip("\xFF\xFE" + std::string(fuzz::Text(data, size)));
  return 0;
}
