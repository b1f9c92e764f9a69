#include "controls/meter/kv_disp_vu.h"

#include <string>

#include "controls/meter/segment_pictures.h"
#include "runtime/automation/variant.h"
#include "runtime/forms/color.h"
#include "runtime/forms/msgbox.h"

KvDispVU::KvDispVU() : Timer1(AddTimer("Timer1")) {
  SetBackColor(forms::Color{0, 0, 0});
  SetWidth(meter::kFaceWidth);
  SetHeight(meter::kFaceHeight);

  Timer1.SetHandler([this] { Timer1_Timer(); });

  for (int n = 1; n <= meter::kSegmentCount; ++n) {
    forms::Image& image = Add<forms::Image>("Dp" + std::to_string(n));
    image.SetVisible(false);
    image.SetPicture(meter::SegmentPicture(n));
    // Segments are flat blocks of colour; scaled, they keep hard edges.
    image.SetSharp(true);
    image.SetLeft(meter::kSegmentLefts[n - 1]);
    image.SetTop(meter::kSegmentTop);
    Dp[n - 1] = &image;
  }
}

// ---- Properties ------------------------------------------------------------

void KvDispVU::put_DisplayMode(int32_t value) {
  // The loop of mode 1 runs host code; the host may drop its reference there.
  const auto keepAlive = HoldReference();

  m_DisplayMode = value;
  if (value == UseVULowTimer) {
    Timer1.SetEnabled(true);
    Timer1.SetInterval(1);
  }
  if (m_DisplayMode == UseVUHiTimer) {
    Timer1.SetEnabled(false);
    Timer1.SetInterval(0);
    UpdateMeter();  // loops until a handler inside it changes the mode
  }
  // Looked at afresh: the loop above may have ended through any other mode.
  switch (m_DisplayMode) {
    case DONotUseTimer:
      Timer1.SetInterval(0);
      Timer1.SetEnabled(false);
      return;  // stopping is not announced to the container
    case GetPeekDataOnly:
      Timer1.SetInterval(0);
      Timer1.SetEnabled(false);
      UpdateMeter();
      break;
    default:
      break;
  }
  PropertyChanged("DisplayMode");
}

void KvDispVU::put_SetDispVolumeStep(int32_t value) {
  m_SetDispVolumeStep = value;
  PropertyChanged("SetDispVolumeStep");
}

void KvDispVU::put_SetDispDelay(int32_t value) {
  m_SetDispDelay = value;
  PropertyChanged("SetDispDelay");
}

void KvDispVU::put_GetPeekData(int32_t value) {
  m_GetPeekData = value;
  PropertyChanged("GetPeekData");
}

// ---- Lifecycle -------------------------------------------------------------

void KvDispVU::UserControl_InitProperties() {
  m_DisplayMode = kDefaultDisplayMode;
  m_SetDispVolumeStep = kDefaultVolumeStep;
  m_SetDispDelay = kDefaultDelay;
  m_GetPeekData = kDefaultPeekData;
}

void KvDispVU::UserControl_ReadProperties(forms::PropertyBag& bag) {
  // All four are converted before any is stored, so an unreadable entry
  // leaves the control as it was.
  const int32_t mode =
      bag.ReadProperty("DisplayMode", com::Variant::I2(kDefaultDisplayMode)).ToI4();
  const int32_t delay = bag.ReadProperty("SetDispDelay", com::Variant::I2(kDefaultDelay)).ToI4();
  const int32_t step =
      bag.ReadProperty("SetDispVolumeStep", com::Variant::I2(kDefaultVolumeStep)).ToI4();
  const int32_t peek = bag.ReadProperty("GetPeekData", com::Variant::I2(kDefaultPeekData)).ToI4();
  m_DisplayMode = mode;
  m_SetDispDelay = delay;
  m_SetDispVolumeStep = step;
  m_GetPeekData = peek;
}

void KvDispVU::UserControl_WriteProperties(forms::PropertyBag& bag) {
  bag.WriteProperty("DisplayMode", com::Variant::I4(m_DisplayMode),
                    com::Variant::I2(kDefaultDisplayMode));
  bag.WriteProperty("SetDispDelay", com::Variant::I4(m_SetDispDelay),
                    com::Variant::I2(kDefaultDelay));
  bag.WriteProperty("SetDispVolumeStep", com::Variant::I4(m_SetDispVolumeStep),
                    com::Variant::I2(kDefaultVolumeStep));
  bag.WriteProperty("GetPeekData", com::Variant::I4(m_GetPeekData),
                    com::Variant::I2(kDefaultPeekData));
}

void KvDispVU::UserControl_Resize() {
  // The face has one size whatever the container asks for.
  SetWidth(meter::kFaceWidth);
  SetHeight(meter::kFaceHeight);
}

void KvDispVU::UserControl_DblClick() {
  // A form being designed takes double-clicks for itself; metering waits
  // until the form runs.
  if (!AmbientUserMode()) return;
  m_DisplayMode = UseVULowTimer;  // no notification: the user, not the host, chose it
  Timer1.SetEnabled(true);
  Timer1.SetInterval(1);
}

// Runs on every Show event.
void KvDispVU::UserControl_Show() {
  if (!AmbientUserMode()) {
    // A form being designed shows the whole strip, as a full-scale reading
    // lights it, and leaves the sound server alone: a designer may open and
    // close a form many times, and no reading is wanted there.
    for (forms::Image* segment : Dp) segment->SetVisible(true);
    return;
  }
  if (!mixer_.SetUp()) forms::MsgBox("Couldn't open the mixer.");
}

void KvDispVU::UserControl_Terminate() {
  m_DisplayMode = UseVULowTimer;
  Timer1.SetInterval(0);
  mixer_.Release();
}

void KvDispVU::Timer1_Timer() { UpdateMeter(); }
