#pragma once
// Which device stands behind mixer device 0, chosen at every mixerOpen:
//   1. a device installed in-process with winmm::ScopedMixerDevice;
//   2. otherwise the setting: winmm::ScopedMixerSetting if one is active, else
//      the environment variable KV_MIXER_DEVICE:
//        pulse          the sound server libpulse finds by itself (the default)
//        pulse:SERVER   the sound server at SERVER (e.g. unix:/run/x/native)
//        script:FILE    a scripted device (format in scripted_mixer.h)
// Devices for one setting are shared by all handles open on it and kept for
// the life of the process, so opening the mixer again opens no second
// connection to the server.
#include "runtime/platform/export.h"
#include <memory>
#include <optional>
#include <string>

#include "runtime/winmm/mixer_device.h"

namespace winmm {

// The device for mixer device 0 under the current selection, or null with
// `reason` set when the setting cannot be used (unknown kind, bad script).
std::shared_ptr<MixerDevice> SelectMixerDevice(std::string& reason);

// Makes `device` (or, when null, the setting again) the device behind mixer
// device 0; returns the one installed before. ScopedMixerDevice uses this.
std::shared_ptr<MixerDevice> InstallMixerDevice(std::shared_ptr<MixerDevice> device);

// Why the most recent failed mixerOpen failed, in words; empty after a success.
KVQMXTMR_EXPORT std::string LastMixerOpenError();
void SetLastMixerOpenError(std::string reason);

// Overrides KV_MIXER_DEVICE in this process for the scope.
class KVQMXTMR_EXPORT ScopedMixerSetting {
 public:
  explicit ScopedMixerSetting(std::string setting);
  ~ScopedMixerSetting();
  ScopedMixerSetting(const ScopedMixerSetting&) = delete;
  ScopedMixerSetting& operator=(const ScopedMixerSetting&) = delete;

 private:
  std::optional<std::string> previous_;
};

// Makes `device` mixer device 0 for this process until the scope ends, ahead
// of KV_MIXER_DEVICE. Handles opened meanwhile keep their device after it.
class KVQMXTMR_EXPORT ScopedMixerDevice {
 public:
  explicit ScopedMixerDevice(std::shared_ptr<MixerDevice> device);
  ~ScopedMixerDevice();
  ScopedMixerDevice(const ScopedMixerDevice&) = delete;
  ScopedMixerDevice& operator=(const ScopedMixerDevice&) = delete;

 private:
  std::shared_ptr<MixerDevice> previous_;
};

}  // namespace winmm
