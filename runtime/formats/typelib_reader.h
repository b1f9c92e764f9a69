#pragma once
// Reads a binary type library ("MSFT" format) into plain data: what hosts ask
// a loaded library for (attributes, documentation, types with their kind,
// flags, version and identity, members with DISPIDs, implemented interfaces
// with their flags, enumeration values), plus the way back to a
// LibraryDescription. Malformed input raises platform::Error
// (TYPE_E_UNSUPFORMAT for another format, TYPE_E_INVDATAREAD for damage);
// no read goes outside the given bytes.
#include "runtime/platform/export.h"
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/automation/guid.h"
#include "runtime/formats/type_description.h"

namespace com {

enum FUNCKIND : int32_t { FUNC_VIRTUAL = 0, FUNC_PUREVIRTUAL = 1, FUNC_NONVIRTUAL = 2, FUNC_STATIC = 3, FUNC_DISPATCH = 4 };
enum VARKIND : int32_t { VAR_PERINSTANCE = 0, VAR_STATIC = 1, VAR_CONST = 2, VAR_DISPATCH = 3 };
enum PARAMFLAGS : uint16_t {
  PARAMFLAG_FIN = 0x1, PARAMFLAG_FOUT = 0x2, PARAMFLAG_FLCID = 0x4, PARAMFLAG_FRETVAL = 0x8,
  PARAMFLAG_FOPT = 0x10, PARAMFLAG_FHASDEFAULT = 0x20,
};
inline constexpr uint16_t VT_CARRAY = 28;
inline constexpr uint16_t VT_SAFEARRAY = 27;

// A type as a member uses it: a base type, a pointer / array to another
// TypeDesc, or (VT_USERDEFINED) a reference to a type.
struct TypeDesc {
  uint16_t vt = 0;
  std::vector<TypeDesc> inner;                  // pointee or array element (one entry)
  int32_t href = -1;                            // VT_USERDEFINED
  std::vector<std::pair<uint32_t, int32_t>> bounds;  // VT_CARRAY: {elements, lower bound}
  bool operator==(const TypeDesc&) const = default;
};

struct ParamInfo {
  std::string name;  // empty when the library stores none
  TypeDesc type;
  uint16_t flags = 0;  // PARAMFLAGS
};

struct FuncInfo {
  std::string name;
  DISPID memid = 0;
  FUNCKIND funckind = FUNC_DISPATCH;
  INVOKEKIND invkind = INVOKE_FUNC;
  int32_t callconv = 0;
  int32_t vtableOffset = 0;
  uint16_t flags = 0;  // FUNCFLAGS
  TypeDesc returnType;
  std::vector<ParamInfo> params;
  int16_t optionalParams = 0;
  std::string helpString;
  uint32_t helpContext = 0;
};

struct VarInfo {
  std::string name;
  DISPID memid = 0;
  VARKIND varkind = VAR_PERINSTANCE;
  uint16_t flags = 0;  // VARFLAGS
  TypeDesc type;
  // VAR_CONST: the constant's automation type and value (integers in
  // `value`, strings in `text`); otherwise `value` is the instance offset.
  uint16_t valueVt = 0;
  int64_t value = 0;
  std::string text;
  std::string helpString;
  uint32_t helpContext = 0;
};

struct ImplTypeInfo {
  int32_t href = -1;
  int32_t flags = 0;  // IMPLTYPEFLAGS
};

struct KVQMXTMR_EXPORT TypeInfo {
  std::string name;
  GUID guid;
  TYPEKIND kind = TKIND_ENUM;
  uint16_t flags = 0;  // TYPEFLAGS
  uint16_t majorVersion = 0;
  uint16_t minorVersion = 0;
  std::string helpString;
  uint32_t helpContext = 0;
  uint32_t sizeInstance = 0;
  uint16_t alignment = 0;
  uint16_t sizeVft = 0;
  int32_t href = -1;  // this type's own reference handle inside the library
  std::vector<FuncInfo> funcs;
  std::vector<VarInfo> vars;
  std::vector<ImplTypeInfo> implTypes;

  // Case-insensitive, as IDispatch::GetIDsOfNames matches.
  std::optional<DISPID> IdOfName(std::string_view memberName) const;
  // The member name a DISPID stands for; nullopt when none has it.
  std::optional<std::string> NameOfId(DISPID id) const;
  const FuncInfo* FindFunction(DISPID id, INVOKEKIND kind) const;
  const VarInfo* FindVariable(std::string_view memberName) const;
};

struct LibraryAttributes {
  std::string name;
  GUID guid;
  std::string helpString;
  std::string helpFile;
  uint32_t helpContext = 0;
  uint32_t lcid = 0;
  SYSKIND syskind = SYS_WIN32;
  uint16_t majorVersion = 0;
  uint16_t minorVersion = 0;
  uint16_t flags = 0;  // LIBFLAGS
};

struct ImportedLibrary {
  GUID guid;
  uint32_t lcid = 0;
  uint16_t majorVersion = 0;
  uint16_t minorVersion = 0;
  std::string fileName;
};

// Where a reference handle leads: a type of this library or a type of an
// imported one (by identity or by index in that library).
struct TypeReference {
  int typeIndex = -1;    // >= 0: index into TypeLibrary::types()
  int importIndex = -1;  // >= 0: index into TypeLibrary::imports()
  std::optional<GUID> importedGuid;
  int importedTypeIndex = -1;
};

class KVQMXTMR_EXPORT TypeLibrary {
 public:
  struct Segment {
    int32_t offset = -1;
    int32_t length = 0;
  };

  static TypeLibrary Read(std::span<const uint8_t> data);

  const LibraryAttributes& attributes() const { return attributes_; }
  const std::vector<TypeInfo>& types() const { return types_; }
  const std::vector<ImportedLibrary>& imports() const { return imports_; }
  const std::array<Segment, 15>& segments() const { return segments_; }
  // The reference handle of IDispatch as imported, or -1.
  int32_t dispatchHref() const { return dispatchHref_; }

  const TypeInfo* Find(std::string_view typeName) const;  // case-insensitive
  const TypeInfo* FindByGuid(const GUID& guid) const;
  // Throws platform::Error(TYPE_E_ELEMENTNOTFOUND) for a handle that leads nowhere.
  TypeReference Resolve(int32_t href) const;
  // "DisplayModeEnum", "IDispatch" (known imported identities), or the identity's text.
  std::string ReferenceName(int32_t href) const;
  // "long", "VARIANT_BOOL", "HRESULT*", "DisplayModeEnum", ...
  std::string TypeName(const TypeDesc& type) const;

  // What a host sees through the dispatch type info of a type: dual
  // interfaces are stored in vtable form; here their functions come in
  // dispatch form (the [out, retval] value becomes the result).
  TypeInfo DispatchView(size_t index) const;
  // The vtable twin of a dual interface (TKIND_INTERFACE, HRESULT results);
  // nullopt for any other type.
  std::optional<TypeInfo> InterfaceTwin(size_t index) const;

  // The library as a description again (the inverse of WriteTypeLibrary for
  // what the writer supports). Throws platform::Error(TYPE_E_UNSUPFORMAT)
  // for members a description cannot express.
  LibraryDescription Describe() const;

 private:
  LibraryAttributes attributes_;
  std::vector<TypeInfo> types_;
  std::vector<ImportedLibrary> imports_;
  struct ImportEntry {
    int importIndex = -1;
    std::optional<GUID> guid;
    int typeIndex = -1;
  };
  std::vector<std::pair<int32_t, ImportEntry>> importEntries_;  // by offset in the import segment
  std::array<Segment, 15> segments_{};
  int32_t dispatchHref_ = -1;
  friend class TypeLibraryParser;
};

}  // namespace com
