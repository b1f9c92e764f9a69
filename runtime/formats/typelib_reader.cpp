#include "runtime/formats/typelib_reader.h"

#include <new>
#include <set>
#include <unordered_map>

#include "runtime/automation/hresult.h"
#include "runtime/formats/resource_byte_io.h"
#include "runtime/formats/typelib_format.h"
#include "runtime/automation/variant.h"
#include "runtime/platform/error.h"

namespace com {

namespace m = msft;

namespace {

constexpr int32_t kNone = -1;
constexpr int kMaxTypeDepth = 16;  // pointer chains deeper than this are taken as a loop
// What a library read from a file may cost in memory: records of a file may
// share their parts (many types one member block, many functions one record),
// so a small file can describe millions of members. A real library costs
// about ten bytes of memory per byte of file.
constexpr size_t kMemoryPerFileByte = 32;
constexpr size_t kMemoryBase = size_t{1} << 20;
// Strings this long and longer live on the heap.
constexpr size_t kInlineText = 16;

}  // namespace

// Turns the bytes into a TypeLibrary; every table access is bounds-checked
// against both the file and the segment it belongs to.
class TypeLibraryParser {
 public:
  explicit TypeLibraryParser(std::span<const uint8_t> data)
      : file_(data, TYPE_E_INVDATAREAD, "type library"), budget_(kMemoryBase + kMemoryPerFileByte * data.size()) {}

  TypeLibrary Parse() {
    if (file_.size() < m::kHeaderSize || file_.U32(m::kHdrMagic1) != m::kSignature)
      throw platform::Error(TYPE_E_UNSUPFORMAT, "type library: not in the MSFT format");
    if (file_.U32(m::kHdrMagic2) != m::kFormatVersion)
      throw platform::Error(TYPE_E_UNSUPFORMAT, "type library: unknown format version");
    const int32_t typeCount = file_.I32(m::kHdrTypeInfoCount);
    if (typeCount < 0 || typeCount > 0xFFFF) file_.Fail("type count out of range");
    const uint32_t varflags = file_.U32(m::kHdrVarFlags);
    const size_t directory = m::kHeaderSize + static_cast<size_t>(typeCount) * 4 +
                             ((varflags & m::kVarFlagsHelpDll) ? 4 : 0);
    for (size_t s = 0; s < m::kSegmentCount; ++s) {
      const size_t at = directory + s * m::kSegmentEntrySize;
      auto& seg = lib_.segments_[s];
      seg.offset = file_.I32(at);
      seg.length = file_.I32(at + 4);
      if (seg.offset == kNone || seg.length == 0) {
        seg = {kNone, 0};
        continue;
      }
      if (seg.offset < 0 || seg.length < 0) file_.Fail("segment " + std::to_string(s) + " out of range");
      file_.Require(static_cast<size_t>(seg.offset), static_cast<size_t>(seg.length));
    }
    if (file_.I32(directory + 12) != m::kSegmentMarker) file_.Fail("segment directory not found");
    if (static_cast<size_t>(lib_.segments_[m::kSegTypeInfo].length) < static_cast<size_t>(typeCount) * m::kTypeInfoSize)
      file_.Fail("type-info segment shorter than the type count");

    auto& a = lib_.attributes_;
    a.guid = Guid(file_.I32(m::kHdrPosGuid));
    a.lcid = file_.U32(m::kHdrLcid2);
    a.syskind = static_cast<SYSKIND>(varflags & 0x0F);
    const uint32_t version = file_.U32(m::kHdrVersion);
    a.majorVersion = static_cast<uint16_t>(version);
    a.minorVersion = static_cast<uint16_t>(version >> 16);
    a.flags = static_cast<uint16_t>(file_.U32(m::kHdrFlags));
    a.name = Name(file_.I32(m::kHdrNameOffset));
    a.helpString = String(file_.I32(m::kHdrHelpString));
    a.helpFile = String(file_.I32(m::kHdrHelpFile));
    a.helpContext = file_.U32(m::kHdrHelpContext);
    lib_.dispatchHref_ = file_.I32(m::kHdrDispatchPos);

    ReadImports();
    Charge(static_cast<size_t>(typeCount) * sizeof(TypeInfo));
    lib_.types_.resize(static_cast<size_t>(typeCount));
    for (size_t i = 0; i < lib_.types_.size(); ++i) ReadType(i);
    return std::move(lib_);
  }

 private:
  // Every part the reader builds is paid for here first, so neither the work
  // nor the memory can outgrow the file by more than the budget.
  void Charge(size_t bytes) const {
    if (bytes > budget_ - used_)
      file_.Fail("describes more than a file of " + std::to_string(file_.size()) + " bytes can hold");
    used_ += bytes;
  }
  void ChargeText(size_t length) const {
    if (length >= kInlineText) Charge(length + 1);
  }

  // --- Segments ---------------------------------------------------------------

  // Absolute position of `length` bytes at `offset` inside a segment.
  size_t InSegment(m::Segment s, int64_t offset, size_t length, const char* what) const {
    const auto& seg = lib_.segments_[s];
    if (seg.offset == kNone || offset < 0 || static_cast<uint64_t>(offset) + length > static_cast<uint64_t>(seg.length))
      file_.Fail(std::string(what) + " offset " + std::to_string(offset) + " outside its table");
    return static_cast<size_t>(seg.offset) + static_cast<size_t>(offset);
  }

  std::string Name(int32_t offset) const {
    if (offset == kNone) return {};
    const size_t at = InSegment(m::kSegName, offset, m::kNameIntroSize, "name");
    const size_t length = file_.U8(at + 8);
    const size_t chars = InSegment(m::kSegName, offset + static_cast<int64_t>(m::kNameIntroSize), length, "name");
    ChargeText(length);
    const auto b = file_.Slice(chars, length);
    return {b.begin(), b.end()};
  }

  std::string String(int32_t offset) const {
    if (offset == kNone) return {};
    const size_t at = InSegment(m::kSegString, offset, 2, "string");
    const size_t length = file_.U16(at);
    InSegment(m::kSegString, offset + 2, length, "string");
    ChargeText(length);
    const auto b = file_.Slice(at + 2, length);
    return {b.begin(), b.end()};
  }

  GUID Guid(int32_t offset) const {
    if (offset == kNone) return GUID_NULL;
    const size_t at = InSegment(m::kSegGuid, offset, m::kGuidEntrySize, "identity");
    return GUID::FromBytes(file_.Slice(at, 16).data());
  }

  TypeDesc Type(int32_t word, int depth = 0) const {
    if (depth > kMaxTypeDepth) file_.Fail("type descriptors form a loop");
    TypeDesc t;
    if (word < 0) {
      t.vt = static_cast<uint16_t>(word & m::kVtTypeMask);
      return t;
    }
    if (word % 8 != 0) file_.Fail("misaligned type descriptor");
    const size_t at = InSegment(m::kSegTypeDesc, word, 8, "type descriptor");
    t.vt = file_.U16(at) & m::kVtTypeMask;
    if (t.vt == VT_PTR || t.vt == VT_SAFEARRAY || t.vt == VT_CARRAY) Charge(sizeof(TypeDesc));
    if (t.vt == VT_PTR || t.vt == VT_SAFEARRAY) {
      if (file_.I16(at + 6) < 0) {
        TypeDesc base;
        base.vt = file_.U16(at + 4) & m::kVtTypeMask;
        t.inner.push_back(base);
      } else {
        t.inner.push_back(Type(file_.I32(at + 4), depth + 1));
      }
    } else if (t.vt == VT_USERDEFINED) {
      t.href = file_.I32(at + 4);
    } else if (t.vt == VT_CARRAY) {
      // {element type, dimensions | size << 16, then {elements, lower bound} per dimension}
      const int32_t array = file_.I32(at + 4);
      const size_t a = InSegment(m::kSegArrayDesc, array, 8, "array descriptor");
      const uint16_t dims = file_.U16(a + 4);
      InSegment(m::kSegArrayDesc, array, 8 + size_t(dims) * 8, "array descriptor");
      Charge(dims * sizeof(t.bounds[0]));
      t.bounds.reserve(dims);
      t.inner.push_back(Type(file_.I32(a), depth + 1));
      for (uint16_t d = 0; d < dims; ++d) t.bounds.emplace_back(file_.U32(a + 8 + d * 8u), file_.I32(a + 12 + d * 8u));
    }
    return t;
  }

  // --- Imports ------------------------------------------------------------------

  void ReadImports() {
    const auto& files = lib_.segments_[m::kSegImpFiles];
    std::unordered_map<int32_t, int> fileIndex;  // offset -> import index
    for (int32_t offset = 0; offset < files.length;) {
      const size_t at = InSegment(m::kSegImpFiles, offset, m::kImpFileFixedSize, "import file");
      ImportedLibrary lib;
      lib.guid = Guid(file_.I32(at));
      lib.lcid = file_.U32(at + 4);
      lib.majorVersion = file_.U16(at + 8);
      lib.minorVersion = file_.U16(at + 10);
      const size_t length = file_.U16(at + 12) >> 2;
      InSegment(m::kSegImpFiles, offset + static_cast<int64_t>(m::kImpFileFixedSize), length, "import file");
      const auto b = file_.Slice(at + m::kImpFileFixedSize, length);
      Charge(sizeof(ImportedLibrary) + 2 * sizeof(std::pair<int32_t, int>));
      ChargeText(length);
      lib.fileName.assign(b.begin(), b.end());
      fileIndex.emplace(offset, static_cast<int>(lib_.imports_.size()));
      lib_.imports_.push_back(std::move(lib));
      offset = static_cast<int32_t>((offset + m::kImpFileFixedSize + length + 3) & ~size_t{3});
    }
    const auto& infos = lib_.segments_[m::kSegImpInfo];
    for (int32_t offset = 0; offset + static_cast<int32_t>(m::kImpInfoSize) <= infos.length;
         offset += static_cast<int32_t>(m::kImpInfoSize)) {
      const size_t at = InSegment(m::kSegImpInfo, offset, m::kImpInfoSize, "import");
      const uint32_t flags = file_.U32(at);
      const int32_t fileOffset = file_.I32(at + 4);
      TypeLibrary::ImportEntry entry;
      const auto file = fileIndex.find(fileOffset);
      if (file == fileIndex.end()) file_.Fail("import refers to no imported library");
      entry.importIndex = file->second;
      Charge(sizeof(std::pair<int32_t, TypeLibrary::ImportEntry>));
      if (flags & m::kImpInfoOffsetIsGuid)
        entry.guid = Guid(file_.I32(at + 8));
      else
        entry.typeIndex = file_.I32(at + 8);
      lib_.importEntries_.emplace_back(offset, entry);
    }
  }

  // --- Types --------------------------------------------------------------------

  void ReadType(size_t index) {
    const size_t at = InSegment(m::kSegTypeInfo, static_cast<int64_t>(index * m::kTypeInfoSize), m::kTypeInfoSize,
                                "type info");
    TypeInfo& t = lib_.types_[index];
    const uint32_t kindWord = file_.U32(at + m::kTiTypeKind);
    const uint32_t kind = kindWord & m::kTypeKindMask;
    if (kind > TKIND_UNION) file_.Fail("unknown type kind " + std::to_string(kind));
    t.kind = static_cast<TYPEKIND>(kind);
    t.alignment = static_cast<uint16_t>((kindWord >> m::kAlignmentShift) & 0x1F);
    t.href = static_cast<int32_t>(index * m::kTypeInfoSize);
    t.guid = Guid(file_.I32(at + m::kTiPosGuid));
    t.flags = static_cast<uint16_t>(file_.U32(at + m::kTiFlags));
    t.name = Name(file_.I32(at + m::kTiNameOffset));
    const uint32_t version = file_.U32(at + m::kTiVersion);
    t.majorVersion = static_cast<uint16_t>(version);
    t.minorVersion = static_cast<uint16_t>(version >> 16);
    t.helpString = String(file_.I32(at + m::kTiDocString));
    t.helpContext = file_.U32(at + m::kTiHelpContext);
    t.sizeInstance = file_.U32(at + m::kTiSizeInstance);
    t.sizeVft = file_.U16(at + m::kTiSizeVft);
    const uint16_t implCount = file_.U16(at + m::kTiImplTypeCount);
    const int32_t datatype1 = file_.I32(at + m::kTiDataType1);
    const uint32_t counts = file_.U32(at + m::kTiElementCount);
    const size_t funcs = counts & 0xFFFF;
    const size_t vars = counts >> 16;
    if (funcs + vars > 0) ReadMembers(t, file_.I32(at + m::kTiMemOffset), funcs, vars);

    if (implCount > 0) {
      if (t.kind == TKIND_COCLASS) {
        int32_t ref = datatype1;
        std::set<int32_t> seen;
        for (uint16_t i = 0; i < implCount && ref != kNone; ++i) {
          Charge(sizeof(ImplTypeInfo) + 4 * sizeof(void*) + sizeof(int32_t));  // and the set's node
          if (!seen.insert(ref).second) file_.Fail("implemented-interface list loops");
          const size_t r = InSegment(m::kSegRefTab, ref, m::kRefRecordSize, "reference");
          t.implTypes.push_back({file_.I32(r), file_.I32(r + 4)});
          ref = file_.I32(r + 12);
        }
      } else if (datatype1 != kNone) {
        t.implTypes.push_back({datatype1, 0});
      }
    }
  }

  void ReadMembers(TypeInfo& t, int32_t memOffset, size_t funcCount, size_t varCount) {
    const size_t base = file_.Offset(memOffset);
    const size_t recordsLength = file_.U32(base);
    const size_t records = base + 4;
    file_.Require(records, recordsLength);
    const size_t n = funcCount + varCount;
    const size_t ids = records + recordsLength;
    const size_t names = ids + n * 4;
    const size_t offsets = names + n * 4;
    file_.Require(ids, n * 12);
    Charge(funcCount * sizeof(FuncInfo) + varCount * sizeof(VarInfo));
    t.funcs.reserve(funcCount);
    t.vars.reserve(varCount);
    auto recordAt = [&](size_t i, size_t minimum) {
      const int32_t rel = file_.I32(offsets + i * 4);
      if (rel < 0 || static_cast<size_t>(rel) + minimum > recordsLength) file_.Fail("member record out of range");
      return records + static_cast<size_t>(rel);
    };

    for (size_t i = 0; i < funcCount; ++i) {
      const size_t r = recordAt(i, m::kFuncFixedSize);
      const size_t length = file_.U32(r + m::kFnInfo) & 0xFFFF;
      const size_t argCount = file_.U16(r + m::kFnArgCount);
      const uint32_t word = file_.U32(r + m::kFnKindWord);
      const size_t defaults = (word & m::kFnHasDefaults) ? argCount * 4 : 0;
      if (length < m::kFuncFixedSize + argCount * m::kParamSize + defaults ||
          r + length > records + recordsLength)
        file_.Fail("function record length out of range");
      FuncInfo f;
      f.memid = file_.I32(ids + i * 4);
      f.name = Name(file_.I32(names + i * 4));
      f.funckind = static_cast<FUNCKIND>(word & m::kFnKindMask);
      f.invkind = static_cast<INVOKEKIND>((word >> m::kFnInvokeShift) & m::kFnInvokeMask);
      f.callconv = static_cast<int32_t>((word >> m::kFnCallConvShift) & 0xF);
      f.vtableOffset = f.funckind == FUNC_DISPATCH ? 0 : (file_.U16(r + m::kFnVtableOffset) & ~1);
      f.flags = static_cast<uint16_t>(file_.U32(r + m::kFnFlags));
      f.optionalParams = file_.I16(r + m::kFnOptArgCount);
      f.returnType = Type(file_.I32(r + m::kFnDataType));
      const size_t optional = length - argCount * m::kParamSize - defaults;
      if (optional > m::kFnHelpContext) f.helpContext = file_.U32(r + m::kFnHelpContext);
      if (optional > m::kFnHelpString) f.helpString = String(file_.I32(r + m::kFnHelpString));
      const size_t params = r + length - argCount * m::kParamSize;
      Charge(argCount * sizeof(ParamInfo));
      f.params.reserve(argCount);
      for (size_t p = 0; p < argCount; ++p) {
        const size_t at = params + p * m::kParamSize;
        ParamInfo param;
        param.type = Type(file_.I32(at));
        param.name = Name(file_.I32(at + 4));
        param.flags = static_cast<uint16_t>(file_.U32(at + 8));
        f.params.push_back(std::move(param));
      }
      t.funcs.push_back(std::move(f));
    }

    for (size_t i = 0; i < varCount; ++i) {
      const size_t r = recordAt(funcCount + i, m::kVarFixedSize);
      const size_t length = file_.U32(r + m::kVarInfo) & 0xFF;
      if (length < m::kVarFixedSize || r + length > records + recordsLength)
        file_.Fail("variable record length out of range");
      VarInfo v;
      v.memid = file_.I32(ids + (funcCount + i) * 4);
      v.name = Name(file_.I32(names + (funcCount + i) * 4));
      v.varkind = static_cast<VARKIND>(file_.U16(r + m::kVarKind));
      v.flags = static_cast<uint16_t>(file_.U32(r + m::kVarFlags));
      v.type = Type(file_.I32(r + m::kVarDataType));
      const int32_t value = file_.I32(r + m::kVarValue);
      if (v.varkind == VAR_CONST)
        ReadConstant(value, v);
      else
        v.value = value;
      if (length > m::kVarHelpContext) v.helpContext = file_.U32(r + m::kVarHelpContext);
      if (length > m::kVarHelpString) v.helpString = String(file_.I32(r + m::kVarHelpString));
      t.vars.push_back(std::move(v));
    }
  }

  void ReadConstant(int32_t word, VarInfo& v) const {
    if (word < 0) {
      const auto u = static_cast<uint32_t>(word);
      v.valueVt = static_cast<uint16_t>((u & ~m::kImmediateValue) >> m::kImmediateVtShift);
      v.value = u & m::kImmediateMask;
      return;
    }
    const size_t at = InSegment(m::kSegCustData, word, 2, "constant");
    v.valueVt = file_.U16(at);
    switch (v.valueVt) {
      case VT_I2:
      case VT_BOOL:
        v.value = static_cast<int16_t>(file_.U16(InSegment(m::kSegCustData, word + 2, 2, "constant")));
        break;
      case VT_I4:
      case 22 /*VT_INT*/:
      case 10 /*VT_ERROR*/:
      case VT_HRESULT:
        v.value = file_.I32(InSegment(m::kSegCustData, word + 2, 4, "constant"));
        break;
      case 19 /*VT_UI4*/:
      case 23 /*VT_UINT*/:
        v.value = file_.U32(InSegment(m::kSegCustData, word + 2, 4, "constant"));
        break;
      case VT_BSTR: {
        const size_t length = file_.U32(InSegment(m::kSegCustData, word + 2, 4, "constant"));
        const auto b = file_.Slice(InSegment(m::kSegCustData, word + 6, length, "constant"), length);
        ChargeText(length);
        v.text.assign(b.begin(), b.end());
        break;
      }
      default:
        break;  // the type is reported; the value stays unread
    }
  }

  bytes::Reader file_;
  TypeLibrary lib_;
  const size_t budget_;
  mutable size_t used_ = 0;
};

TypeLibrary TypeLibrary::Read(std::span<const uint8_t> data) {
  // Callers are promised the platform's error and nothing else.
  try {
    return TypeLibraryParser(data).Parse();
  } catch (const platform::Error&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw platform::Error(E_OUTOFMEMORY, "type library: out of memory");
  } catch (const std::exception& e) {
    throw platform::Error(TYPE_E_INVDATAREAD, std::string("type library: ") + e.what());
  }
}

}  // namespace com
