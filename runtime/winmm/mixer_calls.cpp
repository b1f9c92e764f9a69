// The mixer calls: record validation, object resolution and record filling,
// the same for every device. Nothing here raises: a malformed request, an
// unknown handle or a block address that names no live block becomes a result
// code, and nothing is written through such an address.
#include <cstring>
#include <memory>
#include <string>

#include "runtime/kernel32/block_table.h"
#include "runtime/platform/error.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/mixer_device.h"
#include "runtime/winmm/mixer_handles.h"
#include "runtime/winmm/mixer_text.h"
#include "runtime/winmm/mmsystem.h"

namespace winmm {
namespace {

constexpr uint32_t kObjectTypeMask = 0xF0000000;

// A device reached through a handle, or opened just for one query when the
// caller names a device number instead (closed again when this goes away).
class MixerObject {
 public:
  MixerObject() = default;
  MixerObject(const MixerObject&) = delete;
  MixerObject& operator=(const MixerObject&) = delete;
  ~MixerObject() {
    if (device_ && temporary_) device_->Close();
  }

  // Returns MMSYSERR_NOERROR with device() set, or the failure.
  uint32_t Resolve(uint32_t object, uint32_t objectType) {
    switch (objectType) {
      case MIXER_OBJECTF_HMIXER:
        return FromHandle(object);
      case MIXER_OBJECTF_MIXER:
        if (object >= kFirstMixerHandle) return FromHandle(object);
        return object == 0 ? OpenDeviceZero() : MMSYSERR_BADDEVICEID;
      case MIXER_OBJECTF_WAVEOUT:
        // Wave output 0 (and the mapper, which picks it) plays into mixer 0.
        return object == 0 || object == WAVE_MAPPER ? OpenDeviceZero() : MMSYSERR_BADDEVICEID;
      case MIXER_OBJECTF_HWAVEOUT:
      case MIXER_OBJECTF_HWAVEIN:
      case MIXER_OBJECTF_HMIDIOUT:
      case MIXER_OBJECTF_HMIDIIN:
        return MMSYSERR_INVALHANDLE;  // no such handles exist in this process
      case MIXER_OBJECTF_WAVEIN:
      case MIXER_OBJECTF_MIDIOUT:
      case MIXER_OBJECTF_MIDIIN:
      case MIXER_OBJECTF_AUX:
        return MMSYSERR_BADDEVICEID;  // no such device feeds a mixer here
      default:
        return MMSYSERR_INVALFLAG;
    }
  }

  MixerDevice& device() const { return *device_; }

 private:
  uint32_t FromHandle(uint32_t handle) {
    device_ = FindMixerHandle(handle);
    return device_ ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
  }

  uint32_t OpenDeviceZero() {
    std::string reason;
    std::shared_ptr<MixerDevice> device = SelectMixerDevice(reason);
    if (!device) return MMSYSERR_NODRIVER;
    const uint32_t result = device->Open();
    if (result != MMSYSERR_NOERROR) return result;
    device_ = std::move(device);
    temporary_ = true;
    return MMSYSERR_NOERROR;
  }

  std::shared_ptr<MixerDevice> device_;
  bool temporary_ = false;
};

const MixerLineInfo* FindLineById(const MixerTopology& topology, uint32_t lineId) {
  for (const MixerLineInfo& line : topology.lines)
    if (line.lineId == lineId) return &line;
  return nullptr;
}

const MixerLineInfo* FindLine(const MixerTopology& topology, const MIXERLINEA& request, uint32_t query) {
  for (const MixerLineInfo& line : topology.lines) {
    switch (query) {
      case MIXER_GETLINEINFOF_DESTINATION:
        if (!line.isSource && line.destination == request.dwDestination) return &line;
        break;
      case MIXER_GETLINEINFOF_SOURCE:
        if (line.isSource && line.destination == request.dwDestination && line.source == request.dwSource)
          return &line;
        break;
      case MIXER_GETLINEINFOF_LINEID:
        if (line.lineId == request.dwLineID) return &line;
        break;
      case MIXER_GETLINEINFOF_COMPONENTTYPE:
        if (line.componentType == request.dwComponentType) return &line;
        break;
      case MIXER_GETLINEINFOF_TARGETTYPE:
        if (line.targetType != MIXERLINE_TARGETTYPE_UNDEFINED && line.targetType == request.Target.dwType)
          return &line;
        break;
    }
  }
  return nullptr;
}

// The control with `controlId` and the line that carries it.
bool FindControl(const MixerTopology& topology, uint32_t controlId, const MixerLineInfo*& line,
                 const MixerControlInfo*& control) {
  for (const MixerLineInfo& l : topology.lines)
    for (const MixerControlInfo& c : l.controls)
      if (c.id == controlId) {
        line = &l;
        control = &c;
        return true;
      }
  return false;
}

void FillLine(const MixerTopology& topology, const MixerLineInfo& line, MIXERLINEA& out) {
  const uint32_t cbStruct = out.cbStruct;
  std::memset(&out, 0, sizeof out);
  out.cbStruct = cbStruct;
  out.dwDestination = line.destination;
  out.dwSource = line.isSource ? line.source : 0;
  out.dwLineID = line.lineId;
  out.fdwLine = MIXERLINE_LINEF_ACTIVE | (line.isSource ? MIXERLINE_LINEF_SOURCE : 0);
  out.dwComponentType = line.componentType;
  out.cChannels = line.channels;
  out.cConnections = line.connections;
  out.cControls = static_cast<uint32_t>(line.controls.size());
  ToMixerText(line.shortName, out.szShortName, sizeof out.szShortName);
  ToMixerText(line.name, out.szName, sizeof out.szName);
  out.Target.dwType = line.targetType;
  out.Target.dwDeviceID = 0;
  out.Target.wMid = topology.manufacturerId;
  out.Target.wPid = topology.productId;
  out.Target.vDriverVersion = topology.driverVersion;
  ToMixerText(topology.productName, out.Target.szPname, sizeof out.Target.szPname);
}

MIXERCONTROLA ControlRecord(const MixerControlInfo& control) {
  MIXERCONTROLA record;
  std::memset(&record, 0, sizeof record);
  record.cbStruct = sizeof record;
  record.dwControlID = control.id;
  record.dwControlType = control.type;
  record.fdwControl = control.flags;
  ToMixerText(control.shortName, record.szShortName, sizeof record.szShortName);
  ToMixerText(control.name, record.szName, sizeof record.szName);
  record.Bounds.lMinimum = control.minimum;
  record.Bounds.lMaximum = control.maximum;
  return record;
}

bool BlockHolds(uint32_t address, uint64_t count, uint64_t stride) {
  const uint64_t bytes = count * stride;
  return bytes <= UINT32_MAX && kernel32::BlockTable::Contains(address, static_cast<uint32_t>(bytes));
}

bool HasOnly(uint32_t flags, uint32_t allowed) { return (flags & ~allowed) == 0; }

}  // namespace
}  // namespace winmm

using winmm::MixerObject;

uint32_t mixerOpen(uint32_t* phmx, uint32_t uMxId, uint32_t /*dwCallback*/, uint32_t /*dwInstance*/,
                   uint32_t fdwOpen) {
  if (phmx == nullptr) return MMSYSERR_INVALPARAM;
  if (!winmm::HasOnly(fdwOpen, winmm::kObjectTypeMask | CALLBACK_TYPEMASK) ||
      (fdwOpen & CALLBACK_TYPEMASK) != CALLBACK_NULL)
    return MMSYSERR_INVALFLAG;

  std::shared_ptr<winmm::MixerDevice> device;
  switch (fdwOpen & winmm::kObjectTypeMask) {
    case MIXER_OBJECTF_HMIXER:
      device = winmm::FindMixerHandle(uMxId);
      if (!device) return MMSYSERR_INVALHANDLE;
      break;
    case MIXER_OBJECTF_MIXER:
    case MIXER_OBJECTF_WAVEOUT: {
      const bool waveOut = (fdwOpen & winmm::kObjectTypeMask) == MIXER_OBJECTF_WAVEOUT;
      if (uMxId != 0 && !(waveOut && uMxId == WAVE_MAPPER)) return MMSYSERR_BADDEVICEID;
      std::string reason;
      device = winmm::SelectMixerDevice(reason);
      if (!device) {
        winmm::SetLastMixerOpenError(reason);
        return MMSYSERR_NODRIVER;
      }
      break;
    }
    case MIXER_OBJECTF_HWAVEOUT:
    case MIXER_OBJECTF_HWAVEIN:
    case MIXER_OBJECTF_HMIDIOUT:
    case MIXER_OBJECTF_HMIDIIN:
      return MMSYSERR_INVALHANDLE;
    case MIXER_OBJECTF_WAVEIN:
    case MIXER_OBJECTF_MIDIOUT:
    case MIXER_OBJECTF_MIDIIN:
    case MIXER_OBJECTF_AUX:
      return MMSYSERR_BADDEVICEID;
    default:
      return MMSYSERR_INVALFLAG;
  }

  const uint32_t result = device->Open();
  if (result != MMSYSERR_NOERROR) {
    winmm::SetLastMixerOpenError(device->LastError());
    return result;
  }
  const uint32_t handle = winmm::AddMixerHandle(device);
  if (handle == 0) {
    device->Close();
    winmm::SetLastMixerOpenError("no mixer handle left");
    return MMSYSERR_NOMEM;
  }
  winmm::SetLastMixerOpenError({});
  *phmx = handle;
  return MMSYSERR_NOERROR;
}

uint32_t mixerClose(uint32_t hmx) {
  std::shared_ptr<winmm::MixerDevice> device = winmm::RemoveMixerHandle(hmx);
  if (!device) return MMSYSERR_INVALHANDLE;
  device->Close();
  return MMSYSERR_NOERROR;
}

uint32_t mixerGetLineInfoA(uint32_t hmxobj, MIXERLINEA* pmxl, uint32_t fdwInfo) {
  const uint32_t query = fdwInfo & MIXER_GETLINEINFOF_QUERYMASK;
  if (!winmm::HasOnly(fdwInfo, winmm::kObjectTypeMask | MIXER_GETLINEINFOF_QUERYMASK) ||
      query > MIXER_GETLINEINFOF_TARGETTYPE)
    return MMSYSERR_INVALFLAG;
  if (pmxl == nullptr || pmxl->cbStruct != sizeof(MIXERLINEA)) return MMSYSERR_INVALPARAM;

  MixerObject object;
  if (const uint32_t r = object.Resolve(hmxobj, fdwInfo & winmm::kObjectTypeMask); r != MMSYSERR_NOERROR)
    return r;
  object.device().Note(winmm::MixerDevice::Call::kLineQuery);
  const auto topology = object.device().Describe();
  const winmm::MixerLineInfo* line = winmm::FindLine(*topology, *pmxl, query);
  if (line == nullptr) return MIXERR_INVALLINE;
  winmm::FillLine(*topology, *line, *pmxl);
  return MMSYSERR_NOERROR;
}

uint32_t mixerGetLineControlsA(uint32_t hmxobj, MIXERLINECONTROLSA* pmxlc, uint32_t fdwControls) {
  const uint32_t query = fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK;
  if (!winmm::HasOnly(fdwControls, winmm::kObjectTypeMask | MIXER_GETLINECONTROLSF_QUERYMASK) ||
      query > MIXER_GETLINECONTROLSF_ONEBYTYPE)
    return MMSYSERR_INVALFLAG;
  if (pmxlc == nullptr || pmxlc->cbStruct != sizeof(MIXERLINECONTROLSA) ||
      pmxlc->cbmxctrl < sizeof(MIXERCONTROLA) || pmxlc->cControls == 0)
    return MMSYSERR_INVALPARAM;

  MixerObject object;
  if (const uint32_t r = object.Resolve(hmxobj, fdwControls & winmm::kObjectTypeMask); r != MMSYSERR_NOERROR)
    return r;
  object.device().Note(winmm::MixerDevice::Call::kControlQuery);
  const auto topology = object.device().Describe();

  const winmm::MixerLineInfo* line = nullptr;
  const winmm::MixerControlInfo* one = nullptr;
  switch (query) {
    case MIXER_GETLINECONTROLSF_ALL:
      line = winmm::FindLineById(*topology, pmxlc->dwLineID);
      if (line == nullptr) return MIXERR_INVALLINE;
      if (pmxlc->cControls != line->controls.size()) return MMSYSERR_INVALPARAM;
      break;
    case MIXER_GETLINECONTROLSF_ONEBYID:
      if (!winmm::FindControl(*topology, pmxlc->dwControlID, line, one)) return MIXERR_INVALCONTROL;
      break;
    case MIXER_GETLINECONTROLSF_ONEBYTYPE:
      line = winmm::FindLineById(*topology, pmxlc->dwLineID);
      if (line == nullptr) return MIXERR_INVALLINE;
      for (const winmm::MixerControlInfo& c : line->controls)
        if (c.type == pmxlc->dwControlType) {
          one = &c;
          break;
        }
      if (one == nullptr) return MIXERR_INVALCONTROL;
      break;
  }

  const uint32_t count = one != nullptr ? 1 : static_cast<uint32_t>(line->controls.size());
  if (!winmm::BlockHolds(pmxlc->pamxctrl, count, pmxlc->cbmxctrl)) return MMSYSERR_INVALPARAM;
  try {
    for (uint32_t i = 0; i < count; ++i) {
      const MIXERCONTROLA record = winmm::ControlRecord(one != nullptr ? *one : line->controls[i]);
      kernel32::BlockTable::Write(pmxlc->pamxctrl + i * pmxlc->cbmxctrl, &record, sizeof record);
    }
  } catch (const platform::Error&) {
    return MMSYSERR_INVALPARAM;  // the block was freed meanwhile by another thread
  }
  if (query == MIXER_GETLINECONTROLSF_ONEBYID) pmxlc->dwLineID = line->lineId;
  return MMSYSERR_NOERROR;
}

uint32_t mixerGetControlDetailsA(uint32_t hmxobj, MIXERCONTROLDETAILS* pmxcd, uint32_t fdwDetails) {
  const uint32_t query = fdwDetails & MIXER_GETCONTROLDETAILSF_QUERYMASK;
  if (!winmm::HasOnly(fdwDetails, winmm::kObjectTypeMask | MIXER_GETCONTROLDETAILSF_QUERYMASK) ||
      query > MIXER_GETCONTROLDETAILSF_LISTTEXT)
    return MMSYSERR_INVALFLAG;
  if (pmxcd == nullptr || pmxcd->cbStruct != sizeof(MIXERCONTROLDETAILS)) return MMSYSERR_INVALPARAM;

  MixerObject object;
  if (const uint32_t r = object.Resolve(hmxobj, fdwDetails & winmm::kObjectTypeMask); r != MMSYSERR_NOERROR)
    return r;
  const auto topology = object.device().Describe();
  const winmm::MixerLineInfo* line = nullptr;
  const winmm::MixerControlInfo* control = nullptr;
  if (!winmm::FindControl(*topology, pmxcd->dwControlID, line, control)) return MIXERR_INVALCONTROL;
  // Only list controls have item texts, and these mixers have none.
  if (query == MIXER_GETCONTROLDETAILSF_LISTTEXT) return MIXERR_INVALCONTROL;
  if ((control->type & MIXERCONTROL_CT_UNITS_MASK) != MIXERCONTROL_CT_UNITS_SIGNED)
    return MMSYSERR_NOTSUPPORTED;
  if (pmxcd->cChannels == 0 || pmxcd->cChannels > line->channels || pmxcd->cMultipleItems != 0 ||
      pmxcd->cbDetails != sizeof(MIXERCONTROLDETAILS_SIGNED))
    return MMSYSERR_INVALPARAM;
  if (!winmm::BlockHolds(pmxcd->paDetails, pmxcd->cChannels, pmxcd->cbDetails)) return MMSYSERR_INVALPARAM;

  // These controls are uniform: one value stands for every channel asked for.
  int32_t value = 0;
  if (const uint32_t r = object.device().ReadSigned(control->id, value); r != MMSYSERR_NOERROR) return r;
  try {
    for (uint32_t channel = 0; channel < pmxcd->cChannels; ++channel)
      kernel32::BlockTable::Write(pmxcd->paDetails + channel * sizeof value, &value, sizeof value);
  } catch (const platform::Error&) {
    return MMSYSERR_INVALPARAM;
  }
  return MMSYSERR_NOERROR;
}
