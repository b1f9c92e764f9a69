#pragma once
// What the demo program's file carries: its version record.
#include <vector>

#include "runtime/com/resource_file.h"
#include "runtime/com/version_record.h"

namespace make_resources {

const com::VersionRecord& DemoVersionRecord();
std::vector<com::Resource> DemoResources();

}  // namespace make_resources
