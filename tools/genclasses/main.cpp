// kvqmxtmr-genclasses LIBRARY --header OUT.h --source OUT.cpp [--include NAME]
//     Writes typed Qt widget classes for the control classes of a type
//     library: LIBRARY is a control module carrying its type library as a
//     resource (KvQmxTmr.ocx) or a bare type library (.tlb). NAME is how the
//     source includes the header (default: the header's file name).
//     A file whose text would not change is left untouched.
// kvqmxtmr-genclasses --help | --version
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/formats/typelib_module.h"
#include "runtime/formats/typelib_reader.h"
#include "runtime/platform/error.h"
#include "tools/genclasses/class_model.h"
#include "tools/genclasses/write_classes.h"

namespace {

int Usage(FILE* out = stderr, int status = 2) {
  std::fprintf(out,
               "usage: kvqmxtmr-genclasses LIBRARY --header OUT.h --source OUT.cpp [--include NAME]\n"
               "       kvqmxtmr-genclasses --help | --version\n"
               "Writes a Qt widget class for each control class of the type library LIBRARY\n"
               "(a control module such as KvQmxTmr.ocx, or a .tlb file): its properties as\n"
               "Q_PROPERTY, its enumerations as Q_ENUM, its events as signals. NAME is how\n"
               "OUT.cpp includes OUT.h (default: the header's file name).\n");
  return status;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw platform::Error(platform::kErrorFileNotFound, "cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

com::TypeLibrary Load(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFile(path);
  if (bytes.size() >= 4 && bytes[0] == 'M' && bytes[1] == 'S' && bytes[2] == 'F' && bytes[3] == 'T')
    return com::TypeLibrary::Read(bytes);
  return com::LoadTypeLibraryFromModule(path);
}

void WriteIfChanged(const std::string& path, const std::string& text) {
  {
    std::ifstream in(path, std::ios::binary);
    if (in) {
      std::ostringstream old;
      old << in.rdbuf();
      if (old.str() == text) return;
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw platform::Error(platform::kErrorFail, "cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--help") return Usage(stdout, 0);
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("kvqmxtmr-genclasses %s\n", KV_VERSION);
    return 0;
  }
  if (args.size() != 5 && args.size() != 7) return Usage();
  std::string library = args[0], header, source, include;
  for (size_t i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == "--header")
      header = args[i + 1];
    else if (args[i] == "--source")
      source = args[i + 1];
    else if (args[i] == "--include")
      include = args[i + 1];
    else
      return Usage();
  }
  if (header.empty() || source.empty()) return Usage();
  if (include.empty()) include = header.substr(header.find_last_of('/') + 1);
  try {
    const genclasses::Library model = genclasses::Model(Load(library), library);
    for (const auto& line : model.skipped) std::fprintf(stderr, "kvqmxtmr-genclasses: left out %s\n", line.c_str());
    const genclasses::Output out = genclasses::Write(model, include);
    WriteIfChanged(header, out.header);
    WriteIfChanged(source, out.source);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kvqmxtmr-genclasses: %s: %s\n", library.c_str(), e.what());
    return 1;
  }
  return 0;
}
