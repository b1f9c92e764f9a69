#pragma once
// The module's project descriptor: what its exports hand to the runtime's
// module services.
#include "runtime/com/module.h"

namespace dialfen {

const com::ProjectDescriptor& Project();

}  // namespace dialfen
