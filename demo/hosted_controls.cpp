#include "demo/hosted_controls.h"

#include <unistd.h>

#include <filesystem>

#include "controls/module/library/identities.h"
#include "demo/saved_layout.h"
#include "runtime/com/hosting.h"
#include "runtime/automation/hresult.h"
#include "runtime/platform/error.h"
#include "runtime/platform/runtime_location.h"

namespace whorlix {
namespace {

namespace fs = std::filesystem;

// A path as the user would type it here: relative when it lies below the
// current folder (so a demo started from the clone prints the README's
// command), absolute otherwise, and quoted when a shell would split it.
std::string Shown(const fs::path& path) {
  std::string s = path.string();
  std::error_code ec;
  const fs::path here = fs::current_path(ec);
  if (!ec && here != here.root_path()) {
    const fs::path relative = path.lexically_relative(here);
    if (!relative.empty() && *relative.begin() != "..") s = relative.string();
  }
  if (s.find_first_of(" \t\n'\"\\$`!*?;&|<>()[]{}#~") == std::string::npos) return s;
  std::string quoted = "'";
  for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The whole command that registers this tree's module for the user: the
// module lies in the tree's module folder (platform::Folders), the tool
// beside the program (or, for a program built elsewhere, beside the runtime
// library of a build tree), else wherever the PATH finds it.
std::string RegisterCommand() {
  constexpr const char* kRegtool = "kvqmxtmr-regtool";
  fs::path runtime, modules;
  try {
    runtime = platform::RuntimeFolder();
    modules = platform::Folders().modules;
  } catch (const platform::Error&) {
    return std::string(kRegtool) + " register " + dialfen::kModuleFileName;
  }
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec).parent_path();
  fs::path regtool = kRegtool;
  for (const fs::path& dir : {program, runtime}) {
    if (!dir.empty() && ::access((dir / kRegtool).c_str(), X_OK) == 0) {
      regtool = dir / kRegtool;
      break;
    }
  }
  return Shown(regtool) + " register " + Shown(modules / dialfen::kModuleFileName);
}

// What a user can do about it, by the creation's status code.
std::string Remedy(int32_t code) {
  const std::string command = "\n    " + RegisterCommand();
  if (code == com::REGDB_E_CLASSNOTREG) {
    return "The controls are not registered for this user or this installation. Register the module with:" + command;
  }
  if (code == com::CO_E_DLLNOTFOUND) {
    return "The registered module file KvQmxTmr.ocx is missing. Build it, or register it again from where it is:" +
           command;
  }
  if (code == com::REGDB_E_READREGDB) {
    return "The registry file named above cannot be read; that file is at fault, not KvQmxTmr.ocx. Repair it or "
           "move it aside, then register the module again with:" +
           command;
  }
  return "KvQmxTmr.ocx may be damaged or out of date. Rebuild it and register it again with:" + command;
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
