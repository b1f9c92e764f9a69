#pragma once
// The control library "Dialfen" as data: the type library, the dispatch tables
// of both controls and the hosts' view of them all come from this one value.
#include "runtime/formats/type_description.h"

namespace dialfen {

const com::LibraryDescription& Library();

}  // namespace dialfen
