#pragma once
// A plain automation object (no window): enough to drive dispatch, creation
// and unload accounting without the forms layer.
#include <string>

#include "runtime/com/dispatch_map.h"
#include "runtime/com/module.h"
#include "runtime/com/object_base.h"
#include "runtime/platform/error.h"
#include "tests/runtime/com/test_library.h"

namespace comtest {

enum TallyMode : int32_t { Up = 0, Down = 1 };

class Tally {
 public:
  int32_t Count() const { return count_; }
  // Checks before it stores, so a refused value leaves the count as it was.
  void SetCount(int32_t v) {
    if (v < 0 || v > limit_) throw platform::Error(com::E_INVALIDARG, "Count out of range");
    count_ = v;
  }
  int32_t Limit() const { return limit_; }
  void SetLimit(int32_t v) { limit_ = v; }
  int16_t Armed() const { return armed_; }
  void SetArmed(int16_t v) { armed_ = v; }
  TallyMode Mode() const { return mode_; }
  void SetMode(TallyMode m) { mode_ = m; }
  std::string Label() const { return label_; }
  void SetLabel(std::string s) { label_ = std::move(s); }
  void Bump() { SetCount(mode_ == Up ? count_ + 1 : count_ - 1); }

 private:
  int32_t count_ = 0;
  int32_t limit_ = 10;
  int16_t armed_ = 0;
  TallyMode mode_ = Up;
  std::string label_;
};

inline const com::DispatchMap<Tally>& TallyMap() {
  static const com::DispatchMap<Tally> map = com::DispatchMap<Tally>(Library(), "_Tally")
                                                 .Property(kCount, &Tally::Count, &Tally::SetCount)
                                                 .Property(kLimit, &Tally::Limit, &Tally::SetLimit)
                                                 .Property(kArmed, &Tally::Armed, &Tally::SetArmed)
                                                 .Property(kMode, &Tally::Mode, &Tally::SetMode)
                                                 .Property(kLabel, &Tally::Label, &Tally::SetLabel)
                                                 .Method(kBump, &Tally::Bump);
  return map;
}

class TallyObject final : public com::ObjectBase<TallyObject, com::IDispatch> {
 public:
  explicit TallyObject(com::ModuleUsage usage = {}) : usage_(std::move(usage)) {}

  com::HRESULT GetTypeInfoCount(uint32_t* count) override {
    if (!count) return com::E_POINTER;
    *count = 0;
    return com::S_OK;
  }
  com::HRESULT GetTypeInfo(uint32_t, com::LCID, com::ITypeInfo**) override { return com::DISP_E_BADINDEX; }
  com::HRESULT GetIDsOfNames(const com::IID& riid, const char* const* names, uint32_t count, com::LCID,
                             com::DISPID* ids) override {
    return TallyMap().GetIDsOfNames(riid, names, count, ids);
  }
  com::HRESULT Invoke(com::DISPID id, const com::IID& riid, com::LCID, uint16_t flags, com::DISPPARAMS* params,
                      com::Variant* result, com::EXCEPINFO* excep, uint32_t* argErr) override {
    return TallyMap().Invoke(state_, id, riid, flags, params, result, excep, argErr, "ComTest.Tally");
  }

  Tally& State() { return state_; }

 private:
  Tally state_;
  com::ModuleUsage usage_;
};

}  // namespace comtest
