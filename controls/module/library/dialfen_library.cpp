#include "controls/module/library/dialfen_library.h"

#include "controls/module/library/identities.h"
#include "controls/module/library/member_types.h"
#include "controls/module/library/members.h"
#include "runtime/automation/variant.h"

namespace dialfen {
namespace {

constexpr uint16_t kDualFlags = com::TYPEFLAG_FHIDDEN | com::TYPEFLAG_FDUAL | com::TYPEFLAG_FNONEXTENSIBLE |
                                com::TYPEFLAG_FOLEAUTOMATION | com::TYPEFLAG_FDISPATCHABLE;
constexpr uint16_t kEventFlags = com::TYPEFLAG_FHIDDEN | com::TYPEFLAG_FNONEXTENSIBLE | com::TYPEFLAG_FDISPATCHABLE;
constexpr int32_t kDefault = com::IMPLTYPEFLAG_FDEFAULT;
constexpr int32_t kDefaultSource = com::IMPLTYPEFLAG_FDEFAULT | com::IMPLTYPEFLAG_FSOURCE;

#define KV_FUNCFLAGS_Bindable com::FUNCFLAG_FBINDABLE
#define KV_FUNCFLAGS_Plain 0
#define KV_DESCRIBE_PROPERTY(Name, Dispid, Type, PutParameter, Binding) \
  {#Name, DISPID_##Name, automation::Type::Element(), #PutParameter, KV_FUNCFLAGS_##Binding},
#define KV_DESCRIBE_EVENT(Name, Dispid) {#Name, DISPID_##Name},
#define KV_DESCRIBE_CONSTANT(Name, Value) {#Name, Name, #Name},

com::LibraryDescription Build() {
  com::LibraryDescription lib;
  lib.name = kLibraryName;
  lib.guid = LIBID_Dialfen;
  lib.helpString = "Brenvale Korvane Qmx VU Meter";
  lib.majorVersion = kLibraryMajorVersion;
  lib.minorVersion = kLibraryMinorVersion;
  lib.lcid = kLibraryLcid;
  lib.syskind = com::SYS_WIN32;
  lib.flags = com::LIBFLAG_FCONTROL;
  lib.types.resize(7);

  auto& meterIface = lib.types[kType__KvDispVU];
  meterIface.name = "_KvDispVU";
  meterIface.guid = IID__KvDispVU;
  meterIface.kind = com::TKIND_DISPATCH;
  meterIface.flags = kDualFlags;
  meterIface.properties = {KV_DISPVU_PROPERTIES(KV_DESCRIBE_PROPERTY)};

  auto& meterClass = lib.types[kType_KvDispVU];
  meterClass.name = "KvDispVU";
  meterClass.guid = CLSID_KvDispVU;
  meterClass.kind = com::TKIND_COCLASS;
  meterClass.flags = com::TYPEFLAG_FCONTROL;
  meterClass.interfaces = {{kType__KvDispVU, kDefault}, {kType___KvDispVU, kDefaultSource}};

  auto& timerIface = lib.types[kType__KvQmxFasTmr];
  timerIface.name = "_KvQmxFasTmr";
  timerIface.guid = IID__KvQmxFasTmr;
  timerIface.kind = com::TKIND_DISPATCH;
  timerIface.flags = kDualFlags;
  timerIface.properties = {KV_QMXFASTMR_PROPERTIES(KV_DESCRIBE_PROPERTY)};

  auto& timerClass = lib.types[kType_KvQmxFasTmr];
  timerClass.name = "KvQmxFasTmr";
  timerClass.guid = CLSID_KvQmxFasTmr;
  timerClass.kind = com::TKIND_COCLASS;
  timerClass.flags = com::TYPEFLAG_FCONTROL;
  timerClass.interfaces = {{kType__KvQmxFasTmr, kDefault}, {kType___KvQmxFasTmr, kDefaultSource}};

  auto& meterEvents = lib.types[kType___KvDispVU];
  meterEvents.name = "__KvDispVU";
  meterEvents.guid = DIID___KvDispVU;
  meterEvents.kind = com::TKIND_DISPATCH;
  meterEvents.flags = kEventFlags;

  auto& timerEvents = lib.types[kType___KvQmxFasTmr];
  timerEvents.name = "__KvQmxFasTmr";
  timerEvents.guid = DIID___KvQmxFasTmr;
  timerEvents.kind = com::TKIND_DISPATCH;
  timerEvents.flags = kEventFlags;
  timerEvents.methods = {KV_QMXFASTMR_EVENTS(KV_DESCRIBE_EVENT)};

  auto& modes = lib.types[kType_DisplayModeEnum];
  modes.name = "DisplayModeEnum";
  modes.kind = com::TKIND_ENUM;
  modes.flags = 0;
  // Each member's help string is its own name.
  modes.constants = {KV_DISPLAY_MODES(KV_DESCRIBE_CONSTANT)};
  return lib;
}

#undef KV_DESCRIBE_PROPERTY
#undef KV_DESCRIBE_EVENT
#undef KV_DESCRIBE_CONSTANT

}  // namespace

const com::LibraryDescription& Library() {
  static const com::LibraryDescription library = Build();
  return library;
}

}  // namespace dialfen
