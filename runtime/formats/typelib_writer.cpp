#include "runtime/formats/typelib_writer.h"

#include <array>
#include <string>
#include <utility>

#include "runtime/automation/variant.h"
#include "runtime/formats/resource_byte_io.h"
#include "runtime/formats/typelib_format.h"
#include "runtime/formats/typelib_writing.h"

namespace com {
namespace {

using bytes::Writer;
using namespace typelib_writing;

constexpr uint16_t kAlignment = 4;

class TypeLibraryWriter {
 public:
  explicit TypeLibraryWriter(const LibraryDescription& lib) : lib_(lib), tables_(lib.syskind, lib.lcid) {}

  std::vector<uint8_t> Write() {
    CheckWritable(lib_);
    libGuid_ = tables_.AddGuid(lib_.guid, m::kGuidHrefLibrary);
    libName_ = tables_.AddName(lib_.name);
    libHelpString_ = lib_.helpString.empty() ? kNone : tables_.AddString(lib_.helpString);
    libHelpFile_ = lib_.helpFile.empty() ? kNone : tables_.AddString(lib_.helpFile);
    // Type names first: each names the record it belongs to.
    for (size_t i = 0; i < lib_.types.size(); ++i) {
      const int32_t offset = tables_.AddName(lib_.types[i].name);
      tables_.ClaimName(offset, TypeHref(i), m::kNameFlagsTypeInfo, /*force=*/true);
      typeNames_.push_back(offset);
    }
    for (size_t i = 0; i < lib_.types.size(); ++i) BuildType(i);
    return Assemble();
  }

 private:
  static int32_t TypeHref(size_t index) { return static_cast<int32_t>(index * m::kTypeInfoSize); }

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
    info.I32(t.guid == GUID_NULL ? kNone : tables_.AddGuid(t.guid, href));
    info.U32(t.flags);
    info.I32(typeNames_[index]);
    info.U32(uint32_t(t.majorVersion) | uint32_t(t.minorVersion) << 16);
    info.I32(t.helpString.empty() ? kNone : tables_.AddString(t.helpString));
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
      get.flags = p.flags;
      funcs.push_back(get);

      Func put = MakeFunc(p.dispid, name, FUNC_PUREVIRTUAL, INVOKE_PROPERTYPUT, m::EncodeBaseType(VT_HRESULT));
      const Encoded in = Encode(p.type);
      put.params.push_back({in.word, p.putParameterName.empty() ? kNone : tables_.AddName(p.putParameterName), PARAMFLAG_FIN});
      put.descSize += m::kSizeofElemDesc + in.nested;
      put.flags = p.flags;
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
      Func get = MakeFunc(p.dispid, name, FUNC_DISPATCH, INVOKE_PROPERTYGET, value.word, value.nested);
      get.flags = p.flags;
      funcs.push_back(get);
      Func put = MakeFunc(p.dispid, name, FUNC_DISPATCH, INVOKE_PROPERTYPUT, none.word);
      put.flags = p.flags;
      put.params.push_back({value.word, p.putParameterName.empty() ? kNone : tables_.AddName(p.putParameterName), PARAMFLAG_FIN});
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
      v.helpString = c.helpString.empty() ? kNone : tables_.AddString(c.helpString);
      vars.push_back(v);
    }
    return vars;
  }

  int32_t MemberName(const std::string& name, int32_t owner, uint8_t flags) {
    const int32_t offset = tables_.AddName(name);
    tables_.ClaimName(offset, owner, flags, /*force=*/false);
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
    const int32_t libGuid = tables_.AddGuid(LIBID_StdOle, m::kGuidHrefImportedLibrary);
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
    impinfo_.I32(tables_.AddGuid(IID_IDispatch, dispatchHref_));
    return dispatchHref_;
  }

  // --- File layout -------------------------------------------------------------

  std::vector<uint8_t> Assemble() {
    Writer guidHash, nameHash;
    for (const int32_t o : tables_.guidHash()) guidHash.I32(o);
    for (const int32_t o : tables_.nameHash()) nameHash.I32(o);

    // Segments in the order the file holds them.
    const std::array<std::pair<m::Segment, Writer*>, 12> order{{
        {m::kSegTypeInfo, &typeinfo_}, {m::kSegGuidHash, &guidHash},  {m::kSegGuid, &tables_.guids()},
        {m::kSegRefTab, &reftab_},     {m::kSegImpInfo, &impinfo_},   {m::kSegImpFiles, &impfiles_},
        {m::kSegNameHash, &nameHash},  {m::kSegName, &tables_.names()}, {m::kSegString, &tables_.strings()},
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
    out.I32(tables_.nameCount());
    out.I32(tables_.nameChars());
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
  TypeLibraryTables tables_;
  Writer typeinfo_, typedesc_, reftab_, impinfo_, impfiles_, custData_, arrayDesc_;
  std::vector<int32_t> typeNames_;
  std::vector<std::vector<uint8_t>> members_;
  int32_t libGuid_ = kNone, libName_ = kNone, libHelpString_ = kNone, libHelpFile_ = kNone;
  int32_t dispatchHref_ = kNone;
  int32_t impCount_ = 0;
};

}  // namespace

std::vector<uint8_t> WriteTypeLibrary(const LibraryDescription& library) {
  return TypeLibraryWriter(library).Write();
}

}  // namespace com
