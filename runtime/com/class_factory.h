#pragma once
// The class object a module hands out for one of its classes.
#include "runtime/com/class_descriptor.h"

namespace com {

// A new class factory with one reference. It counts as a live object of its
// module, and its locks count on the module until they are undone.
IClassFactory* NewClassFactory(const ClassDescriptor& cls, ModuleWord* moduleCount);

}  // namespace com

namespace com {
// The module is going away: its lock bookkeeping goes with it.
void ForgetModuleLocks(ModuleWord* moduleCount);
}  // namespace com
