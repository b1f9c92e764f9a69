// A component module for the tests: what a real module does, with classes
// small enough to reason about.
#include "runtime/com/control_object.h"
#include "runtime/com/module_exports.h"
#include "tests/runtime/com/counter.h"
#include "tests/runtime/com/tally.h"

namespace comtest {

std::vector<std::string>& Journal() {
  static std::vector<std::string> journal;
  return journal;
}

namespace {

com::DispatchMap<Counter> CounterMap() {
  return com::DispatchMap<Counter>(Library(), "_Counter")
      .Property(kValue, &Counter::Value, &Counter::SetValue)
      .Property(kStep, &Counter::Step, &Counter::SetStep)
      .Method(kFire, &Counter::Fire);
}

}  // namespace

const com::ProjectDescriptor& Project() {
  static const com::ProjectDescriptor project = [] {
    com::ProjectDescriptor p;
    p.library = &Library();
    p.libraryId = kLibId;
    p.majorVersion = 12;
    p.minorVersion = 0;
    p.moduleFileName = "ComTest.ocx";
    com::ClassDescriptor tally;
    tally.clsid = kCLSID_Tally;
    tally.className = "Tally";
    tally.progId = "ComTest.Tally";
    tally.defaultInterface = kIID_Tally;
    tally.create = [](com::ModuleUsage usage) -> com::IUnknown* {
      return static_cast<com::IDispatch*>(new TallyObject(std::move(usage)));
    };
    p.classes.push_back(std::move(tally));
    p.classes.push_back(com::ControlClass<Counter>(
        {.library = &Library(), .className = "Counter", .progId = "ComTest.Counter", .miscStatus = 0x00020191, .toolboxBitmap = 30001},
        CounterMap()));
    p.classes.push_back(com::ControlClass<Counter>({.library = &Library(),
                                                    .className = "HiddenCounter",
                                                    .progId = "ComTest.Hidden",
                                                    .miscStatus = 0x00020591,
                                                    .toolboxBitmap = 30000},
                                                   CounterMap()));
    return p;
  }();
  return project;
}

}  // namespace comtest

COM_MODULE_EXPORTS(comtest::Project)

// The journal, for the tests that drive the module from outside.
COM_MODULE_EXPORT std::vector<std::string>* ComTestJournal() { return &comtest::Journal(); }
