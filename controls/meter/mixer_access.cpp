// The mixer side of the meter: opening the first mixer, finding the peak meter
// of its wave-output line, and reading that meter's current value into a
// 4-byte block the control keeps for its whole life.
#include <cstring>
#include <exception>

#include "controls/meter/declared_imports.h"
#include "controls/meter/kv_disp_vu.h"
#include "runtime/automation/variant.h"
#include "runtime/forms/msgbox.h"

namespace {

constexpr uint32_t kControlRecordBytes = sizeof(MIXERCONTROL);  // 152, four more than the platform's
constexpr uint32_t kValueBytes = sizeof(MIXERCONTROLDETAILS_SIGNED);

}  // namespace

// Runs on every Show event.
void KvDispVU::UserControl_Show() {
  // A repeated Show would otherwise leave the previous handle open and its
  // value block allocated.
  ReleaseMixer();

  state_.LastMixerResult = meter::imports::mixerOpen(&state_.MixerHandle, 0, 0, 0, 0);
  if (state_.LastMixerResult != MMSYSERR_NOERROR) {
    state_.MixerHandle = 0;  // whatever a failing open left there names no mixer
    forms::MsgBox("Couldn't open the mixer.");
    return;
  }

  state_.MeterFound =
      FindMixerControl(state_.MixerHandle, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT,
                       MIXERCONTROL_CONTROLTYPE_PEAKMETER, state_.MeterControl);

  // The read request is prepared even when no meter was found: reads then
  // ask for control 0, and the mixer's answer decides what they get.
  state_.MeterDetails.cbStruct = sizeof(MIXERCONTROLDETAILS);
  // Zero-filled, so a pass before the first successful read sees level 0
  // rather than whatever the block held.
  state_.ValueBlock = meter::imports::GlobalAlloc(GPTR, kValueBytes);
  state_.MeterDetails.paDetails = meter::imports::GlobalLock(state_.ValueBlock);
  state_.MeterDetails.cbDetails = kValueBytes;
  state_.MeterDetails.cChannels = 1;
}

int16_t KvDispVU::FindMixerControl(uint32_t mixer, uint32_t componentType, uint32_t controlType,
                                   MIXERCONTROL& control) {
  MIXERLINEA line;
  std::memset(&line, 0, sizeof line);
  line.cbStruct = sizeof(MIXERLINEA);
  line.dwComponentType = componentType;
  if (meter::imports::mixerGetLineInfoA(mixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) !=
      MMSYSERR_NOERROR)
    return com::VARIANT_FALSE;

  MIXERLINECONTROLSA request;
  std::memset(&request, 0, sizeof request);
  request.cbStruct = sizeof(MIXERLINECONTROLSA);
  request.dwLineID = line.dwLineID;
  request.dwControlType = controlType;
  request.cControls = 1;
  request.cbmxctrl = kControlRecordBytes;

  const uint32_t block = meter::imports::GlobalAlloc(GMEM_FIXED, kControlRecordBytes);
  int16_t found = com::VARIANT_FALSE;
  try {
    request.pamxctrl = meter::imports::GlobalLock(block);
    control.cbStruct = kControlRecordBytes;
    if (meter::imports::mixerGetLineControlsA(mixer, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
        MMSYSERR_NOERROR) {
      meter::imports::RtlMoveMemory(&control, request.pamxctrl, kControlRecordBytes);
      found = com::VARIANT_TRUE;
    }
  } catch (const std::exception&) {
    // The lookup's block is freed on every way out, a raised error included.
    meter::imports::GlobalFree(block);
    throw;
  }
  meter::imports::GlobalFree(block);
  return found;
}

// The first step of every metering pass.
void KvDispVU::ReadMeterValue() {
  // Without a block (the mixer never opened) there is nothing to read
  // through: the previous reading stands.
  if (state_.ValueBlock == 0 || state_.MeterDetails.paDetails == 0) return;

  state_.MeterDetails.dwControlID = state_.MeterControl.dwControlID;
  state_.MeterDetails.cMultipleItems = state_.MeterControl.cMultipleItems;
  // A failed read is only recorded: the block still holds the last good value,
  // which is then taken again.
  state_.LastMixerResult = meter::imports::mixerGetControlDetailsA(
      state_.MixerHandle, &state_.MeterDetails, MIXER_GETCONTROLDETAILSF_VALUE);
  meter::imports::RtlMoveMemory(&state_.PeakValue, state_.MeterDetails.paDetails, kValueBytes);
  if (state_.PeakValue < 0) {
    // The one negative value without a positive counterpart is pinned to the
    // largest magnitude that fits, so the level is never negative.
    state_.PeakValue = state_.PeakValue == INT32_MIN ? INT32_MAX : -state_.PeakValue;
  }
}

void KvDispVU::ReleaseMixer() {
  if (state_.ValueBlock != 0) {
    const uint32_t block = state_.ValueBlock;
    state_.ValueBlock = 0;
    state_.MeterDetails.paDetails = 0;
    meter::imports::GlobalFree(block);
  }
  if (state_.MixerHandle != 0) {
    const uint32_t handle = state_.MixerHandle;
    state_.MixerHandle = 0;
    meter::imports::mixerClose(handle);
  }
}
