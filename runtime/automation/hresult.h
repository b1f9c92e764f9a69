#pragma once
// Status codes of the component model, by their published names and values.
#include "runtime/platform/export.h"
#include <cstdint>
#include <string>

namespace com {

using HRESULT = int32_t;

inline constexpr HRESULT hr(uint32_t v) { return static_cast<HRESULT>(v); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = hr(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = hr(0x80004002);
inline constexpr HRESULT E_POINTER = hr(0x80004003);
inline constexpr HRESULT E_ABORT = hr(0x80004004);
inline constexpr HRESULT E_FAIL = hr(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = hr(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = hr(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = hr(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = hr(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = hr(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hr(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hr(0x80040154);
inline constexpr HRESULT REGDB_E_READREGDB = hr(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = hr(0x80040151);
inline constexpr HRESULT REGDB_E_KEYMISSING = hr(0x80040152);
inline constexpr HRESULT CO_E_ALREADYINITIALIZED = hr(0x800401F1);
inline constexpr HRESULT CO_E_CLASSSTRING = hr(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = hr(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = hr(0x800401F9);
inline constexpr HRESULT RPC_E_WRONG_THREAD = hr(0x8001010E);
inline constexpr HRESULT DV_E_DVASPECT = hr(0x8004006B);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = hr(0x80040200);
inline constexpr HRESULT CONNECT_E_ADVISELIMIT = hr(0x80040201);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = hr(0x80040202);
inline constexpr HRESULT CONNECT_E_OVERRIDDEN = hr(0x80040203);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hr(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = hr(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = hr(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = hr(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = hr(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = hr(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = hr(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = hr(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = hr(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = hr(0x8002000B);
inline constexpr HRESULT DISP_E_UNKNOWNLCID = hr(0x8002000C);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = hr(0x8002000D);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = hr(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = hr(0x8002000F);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = hr(0x8002802B);
inline constexpr HRESULT TYPE_E_LIBNOTREGISTERED = hr(0x8002801D);
inline constexpr HRESULT TYPE_E_INVDATAREAD = hr(0x80028018);
inline constexpr HRESULT TYPE_E_UNSUPFORMAT = hr(0x80028019);
inline constexpr HRESULT TYPE_E_CANTLOADLIBRARY = hr(0x80029C4A);

// The published name of a code ("REGDB_E_CLASSNOTREG"), or nullptr.
const char* HResultName(HRESULT h);
// "0x80040154 (REGDB_E_CLASSNOTREG)", or just the hex form for unnamed codes.
KVQMXTMR_EXPORT std::string FormatHResult(HRESULT h);

inline constexpr bool SUCCEEDED(HRESULT h) { return h >= 0; }
inline constexpr bool FAILED(HRESULT h) { return h < 0; }

}  // namespace com
