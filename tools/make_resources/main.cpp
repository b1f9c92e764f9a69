// Writes the resource files the deliverables carry:
//   make_resources module OUT.res ASSETS_DIR   the control module's resources
//   make_resources demo OUT.res                the demo program's resources
//   make_resources typelib OUT.tlb             the control library's type library alone
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/module_resources.h"
#include "runtime/formats/resource_file.h"
#include "runtime/formats/typelib_writer.h"
#include "runtime/platform/error.h"
#include "tools/make_resources/bitmap_file.h"
#include "tools/make_resources/demo_resources.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw platform::Error(platform::kErrorFileNotFound, "cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw platform::Error(platform::kErrorFail, "cannot write " + temporary);
  }
  // Replace in one step so a build never sees half a file.
  if (std::rename(temporary.c_str(), path.c_str()) != 0)
    throw platform::Error(platform::kErrorFail, "cannot replace " + path);
}

int Usage() {
  std::fprintf(stderr,
               "usage: make_resources module OUT.res ASSETS_DIR\n"
               "       make_resources demo OUT.res\n"
               "       make_resources typelib OUT.tlb\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 3 && args[0] == "module") {
      const auto timer = make_resources::BitmapResourceFromFile(ReadFile(args[2] + "/toolbox_fasttimer.bmp"));
      const auto meter = make_resources::BitmapResourceFromFile(ReadFile(args[2] + "/toolbox_meter.bmp"));
      WriteFile(args[1], com::WriteResourceFile(dialfen::ModuleResources(timer, meter)));
    } else if (args.size() == 2 && args[0] == "demo") {
      WriteFile(args[1], com::WriteResourceFile(make_resources::DemoResources()));
    } else if (args.size() == 2 && args[0] == "typelib") {
      WriteFile(args[1], com::WriteTypeLibrary(dialfen::Library()));
    } else {
      return Usage();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_resources: %s\n", e.what());
    return 1;
  }
  return 0;
}
