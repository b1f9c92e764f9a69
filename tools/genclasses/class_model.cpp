#include "tools/genclasses/class_model.h"

#include <cctype>
#include <set>

#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaProperty>

#include "runtime/automation/hresult.h"
#include "runtime/automation/variant.h"
#include "runtime/host/control_widget.h"
#include "runtime/platform/error.h"

namespace genclasses {
namespace {

// Every name a typed class's accessor must not take from its bases: the
// meta-object's methods and properties (a property "font" stands for its
// setter "setFont" too), and the base's own protected helpers.
const std::set<std::string>& BaseNames() {
  static const std::set<std::string> names = [] {
    std::set<std::string> n{"control", "mode", "getLong", "putLong", "getBool", "putBool", "controlEvent",
                            "controlPropertyChanged"};
    const QMetaObject& meta = kvqmxtmr::ControlWidget::staticMetaObject;
    for (int i = 0; i < meta.methodCount(); ++i) n.insert(meta.method(i).name().toStdString());
    for (int i = 0; i < meta.propertyCount(); ++i) {
      std::string name = meta.property(i).name();
      n.insert(name);
      if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
      n.insert("set" + name);
      n.insert("is" + name);
    }
    return n;
  }();
  return names;
}

std::string Accessor(const std::string& preferred, const std::string& fallback) {
  return BaseNames().count(preferred) ? fallback : preferred;
}

const com::TypeInfo* Referenced(const com::TypeLibrary& lib, int32_t href, size_t* index = nullptr) {
  const com::TypeReference ref = lib.Resolve(href);
  if (ref.typeIndex < 0) return nullptr;
  if (index) *index = static_cast<size_t>(ref.typeIndex);
  return &lib.types()[static_cast<size_t>(ref.typeIndex)];
}

// The Qt type of a property's value; empty when it has none here.
std::string QtType(const com::TypeLibrary& lib, const com::TypeDesc& type, ControlClass& cls, bool* boolean) {
  *boolean = false;
  switch (type.vt) {
    case com::VT_I2:
    case com::VT_I4:
      return "int";
    case com::VT_BOOL:
      *boolean = true;
      return "bool";
    case com::VT_USERDEFINED: {
      const com::TypeInfo* t = Referenced(lib, type.href);
      if (t == nullptr || t->kind != com::TKIND_ENUM) return {};
      bool known = false;
      for (const auto& e : cls.enumerations) known = known || e.name == t->name;
      if (!known) {
        Enumeration e{t->name, {}};
        for (const auto& v : t->vars) e.values.emplace_back(v.name, v.value);
        cls.enumerations.push_back(std::move(e));
      }
      return t->name;
    }
    default:
      return {};
  }
}

}  // namespace

Library Model(const com::TypeLibrary& lib, const std::string& source) {
  Library out;
  out.name = lib.attributes().name;
  out.source = source;
  out.majorVersion = lib.attributes().majorVersion;
  out.minorVersion = lib.attributes().minorVersion;
  for (const auto& coclass : lib.types()) {
    if (coclass.kind != com::TKIND_COCLASS || !(coclass.flags & com::TYPEFLAG_FCONTROL)) continue;
    ControlClass cls;
    cls.name = coclass.name;
    cls.classId = coclass.guid.ToString();
    for (const auto& impl : coclass.implTypes) {
      if (!(impl.flags & com::IMPLTYPEFLAG_FDEFAULT)) continue;
      size_t index = 0;
      if (Referenced(lib, impl.href, &index) == nullptr) continue;
      const com::TypeInfo view = lib.DispatchView(index);
      if (impl.flags & com::IMPLTYPEFLAG_FSOURCE) {
        for (const auto& f : view.funcs) {
          if (f.invkind != com::INVOKE_FUNC) continue;
          if (!f.params.empty()) {
            out.skipped.push_back(cls.name + "." + f.name + ": an event with parameters");
            continue;
          }
          cls.events.push_back({f.name, f.memid});
        }
        continue;
      }
      for (const auto& f : view.funcs) {
        if (f.invkind != com::INVOKE_PROPERTYGET) continue;
        if (!f.params.empty()) {
          out.skipped.push_back(cls.name + "." + f.name + ": a property with parameters");
          continue;
        }
        Property p;
        p.name = f.name;
        p.dispid = f.memid;
        p.type = QtType(lib, f.returnType, cls, &p.boolean);
        if (p.type.empty()) {
          out.skipped.push_back(cls.name + "." + f.name + ": of type " + lib.TypeName(f.returnType) +
                                ", which has no Qt type here");
          continue;
        }
        p.writable = view.FindFunction(f.memid, com::INVOKE_PROPERTYPUT) != nullptr;
        p.bindable = (f.flags & com::FUNCFLAG_FBINDABLE) != 0;
        p.getter = Accessor(p.name, "get" + p.name);
        p.setter = Accessor("set" + p.name, "put" + p.name);
        cls.properties.push_back(std::move(p));
      }
    }
    out.classes.push_back(std::move(cls));
  }
  if (out.classes.empty())
    throw platform::Error(com::TYPE_E_ELEMENTNOTFOUND,
                          "the type library " + out.name + " of " + source + " describes no control class");
  return out;
}

}  // namespace genclasses
