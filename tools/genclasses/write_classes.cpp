#include "tools/genclasses/write_classes.h"

#include <cstdio>
#include <sstream>

namespace genclasses {
namespace {

// Negative DISPIDs (the standard ones) stay in decimal, as an int holds them.
std::string Hex(int32_t v) {
  if (v < 0) return std::to_string(v);
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<uint32_t>(v));
  return text;
}

std::string Banner(const Library& lib) {
  return "// The control classes of the type library " + lib.name + " " + std::to_string(lib.majorVersion) + "." +
         std::to_string(lib.minorVersion) + " (" + lib.source.substr(lib.source.find_last_of('/') + 1) +
         "), as Qt widgets.\n// Written by kvqmxtmr-genclasses: edit the library, not this file.\n";
}

void WriteClass(std::ostream& h, const ControlClass& c) {
  h << "\n// " << c.name << ", class " << c.classId << ".\n";
  h << "class " << c.name << " : public kvqmxtmr::ControlWidget {\n  Q_OBJECT\n";
  for (const auto& p : c.properties) {
    h << "  Q_PROPERTY(" << p.type << " " << p.name << " READ " << p.getter;
    if (p.writable) h << " WRITE " << p.setter;
    // Only what the control announces is notified, and only that is kept
    // with a designed form; the rest (a switch that runs a loop, say) is
    // neither.
    if (p.bindable)
      h << " NOTIFY " << p.name << "Changed";
    else
      h << " STORED false DESIGNABLE false";
    h << ")\n";
  }
  h << "\n public:\n";
  for (const auto& e : c.enumerations) {
    h << "  enum " << e.name << " {";
    for (size_t i = 0; i < e.values.size(); ++i)
      h << (i ? ", " : " ") << e.values[i].first << " = " << e.values[i].second;
    h << " };\n  Q_ENUM(" << e.name << ")\n";
  }
  h << "  static constexpr const char* staticClassId = \"" << c.classId << "\";\n";
  for (const auto& p : c.properties) h << "  static constexpr int DISPID_" << p.name << " = " << Hex(p.dispid) << ";\n";
  for (const auto& e : c.events) h << "  static constexpr int DISPID_" << e.name << " = " << Hex(e.dispid) << ";\n";
  h << "\n  explicit " << c.name << "(QWidget* parent = nullptr);\n";
  h << "  " << c.name << "(QWidget* parent, kvqmxtmr::Mode mode);\n\n";
  for (const auto& p : c.properties) {
    h << "  " << p.type << " " << p.getter << "() const;\n";
    if (p.writable) h << "  void " << p.setter << "(" << p.type << " value);\n";
  }
  h << "\n signals:\n";
  for (const auto& p : c.properties)
    if (p.bindable) h << "  void " << p.name << "Changed();\n";
  for (const auto& e : c.events) h << "  void " << e.name << "();\n";
  h << "\n protected:\n";
  if (!c.events.empty()) h << "  void controlEvent(int dispid) override;\n";
  h << "  void controlPropertyChanged(int dispid) override;\n";
  h << "};\n";
}

void WriteMembers(std::ostream& s, const std::string& ns, const ControlClass& c) {
  const std::string q = ns + "::" + c.name + "::";
  s << "\n" << q << c.name << "(QWidget* parent) : " << c.name << "(parent, kvqmxtmr::Mode::Run) {}\n";
  s << q << c.name << "(QWidget* parent, kvqmxtmr::Mode mode) : ControlWidget(staticClassId, parent, mode) {}\n";
  for (const auto& p : c.properties) {
    const bool enumeration = p.type != "int" && p.type != "bool";
    s << (enumeration ? q : "") << p.type << " " << q << p.getter
      << "() const { return ";
    const std::string args = "(DISPID_" + p.name + ", \"" + p.name + "\")";
    if (p.boolean)
      s << "getBool" << args;
    else if (enumeration)
      s << "static_cast<" << p.type << ">(getLong" << args << ")";
    else
      s << "getLong" << args;
    s << "; }\n";
    if (!p.writable) continue;
    s << "void " << q << p.setter << "(" << p.type << " value) { ";
    s << (p.boolean ? "putBool" : "putLong") << "(DISPID_" << p.name << ", \"" << p.name << "\", value); }\n";
  }
  if (!c.events.empty()) {
    s << "void " << q << "controlEvent(int dispid) {\n  switch (dispid) {\n";
    for (const auto& e : c.events) s << "    case DISPID_" << e.name << ":\n      emit " << e.name << "();\n      break;\n";
    s << "  }\n}\n";
  }
  s << "void " << q << "controlPropertyChanged(int dispid) {\n  switch (dispid) {\n";
  for (const auto& p : c.properties)
    if (p.bindable) s << "    case DISPID_" << p.name << ":\n      emit " << p.name << "Changed();\n      break;\n";
  s << "  }\n}\n";
}

}  // namespace

Output Write(const Library& lib, const std::string& headerInclude) {
  std::ostringstream h, s;
  h << Banner(lib) << "#pragma once\n\n#include <kvqmxtmr/control_widget.h>\n\nnamespace " << lib.name << " {\n";
  for (const auto& c : lib.classes) WriteClass(h, c);
  h << "\n}  // namespace " << lib.name << "\n";
  s << Banner(lib) << "#include <" << headerInclude << ">\n";
  for (const auto& c : lib.classes) WriteMembers(s, lib.name, c);
  return {h.str(), s.str()};
}

}  // namespace genclasses
