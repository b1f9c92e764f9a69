// The component layer against the control library's real description: the
// dispatch tables, class resolution and registration the module will use.
#include <gtest/gtest.h>

#include "controls/module/library/dialfen_library.h"
#include "controls/module/library/identities.h"
#include "runtime/com/control_support.h"
#include "runtime/com/module.h"
#include "runtime/registry/registry.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

TEST(LibraryBinding, DefaultInterfacesResolveToAutomationTypes) {
  const DispatchTable meter(dialfen::Library(), "_KvDispVU");
  ASSERT_NE(meter.Find(dialfen::DISPID_DisplayMode), nullptr);
  EXPECT_EQ(meter.Find(dialfen::DISPID_DisplayMode)->type, VT_I4);  // the enumeration travels as a Long
  EXPECT_EQ(meter.FindByName("getpeekdata")->dispid, 0x68030004);
  const DispatchTable timer(dialfen::Library(), "_KvQmxFasTmr");
  EXPECT_EQ(timer.Find(0x68030001)->type, VT_BOOL);
  EXPECT_EQ(timer.Find(0x68030000)->type, VT_I4);

  const auto fasTmr = ResolveControlClass({.library = &dialfen::Library(),
                                           .className = "KvQmxFasTmr",
                                           .progId = "",
                                           .miscStatus = dialfen::kMiscStatus_KvQmxFasTmr,
                                           .toolboxBitmap = 30000},
                                          timer);
  EXPECT_EQ(fasTmr.clsid, dialfen::CLSID_KvQmxFasTmr);
  EXPECT_EQ(fasTmr.defaultInterface, dialfen::IID__KvQmxFasTmr);
  EXPECT_EQ(fasTmr.sourceInterface, dialfen::DIID___KvQmxFasTmr);
  EXPECT_EQ(fasTmr.progId, "Dialfen.KvQmxFasTmr");
  // Bound to the other class's interface.
  const ControlClassInfo meterInfo{.library = &dialfen::Library(), .className = "KvDispVU", .progId = "",
                                   .miscStatus = 0, .toolboxBitmap = 0};
  EXPECT_THROW(ResolveControlClass(meterInfo, timer), platform::Error);
}

TEST(LibraryBinding, RegistrationOfTheLibraryCarriesItsIdentityAndInterfaces) {
  ProjectDescriptor project;
  project.library = &dialfen::Library();
  project.libraryId = dialfen::LIBID_Dialfen;
  project.majorVersion = 12;
  project.moduleFileName = "KvQmxTmr.ocx";
  ClassDescriptor timer;
  timer.clsid = dialfen::CLSID_KvQmxFasTmr;
  timer.progId = "Dialfen.KvQmxFasTmr";
  timer.control = true;
  timer.miscStatus = dialfen::kMiscStatus_KvQmxFasTmr;
  timer.toolboxBitmap = 30000;
  project.classes = {timer};

  RegistryData d;
  WriteRegistration(d, project, "/opt/kv/KvQmxTmr.ocx");
  const std::string cls = ClassesKey("CLSID\\" + dialfen::CLSID_KvQmxFasTmr.ToString());
  EXPECT_TRUE(d.KeyExists(cls + "\\Control"));
  EXPECT_EQ(d.GetString(cls + "\\MiscStatus\\1", ""), "132497");
  EXPECT_EQ(d.GetString(cls + "\\ToolboxBitmap32", ""), "/opt/kv/KvQmxTmr.ocx, 30000");
  const std::string lib = ClassesKey("TypeLib\\" + dialfen::LIBID_Dialfen.ToString() + "\\c.0");
  EXPECT_EQ(d.GetString(lib, ""), "Brenvale Korvane Qmx VU Meter");
  EXPECT_EQ(d.GetString(lib + "\\FLAGS", ""), "2");
  EXPECT_EQ(d.GetString(lib + "\\HELPDIR", ""), "/opt/kv");
  EXPECT_EQ(d.SubKeys(ClassesKey("Interface")).size(), 4u);  // two duals, two event interfaces

  RemoveRegistration(d, project);
  EXPECT_TRUE(d.SubKeys(ClassesKey("Interface")).empty());
  EXPECT_TRUE(d.SubKeys(ClassesKey("CLSID")).empty());
  EXPECT_FALSE(d.KeyExists(ClassesKey("TypeLib")) && !d.SubKeys(ClassesKey("TypeLib")).empty());
}

}  // namespace
}  // namespace com
