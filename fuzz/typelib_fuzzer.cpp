// A binary type library, read and then used as hosts use it; one that can be
// described again is written, and must read back to the same description.
// Names compare without regard to case: the format keeps one name table
// entry for all spellings of a name, so "QMXTIMER" the type and "QmxTimer"
// the event come back spelt alike.
#include <string>

#include "fuzz/fuzz_support.h"
#include "runtime/formats/typelib_reader.h"
#include "runtime/formats/typelib_writer.h"
#include "runtime/platform/ascii_case.h"

namespace {

void Fold(std::string& name) { name = platform::FoldedAscii(name); }

com::LibraryDescription Folded(com::LibraryDescription d) {
  Fold(d.name);
  for (auto& t : d.types) {
    Fold(t.name);
    for (auto& p : t.properties) {
      Fold(p.name);
      Fold(p.putParameterName);
    }
    for (auto& m : t.methods) Fold(m.name);
    for (auto& c : t.constants) Fold(c.name);
  }
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<com::TypeLibrary> lib;
  if (fuzz::Refused([&] { lib = com::TypeLibrary::Read(fuzz::Bytes(data, size)); })) return 0;
  for (size_t i = 0; i < lib->types().size(); ++i) {
    const com::TypeInfo view = lib->DispatchView(i);
    for (const auto& f : view.funcs) {
      (void)fuzz::Refused([&] { (void)lib->TypeName(f.returnType); });
      for (const auto& p : f.params) (void)fuzz::Refused([&] { (void)lib->TypeName(p.type); });
      (void)view.NameOfId(f.memid);
    }
    for (const auto& impl : view.implTypes) (void)fuzz::Refused([&] { (void)lib->ReferenceName(impl.href); });
    (void)lib->InterfaceTwin(i);
    (void)lib->Find(view.name);
  }
  com::LibraryDescription description;
  if (fuzz::Refused([&] { description = lib->Describe(); })) return 0;
  std::vector<uint8_t> written;
  if (fuzz::Refused([&] { written = com::WriteTypeLibrary(description); })) return 0;
  if (Folded(com::TypeLibrary::Read(written).Describe()) != Folded(description)) {
    fuzz::RoundTripBroken("the type library");
  }
  return 0;
}
