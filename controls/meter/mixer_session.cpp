// The mixer side of the meter: opening the first mixer, finding the peak meter
// of its wave-output line, and reading that meter's current value into a
// 4-byte block that lives until the next setup or the control's end.
#include "controls/meter/mixer_session.h"

#include <cstring>
#include <exception>

#include "controls/meter/declared_imports.h"
#include "runtime/automation/variant.h"

namespace meter {
namespace {

constexpr uint32_t kControlRecordBytes = sizeof(MIXERCONTROL);  // 152, four more than the platform's
constexpr uint32_t kValueBytes = sizeof(MIXERCONTROLDETAILS_SIGNED);

// A block taken for one call: freed by Free, or, when an error leaves first,
// by the destructor.
class CallBlock {
 public:
  explicit CallBlock(uint32_t bytes) : handle_(imports::GlobalAlloc(GMEM_FIXED, bytes)) {}
  ~CallBlock() {
    try {
      Free();
    } catch (const std::exception&) {
      // Already on the way out with the error that matters.
    }
  }
  CallBlock(const CallBlock&) = delete;
  CallBlock& operator=(const CallBlock&) = delete;

  uint32_t handle() const { return handle_; }
  void Free() {
    const uint32_t handle = handle_;
    handle_ = 0;
    if (handle != 0) imports::GlobalFree(handle);
  }

 private:
  uint32_t handle_;
};

}  // namespace

MixerSession::~MixerSession() {
  try {
    Release();
  } catch (const std::exception&) {
  }
}

bool MixerSession::SetUp() {
  // A repeated Show would otherwise leave the previous handle open and its
  // value block allocated.
  Release();
  setUpRun_ = true;

  state_.LastMixerResult = imports::mixerOpen(&state_.MixerHandle, 0, 0, 0, 0);
  if (state_.LastMixerResult != MMSYSERR_NOERROR) {
    state_.MixerHandle = 0;  // whatever a failing open left there names no mixer
    return false;
  }

  state_.MeterFound = FindMixerControl(state_.MixerHandle, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT,
                                       MIXERCONTROL_CONTROLTYPE_PEAKMETER, state_.MeterControl);

  // The read request is prepared even when no meter was found: reads then
  // ask for control 0, and the mixer's answer decides what they get.
  state_.MeterDetails.cbStruct = sizeof(MIXERCONTROLDETAILS);
  // Zero-filled, so a pass before the first successful read sees level 0
  // rather than whatever the block held.
  state_.ValueBlock = imports::GlobalAlloc(GPTR, kValueBytes);
  state_.MeterDetails.paDetails = imports::GlobalLock(state_.ValueBlock);
  state_.MeterDetails.cbDetails = kValueBytes;
  state_.MeterDetails.cChannels = 1;
  return true;
}

int16_t MixerSession::FindMixerControl(uint32_t mixer, uint32_t componentType, uint32_t controlType,
                                       MIXERCONTROL& control) {
  MIXERLINEA line;
  std::memset(&line, 0, sizeof line);
  line.cbStruct = sizeof(MIXERLINEA);
  line.dwComponentType = componentType;
  if (imports::mixerGetLineInfoA(mixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
    return com::VARIANT_FALSE;

  MIXERLINECONTROLSA request;
  std::memset(&request, 0, sizeof request);
  request.cbStruct = sizeof(MIXERLINECONTROLSA);
  request.dwLineID = line.dwLineID;
  request.dwControlType = controlType;
  request.cControls = 1;
  request.cbmxctrl = kControlRecordBytes;

  CallBlock block(kControlRecordBytes);
  int16_t found = com::VARIANT_FALSE;
  request.pamxctrl = imports::GlobalLock(block.handle());
  control.cbStruct = kControlRecordBytes;
  if (imports::mixerGetLineControlsA(mixer, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) == MMSYSERR_NOERROR) {
    imports::RtlMoveMemory(&control, request.pamxctrl, kControlRecordBytes);
    found = com::VARIANT_TRUE;
  }
  block.Free();
  return found;
}

void MixerSession::Read() {
  // Without a block (the mixer never opened) there is nothing to read
  // through: the previous reading stands.
  if (state_.ValueBlock == 0 || state_.MeterDetails.paDetails == 0) return;

  state_.MeterDetails.dwControlID = state_.MeterControl.dwControlID;
  state_.MeterDetails.cMultipleItems = state_.MeterControl.cMultipleItems;
  // A failed read is only recorded: the block still holds the last good value,
  // which is then taken again.
  state_.LastMixerResult =
      imports::mixerGetControlDetailsA(state_.MixerHandle, &state_.MeterDetails, MIXER_GETCONTROLDETAILSF_VALUE);
  imports::RtlMoveMemory(&state_.PeakValue, state_.MeterDetails.paDetails, kValueBytes);
  if (state_.PeakValue < 0) {
    // The one negative value without a positive counterpart is pinned to the
    // largest magnitude that fits, so the level is never negative.
    state_.PeakValue = state_.PeakValue == INT32_MIN ? INT32_MAX : -state_.PeakValue;
  }
}

void MixerSession::Release() {
  if (state_.ValueBlock != 0) {
    const uint32_t block = state_.ValueBlock;
    state_.ValueBlock = 0;
    state_.MeterDetails.paDetails = 0;
    imports::GlobalFree(block);
  }
  if (state_.MixerHandle != 0) {
    const uint32_t handle = state_.MixerHandle;
    state_.MixerHandle = 0;
    imports::mixerClose(handle);
  }
}

}  // namespace meter
