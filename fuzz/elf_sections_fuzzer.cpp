// The section headers of an ELF module, where resources are looked for.
#include "fuzz/fuzz_support.h"
#include "runtime/formats/elf_sections.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<com::elf::Section> sections;
  if (fuzz::Refused([&] { sections = com::elf::ReadSections(fuzz::Bytes(data, size)); })) return 0;
  // Every section but the reserved first one lies inside the file.
  for (size_t i = 1; i < sections.size(); ++i) {
    const auto& s = sections[i];
    if (s.type != com::elf::kSectionNoBits && (s.offset > size || s.size > size - s.offset)) std::abort();
  }
  return 0;
}
