// A binary type library, read and then used as hosts use it; one that can be
// described again is written, and must read back to the same description.
#include "fuzz/fuzz_support.h"
#include "runtime/com/typelib_reader.h"
#include "runtime/com/typelib_writer.h"

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
  if (com::TypeLibrary::Read(written).Describe() != description) fuzz::RoundTripBroken("the type library");
  return 0;
}
