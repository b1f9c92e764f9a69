// The built program carries its own version record.
#include <gtest/gtest.h>

#include <cstdlib>

#include "runtime/formats/resource_module.h"
#include "runtime/formats/version_record.h"

namespace {

TEST(WhorlixFile, CarriesItsVersionRecord) {
  const std::string program = std::string(std::getenv("KV_BINARY_DIR")) + "/bin/Whorlix";
  const auto found = com::FindResource(program, com::RT_VERSION, uint16_t{1}, uint16_t{1033});
  ASSERT_TRUE(found.has_value());
  const std::vector<uint8_t> bytes = com::LoadResource(*found);
  const com::VersionRecord record = com::ReadVersionRecord(bytes);
  EXPECT_EQ(record.fixed.fileType, com::VFT_APP);
  EXPECT_EQ(record.fixed.fileVersionMS, com::VersionFixedInfo::High(1, 0));
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"CompanyName", "Brenvale"}, {"ProductName", "Whorlix"}, {"FileVersion", "1.00"},
           {"InternalName", "Whorlix"}, {"OriginalFilename", "Whorlix.exe"}}) {
    const std::string* found_value = record.Find("040904B0", key);
    ASSERT_NE(found_value, nullptr) << key;
    EXPECT_EQ(*found_value, value) << key;
  }
}

}  // namespace
