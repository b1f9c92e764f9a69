#pragma once
// Declarative dispatch: an interface's TypeDescription (names, DISPIDs, element
// types) plus per-DISPID accessors bound into a C++ object answer
// GetIDsOfNames and Invoke. Arguments are converted to the declared type by the
// automation rules before the accessor sees them, and an accessor that raises
// platform::Error comes back as DISP_E_EXCEPTION with the error in EXCEPINFO,
// having stored nothing (members convert and check before they store).
#include "runtime/platform/export.h"
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "runtime/com/interfaces.h"
#include "runtime/formats/type_description.h"
#include "runtime/automation/variant.h"

namespace com {

// Value conversions between C++ member types and automation values.
// int16_t doubles as the 16-bit automation Boolean: under a declared VT_BOOL it
// travels unchanged (a stored 5 reads back as 5, as the platform keeps it).
template <class V>
V FromVariant(const Variant& v) {
  if constexpr (std::is_enum_v<V>) {
    return static_cast<V>(FromVariant<std::underlying_type_t<V>>(v));
  } else if constexpr (std::is_same_v<V, bool>) {
    return v.ToBool() != VARIANT_FALSE;
  } else if constexpr (std::is_same_v<V, int16_t>) {
    return v.vt() == VT_BOOL ? v.RawBool() : v.ToI2();
  } else if constexpr (std::is_same_v<V, int32_t>) {
    return v.ToI4();
  } else if constexpr (std::is_same_v<V, float>) {
    return v.ToR4();
  } else if constexpr (std::is_same_v<V, double>) {
    return v.ToR8();
  } else if constexpr (std::is_same_v<V, std::string>) {
    return v.ToStr();
  } else if constexpr (std::is_same_v<V, Variant>) {
    return v;
  } else {
    static_assert(sizeof(V) == 0, "no automation type for this member type");
  }
}

template <class V>
Variant ToVariant(const V& value, VarType declared) {
  Variant natural;
  if constexpr (std::is_enum_v<V>) {
    return ToVariant(static_cast<std::underlying_type_t<V>>(value), declared);
  } else if constexpr (std::is_same_v<V, bool>) {
    natural = Variant::FromBool(value);
  } else if constexpr (std::is_same_v<V, int16_t>) {
    natural = declared == VT_BOOL ? Variant::Bool(value) : Variant::I2(value);
  } else if constexpr (std::is_same_v<V, int32_t>) {
    natural = Variant::I4(value);
  } else if constexpr (std::is_same_v<V, float>) {
    natural = Variant::R4(value);
  } else if constexpr (std::is_same_v<V, double>) {
    natural = Variant::R8(value);
  } else if constexpr (std::is_same_v<V, std::string>) {
    natural = Variant::Str(value);
  } else if constexpr (std::is_same_v<V, Variant>) {
    natural = value;
  } else {
    static_assert(sizeof(V) == 0, "no automation type for this member type");
  }
  return natural.vt() == declared ? natural : natural.ChangeType(declared);
}

// The members of one interface as the dispatch layer sees them.
class KVQMXTMR_EXPORT DispatchTable {
 public:
  enum class Kind { Property, Method };
  struct Member {
    std::string name;
    DISPID dispid = 0;
    Kind kind = Kind::Property;
    VarType type = VT_EMPTY;  // declared automation type; user types resolved
  };

  // Throws platform::Error (TYPE_E_ELEMENTNOTFOUND) when the library has no
  // such interface, DISP_E_BADVARTYPE when a member's type is not automation.
  DispatchTable(const LibraryDescription& library, std::string_view interfaceName);

  const TypeDescription& Interface() const { return *interface_; }
  const Member* Find(DISPID dispid) const;
  const Member* FindByName(std::string_view name) const;  // case-insensitive
  const std::vector<Member>& Members() const { return members_; }

  HRESULT GetIDsOfNames(const IID& riid, const char* const* names, uint32_t count, DISPID* ids) const;

 private:
  const TypeDescription* interface_ = nullptr;
  std::vector<Member> members_;
};

// One call's accessors, bound to the object being called; the Has functions
// tell which directions the member has (a read-only property has no put).
// A caller builds one on its stack for each call, so binding costs nothing.
class BoundMember {
 public:
  virtual bool HasGet() const = 0;
  virtual bool HasPut() const = 0;
  virtual bool HasCall() const = 0;
  virtual Variant Get() const = 0;
  virtual void Put(const Variant& value) const = 0;  // receives the declared type
  virtual void Call() const = 0;

 protected:
  ~BoundMember() = default;
};

// The argument checks, conversions and error mapping of one Invoke.
// `source` names the object in EXCEPINFO (a ProgID, typically).
KVQMXTMR_EXPORT HRESULT InvokeMember(const DispatchTable::Member& member, const BoundMember& bound, uint16_t flags,
                     const DISPPARAMS* params, Variant* result, EXCEPINFO* excepInfo, uint32_t* argErr,
                     std::string_view source);

// Fills EXCEPINFO from the exception in flight and answers DISP_E_EXCEPTION.
HRESULT ExceptionToExcepInfo(EXCEPINFO* excepInfo, std::string_view source);

template <class T>
class DispatchMap {
 public:
  DispatchMap(const LibraryDescription& library, std::string_view interfaceName)
      : table_(std::make_shared<DispatchTable>(library, interfaceName)) {}

  // A property with a get and a put; either may be null.
  template <class G, class P>
  DispatchMap& Property(DISPID dispid, G (T::*get)(), void (T::*put)(P)) {
    return Bind(dispid, WrapGet(get), WrapPut<P>(put));
  }
  template <class G, class P>
  DispatchMap& Property(DISPID dispid, G (T::*get)() const, void (T::*put)(P)) {
    return Bind(dispid, WrapGet(get), WrapPut<P>(put));
  }
  template <class G>
  DispatchMap& ReadOnly(DISPID dispid, G (T::*get)() const) {
    return Bind(dispid, WrapGet(get), nullptr);
  }
  DispatchMap& Method(DISPID dispid, void (T::*call)()) {
    Entry& e = Add(dispid, DispatchTable::Kind::Method);
    e.call = [call](T& o) { (o.*call)(); };
    return *this;
  }
  // Free-form accessors, for members that are not plain member functions.
  DispatchMap& Bind(DISPID dispid, std::function<Variant(T&, VarType)> get,
                    std::function<void(T&, const Variant&)> put) {
    Entry& e = Add(dispid, DispatchTable::Kind::Property);
    e.get = std::move(get);
    e.put = std::move(put);
    return *this;
  }

  const DispatchTable& Table() const { return *table_; }

  HRESULT GetIDsOfNames(const IID& riid, const char* const* names, uint32_t count, DISPID* ids) const {
    return table_->GetIDsOfNames(riid, names, count, ids);
  }

  HRESULT Invoke(T& object, DISPID dispid, const IID& riid, uint16_t flags, DISPPARAMS* params,
                 Variant* result, EXCEPINFO* excepInfo, uint32_t* argErr, std::string_view source) const {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    // Every bound DISPID is one the description has (Add checks it).
    const auto entry = entries_.find(dispid);
    if (entry == entries_.end()) return DISP_E_MEMBERNOTFOUND;
    const Entry& e = entry->second;
    return InvokeMember(*e.member, Bound(object, e), flags, params, result, excepInfo, argErr, source);
  }

 private:
  struct Entry {
    const DispatchTable::Member* member = nullptr;  // in table_, which never changes
    std::function<Variant(T&, VarType)> get;
    std::function<void(T&, const Variant&)> put;
    std::function<void(T&)> call;
  };

  class Bound final : public BoundMember {
   public:
    Bound(T& object, const Entry& entry) : object_(object), entry_(entry) {}
    bool HasGet() const override { return static_cast<bool>(entry_.get); }
    bool HasPut() const override { return static_cast<bool>(entry_.put); }
    bool HasCall() const override { return static_cast<bool>(entry_.call); }
    Variant Get() const override { return entry_.get(object_, entry_.member->type); }
    void Put(const Variant& value) const override { entry_.put(object_, value); }
    void Call() const override { entry_.call(object_); }

   private:
    T& object_;
    const Entry& entry_;
  };

  Entry& Add(DISPID dispid, DispatchTable::Kind kind);  // defined below

  template <class F>
  static std::function<Variant(T&, VarType)> WrapGet(F get) {
    if (get == nullptr) return nullptr;
    return [get](T& o, VarType vt) { return ToVariant((o.*get)(), vt); };
  }
  template <class P, class F>
  static std::function<void(T&, const Variant&)> WrapPut(F put) {
    if (put == nullptr) return nullptr;
    using V = std::remove_cvref_t<P>;
    return [put](T& o, const Variant& v) { (o.*put)(FromVariant<V>(v)); };
  }

  std::shared_ptr<const DispatchTable> table_;
  std::map<DISPID, Entry> entries_;
};

// Binding a DISPID the description does not have, or binding one twice, is a
// packaging mistake; it is caught when the map is built, not at the first call.
KVQMXTMR_EXPORT void CheckBinding(const DispatchTable& table, DISPID dispid, bool isMethod, bool alreadyBound);

template <class T>
typename DispatchMap<T>::Entry& DispatchMap<T>::Add(DISPID dispid, DispatchTable::Kind kind) {
  CheckBinding(*table_, dispid, kind == DispatchTable::Kind::Method, entries_.count(dispid) != 0);
  Entry& e = entries_[dispid];
  e.member = table_->Find(dispid);
  return e;
}

}  // namespace com
