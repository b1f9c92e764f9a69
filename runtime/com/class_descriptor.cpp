#include "runtime/com/class_descriptor.h"

namespace com {

ModuleUsage::ModuleUsage(ModuleWord* counter) : counter_(counter) {
  if (counter_) ++*counter_;
}

ModuleUsage::~ModuleUsage() {
  if (counter_) --*counter_;
}

}  // namespace com
