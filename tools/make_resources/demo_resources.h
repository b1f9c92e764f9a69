#pragma once
// What the demo program's file carries: its version record.
#include <vector>

#include "runtime/formats/resource_file.h"
#include "runtime/formats/version_record.h"

namespace make_resources {

const com::VersionRecord& DemoVersionRecord();
std::vector<com::Resource> DemoResources();

}  // namespace make_resources
