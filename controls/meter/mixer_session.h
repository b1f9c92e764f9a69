#pragma once
// The meter's hold on the mixer: the handle of the first mixer, the peak meter
// found on its wave-output line, and the read request with the 4-byte block
// the mixer writes each value into. The session owns the handle and the block
// and gives both back on every way out: a new setup, the control's end, or
// its own destruction.
#include <cstdint>

#include "runtime/winmm/mmsystem.h"

namespace meter {

// What the control keeps between Show and its passes. All zero until the
// first setup.
struct MixerState {
  uint32_t MixerHandle = 0;            // 0 while no mixer is open
  MIXERCONTROL MeterControl{};         // only dwControlID and cMultipleItems matter after lookup
  uint32_t LastMixerResult = 0;        // of the latest mixerOpen or mixerGetControlDetailsA
  int16_t MeterFound = 0;              // 16-bit Boolean, recorded only
  MIXERCONTROLDETAILS MeterDetails{};  // the read request every pass reuses
  uint32_t ValueBlock = 0;             // 4-byte block the mixer writes the value into; 0 when none
  int32_t PeakValue = 0;               // magnitude of the latest value read
};

class MixerSession {
 public:
  MixerSession() = default;
  // Gives back what is still held; a failure then has nobody to go to.
  ~MixerSession();
  MixerSession(const MixerSession&) = delete;
  MixerSession& operator=(const MixerSession&) = delete;

  // The mixer setup of every Show: gives back what the previous setup took,
  // opens the first mixer, finds the peak meter of its wave-output line and
  // prepares the read request. False when the open failed: nothing is taken
  // then, and the caller tells the user.
  bool SetUp();
  // Whether a setup has run: until then no pass has a mixer to read.
  bool SetUpRun() const { return setUpRun_; }
  // The value read of a pass: leaves the reading's magnitude in PeakValue.
  // Without a block (the open failed) the previous reading stands.
  void Read();
  // Frees the value block, then closes the mixer, whichever is held.
  void Release();

  const MixerState& State() const { return state_; }

 private:
  static int16_t FindMixerControl(uint32_t mixer, uint32_t componentType, uint32_t controlType,
                                  MIXERCONTROL& control);

  MixerState state_;
  bool setUpRun_ = false;
};

}  // namespace meter
