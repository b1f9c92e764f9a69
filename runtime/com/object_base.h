#pragma once
// Reference counting and QueryInterface for objects made of plain interfaces.
// Derived classes list their interfaces; QueryInterface answers each listed
// interface, the bases named by InterfaceBases, and IUnknown (the first
// listed interface, the object's identity).
#include <atomic>
#include <type_traits>

#include "runtime/com/interfaces.h"

namespace com {

// Interfaces an interface derives from, beyond IUnknown, that QueryInterface
// must also answer.
template <class I>
struct InterfaceBases {
  static void* Find(I*, const IID&) { return nullptr; }
};
template <>
struct InterfaceBases<IPersistPropertyBag> {
  static void* Find(IPersistPropertyBag* p, const IID& iid) {
    return iid == IID_IPersist ? static_cast<IPersist*>(p) : nullptr;
  }
};

template <class Derived, class First, class... Rest>
class ObjectBase : public First, public Rest... {
 public:
  HRESULT QueryInterface(const IID& iid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = Find(iid);
    if (*ppv == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 protected:
  ObjectBase() = default;
  virtual ~ObjectBase() = default;

  // Derived classes may extend the interface table.
  virtual void* Find(const IID& iid) {
    if (iid == IID_IUnknown) return static_cast<IUnknown*>(static_cast<First*>(this));
    void* found = FindIn<First>(iid);
    ((found = found ? found : FindIn<Rest>(iid)), ...);
    return found;
  }

 private:
  template <class I>
  void* FindIn(const IID& iid) {
    I* p = static_cast<I*>(this);
    if (iid == I::kIID) return p;
    return InterfaceBases<I>::Find(p, iid);
  }
  std::atomic<ULONG> refs_{1};
};

}  // namespace com
