#pragma once
// What stands behind a mixer device number: a description of its lines and
// controls, and a way to read a control's current value. The mixer calls
// (mixer_calls.cpp) do all record handling and validation against the
// description, so every device answers malformed requests the same way.
#include "runtime/platform/export.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace winmm {

struct MixerControlInfo {
  uint32_t id = 0;
  uint32_t type = 0;   // MIXERCONTROL_CONTROLTYPE_*
  uint32_t flags = 0;  // MIXERCONTROL_CONTROLF_*
  std::string shortName;
  std::string name;
  int32_t minimum = 0;
  int32_t maximum = 0;
};

struct MixerLineInfo {
  uint32_t destination = 0;
  bool isSource = false;
  uint32_t source = 0;  // index among its destination's sources; only for sources
  uint32_t lineId = 0;
  uint32_t componentType = 0;  // MIXERLINE_COMPONENTTYPE_*
  uint32_t channels = 1;
  uint32_t connections = 0;  // sources feeding a destination
  std::string shortName;
  std::string name;
  uint32_t targetType = 0;  // MIXERLINE_TARGETTYPE_*
  std::vector<MixerControlInfo> controls;
};

struct MixerTopology {
  std::string productName;  // the device's name, shown in each line's Target
  uint16_t manufacturerId = 0;
  uint16_t productId = 0;
  uint32_t driverVersion = 0;
  std::vector<MixerLineInfo> lines;
};

class MixerDevice {
 public:
  enum class Call { kLineQuery, kControlQuery };

  virtual ~MixerDevice() = default;

  // One mixerOpen of this device: MMSYSERR_NOERROR, or the failure to return.
  // May wait a bounded time for the device to come up; otherwise returns at once.
  virtual uint32_t Open() = 0;
  virtual void Close() {}
  // Why the last Open failed, in words.
  virtual std::string LastError() const { return {}; }
  // Told of every line or control query that reached the device.
  virtual void Note(Call) {}
  // A snapshot; cheap enough to take on every read.
  virtual std::shared_ptr<const MixerTopology> Describe() = 0;
  // The current value of a signed control named in Describe(); returns
  // MMSYSERR_NOERROR and sets `value`, or a failure code and leaves it alone.
  // Must return at once: no waiting on a server.
  virtual uint32_t ReadSigned(uint32_t controlId, int32_t& value) = 0;
};

// The lines every device presents: a "Speakers" destination fed by a "Wave"
// source that carries the peak meter (or no meter, or no wave line at all).
inline constexpr uint32_t kSpeakersLineId = 0xFFFF0000;
inline constexpr uint32_t kWaveLineId = 0x00000000;
inline constexpr uint32_t kPeakMeterControlId = 1;
KVQMXTMR_EXPORT MixerTopology StandardTopology(std::string productName, bool withWaveLine, bool withPeakMeter);

}  // namespace winmm
