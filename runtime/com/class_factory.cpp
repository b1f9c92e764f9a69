#include "runtime/com/class_factory.h"

#include <map>
#include <mutex>

#include "runtime/automation/error_info.h"
#include "runtime/com/object_base.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

// Server locks per module: LockServer(FALSE) may come through another class
// object than the one that locked, but never undoes more than was locked.
std::mutex g_lockMutex;
std::map<ModuleWord*, long>& Locks() {
  // Never destroyed: modules' unload notifications run after the runtime's
  // static destructors at process exit.
  static auto* locks = new std::map<ModuleWord*, long>;
  return *locks;
}

class ClassFactory final : public ObjectBase<ClassFactory, IClassFactory> {
 public:
  ClassFactory(const ClassDescriptor& cls, ModuleWord* count) : cls_(cls), count_(count), usage_(count) {}

  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (!cls_.create) return CLASS_E_CLASSNOTAVAILABLE;
    try {
      IUnknown* object = cls_.create(ModuleUsage(count_));
      if (object == nullptr) return E_OUTOFMEMORY;
      const HRESULT h = object->QueryInterface(iid, ppv);
      object->Release();
      return h;
    } catch (const platform::Error& e) {
      SetErrorText("Creating " + cls_.progId + ": " + e.what());
      return FAILED(e.code()) ? e.code() : E_FAIL;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
      SetErrorText("Creating " + cls_.progId + ": " + e.what());
      return E_FAIL;
    }
  }

  HRESULT LockServer(BOOL lock) override {
    std::lock_guard<std::mutex> g(g_lockMutex);
    long& locks = Locks()[count_];
    if (lock) {
      ++locks;
      ++*count_;
      return S_OK;
    }
    if (locks == 0) return E_UNEXPECTED;
    --locks;
    --*count_;
    return S_OK;
  }

 private:
  const ClassDescriptor& cls_;
  ModuleWord* count_;
  ModuleUsage usage_;
};

}  // namespace

IClassFactory* NewClassFactory(const ClassDescriptor& cls, ModuleWord* moduleCount) {
  return new ClassFactory(cls, moduleCount);
}

}  // namespace com

namespace com {
void ForgetModuleLocks(ModuleWord* moduleCount) {
  std::lock_guard<std::mutex> g(g_lockMutex);
  Locks().erase(moduleCount);
}
}  // namespace com
