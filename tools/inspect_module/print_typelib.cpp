#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tools/inspect_module/printers.h"

namespace inspect {
namespace {

std::string Hex(uint32_t v, int digits = 0) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
  return buf;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string FlagNames(uint32_t flags, const std::vector<std::pair<uint32_t, const char*>>& names) {
  std::string out;
  for (const auto& [bit, name] : names) {
    if (!(flags & bit)) continue;
    if (!out.empty()) out += " ";
    out += name;
  }
  return out.empty() ? "none" : out;
}

std::string TypeFlags(uint16_t f) {
  return FlagNames(f, {{com::TYPEFLAG_FAPPOBJECT, "appobject"},
                       {com::TYPEFLAG_FCANCREATE, "cancreate"},
                       {com::TYPEFLAG_FLICENSED, "licensed"},
                       {com::TYPEFLAG_FPREDECLID, "predeclid"},
                       {com::TYPEFLAG_FHIDDEN, "hidden"},
                       {com::TYPEFLAG_FCONTROL, "control"},
                       {com::TYPEFLAG_FDUAL, "dual"},
                       {com::TYPEFLAG_FNONEXTENSIBLE, "nonextensible"},
                       {com::TYPEFLAG_FOLEAUTOMATION, "oleautomation"},
                       {com::TYPEFLAG_FRESTRICTED, "restricted"},
                       {com::TYPEFLAG_FAGGREGATABLE, "aggregatable"},
                       {com::TYPEFLAG_FREPLACEABLE, "replaceable"},
                       {com::TYPEFLAG_FDISPATCHABLE, "dispatchable"},
                       {com::TYPEFLAG_FREVERSEBIND, "reversebind"},
                       {com::TYPEFLAG_FPROXY, "proxy"}});
}

const char* KindName(com::TYPEKIND k) {
  switch (k) {
    case com::TKIND_ENUM: return "enum";
    case com::TKIND_RECORD: return "record";
    case com::TKIND_MODULE: return "module";
    case com::TKIND_INTERFACE: return "interface";
    case com::TKIND_DISPATCH: return "dispatch";
    case com::TKIND_COCLASS: return "coclass";
    case com::TKIND_ALIAS: return "alias";
    case com::TKIND_UNION: return "union";
  }
  return "?";
}

const char* InvokeName(com::INVOKEKIND k) {
  switch (k) {
    case com::INVOKE_FUNC: return "method";
    case com::INVOKE_PROPERTYGET: return "propget";
    case com::INVOKE_PROPERTYPUT: return "propput";
    case com::INVOKE_PROPERTYPUTREF: return "propputref";
  }
  return "?";
}

const char* FuncKindName(com::FUNCKIND k) {
  switch (k) {
    case com::FUNC_VIRTUAL: return "virtual";
    case com::FUNC_PUREVIRTUAL: return "purevirtual";
    case com::FUNC_NONVIRTUAL: return "nonvirtual";
    case com::FUNC_STATIC: return "static";
    case com::FUNC_DISPATCH: return "dispatch";
  }
  return "?";
}

std::string ParamFlags(uint16_t f) {
  return FlagNames(f, {{com::PARAMFLAG_FIN, "in"},
                       {com::PARAMFLAG_FOUT, "out"},
                       {com::PARAMFLAG_FLCID, "lcid"},
                       {com::PARAMFLAG_FRETVAL, "retval"},
                       {com::PARAMFLAG_FOPT, "optional"},
                       {com::PARAMFLAG_FHASDEFAULT, "hasdefault"}});
}

std::string ImplFlags(int32_t f) {
  return FlagNames(static_cast<uint32_t>(f), {{com::IMPLTYPEFLAG_FDEFAULT, "default"},
                                              {com::IMPLTYPEFLAG_FSOURCE, "source"},
                                              {com::IMPLTYPEFLAG_FRESTRICTED, "restricted"},
                                              {com::IMPLTYPEFLAG_FDEFAULTVTABLE, "defaultvtable"}});
}

std::string SafeReferenceName(const com::TypeLibrary& lib, int32_t href) {
  try {
    return lib.ReferenceName(href);
  } catch (const std::exception&) {
    return "<unresolved " + Hex(static_cast<uint32_t>(href)) + ">";
  }
}

std::string SafeTypeName(const com::TypeLibrary& lib, const com::TypeDesc& t) {
  try {
    return lib.TypeName(t);
  } catch (const std::exception&) {
    return "<unresolved type>";
  }
}

void PrintFunction(std::ostream& out, const com::TypeLibrary& lib, const com::FuncInfo& f) {
  out << "    " << InvokeName(f.invkind) << " " << f.name << "  id " << Hex(static_cast<uint32_t>(f.memid), 8) << "  "
      << FuncKindName(f.funckind) << "  vtable " << f.vtableOffset << "  flags " << Hex(f.flags) << "\n";
  out << "      returns " << SafeTypeName(lib, f.returnType) << "\n";
  for (const auto& p : f.params)
    out << "      param " << (p.name.empty() ? "(unnamed)" : p.name) << " : " << SafeTypeName(lib, p.type) << "  ["
        << ParamFlags(p.flags) << "]\n";
  if (!f.helpString.empty()) out << "      help string " << Quote(f.helpString) << "\n";
}

}  // namespace

void PrintTypeLibrary(std::ostream& out, const com::TypeLibrary& lib) {
  const auto& a = lib.attributes();
  out << "library " << a.name << " " << a.guid.ToString() << "\n";
  out << "  version " << a.majorVersion << "." << a.minorVersion << "  lcid " << Hex(a.lcid, 4) << "  syskind "
      << (a.syskind == com::SYS_WIN32 ? "win32" : a.syskind == com::SYS_WIN64 ? "win64" : "other") << "  flags "
      << Hex(a.flags) << " ("
      << FlagNames(a.flags, {{com::LIBFLAG_FRESTRICTED, "restricted"},
                             {com::LIBFLAG_FCONTROL, "control"},
                             {com::LIBFLAG_FHIDDEN, "hidden"},
                             {com::LIBFLAG_FHASDISKIMAGE, "hasdiskimage"}})
      << ")\n";
  out << "  help string " << Quote(a.helpString) << "\n";
  out << "  help file " << (a.helpFile.empty() ? std::string("(none)") : Quote(a.helpFile)) << "\n";
  for (const auto& imp : lib.imports())
    out << "  imports " << imp.fileName << " " << imp.guid.ToString() << " " << imp.majorVersion << "."
        << imp.minorVersion << "\n";

  for (size_t i = 0; i < lib.types().size(); ++i) {
    const auto& t = lib.types()[i];
    out << "type " << i << ": " << KindName(t.kind) << " " << t.name << " "
        << (t.guid == com::GUID_NULL ? std::string("(no identity)") : t.guid.ToString()) << "\n";
    out << "  version " << t.majorVersion << "." << t.minorVersion << "  flags " << Hex(t.flags) << " ("
        << TypeFlags(t.flags) << ")\n";
    if (!t.helpString.empty()) out << "  help string " << Quote(t.helpString) << "\n";
    if (t.kind == com::TKIND_DISPATCH && (t.flags & com::TYPEFLAG_FDUAL))
      out << "  dual: dispatch record with vtable twin, vtable size " << t.sizeVft << "\n";
    for (const auto& impl : t.implTypes)
      out << "  implements " << SafeReferenceName(lib, impl.href) << "  [" << ImplFlags(impl.flags) << "]\n";
    if (t.kind == com::TKIND_DISPATCH && t.implTypes.empty() && lib.dispatchHref() != -1)
      out << "  implements " << SafeReferenceName(lib, lib.dispatchHref()) << "  [none]\n";
    for (const auto& f : t.funcs) PrintFunction(out, lib, f);
    for (const auto& v : t.vars) {
      out << "    const " << v.name << " = " << v.value << "  id " << Hex(static_cast<uint32_t>(v.memid), 8)
          << "  type " << SafeTypeName(lib, v.type) << "\n";
      if (!v.helpString.empty()) out << "      help string " << Quote(v.helpString) << "\n";
    }
  }
}

}  // namespace inspect
