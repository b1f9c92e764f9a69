#pragma once
// A library that uses every feature the type-library writer supports, with
// values chosen to take each storage path: help file, hidden library, a dual
// interface with every property type and a method, a dispatch-only interface
// with a property and methods, a class with restricted and source interfaces,
// and constants too large or negative to live in their records.
#include "runtime/formats/type_description.h"
#include "runtime/automation/variant.h"

namespace typelib_test {

inline com::LibraryDescription SampleLibrary() {
  using namespace com;
  LibraryDescription lib;
  lib.name = "Sampler";
  lib.guid = *GUID::Parse("{0B1C2D3E-4F50-4617-8293-A4B5C6D7E8F9}");
  lib.helpString = "Sampling gauges";
  lib.helpFile = "sampler.hlp";
  lib.majorVersion = 3;
  lib.minorVersion = 7;
  lib.lcid = 0x409;
  lib.syskind = SYS_WIN32;
  lib.flags = LIBFLAG_FCONTROL | LIBFLAG_FHIDDEN;
  lib.types.resize(5);

  auto& gauge = lib.types[0];
  gauge.name = "_Gauge";
  gauge.guid = *GUID::Parse("{11111111-2222-4333-8444-555555555555}");
  gauge.kind = TKIND_DISPATCH;
  gauge.flags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                TYPEFLAG_FDISPATCHABLE;
  gauge.properties = {
      {"Level", 0x68030000, {VT_I4, -1}, "NewLevel"},
      {"Caption", 0x68030001, {VT_BSTR, -1}, ""},
      {"Armed", 0x68030002, {VT_BOOL, -1}, "Arm"},
      {"Mode", 0x68030003, {VT_USERDEFINED, 4}, "NewMode"},
      {"Ratio", 0x68030004, {VT_R8, -1}, "NewRatio"},
  };
  gauge.methods = {{"Reset", 0x60030000}};

  auto& events = lib.types[1];
  events.name = "__GaugeEvents";
  events.guid = *GUID::Parse("{21111111-2222-4333-8444-555555555555}");
  events.kind = TKIND_DISPATCH;
  events.flags = TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
  events.majorVersion = 2;
  events.minorVersion = 1;
  events.helpString = "Gauge events";
  events.properties = {{"Threshold", 5, {VT_I2, -1}, "Value"}};
  events.methods = {{"Changed", 1}, {"Overflow", 2}};

  auto& cls = lib.types[2];
  cls.name = "Gauge";
  cls.guid = *GUID::Parse("{31111111-2222-4333-8444-555555555555}");
  cls.kind = TKIND_COCLASS;
  cls.flags = TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL;
  cls.interfaces = {{0, IMPLTYPEFLAG_FDEFAULT},
                    {1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE},
                    {3, IMPLTYPEFLAG_FRESTRICTED}};

  auto& extra = lib.types[3];
  extra.name = "_Extra";
  extra.guid = *GUID::Parse("{41111111-2222-4333-8444-555555555555}");
  extra.kind = TKIND_DISPATCH;
  extra.flags = TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE;
  extra.majorVersion = 2;
  extra.minorVersion = 5;
  extra.helpString = "An interface without members";

  auto& modes = lib.types[4];
  modes.name = "Modes";
  modes.kind = TKIND_ENUM;
  modes.constants = {{"Off", 0, "Off"}, {"On", 1, "Switched on"}, {"Largest", 0x7FFFFFFF, ""},
                     {"Below", -5, "Negative"}};
  return lib;
}

}  // namespace typelib_test
