// A component module for the tests: what a real module does, with classes
// small enough to reason about.
#include "runtime/com/module_exports.h"
#include "tests/runtime/com/tally.h"

namespace comtest {

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
    return p;
  }();
  return project;
}

}  // namespace comtest

COM_MODULE_EXPORTS(comtest::Project)
