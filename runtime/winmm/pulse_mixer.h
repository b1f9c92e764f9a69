#pragma once
// The sound server behind mixer device 0 (implementation in pulse_mixer.cpp).
#include <memory>
#include <string>

#include "runtime/platform/export.h"
#include "runtime/winmm/mixer_device.h"

namespace winmm {

// `server` as libpulse takes it ("unix:/path/native", "tcp:host"); empty for
// the one libpulse finds by itself (PULSE_SERVER, the user's session).
// Nothing connects until the first Open; the connection then lasts as long as
// the device.
KVQMXTMR_EXPORT std::shared_ptr<MixerDevice> MakePulseMixer(std::string server);

}  // namespace winmm
