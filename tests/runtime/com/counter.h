#pragma once
// A tiny visible control for the tests: two persisted properties, a method
// that raises events, a size it snaps its height to, and a journal of the
// lifecycle calls the container made.
#include <string>
#include <vector>

#include "runtime/automation/hresult.h"
#include "runtime/forms/user_control.h"
#include "runtime/platform/error.h"
#include "tests/runtime/com/test_library.h"

namespace comtest {

// Lifecycle calls, in order, across all counters of the module.
std::vector<std::string>& Journal();

class Counter : public forms::UserControl {
 public:
  int32_t Value() const { return value_; }
  void SetValue(int32_t v) {
    value_ = v;
    PropertyChanged("Value");
  }
  int32_t Step() const { return step_; }
  // Checks before it stores, so a refused step leaves the old one.
  void SetStep(int32_t v) {
    if (v == 0) throw platform::Error(com::E_INVALIDARG, "Step cannot be zero");
    step_ = v;
    PropertyChanged("Step");
  }
  // Adds the step, announces "Ticks" (a name its interface lacks, which
  // hosts see as DISPID_UNKNOWN), raises Ticked, then Tocked with the new
  // value when even.
  void Fire() {
    value_ += step_;
    PropertyChanged("Ticks");
    RaiseEvent(kTicked);
    if (value_ % 2 == 0) RaiseEvent(kTocked, {com::Variant::I4(value_)});
  }

 protected:
  void UserControl_InitProperties() override {
    Journal().push_back("InitProperties");
    value_ = 0;
    step_ = 1;
  }
  void UserControl_ReadProperties(forms::PropertyBag& bag) override {
    Journal().push_back("ReadProperties");
    value_ = bag.ReadProperty("Value", com::Variant::I2(0)).ToI4();
    step_ = bag.ReadProperty("Step", com::Variant::I2(1)).ToI4();
  }
  void UserControl_WriteProperties(forms::PropertyBag& bag) override {
    Journal().push_back("WriteProperties");
    bag.WriteProperty("Value", com::Variant::I4(value_), com::Variant::I2(0));
    bag.WriteProperty("Step", com::Variant::I4(step_), com::Variant::I2(1));
  }
  void UserControl_Resize() override {
    Journal().push_back("Resize");
    SetHeight(kCounterHeight);
  }
  void UserControl_Terminate() override { Journal().push_back("Terminate"); }

 private:
  int32_t value_ = -1;  // neither initialised nor loaded yet
  int32_t step_ = -1;
};

}  // namespace comtest
