#pragma once
// The module's two control classes, each with its late-bound members bound
// to the control's accessors by the DISPIDs of the library description, and
// its dual vtable reaching the same accessors.
#include "runtime/com/module.h"

namespace dialfen {

com::ClassDescriptor KvQmxFasTmrClass();
com::ClassDescriptor KvDispVUClass();

}  // namespace dialfen
