#pragma once
// The registry text, read, written and read again: the second writing must
// give the same bytes as the first.
#include <string>

#include "fuzz/fuzz_support.h"
#include "runtime/registry/registry.h"

namespace fuzz {

inline void RegistryRoundTrip(const std::string& bytes) {
  com::RegistryData data;
  if (Refused([&] { data = com::RegistryData::Parse(bytes, "fuzz.reg"); })) return;
  const std::string first = data.Serialize();
  const std::string second = com::RegistryData::Parse(first, "written.reg").Serialize();
  if (first != second) RoundTripBroken("the registry");
}

}  // namespace fuzz
