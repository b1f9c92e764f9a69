#pragma once
// A class as its module holds it, and the module's count of live objects,
// class objects and server locks that each of them keeps while it lives.
// The module services (module.h) and the class objects (class_factory.h)
// both work from these.
#include "runtime/platform/export.h"
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "runtime/automation/guid.h"
#include "runtime/com/interfaces.h"

namespace com {

using ModuleWord = std::atomic<std::intptr_t>;

// One count on a module's second word for as long as it lives.
class KVQMXTMR_EXPORT ModuleUsage {
 public:
  ModuleUsage() = default;
  explicit ModuleUsage(ModuleWord* counter);
  ModuleUsage(const ModuleUsage& other) : ModuleUsage(other.counter_) {}
  ModuleUsage(ModuleUsage&& other) noexcept : counter_(other.counter_) { other.counter_ = nullptr; }
  ModuleUsage& operator=(ModuleUsage other) noexcept {
    std::swap(counter_, other.counter_);
    return *this;
  }
  ~ModuleUsage();

 private:
  ModuleWord* counter_ = nullptr;
};

struct ClassDescriptor {
  CLSID clsid;
  std::string className;
  std::string progId;
  IID defaultInterface;
  IID sourceInterface;  // GUID_NULL for a class without events
  bool control = false;
  uint32_t miscStatus = 0;  // OLEMISC bits
  int toolboxBitmap = 0;    // resource number; 0 for none
  std::string threadingModel = "Apartment";
  // A new object with one reference, keeping `usage` for its lifetime.
  // Throws platform::Error when it cannot be made.
  std::function<IUnknown*(ModuleUsage usage)> create;
};

}  // namespace com
