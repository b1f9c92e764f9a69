// The control library's contract with its hosts: the seven types, their
// members and DISPIDs, and the identities, as hosts rely on them.
#include <gtest/gtest.h>

#include <set>

#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"
#include "runtime/com/variant.h"

namespace {

using namespace com;

constexpr uint16_t kDual = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                           TYPEFLAG_FDISPATCHABLE;
constexpr uint16_t kEvents = TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;

TEST(LibraryDescription, LibraryAttributes) {
  const auto& lib = dialfen::Library();
  EXPECT_EQ("Dialfen", lib.name);
  EXPECT_EQ(dialfen::LIBID_Dialfen, lib.guid);
  EXPECT_EQ("Brenvale Korvane Qmx VU Meter", lib.helpString);
  EXPECT_EQ("", lib.helpFile);
  EXPECT_EQ(12, lib.majorVersion);
  EXPECT_EQ(0, lib.minorVersion);
  EXPECT_EQ(0x409u, lib.lcid);
  EXPECT_EQ(SYS_WIN32, lib.syskind);
  EXPECT_EQ(LIBFLAG_FCONTROL, lib.flags);
}

TEST(LibraryDescription, SevenTypesInOrderWithKindsFlagsVersionsAndIdentities) {
  struct Expected {
    const char* name;
    TYPEKIND kind;
    uint16_t flags;
    GUID guid;
  };
  const Expected expected[] = {
      {"_KvDispVU", TKIND_DISPATCH, kDual, dialfen::IID__KvDispVU},
      {"KvDispVU", TKIND_COCLASS, TYPEFLAG_FCONTROL, dialfen::CLSID_KvDispVU},
      {"_KvQmxFasTmr", TKIND_DISPATCH, kDual, dialfen::IID__KvQmxFasTmr},
      {"KvQmxFasTmr", TKIND_COCLASS, TYPEFLAG_FCONTROL, dialfen::CLSID_KvQmxFasTmr},
      {"__KvDispVU", TKIND_DISPATCH, kEvents, dialfen::DIID___KvDispVU},
      {"__KvQmxFasTmr", TKIND_DISPATCH, kEvents, dialfen::DIID___KvQmxFasTmr},
      {"DisplayModeEnum", TKIND_ENUM, 0, GUID_NULL},
  };
  const auto& types = dialfen::Library().types;
  ASSERT_EQ(7u, types.size());
  for (size_t i = 0; i < types.size(); ++i) {
    EXPECT_EQ(expected[i].name, types[i].name);
    EXPECT_EQ(expected[i].kind, types[i].kind) << types[i].name;
    EXPECT_EQ(expected[i].flags, types[i].flags) << types[i].name;
    EXPECT_EQ(expected[i].guid, types[i].guid) << types[i].name;
    EXPECT_EQ(1, types[i].majorVersion) << types[i].name;
    EXPECT_EQ(0, types[i].minorVersion) << types[i].name;
  }
  EXPECT_EQ(types[dialfen::kType_DisplayModeEnum].name, "DisplayModeEnum");
  EXPECT_EQ(types[dialfen::kType___KvQmxFasTmr].name, "__KvQmxFasTmr");
}

TEST(LibraryDescription, PropertiesWithDispidsTypesAndPutParameters) {
  struct Expected {
    const char* name;
    DISPID dispid;
    uint16_t vt;
    const char* putParameter;
  };
  const auto& lib = dialfen::Library();
  const std::vector<Expected> meter = {{"DisplayMode", 0x68030007, VT_USERDEFINED, "New_DisplayMode"},
                                       {"SetDispVolumeStep", 0x68030006, VT_I4, "New_SetDispVolumeStep"},
                                       {"SetDispDelay", 0x68030005, VT_I4, "New_SetDispDelay"},
                                       {"GetPeekData", 0x68030004, VT_I4, "New_GetPeekData"}};
  const std::vector<Expected> timer = {{"Enabled", 0x68030001, VT_BOOL, "SetEnabledTo"},
                                       {"SleepDelay", 0x68030000, VT_I4, "New_Sleep"}};
  for (const auto& [index, props] : {std::pair{dialfen::kType__KvDispVU, meter}, std::pair{dialfen::kType__KvQmxFasTmr, timer}}) {
    const auto& t = lib.types[index];
    ASSERT_EQ(props.size(), t.properties.size()) << t.name;
    EXPECT_TRUE(t.methods.empty());
    for (size_t i = 0; i < props.size(); ++i) {
      EXPECT_EQ(props[i].name, t.properties[i].name);
      EXPECT_EQ(props[i].dispid, t.properties[i].dispid) << props[i].name;
      EXPECT_EQ(props[i].vt, t.properties[i].type.vt) << props[i].name;
      EXPECT_EQ(props[i].putParameter, t.properties[i].putParameterName);
    }
  }
  EXPECT_EQ(dialfen::kType_DisplayModeEnum, lib.types[dialfen::kType__KvDispVU].properties[0].type.userType);
  EXPECT_EQ(dialfen::DISPID_DisplayMode, 0x68030007);
  EXPECT_EQ(dialfen::DISPID_SleepDelay, 0x68030000);
}

TEST(LibraryDescription, EventsClassesAndEnumeration) {
  const auto& lib = dialfen::Library();
  EXPECT_TRUE(lib.types[dialfen::kType___KvDispVU].methods.empty());
  EXPECT_TRUE(lib.types[dialfen::kType___KvDispVU].properties.empty());
  const auto& timerEvents = lib.types[dialfen::kType___KvQmxFasTmr];
  ASSERT_EQ(1u, timerEvents.methods.size());
  EXPECT_EQ("QmxTimer", timerEvents.methods[0].name);
  EXPECT_EQ(1, timerEvents.methods[0].dispid);

  const ImplementedInterface meterClass[] = {{dialfen::kType__KvDispVU, IMPLTYPEFLAG_FDEFAULT},
                                             {dialfen::kType___KvDispVU, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
  const ImplementedInterface timerClass[] = {{dialfen::kType__KvQmxFasTmr, IMPLTYPEFLAG_FDEFAULT},
                                             {dialfen::kType___KvQmxFasTmr, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
  EXPECT_EQ(std::vector<ImplementedInterface>(std::begin(meterClass), std::end(meterClass)),
            lib.types[dialfen::kType_KvDispVU].interfaces);
  EXPECT_EQ(std::vector<ImplementedInterface>(std::begin(timerClass), std::end(timerClass)),
            lib.types[dialfen::kType_KvQmxFasTmr].interfaces);

  const std::vector<ConstantDescription> modes = {{"UseVULowTimer", 0, "UseVULowTimer"},
                                                  {"UseVUHiTimer", 1, "UseVUHiTimer"},
                                                  {"DONotUseTimer", 2, "DONotUseTimer"},
                                                  {"GetPeekDataOnly", 3, "GetPeekDataOnly"}};
  EXPECT_EQ(modes, lib.types[dialfen::kType_DisplayModeEnum].constants);
}

TEST(LibraryDescription, IdentitiesAreDistinctAndRegistrationFactsFixed) {
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
