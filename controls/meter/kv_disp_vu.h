#pragma once
// The VU meter: a strip of eleven coloured segments lit from the sound card
// mixer's peak meter, and the latest reading's magnitude as GetPeekData so a
// host can use the control as a plain level source.
//
// DisplayMode decides where metering passes come from: the private Timer1
// (0), a loop that runs inside the put of 1 and pumps messages once per pass,
// nothing (2), or exactly one read-only pass per put of 3. Everything runs on
// the host's GUI thread; the only re-entry is through that loop's DoEvents
// and the modal "Couldn't open the mixer." message.
//
// While its host is being designed (ambient UserMode false) the meter shows
// its whole strip and never opens the mixer, and a double-click starts no
// metering.
//
// Accessors raise platform::Error on failure; the component wrapper turns
// that into a status code.
#include <array>
#include <cstdint>
#include <string>

#include "controls/meter/display_mode.h"
#include "controls/meter/mixer_session.h"
#include "controls/meter/segment_layout.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/property_bag.h"
#include "runtime/forms/timer.h"
#include "runtime/forms/user_control.h"

class KvDispVU : public forms::UserControl {
 public:
  // DisplayModeEnum. Other values are stored as given and only change the
  // stored mode.
  using enum meter::DisplayModeEnum;

  static constexpr int32_t kDefaultDisplayMode = UseVULowTimer;
  static constexpr int32_t kDefaultVolumeStep = 1000;
  static constexpr int32_t kDefaultDelay = 1000;
  static constexpr int32_t kDefaultPeekData = 0;

  using MixerState = meter::MixerState;

  KvDispVU();

  int32_t get_DisplayMode() const { return m_DisplayMode; }
  // Runs metering passes before it returns; a put of 1 returns only after a
  // handler running inside its loop has changed the mode.
  void put_DisplayMode(int32_t value);
  int32_t get_SetDispVolumeStep() const { return m_SetDispVolumeStep; }
  void put_SetDispVolumeStep(int32_t value);
  int32_t get_SetDispDelay() const { return m_SetDispDelay; }
  void put_SetDispDelay(int32_t value);
  // Never reads the mixer by itself.
  int32_t get_GetPeekData() const { return m_GetPeekData; }
  void put_GetPeekData(int32_t value);

  const MixerState& Mixer() const { return mixer_.State(); }

 protected:
  void UserControl_InitProperties() override;
  void UserControl_ReadProperties(forms::PropertyBag& bag) override;
  void UserControl_WriteProperties(forms::PropertyBag& bag) override;
  void UserControl_Show() override;
  void UserControl_Resize() override;
  void UserControl_Terminate() override;
  void UserControl_DblClick() override;

 private:
  void Timer1_Timer();
  void UpdateMeter();
  // One segment of a full pass: lit without a pause, or darkened after one.
  void ShowSegment(int segment);

  forms::Timer& Timer1;
  std::array<forms::Image*, meter::kSegmentCount> Dp{};

  int32_t m_DisplayMode = kDefaultDisplayMode;
  int32_t m_SetDispVolumeStep = kDefaultVolumeStep;
  int32_t m_SetDispDelay = kDefaultDelay;
  int32_t m_GetPeekData = kDefaultPeekData;

  // Opened by every Show; its handle and value block go with it.
  meter::MixerSession mixer_;
};
