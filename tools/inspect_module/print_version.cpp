#include <cstdio>
#include <string>

#include "tools/inspect_module/printers.h"

namespace inspect {
namespace {

std::string Hex(uint32_t v, int digits = 0) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
  return buf;
}

std::string Dotted(uint32_t ms, uint32_t ls) {
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
         std::to_string(ls & 0xFFFF);
}

const char* FileTypeName(uint32_t type) {
  switch (type) {
    case com::VFT_APP: return "application";
    case com::VFT_DLL: return "dynamic-link library";
    default: return "other";
  }
}

}  // namespace

void PrintVersionRecord(std::ostream& out, const com::VersionRecord& v) {
  const auto& f = v.fixed;
  out << "  signature " << Hex(f.signature, 8) << "  structure version " << Hex(f.strucVersion, 8) << "\n";
  out << "  file version " << Dotted(f.fileVersionMS, f.fileVersionLS) << "  product version "
      << Dotted(f.productVersionMS, f.productVersionLS) << "\n";
  out << "  flags mask " << Hex(f.fileFlagsMask) << "  flags " << Hex(f.fileFlags) << "  os " << Hex(f.fileOS)
      << (f.fileOS == com::VOS__WINDOWS32 ? " (32-bit Windows)" : "") << "  type " << Hex(f.fileType) << " ("
      << FileTypeName(f.fileType) << ")  subtype " << Hex(f.fileSubtype) << "\n";
  for (const auto& table : v.stringTables) {
    out << "  string table " << table.key << "\n";
    for (const auto& s : table.strings) out << "    " << s.key << " = \"" << s.value << "\"\n";
  }
  for (const auto& t : v.translations)
    out << "  translation " << Hex(t.language, 4) << " " << t.codePage << "\n";
}

}  // namespace inspect
