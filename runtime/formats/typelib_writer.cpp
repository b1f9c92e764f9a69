#include "runtime/formats/typelib_writer.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>

#include "runtime/automation/hresult.h"
#include "runtime/formats/resource_byte_io.h"
#include "runtime/formats/typelib_format.h"
#include "runtime/formats/typelib_hash.h"
#include "runtime/automation/variant.h"
#include "runtime/platform/ascii_case.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

using bytes::Writer;
namespace m = msft;

constexpr int32_t kNone = -1;
constexpr int kPointerSize = 4;  // the library is written for 32-bit hosts
constexpr uint16_t kAlignment = 4;

// FUNCKIND, CALLCONV and PARAMFLAGS values the records store.
constexpr uint32_t FUNC_PUREVIRTUAL = 1;
constexpr uint32_t FUNC_DISPATCH = 4;
constexpr uint32_t CC_STDCALL = 4;
constexpr int32_t PARAMFLAG_FIN = 0x1;
constexpr int32_t PARAMFLAG_FOUT = 0x2;
constexpr int32_t PARAMFLAG_FRETVAL = 0x8;
constexpr int16_t VAR_CONST = 2;

[[noreturn]] void Invalid(const std::string& why) { throw platform::Error(E_INVALIDARG, "type library: " + why); }

bool IsDual(const TypeDescription& t) {
  return (t.kind == TKIND_DISPATCH || t.kind == TKIND_INTERFACE) && (t.flags & TYPEFLAG_FDUAL);
}

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
};

Func MakeFunc(int32_t memid, int32_t name, uint32_t funckind, uint32_t invkind, int32_t returnType, int nested = 0) {
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

class TypeLibraryWriter {
 public:
  explicit TypeLibraryWriter(const LibraryDescription& lib) : lib_(lib) {
    guidHash_.fill(kNone);
    nameHash_.fill(kNone);
  }

  std::vector<uint8_t> Write() {
    Validate();
    libGuid_ = AddGuid(lib_.guid, m::kGuidHrefLibrary);
    libName_ = AddName(lib_.name);
    libHelpString_ = lib_.helpString.empty() ? kNone : AddString(lib_.helpString);
    libHelpFile_ = lib_.helpFile.empty() ? kNone : AddString(lib_.helpFile);
    // Type names first: each names the record it belongs to.
    for (size_t i = 0; i < lib_.types.size(); ++i) {
      const int32_t offset = AddName(lib_.types[i].name);
      ClaimName(offset, TypeHref(i), m::kNameFlagsTypeInfo, /*force=*/true);
      typeNames_.push_back(offset);
    }
    for (size_t i = 0; i < lib_.types.size(); ++i) BuildType(i);
    return Assemble();
  }

 private:
  static int32_t TypeHref(size_t index) { return static_cast<int32_t>(index * m::kTypeInfoSize); }

  void Validate() const {
    if (lib_.name.empty()) Invalid("the library needs a name");
    if (lib_.lcid != 0x409) Invalid("only locale 0x409 is supported");
    if (lib_.syskind != SYS_WIN32) Invalid("only 32-bit libraries are supported");
    if (lib_.types.size() > 0xFFFF) Invalid("too many types");
    std::set<GUID> guids{lib_.guid};
    std::set<std::string> names;
    for (size_t i = 0; i < lib_.types.size(); ++i) {
      const auto& t = lib_.types[i];
      if (t.name.empty()) Invalid("type " + std::to_string(i) + " has no name");
      if (!names.insert(platform::FoldedAscii(t.name)).second) Invalid("two types are named " + t.name);
      if (t.guid != GUID_NULL && !guids.insert(t.guid).second) Invalid(t.name + " repeats an identity");
      switch (t.kind) {
        case TKIND_DISPATCH:
        case TKIND_INTERFACE:
          if (t.kind == TKIND_INTERFACE && !IsDual(t)) Invalid(t.name + ": only dual vtable interfaces are supported");
          if (!t.constants.empty() || !t.interfaces.empty()) Invalid(t.name + ": interfaces hold only members");
          for (const auto& p : t.properties) CheckElementType(t, p.type);
          break;
        case TKIND_COCLASS:
          if (!t.properties.empty() || !t.methods.empty() || !t.constants.empty())
            Invalid(t.name + ": a component class holds only interfaces");
          for (const auto& impl : t.interfaces) {
            if (impl.typeIndex < 0 || static_cast<size_t>(impl.typeIndex) >= lib_.types.size())
              Invalid(t.name + " implements a type outside the library");
            const auto kind = lib_.types[impl.typeIndex].kind;
            if (kind != TKIND_DISPATCH && kind != TKIND_INTERFACE) Invalid(t.name + " implements a non-interface");
          }
          break;
        case TKIND_ENUM:
          if (!t.properties.empty() || !t.methods.empty() || !t.interfaces.empty())
            Invalid(t.name + ": an enumeration holds only constants");
          break;
        default:
          Invalid(t.name + ": type kind " + std::to_string(t.kind) + " is not supported");
      }
    }
  }

  void CheckElementType(const TypeDescription& owner, const ElementType& e) const {
    if (e.vt == VT_USERDEFINED) {
      if (e.userType < 0 || static_cast<size_t>(e.userType) >= lib_.types.size())
        Invalid(owner.name + " uses a type outside the library");
    } else if (e.vt == VT_PTR || e.vt == VT_VOID || e.vt == VT_HRESULT || e.vt > m::kVtTypeMask) {
      Invalid(owner.name + " uses element type " + std::to_string(e.vt) + ", which a property cannot have");
    }
  }

  // --- GUID, name and string tables ------------------------------------------

  int32_t AddGuid(const GUID& guid, int32_t href) {
    auto found = guidOffsets_.find(guid);
    if (found != guidOffsets_.end()) return found->second;
    const int bucket = GuidHashBucket(guid);
    const auto offset = static_cast<int32_t>(guid_.size());
    guid_.Bytes(guid.Bytes());
    guid_.I32(href);
    guid_.I32(guidHash_[bucket]);
    guidHash_[bucket] = offset;
    guidOffsets_.emplace(guid, offset);
    return offset;
  }

  int32_t AddName(std::string_view name) {
    if (name.empty() || name.size() > 255) Invalid("a name must have 1 to 255 characters: '" + std::string(name) + "'");
    const std::string key = platform::FoldedAscii(name);
    auto found = nameOffsets_.find(key);
    if (found != nameOffsets_.end()) return found->second;
    const uint32_t hash = NameHash(lib_.syskind, lib_.lcid, name) & 0xFFFF;
    const int bucket = static_cast<int>(hash & 0x7F);
    const auto offset = static_cast<int32_t>(name_.size());
    name_.I32(kNone);
    name_.I32(nameHash_[bucket]);
    name_.U32(static_cast<uint32_t>(name.size()) | hash << 16);
    for (const char c : name) name_.U8(static_cast<uint8_t>(c));
    name_.Align(4, m::kNamePad);
    nameHash_[bucket] = offset;
    nameOffsets_.emplace(key, offset);
    ++nameCount_;
    nameChars_ += static_cast<int32_t>(name.size());
    return offset;
  }

  // Records which type a name belongs to (the first one that uses it) and its kind flags.
  void ClaimName(int32_t offset, int32_t href, uint8_t flags, bool force) {
    auto& d = name_.data();
    const size_t at = static_cast<size_t>(offset);
    const int32_t current = static_cast<int32_t>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 | uint32_t(d[at + 3]) << 24);
    if (current == kNone || force) {
      name_.PatchI32(at, href);
      d[at + 9] = flags;
    }
  }

  int32_t AddString(std::string_view text) {
    if (text.size() > 0xFFFF) Invalid("a string is longer than 65535 bytes");
    for (const char c : text)
      if (static_cast<unsigned char>(c) >= 0x80) Invalid("strings must be ASCII: '" + std::string(text) + "'");
    auto found = stringOffsets_.find(std::string(text));
    if (found != stringOffsets_.end()) return found->second;
    const auto offset = static_cast<int32_t>(string_.size());
    string_.U16(static_cast<uint16_t>(text.size()));
    for (const char c : text) string_.U8(static_cast<uint8_t>(c));
    string_.Align(4, m::kNamePad);
    while (string_.size() - static_cast<size_t>(offset) < 8) string_.U8(m::kNamePad);
    stringOffsets_.emplace(std::string(text), offset);
    return offset;
  }

  // --- Types ----------------------------------------------------------------

  int32_t AddTypeDesc(uint16_t vt, uint16_t target, int32_t reference) {
    for (size_t at = 0; at < typedesc_.size(); at += 8) {
      const auto& d = typedesc_.data();
      const uint16_t v = static_cast<uint16_t>(d[at] | d[at + 1] << 8);
      const int32_t r = static_cast<int32_t>(d[at + 4] | d[at + 5] << 8 | d[at + 6] << 16 | uint32_t(d[at + 7]) << 24);
      if (v == vt && r == reference) return static_cast<int32_t>(at);
    }
    const auto offset = static_cast<int32_t>(typedesc_.size());
    typedesc_.U16(vt);
    typedesc_.U16(target);
    typedesc_.I32(reference);
    return offset;
  }

  struct Encoded {
    int32_t word;
    int nested;  // bytes of TYPEDESCs a loader allocates for it
  };

  Encoded Encode(const ElementType& e) {
    if (e.vt == VT_USERDEFINED)
      return {AddTypeDesc(VT_USERDEFINED, m::kTdPointsAtUserType, TypeHref(static_cast<size_t>(e.userType))), 0};
    if (e.vt == VT_VOID) return {static_cast<int32_t>(0x80000000u | VT_VOID), 0};
    return {m::EncodeBaseType(e.vt), 0};
  }

  Encoded PointerTo(const ElementType& e) {
    const Encoded target = Encode(e);
    uint16_t kind = 0;
    if (target.word < 0) {
      kind = static_cast<uint16_t>(m::kTdPointsAtBaseType | ((static_cast<uint32_t>(target.word) >> 16) & 0x3FFF));
    } else {
      kind = e.vt == VT_USERDEFINED ? m::kTdPointsAtUserType : m::kTdPointsAtDescriptor;
    }
    return {AddTypeDesc(VT_PTR, kind, target.word), m::kSizeofTypeDesc + target.nested};
  }

  void BuildType(size_t index) {
    const auto& t = lib_.types[index];
    Writer info;
    const int32_t href = TypeHref(index);
    uint32_t kind = t.kind;
    if (IsDual(t)) kind = TKIND_DISPATCH;  // one record; loaders derive the vtable twin
    info.U32(kind | uint32_t(kAlignment) << m::kAlignmentShift | uint32_t(kAlignment) << 6 |
             static_cast<uint32_t>(index) << 16);
    info.I32(0);  // member block offset, patched once the file is laid out
    info.I32(0);  // res2
    info.I32(0);  // res3, patched below
    info.I32(3);  // res4
    info.I32(0);  // res5
    info.I32(0);  // element counts, patched below
    info.I32(0);
    info.I32(0);
    info.I32(0);
    info.I32(0);
    info.I32(t.guid == GUID_NULL ? kNone : AddGuid(t.guid, href));
    info.U32(t.flags);
    info.I32(typeNames_[index]);
    info.U32(uint32_t(t.majorVersion) | uint32_t(t.minorVersion) << 16);
    info.I32(t.helpString.empty() ? kNone : AddString(t.helpString));
    info.I32(0);      // help string context
    info.I32(0);      // help context
    info.I32(kNone);  // custom data
    info.U16(0);      // implemented types, patched below
    info.U16(0);      // vtable size, patched below
    info.I32(0);      // instance size, patched below
    info.I32(kNone);  // datatype1
    info.I32(0);      // datatype2
    info.I32(0);      // res18
    info.I32(kNone);  // res19

    std::vector<Func> funcs;
    std::vector<Var> vars;
    uint16_t implTypes = 0;
    uint16_t sizeVft = 0;
    int32_t datatype1 = kNone;
    int32_t datatype2 = 0;

    switch (t.kind) {
      case TKIND_DISPATCH:
      case TKIND_INTERFACE: {
        const int32_t dispatch = ImportIDispatch();
        implTypes = 1;
        if (IsDual(t)) {
          funcs = VtableFunctions(t, href);
          datatype1 = dispatch;
          datatype2 = m::kIDispatchMethodCount << 16 | 2;  // inherited functions | ancestors
          sizeVft = static_cast<uint16_t>((m::kIDispatchMethodCount + funcs.size()) * kPointerSize);
        } else {
          // Loaders count a dispatch interface's functions from this size.
          funcs = DispatchFunctions(t, href);
          sizeVft = static_cast<uint16_t>(funcs.size() * kPointerSize);
        }
        break;
      }
      case TKIND_COCLASS:
        implTypes = static_cast<uint16_t>(t.interfaces.size());
        datatype1 = t.interfaces.empty() ? kNone : AddReferences(t);
        break;
      case TKIND_ENUM:
        vars = Constants(t, href);
        break;
      default:
        break;
    }

    info.PatchU32(m::kTiElementCount, static_cast<uint32_t>(vars.size()) << 16 | static_cast<uint32_t>(funcs.size()));
    int32_t res3 = funcs.empty() && vars.empty() ? kNone : 0;
    for (const auto& f : funcs) res3 += 0x38 + static_cast<int32_t>(f.params.size()) * 0x10;
    res3 += static_cast<int32_t>(vars.size()) * 0x2C;
    info.PatchI32(m::kTiRes3, res3);
    info.PatchU16(m::kTiImplTypeCount, implTypes);
    info.PatchU16(m::kTiSizeVft, sizeVft);
    info.PatchU32(m::kTiSizeInstance, kAlignment);
    info.PatchI32(m::kTiDataType1, datatype1);
    info.PatchI32(m::kTiDataType2, datatype2);

    typeinfo_.Bytes(info.data());
    members_.push_back(MemberBlock(funcs, vars));
  }

  // Every property as a get/put pair, then the methods, with DISPIDs as given.
  // Dual interfaces keep the vtable form: HRESULT results, the value as an
  // [out, retval] pointer or an [in] parameter.
  std::vector<Func> VtableFunctions(const TypeDescription& t, int32_t owner) {
    std::vector<Func> funcs;
    for (const auto& p : t.properties) {
      const int32_t name = MemberName(p.name, owner, 0x00);
      Func get = MakeFunc(p.dispid, name, FUNC_PUREVIRTUAL, INVOKE_PROPERTYGET, m::EncodeBaseType(VT_HRESULT));
      const Encoded out = PointerTo(p.type);
      get.params.push_back({out.word, kNone, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL});
      get.descSize += m::kSizeofElemDesc + out.nested;
      get.oneRetval = true;
      funcs.push_back(get);

      Func put = MakeFunc(p.dispid, name, FUNC_PUREVIRTUAL, INVOKE_PROPERTYPUT, m::EncodeBaseType(VT_HRESULT));
      const Encoded in = Encode(p.type);
      put.params.push_back({in.word, p.putParameterName.empty() ? kNone : AddName(p.putParameterName), PARAMFLAG_FIN});
      put.descSize += m::kSizeofElemDesc + in.nested;
      funcs.push_back(put);
    }
    for (const auto& method : t.methods)
      funcs.push_back(MakeFunc(method.dispid, MemberName(method.name, owner, 0x00), FUNC_PUREVIRTUAL, INVOKE_FUNC,
                               m::EncodeBaseType(VT_HRESULT)));
    return funcs;
  }

  // Dispatch-only interfaces keep the dispatch form: the value is the result
  // of a get and the parameter of a put; methods return nothing.
  std::vector<Func> DispatchFunctions(const TypeDescription& t, int32_t owner) {
    std::vector<Func> funcs;
    const Encoded none = Encode({VT_VOID, -1});
    for (const auto& p : t.properties) {
      const int32_t name = MemberName(p.name, owner, 0x00);
      const Encoded value = Encode(p.type);
      funcs.push_back(MakeFunc(p.dispid, name, FUNC_DISPATCH, INVOKE_PROPERTYGET, value.word, value.nested));
      Func put = MakeFunc(p.dispid, name, FUNC_DISPATCH, INVOKE_PROPERTYPUT, none.word);
      put.params.push_back({value.word, p.putParameterName.empty() ? kNone : AddName(p.putParameterName), PARAMFLAG_FIN});
      put.descSize += m::kSizeofElemDesc + value.nested;
      funcs.push_back(put);
    }
    for (const auto& method : t.methods)
      funcs.push_back(MakeFunc(method.dispid, MemberName(method.name, owner, 0x00), FUNC_DISPATCH, INVOKE_FUNC, none.word));
    return funcs;
  }

  std::vector<Var> Constants(const TypeDescription& t, int32_t owner) {
    std::vector<Var> vars;
    int32_t memid = 0x40000000;  // constants get sequential member ids
    for (const auto& c : t.constants) {
      Var v;
      v.memid = memid++;
      v.name = MemberName(c.name, owner, 0x30);
      v.type = m::EncodeBaseType(VT_I4);
      v.value = EncodeConstant(c.value);
      v.helpString = c.helpString.empty() ? kNone : AddString(c.helpString);
      vars.push_back(v);
    }
    return vars;
  }

  int32_t MemberName(const std::string& name, int32_t owner, uint8_t flags) {
    const int32_t offset = AddName(name);
    ClaimName(offset, owner, flags, /*force=*/false);
    return offset;
  }

  // Small values live in the record; others in the custom-data segment as {vt, value, pad}.
  int32_t EncodeConstant(int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    if ((u & m::kImmediateMask) == u)
      return static_cast<int32_t>(m::kImmediateValue | uint32_t(VT_I4) << m::kImmediateVtShift | u);
    const auto offset = static_cast<int32_t>(custData_.size());
    custData_.U16(VT_I4);
    custData_.I32(value);
    custData_.U16(0x5757);
    return offset;
  }

  int32_t AddReferences(const TypeDescription& t) {
    const auto first = static_cast<int32_t>(reftab_.size());
    for (size_t i = 0; i < t.interfaces.size(); ++i) {
      reftab_.I32(TypeHref(static_cast<size_t>(t.interfaces[i].typeIndex)));
      reftab_.I32(t.interfaces[i].flags);
      reftab_.I32(kNone);
      const bool last = i + 1 == t.interfaces.size();
      reftab_.I32(last ? kNone : first + static_cast<int32_t>((i + 1) * m::kRefRecordSize));
    }
    return first;
  }

  // Imports IDispatch from the standard automation library (once) and returns
  // its reference handle: the import entry's offset with the low bit set.
  int32_t ImportIDispatch() {
    if (dispatchHref_ != kNone) return dispatchHref_;
    const int32_t libGuid = AddGuid(LIBID_StdOle, m::kGuidHrefImportedLibrary);
    const auto file = static_cast<int32_t>(impfiles_.size());
    impfiles_.I32(libGuid);
    impfiles_.U32(0);  // the automation library is registered locale-neutral
    impfiles_.U32(uint32_t(m::kStdOleMajor) | uint32_t(m::kStdOleMinor) << 16);
    const std::string_view fileName = m::kStdOleFileName;
    impfiles_.U16(static_cast<uint16_t>(fileName.size() << 2 | 1));
    for (const char c : fileName) impfiles_.U8(static_cast<uint8_t>(c));
    impfiles_.Align(4, m::kNamePad);

    const auto entry = static_cast<int32_t>(impinfo_.size());
    dispatchHref_ = entry | 1;
    impinfo_.U32(uint32_t(TKIND_INTERFACE) << 24 | m::kImpInfoOffsetIsGuid | static_cast<uint32_t>(impCount_++));
    impinfo_.I32(file);
    impinfo_.I32(AddGuid(IID_IDispatch, dispatchHref_));
    return dispatchHref_;
  }

  // {records length, function records, variable records, ids, names, record offsets}
  std::vector<uint8_t> MemberBlock(const std::vector<Func>& funcs, const std::vector<Var>& vars) const {
    if (funcs.empty() && vars.empty()) return {};
    Writer records;
    std::vector<int32_t> offsets;
    std::vector<uint32_t> sameId(funcs.size());
    for (size_t i = 0; i < funcs.size(); ++i) {
      // Functions sharing a DISPID (a property's get and put) form a ring
      // through the high half of the kind word.
      sameId[i] = static_cast<uint32_t>(i);
      for (size_t j = 0; j < i; ++j) {
        if (funcs[j].memid == funcs[i].memid) {
          sameId[i] = sameId[j];
          sameId[j] = static_cast<uint32_t>(i);
          break;
        }
      }
    }
    for (size_t i = 0; i < funcs.size(); ++i) {
      const auto& f = funcs[i];
      offsets.push_back(static_cast<int32_t>(records.size()));
      const size_t size = m::kFuncFixedSize + f.params.size() * m::kParamSize;
      records.U32(static_cast<uint32_t>(size) | static_cast<uint32_t>(i) << 16);
      records.I32(f.returnType);
      records.U32(0);  // FUNCFLAGS
      const int vtableSlot = f.funckind == FUNC_DISPATCH ? static_cast<int>(i)
                                                         : m::kIDispatchMethodCount + static_cast<int>(i);
      records.U16(static_cast<uint16_t>(vtableSlot * kPointerSize));
      records.U16(static_cast<uint16_t>(f.descSize));
      uint32_t word = f.funckind | f.invkind << m::kFnInvokeShift | CC_STDCALL << m::kFnCallConvShift;
      if (f.oneRetval) word |= m::kFnOneRetvalOrLcid;
      records.U32(word | sameId[i] << 16);
      records.U16(static_cast<uint16_t>(f.params.size()));
      records.U16(0);  // optional arguments
      for (const auto& p : f.params) {
        records.I32(p.type);
        records.I32(p.name);
        records.I32(p.flags);
      }
    }
    for (size_t i = 0; i < vars.size(); ++i) {
      const auto& v = vars[i];
      offsets.push_back(static_cast<int32_t>(records.size()));
      const size_t size = m::kVarFixedSize + (v.helpString == kNone ? 0 : 8);
      records.U32(static_cast<uint32_t>(size) | static_cast<uint32_t>(i) << 16);
      records.I32(v.type);
      records.U32(0);  // VARFLAGS
      records.U16(static_cast<uint16_t>(VAR_CONST));
      records.U16(static_cast<uint16_t>(m::kSizeofVarDesc + m::kSizeofVariant));
      records.I32(v.value);
      if (v.helpString != kNone) {
        records.I32(0);  // help context
        records.I32(v.helpString);
      }
    }
    Writer block;
    block.U32(static_cast<uint32_t>(records.size()));
    block.Bytes(records.data());
    for (const auto& f : funcs) block.I32(f.memid);
    for (const auto& v : vars) block.I32(v.memid);
    for (const auto& f : funcs) block.I32(f.name);
    for (const auto& v : vars) block.I32(v.name);
    for (const int32_t o : offsets) block.I32(o);
    return block.Take();
  }

  // --- File layout -------------------------------------------------------------

  std::vector<uint8_t> Assemble() {
    Writer guidHash, nameHash;
    for (const int32_t o : guidHash_) guidHash.I32(o);
    for (const int32_t o : nameHash_) nameHash.I32(o);

    // Segments in the order the file holds them.
    const std::array<std::pair<m::Segment, Writer*>, 12> order{{
        {m::kSegTypeInfo, &typeinfo_}, {m::kSegGuidHash, &guidHash}, {m::kSegGuid, &guid_},
        {m::kSegRefTab, &reftab_},     {m::kSegImpInfo, &impinfo_},  {m::kSegImpFiles, &impfiles_},
        {m::kSegNameHash, &nameHash},  {m::kSegName, &name_},        {m::kSegString, &string_},
        {m::kSegTypeDesc, &typedesc_}, {m::kSegCustData, &custData_}, {m::kSegArrayDesc, &arrayDesc_},
    }};
    const size_t types = lib_.types.size();
    size_t position = m::kHeaderSize + types * 4 + m::kSegmentCount * m::kSegmentEntrySize;
    std::array<std::pair<int32_t, int32_t>, m::kSegmentCount> directory;
    directory.fill({kNone, 0});
    for (const auto& [segment, data] : order) {
      if (data->size() == 0) continue;
      directory[segment] = {static_cast<int32_t>(position), static_cast<int32_t>(data->size())};
      position += data->size();
    }
    // Member blocks follow the segments; each type points at its own.
    for (size_t i = 0; i < types; ++i) {
      typeinfo_.PatchI32(i * m::kTypeInfoSize + m::kTiMemOffset, static_cast<int32_t>(position));
      position += members_[i].size();
    }
    if (position > 0x7FFFFFFF) Invalid("the library is too large");

    Writer out;
    out.U32(m::kSignature);
    out.U32(m::kFormatVersion);
    out.I32(libGuid_);
    out.U32(lib_.lcid);
    out.U32(lib_.lcid);
    out.U32(static_cast<uint32_t>(lib_.syskind) | m::kVarFlagsAlways | (libHelpFile_ != kNone ? m::kVarFlagsHelpFile : 0));
    out.U32(uint32_t(lib_.majorVersion) | uint32_t(lib_.minorVersion) << 16);
    out.U32(lib_.flags);
    out.U32(static_cast<uint32_t>(types));
    out.I32(libHelpString_);
    out.I32(0);  // help string context
    out.I32(0);  // help context
    out.I32(nameCount_);
    out.I32(nameChars_);
    out.I32(libName_);
    out.I32(libHelpFile_);
    out.I32(kNone);  // custom data
    out.U32(m::kGuidHashBuckets);
    out.U32(m::kNameHashBuckets);
    out.I32(dispatchHref_);
    out.I32(impCount_);
    for (size_t i = 0; i < types; ++i) out.I32(TypeHref(i));
    for (const auto& [offset, length] : directory) {
      out.I32(offset);
      out.I32(length);
      out.I32(kNone);
      out.I32(m::kSegmentMarker);
    }
    for (const auto& [segment, data] : order) out.Bytes(data->data());
    for (const auto& block : members_) out.Bytes(block);
    return out.Take();
  }

  const LibraryDescription& lib_;
  Writer typeinfo_, guid_, name_, string_, typedesc_, reftab_, impinfo_, impfiles_, custData_, arrayDesc_;
  std::array<int32_t, m::kGuidHashBuckets> guidHash_{};
  std::array<int32_t, m::kNameHashBuckets> nameHash_{};
  std::map<GUID, int32_t> guidOffsets_;
  std::map<std::string, int32_t> nameOffsets_;
  std::map<std::string, int32_t> stringOffsets_;
  std::vector<int32_t> typeNames_;
  std::vector<std::vector<uint8_t>> members_;
  int32_t libGuid_ = kNone, libName_ = kNone, libHelpString_ = kNone, libHelpFile_ = kNone;
  int32_t dispatchHref_ = kNone;
  int32_t impCount_ = 0;
  int32_t nameCount_ = 0;
  int32_t nameChars_ = 0;
};

}  // namespace

std::vector<uint8_t> WriteTypeLibrary(const LibraryDescription& library) {
  return TypeLibraryWriter(library).Write();
}

}  // namespace com
