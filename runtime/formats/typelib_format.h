#pragma once
// Layout of the platform's binary type-library format (signature "MSFT"), as
// far as this code writes and reads it. All values are little-endian; every
// offset inside a segment is relative to the segment's start, every offset in
// the segment directory is absolute.
#include <cstddef>
#include <cstdint>

namespace com::msft {

inline constexpr uint32_t kSignature = 0x5446534D;  // "MSFT"
inline constexpr uint32_t kFormatVersion = 0x00010002;

// Header fields (each 32 bits).
inline constexpr size_t kHeaderSize = 0x54;
enum HeaderField : size_t {
  kHdrMagic1 = 0x00, kHdrMagic2 = 0x04, kHdrPosGuid = 0x08, kHdrLcid = 0x0C, kHdrLcid2 = 0x10,
  kHdrVarFlags = 0x14, kHdrVersion = 0x18, kHdrFlags = 0x1C, kHdrTypeInfoCount = 0x20,
  kHdrHelpString = 0x24, kHdrHelpStringContext = 0x28, kHdrHelpContext = 0x2C,
  kHdrNameCount = 0x30, kHdrNameChars = 0x34, kHdrNameOffset = 0x38, kHdrHelpFile = 0x3C,
  kHdrCustomData = 0x40, kHdrRes44 = 0x44, kHdrRes48 = 0x48, kHdrDispatchPos = 0x4C, kHdrImpInfoCount = 0x50,
};
// varflags: low nibble is the system kind; these bits mark optional parts.
inline constexpr uint32_t kVarFlagsAlways = 0x40;
inline constexpr uint32_t kVarFlagsHelpFile = 0x10;
inline constexpr uint32_t kVarFlagsHelpDll = 0x100;  // an extra 32-bit word follows the header
// The two hash tables: the header holds their bucket counts (res44, res48),
// their segments hold one 32-bit offset per bucket.
inline constexpr uint32_t kGuidHashBuckets = 0x20;
inline constexpr uint32_t kNameHashBuckets = 0x80;

// Segment directory: fifteen entries of {offset, length, -1, 0x0F}.
enum Segment : size_t {
  kSegTypeInfo = 0, kSegImpInfo, kSegImpFiles, kSegRefTab, kSegGuidHash, kSegGuid, kSegNameHash, kSegName,
  kSegString, kSegTypeDesc, kSegArrayDesc, kSegCustData, kSegCustDataGuid, kSegRes0E, kSegRes0F, kSegmentCount,
};
inline constexpr size_t kSegmentEntrySize = 16;
inline constexpr int32_t kSegmentMarker = 0x0F;  // loaders check it to find the directory

// Type-info record (0x64 bytes); its offset in the type-info segment is the
// type's reference handle (HREFTYPE) inside the library.
inline constexpr size_t kTypeInfoSize = 0x64;
enum TypeInfoField : size_t {
  kTiTypeKind = 0x00, kTiMemOffset = 0x04, kTiRes2 = 0x08, kTiRes3 = 0x0C, kTiRes4 = 0x10, kTiRes5 = 0x14,
  kTiElementCount = 0x18, kTiRes7 = 0x1C, kTiRes8 = 0x20, kTiRes9 = 0x24, kTiResA = 0x28, kTiPosGuid = 0x2C,
  kTiFlags = 0x30, kTiNameOffset = 0x34, kTiVersion = 0x38, kTiDocString = 0x3C, kTiHelpStringContext = 0x40,
  kTiHelpContext = 0x44, kTiCustData = 0x48, kTiImplTypeCount = 0x4C /*16 bits*/, kTiSizeVft = 0x4E /*16 bits*/,
  kTiSizeInstance = 0x50, kTiDataType1 = 0x54, kTiDataType2 = 0x58, kTiRes18 = 0x5C, kTiRes19 = 0x60,
};
// typekind word: kind in bits 0-3, alignment in bits 11-15 (and 6-10), index in the high half.
inline constexpr uint32_t kTypeKindMask = 0xF;
inline constexpr int kAlignmentShift = 11;

// Function record: fixed part, optional attribute words, then 12-byte parameters.
inline constexpr size_t kFuncFixedSize = 0x18;
enum FuncField : size_t {
  kFnInfo = 0x00, kFnDataType = 0x04, kFnFlags = 0x08, kFnVtableOffset = 0x0C /*16*/, kFnDescSize = 0x0E /*16*/,
  kFnKindWord = 0x10, kFnArgCount = 0x14 /*16*/, kFnOptArgCount = 0x16 /*16*/, kFnHelpContext = 0x18,
  kFnHelpString = 0x1C,
};
// The "FKCCIC" word: function kind, invocation kind, calling convention, and flags.
inline constexpr uint32_t kFnKindMask = 0x7;
inline constexpr int kFnInvokeShift = 3;
inline constexpr uint32_t kFnInvokeMask = 0xF;
inline constexpr uint32_t kFnHasCustData = 0x80;
inline constexpr int kFnCallConvShift = 8;
inline constexpr uint32_t kFnHasDefaults = 0x1000;
inline constexpr uint32_t kFnEntryIsOrdinal = 0x2000;
inline constexpr uint32_t kFnOneRetvalOrLcid = 0x4000;
inline constexpr size_t kParamSize = 12;  // {datatype, name offset, PARAMFLAGS}

// Variable record: fixed part then optional attribute words.
inline constexpr size_t kVarFixedSize = 0x14;
enum VarField : size_t {
  kVarInfo = 0x00, kVarDataType = 0x04, kVarFlags = 0x08, kVarKind = 0x0C /*16*/, kVarDescSize = 0x0E /*16*/,
  kVarValue = 0x10, kVarHelpContext = 0x14, kVarHelpString = 0x18,
};

// Encoded types: a negative word is a base type (0x80000000 | vt << 16 | vt),
// otherwise the offset of an 8-byte entry in the type-descriptor segment.
constexpr int32_t EncodeBaseType(uint16_t vt) {
  return static_cast<int32_t>(0x80000000u | uint32_t(vt) << 16 | vt);
}
inline constexpr uint16_t kVtTypeMask = 0x0FFF;
// Descriptor second half-word: what the entry points at.
inline constexpr uint16_t kTdPointsAtBaseType = 0x4000;  // VT_BYREF | target vt
inline constexpr uint16_t kTdPointsAtUserType = 0x7FFF;
inline constexpr uint16_t kTdPointsAtDescriptor = 0x7FFE;

// Constant values that fit in 26 bits live in the record itself.
inline constexpr uint32_t kImmediateValue = 0x80000000u;
inline constexpr int kImmediateVtShift = 26;
inline constexpr uint32_t kImmediateMask = 0x03FFFFFF;

// GUID entries: {GUID, hreftype, next in hash bucket}.
inline constexpr size_t kGuidEntrySize = 24;
inline constexpr int32_t kGuidHrefLibrary = -2;
inline constexpr int32_t kGuidHrefImportedLibrary = 2;

// Name entries: {hreftype, next in hash bucket, length | flags << 8 | hash << 16, chars padded to 4}.
inline constexpr size_t kNameIntroSize = 12;
inline constexpr uint8_t kNameFlagsTypeInfo = 0x38;
inline constexpr uint8_t kNamePad = 0x57;

// Import entries (12 bytes): {count | offset-is-GUID flag | kind << 24, import-file offset, GUID offset}.
inline constexpr size_t kImpInfoSize = 12;
inline constexpr uint32_t kImpInfoOffsetIsGuid = 0x00010000;
// Import files: {GUID offset, lcid, major | minor << 16, length << 2 | 1 (16 bits), name}.
inline constexpr size_t kImpFileFixedSize = 14;

// Reference records for the interfaces of a component class.
inline constexpr size_t kRefRecordSize = 16;  // {href, IMPLTYPEFLAGS, custom data, next}

// Sizes of the structures a 32-bit loader rebuilds from the records; they
// tell it how much memory to reserve.
inline constexpr int kSizeofFuncDesc = 52;
inline constexpr int kSizeofElemDesc = 16;
inline constexpr int kSizeofTypeDesc = 8;
inline constexpr int kSizeofVarDesc = 36;
inline constexpr int kSizeofVariant = 16;

// The standard automation library that every dispatch interface derives from.
inline constexpr const char* kStdOleFileName = "stdole2.tlb";
inline constexpr uint16_t kStdOleMajor = 2;
inline constexpr uint16_t kStdOleMinor = 0;
inline constexpr int kIDispatchMethodCount = 7;  // IUnknown's 3 + IDispatch's 4

}  // namespace com::msft
