#include "demo/hosted_controls.h"

#include "controls/module/library/identities.h"
#include "demo/saved_layout.h"
#include "runtime/com/hosting.h"
#include "runtime/com/hresult.h"
#include "runtime/platform/error.h"

namespace whorlix {
namespace {

// What a user can do about it, by the creation's status code.
std::string Remedy(int32_t code) {
  if (code == com::REGDB_E_CLASSNOTREG) {
    return "The controls are not registered on this machine. Register the module with:\n"
           "    regtool register KvQmxTmr.ocx";
  }
  if (code == com::CO_E_DLLNOTFOUND) {
    return "The registered module file KvQmxTmr.ocx is missing. Build it, or register it again from where it is.";
  }
  return "KvQmxTmr.ocx may be damaged or out of date. Rebuild it and register it again.";
}

std::unique_ptr<com::HostedControl> Create(forms::Container& strip, const SavedLayout& layout, const char* name,
                                           const com::CLSID& clsid, const char* className, const char* progId,
                                           const com::HostedPlacement& place) {
  try {
    const forms::PropertyBag bag = layout.Bag(name);
    return std::make_unique<com::HostedControl>(strip, name, clsid, place, &bag, true);
  } catch (const platform::Error& e) {
    throw platform::Error(e.code(), std::string("The control ") + className + " (" + progId + ", class " +
                                        clsid.ToString() + ") from the module " + dialfen::kModuleFileName +
                                        " could not be created:\n" + e.what() + "\n\n" + Remedy(e.code()));
  }
}

}  // namespace

struct HostedControls::Hosts {
  std::unique_ptr<com::HostedControl> timer;
  std::unique_ptr<com::HostedControl> meter;
};

HostedControls::HostedControls(forms::Container& strip, const SavedLayout& layout, std::function<void()> onQmxTimer)
    : hosts_(std::make_unique<Hosts>()) {
  hosts_->timer = Create(strip, layout, "KvQmxFasTmr1", dialfen::CLSID_KvQmxFasTmr, dialfen::kClassName_KvQmxFasTmr,
                         dialfen::kProgID_KvQmxFasTmr, {2580, 30, 420, 405});
  hosts_->timer->Connect(dialfen::DISPID_QmxTimer, std::move(onQmxTimer));
  hosts_->meter = Create(strip, layout, "KvDispVU1", dialfen::CLSID_KvDispVU, dialfen::kClassName_KvDispVU,
                         dialfen::kProgID_KvDispVU, {2820, 45, 2715, 240});
}

// The meter first: it was created last.
HostedControls::~HostedControls() {
  hosts_->meter.reset();
  hosts_->timer.reset();
}

VuMeterCalls HostedControls::KvDispVU1() const { return VuMeterCalls(hosts_->meter->Object()); }

FastTimerCalls HostedControls::KvQmxFasTmr1() const { return FastTimerCalls(hosts_->timer->Object()); }

}  // namespace whorlix
