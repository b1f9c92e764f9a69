#pragma once
// Open mixer handles. Handle values start far above any device number, so a
// value passed with MIXER_OBJECTF_MIXER is unambiguously one or the other, and
// they are not reused soon after mixerClose.
#include <cstdint>
#include <memory>

#include "runtime/winmm/mixer_device.h"

namespace winmm {

// 0 when the handle space is exhausted.
uint32_t AddMixerHandle(std::shared_ptr<MixerDevice> device);
// Null when `handle` is not open.
std::shared_ptr<MixerDevice> FindMixerHandle(uint32_t handle);
// The device of a handle that was open and is now closed; null when it was not open.
std::shared_ptr<MixerDevice> RemoveMixerHandle(uint32_t handle);

inline constexpr uint32_t kFirstMixerHandle = 0x4D580001;

}  // namespace winmm
