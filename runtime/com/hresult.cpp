#include "runtime/com/hresult.h"

#include <cstdio>

namespace com {

const char* HResultName(HRESULT h) {
  struct Named {
    HRESULT code;
    const char* name;
  };
  // CONNECT_E_NOCONNECTION shares its value with the self-registration
  // family; the connection meaning is the one this layer raises.
  static constexpr Named kNames[] = {
      {S_OK, "S_OK"},
      {S_FALSE, "S_FALSE"},
      {E_NOTIMPL, "E_NOTIMPL"},
      {E_NOINTERFACE, "E_NOINTERFACE"},
      {E_POINTER, "E_POINTER"},
      {E_ABORT, "E_ABORT"},
      {E_FAIL, "E_FAIL"},
      {E_UNEXPECTED, "E_UNEXPECTED"},
      {E_ACCESSDENIED, "E_ACCESSDENIED"},
      {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
      {E_INVALIDARG, "E_INVALIDARG"},
      {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
      {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
      {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
      {REGDB_E_READREGDB, "REGDB_E_READREGDB"},
      {REGDB_E_WRITEREGDB, "REGDB_E_WRITEREGDB"},
      {REGDB_E_KEYMISSING, "REGDB_E_KEYMISSING"},
      {CO_E_CLASSSTRING, "CO_E_CLASSSTRING"},
      {CO_E_DLLNOTFOUND, "CO_E_DLLNOTFOUND"},
      {CO_E_ERRORINDLL, "CO_E_ERRORINDLL"},
      {CONNECT_E_NOCONNECTION, "CONNECT_E_NOCONNECTION"},
      {CONNECT_E_ADVISELIMIT, "CONNECT_E_ADVISELIMIT"},
      {CONNECT_E_CANNOTCONNECT, "CONNECT_E_CANNOTCONNECT"},
      {CONNECT_E_OVERRIDDEN, "CONNECT_E_OVERRIDDEN"},
      {DISP_E_UNKNOWNINTERFACE, "DISP_E_UNKNOWNINTERFACE"},
      {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
      {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND"},
      {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
      {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME"},
      {DISP_E_NONAMEDARGS, "DISP_E_NONAMEDARGS"},
      {DISP_E_BADVARTYPE, "DISP_E_BADVARTYPE"},
      {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
      {DISP_E_OVERFLOW, "DISP_E_OVERFLOW"},
      {DISP_E_BADINDEX, "DISP_E_BADINDEX"},
      {DISP_E_UNKNOWNLCID, "DISP_E_UNKNOWNLCID"},
      {DISP_E_ARRAYISLOCKED, "DISP_E_ARRAYISLOCKED"},
      {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"},
      {DISP_E_PARAMNOTOPTIONAL, "DISP_E_PARAMNOTOPTIONAL"},
      {TYPE_E_ELEMENTNOTFOUND, "TYPE_E_ELEMENTNOTFOUND"},
      {TYPE_E_LIBNOTREGISTERED, "TYPE_E_LIBNOTREGISTERED"},
      {TYPE_E_INVDATAREAD, "TYPE_E_INVDATAREAD"},
      {TYPE_E_UNSUPFORMAT, "TYPE_E_UNSUPFORMAT"},
      {TYPE_E_CANTLOADLIBRARY, "TYPE_E_CANTLOADLIBRARY"},
      {hr(0x80070002), "ERROR_FILE_NOT_FOUND"},
      {hr(0x8007007F), "ERROR_PROC_NOT_FOUND"},
      {hr(0x800701E7), "ERROR_INVALID_ADDRESS"},
  };
  for (const auto& n : kNames)
    if (n.code == h) return n.name;
  return nullptr;
}

std::string FormatHResult(HRESULT h) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<uint32_t>(h));
  std::string s = buf;
  if (const char* name = HResultName(h)) s += std::string(" (") + name + ")";
  return s;
}

}  // namespace com
