#pragma once
// The type library of the test module, shared by the module and the tests
// that check what it registers and answers.
#include <string>

#include "runtime/com/interfaces.h"
#include "runtime/formats/type_description.h"

namespace comtest {

using com::MakeGuid;

inline constexpr com::GUID kLibId = MakeGuid(0x7E57AB00, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x01});
inline constexpr com::GUID kIID_Tally = MakeGuid(0x7E57AB00, 0x0002, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x02});
inline constexpr com::GUID kCLSID_Tally = MakeGuid(0x7E57AB00, 0x0003, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x03});
inline constexpr com::GUID kIID_Counter = MakeGuid(0x7E57AB00, 0x0004, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x04});
inline constexpr com::GUID kDIID_CounterEvents = MakeGuid(0x7E57AB00, 0x0005, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x05});
inline constexpr com::GUID kCLSID_Counter = MakeGuid(0x7E57AB00, 0x0006, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x06});
inline constexpr com::GUID kCLSID_HiddenCounter = MakeGuid(0x7E57AB00, 0x0007, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x07});
inline constexpr com::GUID kEnumId = MakeGuid(0x7E57AB00, 0x0008, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x08});

// Members of _Tally.
inline constexpr com::DISPID kCount = 0x68030000;
inline constexpr com::DISPID kLimit = 0x68030001;
inline constexpr com::DISPID kArmed = 0x68030002;
inline constexpr com::DISPID kMode = 0x68030003;
inline constexpr com::DISPID kLabel = 0x68030004;
inline constexpr com::DISPID kBump = 0x68030005;
// Members of _Counter and its events.
inline constexpr com::DISPID kValue = 0x68030000;
inline constexpr com::DISPID kStep = 0x68030001;
inline constexpr com::DISPID kFire = 0x68030002;
inline constexpr com::DISPID kTicked = 1;
inline constexpr com::DISPID kTocked = 2;
// The height (twips) a Counter keeps whatever it is given.
inline constexpr float kCounterHeight = 405;

inline com::TypeDescription Type(std::string name, const com::GUID& guid, com::TYPEKIND kind, uint16_t flags) {
  com::TypeDescription t;
  t.name = std::move(name);
  t.guid = guid;
  t.kind = kind;
  t.flags = flags;
  return t;
}

inline const com::LibraryDescription& Library() {
  using namespace com;
  static const LibraryDescription lib = [] {
    LibraryDescription l;
    l.name = "ComTest";
    l.guid = kLibId;
    l.helpString = "Component layer test library";
    l.majorVersion = 12;
    l.minorVersion = 0;
    l.flags = LIBFLAG_FCONTROL;
    const uint16_t dual = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                          TYPEFLAG_FDISPATCHABLE;
    TypeDescription tally = Type("_Tally", kIID_Tally, TKIND_INTERFACE, dual);
    tally.properties = {{"Count", kCount, {VT_I4}, "New_Count"},
                        {"Limit", kLimit, {VT_I4}, "New_Limit"},
                        {"Armed", kArmed, {VT_BOOL}, "New_Armed"},
                        {"Mode", kMode, {VT_USERDEFINED, 5}, "New_Mode"},
                        {"Label", kLabel, {VT_BSTR}, "New_Label"}};
    tally.methods = {{"Bump", kBump}};
    TypeDescription tallyClass = Type("Tally", kCLSID_Tally, TKIND_COCLASS, TYPEFLAG_FCANCREATE);
    tallyClass.interfaces = {{0, IMPLTYPEFLAG_FDEFAULT}};
    TypeDescription counter = Type("_Counter", kIID_Counter, TKIND_INTERFACE, dual);
    counter.properties = {{"Value", kValue, {VT_I4}, "New_Value"}, {"Step", kStep, {VT_I4}, "New_Step"}};
    counter.methods = {{"Fire", kFire}};
    TypeDescription events = Type("__Counter", kDIID_CounterEvents, TKIND_DISPATCH,
                           TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE);
    events.methods = {{"Ticked", kTicked}, {"Tocked", kTocked}};
    TypeDescription counterClass = Type("Counter", kCLSID_Counter, TKIND_COCLASS, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
    counterClass.interfaces = {{2, IMPLTYPEFLAG_FDEFAULT}, {3, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
    TypeDescription mode = Type("TallyMode", kEnumId, TKIND_ENUM, 0);
    mode.constants = {{"Up", 0, "Up"}, {"Down", 1, "Down"}};
    TypeDescription hidden = Type("HiddenCounter", kCLSID_HiddenCounter, TKIND_COCLASS,
                           TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
    hidden.interfaces = counterClass.interfaces;
    l.types = {tally, tallyClass, counter, events, counterClass, mode, hidden};
    return l;
  }();
  return lib;
}

}  // namespace comtest
