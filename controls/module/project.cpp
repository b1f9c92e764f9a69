#include "controls/module/project.h"

#include "controls/module/control_classes.h"
#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"

namespace dialfen {

const com::ProjectDescriptor& Project() {
  static const com::ProjectDescriptor project = [] {
    com::ProjectDescriptor p;
    p.library = &Library();
    p.libraryId = LIBID_Dialfen;
    p.majorVersion = kLibraryMajorVersion;
    p.minorVersion = kLibraryMinorVersion;
    // Registration files what the module really carries, so a stale or
    // missing type library shows at registration rather than in a host.
    p.typeLibraryResource = 1;
    p.moduleFileName = kModuleFileName;
    // Registration order.
    p.classes.push_back(KvQmxFasTmrClass());
    p.classes.push_back(KvDispVUClass());
    return p;
  }();
  return project;
}

}  // namespace dialfen
