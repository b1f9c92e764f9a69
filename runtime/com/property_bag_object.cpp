#include "runtime/com/property_bag_object.h"

#include "runtime/com/com_ptr.h"
#include "runtime/com/object_base.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

class PropertyBagObject final : public ObjectBase<PropertyBagObject, IPropertyBag, IPropertyBagContents> {
 public:
  explicit PropertyBagObject(forms::PropertyBag& bag) : bag_(bag) {}

  HRESULT Read(const char* name, Variant* value, IErrorLog*) override {
    if (name == nullptr || value == nullptr) return E_POINTER;
    if (!bag_.Contains(name)) return E_INVALIDARG;
    *value = bag_.ReadProperty(name, Variant());
    return S_OK;
  }
  HRESULT Write(const char* name, Variant* value) override {
    if (name == nullptr || value == nullptr) return E_POINTER;
    try {
      StoreExactly(bag_, name, *value);
    } catch (const platform::Error& e) {
      return FAILED(e.code()) ? e.code() : E_FAIL;
    }
    return S_OK;
  }
  HRESULT GetNames(std::vector<std::string>* names) override {
    if (names == nullptr) return E_POINTER;
    *names = bag_.Names();
    return S_OK;
  }

 private:
  forms::PropertyBag& bag_;
};

}  // namespace

IPropertyBag* NewPropertyBagObject(forms::PropertyBag& bag) { return new PropertyBagObject(bag); }

void StoreExactly(forms::PropertyBag& bag, const std::string& name, const Variant& value) {
  // The bag leaves out a value equal to the default it is given; a default
  // of the other kind (text against number) never compares equal.
  const Variant unequal = value.vt() == VT_BSTR ? Variant::I4(0) : Variant::Str("");
  bag.WriteProperty(name, value, unequal);
}

HRESULT ReadHostBag(IPropertyBag* host, const DispatchTable& table, forms::PropertyBag& out) {
  if (host == nullptr) return E_POINTER;
  std::vector<std::string> names;
  ComPtr<IPropertyBagContents> contents = ComPtr<IPropertyBag>(host).As<IPropertyBagContents>();
  if (!contents || FAILED(contents->GetNames(&names))) {
    names.clear();
    for (const auto& m : table.Members())
      if (m.kind == DispatchTable::Kind::Property) names.push_back(m.name);
  }
  try {
    for (const std::string& name : names) {
      Variant v;
      const HRESULT h = host->Read(name.c_str(), &v, nullptr);
      if (h == E_INVALIDARG) continue;  // not saved: the control takes its default
      if (FAILED(h)) return h;
      StoreExactly(out, name, v);
    }
  } catch (const platform::Error& e) {
    return FAILED(e.code()) ? e.code() : E_FAIL;
  }
  return S_OK;
}

HRESULT WriteHostBag(const forms::PropertyBag& bag, IPropertyBag* host) {
  if (host == nullptr) return E_POINTER;
  for (const std::string& name : bag.Names()) {
    Variant v = bag.ReadProperty(name, Variant());
    const HRESULT h = host->Write(name.c_str(), &v);
    if (FAILED(h)) return h;
  }
  return S_OK;
}

}  // namespace com
