// kvqmxtmr-inspect FILE
//     Lists the resources of a module (or a .res file) and prints its type
//     library and version record. A bare type library (.tlb) is printed too.
// kvqmxtmr-inspect FILE --resource TYPE NAME --out OUT [--language N]
//     Writes one resource's raw bytes to OUT. TYPE and NAME are numbers
//     ("16" or "#16") or names ("TYPELIB").
// kvqmxtmr-inspect --help | --version
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "runtime/formats/elf_sections.h"
#include "runtime/formats/resource_file.h"
#include "runtime/formats/resource_module.h"
#include "runtime/formats/typelib_format.h"
#include "runtime/formats/typelib_reader.h"
#include "runtime/formats/version_record.h"
#include "runtime/platform/error.h"
#include "tools/inspect_module/printers.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw platform::Error(platform::kErrorFileNotFound, "cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool StartsWith(const std::vector<uint8_t>& b, std::initializer_list<uint8_t> prefix) {
  return b.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), b.begin());
}

std::vector<com::Resource> ResourcesOf(const std::string& path, const std::vector<uint8_t>& head) {
  if (StartsWith(head, {0x7F, 'E', 'L', 'F'})) return com::ReadModuleResources(path);
  return com::ReadResourceFile(ReadFile(path));
}

std::string LanguageText(uint16_t language) { return std::to_string(language); }

// One section per resource kind that is understood; damage in one part is
// reported and the rest still printed.
int PrintAll(const std::string& path) {
  const auto head = ReadFile(path);
  if (StartsWith(head, {'M', 'S', 'F', 'T'})) {
    inspect::PrintTypeLibrary(std::cout, com::TypeLibrary::Read(head));
    return 0;
  }
  const auto resources = ResourcesOf(path, head);
  std::cout << "file " << path << "\n";
  std::cout << "resources " << resources.size() << "\n";
  for (const auto& r : resources)
    std::cout << "  " << r.type.ToString() << " " << r.name.ToString() << "  language " << LanguageText(r.language)
              << "  " << r.data.size() << " bytes\n";
  int status = 0;
  for (const auto& r : resources) {
    const bool typelib = r.type == com::ResourceId("TYPELIB");
    const bool version = r.type == com::ResourceId(com::RT_VERSION);
    if (!typelib && !version) continue;
    std::cout << (typelib ? "type library " : "version record ") << r.type.ToString() << " " << r.name.ToString()
              << "  language " << LanguageText(r.language) << "\n";
    try {
      if (typelib)
        inspect::PrintTypeLibrary(std::cout, com::TypeLibrary::Read(r.data));
      else
        inspect::PrintVersionRecord(std::cout, com::ReadVersionRecord(r.data));
    } catch (const std::exception& e) {
      std::cout << "  unreadable: " << e.what() << "\n";
      status = 1;
    }
  }
  return status;
}

int Extract(const std::string& path, const std::string& type, const std::string& name, const std::string& outPath,
            std::optional<uint16_t> language) {
  const auto head = ReadFile(path);
  const auto resources = ResourcesOf(path, head);
  const com::Resource* r =
      com::FindResourceIn(resources, com::ResourceId::Parse(type), com::ResourceId::Parse(name), language);
  if (!r) {
    std::fprintf(stderr, "kvqmxtmr-inspect: %s has no resource %s %s\n", path.c_str(), type.c_str(), name.c_str());
    return 1;
  }
  std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(r->data.data()), static_cast<std::streamsize>(r->data.size()));
  if (!out) {
    std::fprintf(stderr, "kvqmxtmr-inspect: cannot write %s\n", outPath.c_str());
    return 1;
  }
  return 0;
}

int Usage(FILE* to = stderr, int status = 2) {
  std::fprintf(to,
               "usage: kvqmxtmr-inspect FILE\n"
               "       kvqmxtmr-inspect FILE --resource TYPE NAME --out OUT [--language N]\n"
               "       kvqmxtmr-inspect --help | --version\n"
               "FILE is a module (KvQmxTmr.ocx, a program), a resource file (.res) or a type\n"
               "library (.tlb). The first form lists its resources and prints its type library\n"
               "and version record; the second writes one resource's bytes to OUT. TYPE and\n"
               "NAME are numbers (16 or #16) or names (TYPELIB). See kvqmxtmr-inspect(1).\n");
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--help") return Usage(stdout, 0);
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("kvqmxtmr-inspect %s\n", KV_VERSION);
    return 0;
  }
  try {
    if (args.size() == 1) return PrintAll(args[0]);
    if ((args.size() == 6 || args.size() == 8) && args[1] == "--resource" && args[4] == "--out") {
      std::optional<uint16_t> language;
      if (args.size() == 8) {
        if (args[6] != "--language") return Usage();
        language = static_cast<uint16_t>(std::stoul(args[7]));
      }
      return Extract(args[0], args[2], args[3], args[5], language);
    }
    return Usage();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kvqmxtmr-inspect: %s\n", e.what());
    return 1;
  }
}
