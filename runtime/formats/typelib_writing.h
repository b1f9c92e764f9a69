#pragma once
// The parts the type-library writer (typelib_writer.cpp) is made of: the
// checks a description must pass, the GUID, name and string tables with
// their hash chains, and the member records of a type. Only the writer's
// sources include this.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/automation/guid.h"
#include "runtime/formats/resource_byte_io.h"
#include "runtime/formats/type_description.h"
#include "runtime/formats/typelib_format.h"

namespace com::typelib_writing {

namespace m = msft;

inline constexpr int32_t kNone = -1;
inline constexpr int kPointerSize = 4;  // the library is written for 32-bit hosts

// FUNCKIND, CALLCONV and PARAMFLAGS values the records store.
inline constexpr uint32_t FUNC_PUREVIRTUAL = 1;
inline constexpr uint32_t FUNC_DISPATCH = 4;
inline constexpr uint32_t CC_STDCALL = 4;
inline constexpr int32_t PARAMFLAG_FIN = 0x1;
inline constexpr int32_t PARAMFLAG_FOUT = 0x2;
inline constexpr int32_t PARAMFLAG_FRETVAL = 0x8;
inline constexpr int16_t VAR_CONST = 2;

// Throws platform::Error(E_INVALIDARG) with "type library: " + why.
[[noreturn]] void Invalid(const std::string& why);

inline bool IsDual(const TypeDescription& t) {
  return (t.kind == TKIND_DISPATCH || t.kind == TKIND_INTERFACE) && (t.flags & TYPEFLAG_FDUAL);
}

// What the writer supports (see typelib_writer.h); Invalid otherwise.
void CheckWritable(const LibraryDescription& lib);

// The GUID, name and string segments with the hash tables a loader finds
// their entries by. Each entry is added once and found again by its offset.
class TypeLibraryTables {
 public:
  TypeLibraryTables(SYSKIND syskind, uint32_t lcid);

  int32_t AddGuid(const GUID& guid, int32_t href);
  int32_t AddName(std::string_view name);
  // Records which type a name belongs to (the first one that uses it) and its kind flags.
  void ClaimName(int32_t offset, int32_t href, uint8_t flags, bool force);
  int32_t AddString(std::string_view text);

  bytes::Writer& guids() { return guid_; }
  bytes::Writer& names() { return name_; }
  bytes::Writer& strings() { return string_; }
  const std::array<int32_t, m::kGuidHashBuckets>& guidHash() const { return guidHash_; }
  const std::array<int32_t, m::kNameHashBuckets>& nameHash() const { return nameHash_; }
  int32_t nameCount() const { return nameCount_; }
  int32_t nameChars() const { return nameChars_; }

 private:
  SYSKIND syskind_;
  uint32_t lcid_;
  bytes::Writer guid_, name_, string_;
  std::array<int32_t, m::kGuidHashBuckets> guidHash_{};
  std::array<int32_t, m::kNameHashBuckets> nameHash_{};
  std::map<GUID, int32_t> guidOffsets_;
  std::map<std::string, int32_t> nameOffsets_;
  std::map<std::string, int32_t> stringOffsets_;
  int32_t nameCount_ = 0;
  int32_t nameChars_ = 0;
};

// One parameter as stored: encoded type, name offset, PARAMFLAGS.
struct Param {
  int32_t type = 0;
  int32_t name = kNone;
  int32_t flags = 0;
};

struct Func {
  int32_t memid = 0;
  int32_t name = kNone;
  uint32_t funckind = 0;
  uint32_t invkind = 0;
  int32_t returnType = 0;
  int descSize = m::kSizeofFuncDesc;  // bytes a loader needs to rebuild the FUNCDESC
  std::vector<Param> params;
  bool oneRetval = false;
  uint32_t flags = 0;  // FUNCFLAGS
};

inline Func MakeFunc(int32_t memid, int32_t name, uint32_t funckind, uint32_t invkind, int32_t returnType, int nested = 0) {
  Func f;
  f.memid = memid;
  f.name = name;
  f.funckind = funckind;
  f.invkind = invkind;
  f.returnType = returnType;
  f.descSize += nested;
  return f;
}

struct Var {
  int32_t memid = 0;
  int32_t name = kNone;
  int32_t type = 0;
  int32_t value = 0;
  int32_t helpString = kNone;
};

// {records length, function records, variable records, ids, names, record offsets}
std::vector<uint8_t> MemberBlock(const std::vector<Func>& funcs, const std::vector<Var>& vars);

}  // namespace com::typelib_writing
