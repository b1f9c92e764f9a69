#pragma once
// The meter control's conversation with the mixer, step for step: open device
// 0, find the peak meter of the wave-output line through a 152-byte control
// block, prepare a one-channel read request on a 4-byte value block, read.
// All nine calls are bound by library and export name, as the control binds
// them.
#include <cstdint>

#include "runtime/kernel32/kernel32.h"
#include "runtime/platform/exports.h"
#include "runtime/winmm/mmsystem.h"

namespace kvtest {

struct Bound {
  platform::Declared<decltype(::mixerOpen)> mixerOpen{"winmm.dll", "mixerOpen"};
  platform::Declared<decltype(::mixerClose)> mixerClose{"winmm.dll", "mixerClose"};
  platform::Declared<decltype(::mixerGetLineInfoA)> mixerGetLineInfoA{"winmm.dll", "mixerGetLineInfoA"};
  platform::Declared<decltype(::mixerGetLineControlsA)> mixerGetLineControlsA{"winmm.dll",
                                                                              "mixerGetLineControlsA"};
  platform::Declared<decltype(::mixerGetControlDetailsA)> mixerGetControlDetailsA{"winmm.dll",
                                                                                  "mixerGetControlDetailsA"};
  platform::Declared<decltype(::GlobalAlloc)> GlobalAlloc{"kernel32", "GlobalAlloc"};
  platform::Declared<decltype(::GlobalLock)> GlobalLock{"kernel32", "GlobalLock"};
  platform::Declared<decltype(::GlobalFree)> GlobalFree{"kernel32", "GlobalFree"};
  platform::Declared<decltype(::RtlMoveMemory)> RtlMoveMemory{"kernel32", "RtlMoveMemory"};
};

class MeterSequence {
 public:
  ~MeterSequence() {
    if (valueBlock != 0) api.GlobalFree(valueBlock);
    if (mixer != 0) api.mixerClose(mixer);
  }

  // Returns the open result; on success runs the lookup and prepares the request.
  uint32_t Open() {
    openResult = api.mixerOpen(&mixer, 0, 0, 0, 0);
    if (openResult != MMSYSERR_NOERROR) return openResult;
    meterFound = FindControl(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, MIXERCONTROL_CONTROLTYPE_PEAKMETER);
    details.cbStruct = sizeof details;
    valueBlock = api.GlobalAlloc(GMEM_FIXED, 4);
    details.paDetails = api.GlobalLock(valueBlock);
    details.cbDetails = 4;
    details.cChannels = 1;
    return openResult;
  }

  // One read: the call's result, and the signed value the block holds after it.
  uint32_t Read(int32_t& value) {
    details.dwControlID = control.dwControlID;
    details.cMultipleItems = control.cMultipleItems;
    const uint32_t result = api.mixerGetControlDetailsA(mixer, &details, MIXER_GETCONTROLDETAILSF_VALUE);
    api.RtlMoveMemory(&value, details.paDetails, 4);
    return result;
  }

  Bound api;
  uint32_t mixer = 0;
  uint32_t openResult = 0;
  uint32_t lineResult = 0;
  uint32_t controlsResult = 0;
  bool meterFound = false;
  MIXERLINEA line{};
  MIXERCONTROL control{};
  MIXERCONTROLDETAILS details{};
  uint32_t valueBlock = 0;

 private:
  bool FindControl(uint32_t componentType, uint32_t controlType) {
    line = MIXERLINEA{};
    line.cbStruct = sizeof line;
    line.dwComponentType = componentType;
    lineResult = api.mixerGetLineInfoA(mixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE);
    if (lineResult != MMSYSERR_NOERROR) return false;
    MIXERLINECONTROLSA request{};
    request.cbStruct = sizeof request;
    request.dwLineID = line.dwLineID;
    request.dwControlType = controlType;
    request.cControls = 1;
    request.cbmxctrl = sizeof(MIXERCONTROL);
    const uint32_t block = api.GlobalAlloc(GMEM_FIXED, sizeof(MIXERCONTROL));
    request.pamxctrl = api.GlobalLock(block);
    control.cbStruct = sizeof(MIXERCONTROL);
    controlsResult = api.mixerGetLineControlsA(mixer, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE);
    if (controlsResult == MMSYSERR_NOERROR) api.RtlMoveMemory(&control, request.pamxctrl, sizeof(MIXERCONTROL));
    api.GlobalFree(block);
    return controlsResult == MMSYSERR_NOERROR;
  }
};

}  // namespace kvtest
