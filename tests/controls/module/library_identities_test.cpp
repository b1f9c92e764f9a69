// Identities and registration facts of the control library. The library's
// types and members are pinned by what the module carries (see
// library_resources_test.cpp and library_inspect_module.txt).
#include <gtest/gtest.h>

#include <set>

#include "controls/module/library/identities.h"

namespace {

using namespace com;

TEST(LibraryIdentities, IdentitiesAreDistinctAndRegistrationFactsFixed) {
  const std::set<GUID> all = {dialfen::LIBID_Dialfen,     dialfen::CLSID_KvDispVU,  dialfen::CLSID_KvQmxFasTmr,
                              dialfen::IID__KvDispVU,     dialfen::DIID___KvDispVU, dialfen::IID__KvQmxFasTmr,
                              dialfen::DIID___KvQmxFasTmr};
  EXPECT_EQ(7u, all.size());
  EXPECT_EQ(0u, all.count(GUID_NULL));
  EXPECT_EQ("{14992C75-C53D-44A8-B97A-BFDC10552B86}", dialfen::LIBID_Dialfen.ToString());
  EXPECT_EQ(std::string("Dialfen.") + dialfen::kClassName_KvDispVU, dialfen::kProgID_KvDispVU);
  EXPECT_EQ(std::string("Dialfen.") + dialfen::kClassName_KvQmxFasTmr, dialfen::kProgID_KvQmxFasTmr);
  EXPECT_STREQ("KvQmxTmr.ocx", dialfen::kModuleFileName);
  // OLEMISC: recompose-on-resize, can't-link-inside, inside-out, activate-when-visible,
  // set-client-site-first; the timer is also invisible at run time.
  EXPECT_EQ(0x1u | 0x10u | 0x80u | 0x100u | 0x20000u, dialfen::kMiscStatus_KvDispVU);
  EXPECT_EQ(dialfen::kMiscStatus_KvDispVU | 0x400u, dialfen::kMiscStatus_KvQmxFasTmr);
  EXPECT_EQ(30000, dialfen::kToolboxBitmap_KvQmxFasTmr);
  EXPECT_EQ(30001, dialfen::kToolboxBitmap_KvDispVU);
}

}  // namespace
