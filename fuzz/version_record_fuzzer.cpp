// A module's version record (the RT_VERSION resource).
#include "fuzz/fuzz_support.h"
#include "runtime/formats/version_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  com::VersionRecord record;
  if (fuzz::Refused([&] { record = com::ReadVersionRecord(fuzz::Bytes(data, size)); })) return 0;
  std::vector<uint8_t> written;
  if (fuzz::Refused([&] { written = com::WriteVersionRecord(record); })) return 0;
  const com::VersionRecord again = com::ReadVersionRecord(written);
  if (com::WriteVersionRecord(again) != written) fuzz::RoundTripBroken("the version record");
  return 0;
}
