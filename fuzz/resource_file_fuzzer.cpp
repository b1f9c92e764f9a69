// A 32-bit resource file (.res): what is read and written once must be
// written the same way again.
#include "fuzz/fuzz_support.h"
#include "runtime/formats/resource_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<com::Resource> resources;
  if (fuzz::Refused([&] { resources = com::ReadResourceFile(fuzz::Bytes(data, size)); })) return 0;
  for (const auto& r : resources) (void)com::FindResourceIn(resources, r.type, r.name);
  std::vector<uint8_t> first;
  if (fuzz::Refused([&] { first = com::WriteResourceFile(resources); })) return 0;
  if (com::WriteResourceFile(com::ReadResourceFile(first)) != first) fuzz::RoundTripBroken("the resource file");
  return 0;
}
