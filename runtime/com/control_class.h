#pragma once
// Packaging a forms::UserControl subclass as a creatable control class of a
// module, declaratively:
//
//   com::ControlClass<Timer>({.library = &Library(), .className = "Timer",
//                             .progId = "Lib.Timer", .miscStatus = 0x20591,
//                             .toolboxBitmap = 30000},
//                            com::DispatchMap<Timer>(Library(), "_Timer")
//                                .Property(0x68030000, &Timer::Delay, &Timer::SetDelay));
//
// The class identity and its default and source interfaces come from the
// coclass of that name in the library description, so the registration, the
// dispatch table and the type library cannot disagree.
#include <string>

#include "runtime/com/dispatch_map.h"
#include "runtime/com/module.h"
#include "runtime/formats/type_description.h"

namespace com {

struct ControlClassInfo {
  const LibraryDescription* library = nullptr;
  std::string className;  // the coclass in `library`
  std::string progId;     // empty: "<library name>.<class name>"
  uint32_t miscStatus = 0;
  int toolboxBitmap = 0;
};

struct NoDualInterface;

// Defined in control_object.h. `Dual`, when given, is the tear-off that
// answers the default interface's vtable (dual_interface.h).
template <class Control, class Dual = NoDualInterface>
ClassDescriptor ControlClass(const ControlClassInfo& info, DispatchMap<Control> map);

}  // namespace com
