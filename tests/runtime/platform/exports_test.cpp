#include "runtime/platform/exports.h"

#include <gtest/gtest.h>

namespace {

int32_t Twice(int32_t v) { return 2 * v; }
int32_t Thrice(int32_t v) { return 3 * v; }

TEST(Exports, BindsByLibraryAndNameIgnoringCaseAndSuffix) {
  platform::Publish("testlib.dll", "Scale", &Twice);
  platform::Declared<int32_t(int32_t)> scale{"TESTLIB", "Scale"};
  EXPECT_EQ(scale(21), 42);
}

TEST(Exports, ScopedReplacementIsSeenByAlreadyBoundCallersAndUndone) {
  platform::Publish("testlib", "Scale2", &Twice);
  platform::Declared<int32_t(int32_t)> scale{"testlib", "Scale2"};
  EXPECT_EQ(scale(5), 10);
  {
    platform::ScopedExport<int32_t(int32_t)> replaced("testlib.dll", "Scale2", &Thrice);
    EXPECT_EQ(scale(5), 15);
  }
  EXPECT_EQ(scale(5), 10);
}

TEST(Exports, MissingLibraryExportOrWrongSignatureRaiseErrors) {
  platform::Publish("testlib", "Scale3", &Twice);
  platform::Declared<int32_t(int32_t)> noLib{"nosuch.dll", "Scale3"};
  platform::Declared<int32_t(int32_t)> noFn{"testlib", "Missing"};
  platform::Declared<int32_t(int16_t)> wrong{"testlib", "Scale3"};
  try {
    noLib(1);
    FAIL();
  } catch (const platform::Error& e) {
    EXPECT_EQ(e.code(), platform::kErrorFileNotFound);
    EXPECT_NE(std::string(e.what()).find("nosuch.dll"), std::string::npos);
  }
  EXPECT_THROW(noFn(1), platform::Error);
  EXPECT_THROW(wrong(1), platform::Error);
}

}  // namespace
