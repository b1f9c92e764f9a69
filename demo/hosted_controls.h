#pragma once
// The window's two hosted controls, created by class identity through the
// registry and the module's class factory when the window is built, each from
// its entry in the saved layout (which holds only the container's extents, so
// both start with their initial property values). Both are placed in the
// status strip; the fast timer is invisible while the program runs. The fast
// timer's QmxTimer event is connected by its DISPID to the given handler.
//
// The controls live as long as this object: after the window has closed they
// still answer, so the quit dialog can switch them off.
#include <functional>
#include <memory>

#include "demo/control_calls.h"

namespace forms {
class Container;
}

namespace whorlix {

class SavedLayout;

class HostedControls {
 public:
  // Raises platform::Error naming the class and the module file when a
  // control cannot be created (class not registered, module missing or
  // broken), with the creation's status code.
  HostedControls(forms::Container& strip, const SavedLayout& layout, std::function<void()> onQmxTimer);
  ~HostedControls();
  HostedControls(const HostedControls&) = delete;
  HostedControls& operator=(const HostedControls&) = delete;

  VuMeterCalls KvDispVU1() const;
  FastTimerCalls KvQmxFasTmr1() const;

 private:
  struct Hosts;
  std::unique_ptr<Hosts> hosts_;
};

}  // namespace whorlix
