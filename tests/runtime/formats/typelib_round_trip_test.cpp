// Written libraries read back into the same description, and the views a
// host gets (dispatch form, vtable twin, names <-> DISPIDs) hold together.
#include <gtest/gtest.h>

#include "runtime/automation/hresult.h"
#include "runtime/formats/typelib_format.h"
#include "runtime/formats/typelib_reader.h"
#include "runtime/formats/typelib_writer.h"
#include "runtime/platform/error.h"
#include "tests/runtime/formats/typelib_sample_library.h"

namespace {

com::TypeLibrary Load(const com::LibraryDescription& lib) { return com::TypeLibrary::Read(com::WriteTypeLibrary(lib)); }

TEST(TypeLibraryRoundTrip, DescriptionComesBackUnchanged) {
  const auto original = typelib_test::SampleLibrary();
  EXPECT_EQ(original, Load(original).Describe());
}

TEST(TypeLibraryRoundTrip, EveryTableEntryComesBackUnchanged) {
  // Each variation changes one field; a writer or reader that drops or
  // swaps it fails here.
  std::vector<com::LibraryDescription> variants;
  auto add = [&](const std::function<void(com::LibraryDescription&)>& change) {
    auto lib = typelib_test::SampleLibrary();
    change(lib);
    variants.push_back(lib);
  };
  add([](auto& l) { l.helpFile.clear(); });
  add([](auto& l) { l.helpString.clear(); });
  add([](auto& l) { l.flags = 0; });
  add([](auto& l) { l.majorVersion = 0xFFFF; l.minorVersion = 0xFFFE; });
  add([](auto& l) { l.types[0].properties[0].dispid = -4; });  // DISPID_NEWENUM
  add([](auto& l) { l.types[0].properties[0].putParameterName = "Level"; });  // same as the property
  add([](auto& l) { l.types[2].interfaces[2].flags = com::IMPLTYPEFLAG_FDEFAULTVTABLE; });
  add([](auto& l) { l.types[3].flags |= com::TYPEFLAG_FHIDDEN | com::TYPEFLAG_FRESTRICTED; });
  add([](auto& l) { l.types[4].constants.clear(); });
  add([](auto& l) { l.types[4].constants[2].value = 0x03FFFFFF; });  // largest value held in the record
  add([](auto& l) { l.types[4].constants[2].value = 0x04000000; });  // smallest that is not
  add([](auto& l) { l.types[1].properties.clear(); l.types[1].methods.clear(); });
  add([](auto& l) { l.types[0].methods.push_back({"reset2", 0x60030001}); });
  add([](auto& l) { std::swap(l.types[0].properties[0], l.types[0].properties[4]); });
  for (size_t i = 0; i < variants.size(); ++i) EXPECT_EQ(variants[i], Load(variants[i]).Describe()) << "variant " << i;
}

// A description names a dual interface once, whichever of its two kinds it
// gives; a file whose dual record says vtable interface describes as the
// writer stores it, so describing, writing and reading again changes nothing.
TEST(TypeLibraryRoundTrip, ADualRecordOfEitherKindDescribesAsTheWriterStoresIt) {
  const auto original = typelib_test::SampleLibrary();
  ASSERT_EQ(com::TKIND_DISPATCH, original.types[0].kind);
  auto asVtable = original;
  asVtable.types[0].kind = com::TKIND_INTERFACE;
  EXPECT_EQ(original, Load(asVtable).Describe());

  std::vector<uint8_t> file = com::WriteTypeLibrary(original);
  const auto u32 = [&](size_t at) {
    return uint32_t(file[at]) | file[at + 1] << 8 | file[at + 2] << 16 | uint32_t(file[at + 3]) << 24;
  };
  namespace m = com::msft;
  const size_t directory = m::kHeaderSize + ((u32(m::kHdrVarFlags) & m::kVarFlagsHelpDll) ? 4 : 0) +
                           4 * size_t(u32(m::kHdrTypeInfoCount));
  const size_t firstRecord = u32(directory + m::kSegTypeInfo * m::kSegmentEntrySize);
  ASSERT_EQ(uint32_t(com::TKIND_DISPATCH), u32(firstRecord + m::kTiTypeKind) & m::kTypeKindMask);
  file[firstRecord + m::kTiTypeKind] = (file[firstRecord + m::kTiTypeKind] & ~m::kTypeKindMask) | com::TKIND_INTERFACE;
  const auto described = com::TypeLibrary::Read(file).Describe();
  EXPECT_EQ(original, described);
  EXPECT_EQ(described, Load(described).Describe());
}

TEST(TypeLibraryRoundTrip, ReaderReportsAttributesImportsAndReferences) {
  const auto reader = Load(typelib_test::SampleLibrary());
  const auto& a = reader.attributes();
  EXPECT_EQ("Sampler", a.name);
  EXPECT_EQ("Sampling gauges", a.helpString);
  EXPECT_EQ("sampler.hlp", a.helpFile);
  EXPECT_EQ(0x409u, a.lcid);
  EXPECT_EQ(com::SYS_WIN32, a.syskind);
  ASSERT_EQ(1u, reader.imports().size());
  EXPECT_EQ("stdole2.tlb", reader.imports()[0].fileName);
  EXPECT_EQ(com::LIBID_StdOle, reader.imports()[0].guid);
  EXPECT_EQ(2, reader.imports()[0].majorVersion);
  EXPECT_EQ("IDispatch", reader.ReferenceName(reader.dispatchHref()));

  const auto& gauge = *reader.Find("gauge");  // names are case-insensitive
  EXPECT_EQ(com::TKIND_COCLASS, gauge.kind);
  ASSERT_EQ(3u, gauge.implTypes.size());
  EXPECT_EQ("_Gauge", reader.ReferenceName(gauge.implTypes[0].href));
  EXPECT_EQ("__GaugeEvents", reader.ReferenceName(gauge.implTypes[1].href));
  EXPECT_EQ(com::IMPLTYPEFLAG_FDEFAULT | com::IMPLTYPEFLAG_FSOURCE, gauge.implTypes[1].flags);
  EXPECT_EQ(&gauge, reader.FindByGuid(gauge.guid));
  EXPECT_EQ(com::TYPE_E_ELEMENTNOTFOUND, [&] {
    try {
      reader.Resolve(0x65);  // neither a record boundary nor an import entry
    } catch (const platform::Error& e) {
      return e.code();
    }
    return 0;
  }());

  const auto& modes = *reader.Find("Modes");
  ASSERT_EQ(4u, modes.vars.size());
  EXPECT_EQ(com::VAR_CONST, modes.vars[3].varkind);
  EXPECT_EQ(com::VT_I4, modes.vars[3].valueVt);
  EXPECT_EQ(-5, modes.vars[3].value);
  EXPECT_EQ("Negative", modes.vars[3].helpString);
  EXPECT_EQ(0x7FFFFFFF, modes.vars[2].value);
}

TEST(TypeLibraryRoundTrip, DualInterfaceIsOneDispatchRecordWithAVtableTwin) {
  const auto reader = Load(typelib_test::SampleLibrary());
  ASSERT_EQ(5u, reader.types().size());  // the twin is no separate entry
  const auto& stored = reader.types()[0];
  EXPECT_EQ(com::TKIND_DISPATCH, stored.kind);

  const auto twin = reader.InterfaceTwin(0);
  ASSERT_TRUE(twin.has_value());
  EXPECT_EQ(com::TKIND_INTERFACE, twin->kind);
  const auto* get = twin->FindFunction(0x68030003, com::INVOKE_PROPERTYGET);
  ASSERT_NE(nullptr, get);
  EXPECT_EQ(com::FUNC_PUREVIRTUAL, get->funckind);
  EXPECT_EQ(com::VT_HRESULT, get->returnType.vt);
  ASSERT_EQ(1u, get->params.size());
  EXPECT_EQ(com::PARAMFLAG_FOUT | com::PARAMFLAG_FRETVAL, get->params[0].flags);
  EXPECT_EQ("Modes*", reader.TypeName(get->params[0].type));
  EXPECT_EQ((7 + 6) * 4, get->vtableOffset);  // Mode is the fourth property: slots 7 + 2 * 3
  EXPECT_FALSE(reader.InterfaceTwin(1).has_value());
  EXPECT_FALSE(reader.InterfaceTwin(2).has_value());

  const auto view = reader.DispatchView(0);
  const auto* dispatchGet = view.FindFunction(0x68030003, com::INVOKE_PROPERTYGET);
  ASSERT_NE(nullptr, dispatchGet);
  EXPECT_EQ(com::FUNC_DISPATCH, dispatchGet->funckind);
  EXPECT_TRUE(dispatchGet->params.empty());
  EXPECT_EQ("Modes", reader.TypeName(dispatchGet->returnType));
  const auto* put = view.FindFunction(0x68030000, com::INVOKE_PROPERTYPUT);
  ASSERT_NE(nullptr, put);
  EXPECT_EQ(com::VT_VOID, put->returnType.vt);
  ASSERT_EQ(1u, put->params.size());
  EXPECT_EQ("NewLevel", put->params[0].name);
  EXPECT_EQ(com::PARAMFLAG_FIN, put->params[0].flags);
  const auto* reset = view.FindFunction(0x60030000, com::INVOKE_FUNC);
  ASSERT_NE(nullptr, reset);
  EXPECT_EQ(com::VT_VOID, reset->returnType.vt);
}

TEST(TypeLibraryRoundTrip, NamesAndDispidsMapBothWays) {
  const auto reader = Load(typelib_test::SampleLibrary());
  const auto view = reader.DispatchView(0);
  EXPECT_EQ(0x68030002, view.IdOfName("ARMED"));
  EXPECT_EQ(0x60030000, view.IdOfName("reset"));
  EXPECT_FALSE(view.IdOfName("Arm").has_value());  // a parameter is no member
  EXPECT_EQ("Caption", view.NameOfId(0x68030001));
  EXPECT_FALSE(view.NameOfId(0x12345).has_value());
  const auto& events = reader.types()[1];
  EXPECT_EQ(2, events.IdOfName("overflow"));
  EXPECT_EQ("Gauge events", events.helpString);
  const auto* threshold = events.FindFunction(5, com::INVOKE_PROPERTYGET);
  ASSERT_NE(nullptr, threshold);
  EXPECT_EQ(com::VT_I2, threshold->returnType.vt);
}

}  // namespace
