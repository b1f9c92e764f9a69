#pragma once
// A type library described as data. One description of a module's library
// produces its binary type library, the dispatch tables its objects answer by
// (GetIDsOfNames / Invoke), and the identities its hosts use, so the three
// cannot drift apart. Flag and kind values are the platform's published ones.
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/automation/guid.h"

namespace com {

enum TYPEKIND : int32_t {
  TKIND_ENUM = 0, TKIND_RECORD = 1, TKIND_MODULE = 2, TKIND_INTERFACE = 3,
  TKIND_DISPATCH = 4, TKIND_COCLASS = 5, TKIND_ALIAS = 6, TKIND_UNION = 7,
};

enum TYPEFLAGS : uint16_t {
  TYPEFLAG_FAPPOBJECT = 0x1, TYPEFLAG_FCANCREATE = 0x2, TYPEFLAG_FLICENSED = 0x4,
  TYPEFLAG_FPREDECLID = 0x8, TYPEFLAG_FHIDDEN = 0x10, TYPEFLAG_FCONTROL = 0x20,
  TYPEFLAG_FDUAL = 0x40, TYPEFLAG_FNONEXTENSIBLE = 0x80, TYPEFLAG_FOLEAUTOMATION = 0x100,
  TYPEFLAG_FRESTRICTED = 0x200, TYPEFLAG_FAGGREGATABLE = 0x400, TYPEFLAG_FREPLACEABLE = 0x800,
  TYPEFLAG_FDISPATCHABLE = 0x1000, TYPEFLAG_FREVERSEBIND = 0x2000, TYPEFLAG_FPROXY = 0x4000,
};

enum IMPLTYPEFLAGS : int32_t {
  IMPLTYPEFLAG_FDEFAULT = 0x1, IMPLTYPEFLAG_FSOURCE = 0x2,
  IMPLTYPEFLAG_FRESTRICTED = 0x4, IMPLTYPEFLAG_FDEFAULTVTABLE = 0x8,
};

enum LIBFLAGS : uint16_t {
  LIBFLAG_FRESTRICTED = 0x1, LIBFLAG_FCONTROL = 0x2, LIBFLAG_FHIDDEN = 0x4, LIBFLAG_FHASDISKIMAGE = 0x8,
};

enum SYSKIND : int32_t { SYS_WIN16 = 0, SYS_WIN32 = 1, SYS_MAC = 2, SYS_WIN64 = 3 };

enum INVOKEKIND : int32_t {
  INVOKE_FUNC = 1, INVOKE_PROPERTYGET = 2, INVOKE_PROPERTYPUT = 4, INVOKE_PROPERTYPUTREF = 8,
};

// A member's FUNCFLAGS. Bindable: the property announces every change to
// the container (IPropertyNotifySink::OnChanged); its get and put both carry
// the flag.
enum FUNCFLAGS : uint16_t {
  FUNCFLAG_FRESTRICTED = 0x1, FUNCFLAG_FSOURCE = 0x2, FUNCFLAG_FBINDABLE = 0x4,
  FUNCFLAG_FREQUESTEDIT = 0x8, FUNCFLAG_FDISPLAYBIND = 0x10, FUNCFLAG_FDEFAULTBIND = 0x20,
  FUNCFLAG_FHIDDEN = 0x40,
};

// Element types beyond the automation values of variant.h.
enum : uint16_t { VT_VOID = 24, VT_HRESULT = 25, VT_PTR = 26, VT_USERDEFINED = 29 };

using DISPID = int32_t;

// The type a member traffics in: an automation type (VT_I4, VT_BOOL, ...) or,
// with vt == VT_USERDEFINED, the type at `userType` in the same library.
struct ElementType {
  uint16_t vt = 0;
  int userType = -1;
  bool operator==(const ElementType&) const = default;
};

// A property with a get and a put under one DISPID; in a dual interface the
// get is `HRESULT get_X([out, retval] T*)` and the put `HRESULT put_X([in] T)`.
struct PropertyDescription {
  std::string name;
  DISPID dispid = 0;
  ElementType type;
  std::string putParameterName;
  uint16_t flags = 0;  // FUNCFLAGS of its get and put
  bool operator==(const PropertyDescription&) const = default;
};

// A method without parameters (all this library needs, e.g. an event).
struct MethodDescription {
  std::string name;
  DISPID dispid = 0;
  bool operator==(const MethodDescription&) const = default;
};

struct ConstantDescription {
  std::string name;
  int32_t value = 0;
  std::string helpString;
  bool operator==(const ConstantDescription&) const = default;
};

struct ImplementedInterface {
  int typeIndex = -1;  // index into LibraryDescription::types
  int32_t flags = 0;   // IMPLTYPEFLAGS
  bool operator==(const ImplementedInterface&) const = default;
};

struct TypeDescription {
  std::string name;
  GUID guid;
  TYPEKIND kind = TKIND_DISPATCH;
  uint16_t flags = 0;  // TYPEFLAGS
  uint16_t majorVersion = 1;
  uint16_t minorVersion = 0;
  std::string helpString;
  std::vector<PropertyDescription> properties;  // interfaces
  std::vector<MethodDescription> methods;       // dispatch-only interfaces (events)
  std::vector<ConstantDescription> constants;   // enumerations
  std::vector<ImplementedInterface> interfaces; // component classes
  bool operator==(const TypeDescription&) const = default;
};

struct LibraryDescription {
  std::string name;
  GUID guid;
  std::string helpString;
  std::string helpFile;
  uint16_t majorVersion = 1;
  uint16_t minorVersion = 0;
  uint32_t lcid = 0;
  SYSKIND syskind = SYS_WIN32;
  uint16_t flags = 0;  // LIBFLAGS
  std::vector<TypeDescription> types;

  bool operator==(const LibraryDescription&) const = default;

  const TypeDescription* Find(const std::string& typeName) const {
    for (const auto& t : types)
      if (t.name == typeName) return &t;
    return nullptr;
  }
};

// The standard automation library every dual interface derives from.
inline constexpr GUID IID_IUnknown = MakeGuid(0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46});
inline constexpr GUID IID_IDispatch = MakeGuid(0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46});
inline constexpr GUID LIBID_StdOle = MakeGuid(0x00020430, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46});

}  // namespace com
