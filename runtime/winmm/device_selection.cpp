#include "runtime/winmm/device_selection.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <utility>

#include "runtime/platform/error.h"
#include "runtime/winmm/pulse_mixer.h"
#include "runtime/winmm/scripted_mixer.h"

namespace winmm {
namespace {

struct Selection {
  std::mutex lock;
  std::shared_ptr<MixerDevice> installed;
  std::optional<std::string> setting;
  // One connection per server for the life of the process: a meter closes
  // and reopens the mixer on every Show, and the reopen must find the
  // connection, and its level, already there.
  std::map<std::string, std::shared_ptr<MixerDevice>> servers;
  // A script's position persists for the life of the process, across opens.
  std::map<std::string, std::shared_ptr<MixerDevice>> scripts;
  std::string lastOpenError;
  std::set<std::string> reported;
};

Selection& TheSelection() {
  static Selection selection;
  return selection;
}

std::string Trimmed(std::string text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// A misconfigured device setting is a mistake of whoever set up the run; say
// so once on stderr, since the program itself only sees a failed open.
void ReportOnce(Selection& s, const std::string& reason) {
  if (s.reported.insert(reason).second) std::fprintf(stderr, "mixer: %s\n", reason.c_str());
}

}  // namespace

std::shared_ptr<MixerDevice> SelectMixerDevice(std::string& reason) {
  Selection& s = TheSelection();
  std::lock_guard guard(s.lock);
  if (s.installed) return s.installed;

  std::string setting;
  if (s.setting) {
    setting = *s.setting;
  } else if (const char* env = std::getenv("KV_MIXER_DEVICE")) {
    setting = env;
  }
  setting = Trimmed(setting);

  if (setting.empty() || setting == "pulse" || setting.rfind("pulse:", 0) == 0) {
    const std::string server = setting.size() > 6 ? setting.substr(6) : std::string();
    std::shared_ptr<MixerDevice>& device = s.servers[server];
    if (!device) device = MakePulseMixer(server);
    return device;
  }
  if (setting.rfind("script:", 0) == 0) {
    const std::string path = setting.substr(7);
    auto& cached = s.scripts[path];
    if (!cached) {
      try {
        cached = std::make_shared<ScriptedMixer>(MixerScript::Load(path));
      } catch (const platform::Error& e) {
        s.scripts.erase(path);  // read again next time: the file may be fixed meanwhile
        reason = e.what();
        ReportOnce(s, reason);
        return nullptr;
      }
    }
    return cached;
  }
  reason = "KV_MIXER_DEVICE='" + setting + "' names no mixer device (expected pulse, pulse:SERVER or script:FILE)";
  ReportOnce(s, reason);
  return nullptr;
}

std::shared_ptr<MixerDevice> InstallMixerDevice(std::shared_ptr<MixerDevice> device) {
  Selection& s = TheSelection();
  std::lock_guard guard(s.lock);
  std::swap(s.installed, device);
  return device;
}

std::string LastMixerOpenError() {
  Selection& s = TheSelection();
  std::lock_guard guard(s.lock);
  return s.lastOpenError;
}

void SetLastMixerOpenError(std::string reason) {
  Selection& s = TheSelection();
  std::lock_guard guard(s.lock);
  s.lastOpenError = std::move(reason);
}

ScopedMixerSetting::ScopedMixerSetting(std::string setting) {
  Selection& s = TheSelection();
  std::lock_guard guard(s.lock);
  previous_ = std::exchange(s.setting, std::move(setting));
}

ScopedMixerSetting::~ScopedMixerSetting() {
  Selection& s = TheSelection();
  std::lock_guard guard(s.lock);
  s.setting = std::move(previous_);
}

ScopedMixerDevice::ScopedMixerDevice(std::shared_ptr<MixerDevice> device)
    : previous_(InstallMixerDevice(std::move(device))) {}

ScopedMixerDevice::~ScopedMixerDevice() { InstallMixerDevice(std::move(previous_)); }

}  // namespace winmm
