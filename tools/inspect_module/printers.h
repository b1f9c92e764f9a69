#pragma once
// Text renderings of what a module carries, one line per fact, so a reader
// (or a test) can check every type, member, DISPID, flag and help string.
#include <ostream>

#include "runtime/formats/typelib_reader.h"
#include "runtime/formats/version_record.h"

namespace inspect {

void PrintTypeLibrary(std::ostream& out, const com::TypeLibrary& library);
void PrintVersionRecord(std::ostream& out, const com::VersionRecord& record);

}  // namespace inspect
