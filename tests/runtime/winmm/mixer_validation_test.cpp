// Malformed requests get the platform's result codes and write nothing.
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "runtime/kernel32/block_table.h"
#include "runtime/kernel32/kernel32.h"
#include "runtime/winmm/mixer_device.h"
#include "runtime/winmm/mmsystem.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/scripted_mixer.h"

namespace {

class MixerValidation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mixerOpen(&mixer_, 0, 0, 0, 0), MMSYSERR_NOERROR);
    block_ = GlobalAlloc(GMEM_FIXED, 2 * sizeof(MIXERCONTROL));
    address_ = GlobalLock(block_);
    std::memset(kernel32::BlockTable::Resolve(address_, 2 * sizeof(MIXERCONTROL)), 0x5A, 2 * sizeof(MIXERCONTROL));
    line_.cbStruct = sizeof line_;
    line_.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    controls_ = {sizeof controls_, winmm::kWaveLineId, {MIXERCONTROL_CONTROLTYPE_PEAKMETER}, 1,
                 sizeof(MIXERCONTROL), address_};
    details_ = {sizeof details_, winmm::kPeakMeterControlId, 1, {0}, 4, address_};
  }
  void TearDown() override {
    GlobalFree(block_);
    mixerClose(mixer_);
  }
  bool BlockUntouched() const {
    const uint8_t* p = kernel32::BlockTable::Resolve(address_, 2 * sizeof(MIXERCONTROL));
    for (size_t i = 0; i < 2 * sizeof(MIXERCONTROL); ++i)
      if (p[i] != 0x5A) return false;
    return true;
  }

  std::shared_ptr<winmm::ScriptedMixer> device_ =
      std::make_shared<winmm::ScriptedMixer>(winmm::MixerScript::Parse("values 1200 -300"));
  winmm::ScopedMixerDevice use_{device_};
  uint32_t mixer_ = 0;
  uint32_t block_ = 0;
  uint32_t address_ = 0;
  MIXERLINEA line_{};
  MIXERLINECONTROLSA controls_{};
  MIXERCONTROLDETAILS details_{};
};

TEST_F(MixerValidation, WrongRecordSizesAreInvalidParameters) {
  for (uint32_t size : {0u, 167u, 169u}) {
    line_.cbStruct = size;
    EXPECT_EQ(mixerGetLineInfoA(mixer_, &line_, MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_INVALPARAM);
  }
  EXPECT_EQ(mixerGetLineInfoA(mixer_, nullptr, MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_INVALPARAM);
  EXPECT_EQ(line_.dwLineID, 0u);

  controls_.cbStruct = 20;
  EXPECT_EQ(mixerGetLineControlsA(mixer_, &controls_, MIXER_GETLINECONTROLSF_ONEBYTYPE), MMSYSERR_INVALPARAM);
  controls_.cbStruct = sizeof controls_;
  controls_.cbmxctrl = sizeof(MIXERCONTROLA) - 1;
  EXPECT_EQ(mixerGetLineControlsA(mixer_, &controls_, MIXER_GETLINECONTROLSF_ONEBYTYPE), MMSYSERR_INVALPARAM);
  controls_.cbmxctrl = sizeof(MIXERCONTROL);
  controls_.cControls = 0;
  EXPECT_EQ(mixerGetLineControlsA(mixer_, &controls_, MIXER_GETLINECONTROLSF_ONEBYTYPE), MMSYSERR_INVALPARAM);
  controls_.cControls = 2;
  controls_.dwLineID = winmm::kWaveLineId;
  EXPECT_EQ(mixerGetLineControlsA(mixer_, &controls_, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_INVALPARAM)
      << "ALL must ask for exactly the line's controls";
  EXPECT_EQ(mixerGetLineControlsA(mixer_, nullptr, 0), MMSYSERR_INVALPARAM);

  MIXERCONTROLDETAILS bad = details_;
  bad.cbStruct = 28;
  EXPECT_EQ(mixerGetControlDetailsA(mixer_, &bad, 0), MMSYSERR_INVALPARAM);
  bad = details_;
  bad.cbDetails = 8;
  EXPECT_EQ(mixerGetControlDetailsA(mixer_, &bad, 0), MMSYSERR_INVALPARAM);
  bad = details_;
  bad.cChannels = 0;
  EXPECT_EQ(mixerGetControlDetailsA(mixer_, &bad, 0), MMSYSERR_INVALPARAM);
  bad.cChannels = 3;  // the wave line has two
  EXPECT_EQ(mixerGetControlDetailsA(mixer_, &bad, 0), MMSYSERR_INVALPARAM);
  bad = details_;
  bad.cMultipleItems = 1;
  EXPECT_EQ(mixerGetControlDetailsA(mixer_, &bad, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(mixerGetControlDetailsA(mixer_, nullptr, 0), MMSYSERR_INVALPARAM);

  EXPECT_TRUE(BlockUntouched());
  EXPECT_EQ(device_->Counts().reads, 0u) << "refused requests consume no reading";
}

TEST_F(MixerValidation, AddressesThatNameNoLiveBlockAreRefusedAndNothingIsWritten) {
  const uint32_t small = GlobalAlloc(GMEM_FIXED, 2);
  const uint32_t freed = GlobalAlloc(GMEM_FIXED, 152);
  GlobalFree(freed);
  for (uint32_t address : {0u, 0xFFFFFFFCu, freed, GlobalLock(small), freed + 4}) {
    SCOPED_TRACE(address);
    details_.paDetails = address;
    EXPECT_EQ(mixerGetControlDetailsA(mixer_, &details_, 0), MMSYSERR_INVALPARAM);
    controls_.pamxctrl = address;
    EXPECT_EQ(mixerGetLineControlsA(mixer_, &controls_, MIXER_GETLINECONTROLSF_ONEBYTYPE), MMSYSERR_INVALPARAM);
  }
  // A block one byte short of the record stride is refused too.
  const uint32_t shortBlock = GlobalAlloc(GMEM_FIXED, sizeof(MIXERCONTROL) - 1);
  controls_.pamxctrl = GlobalLock(shortBlock);
  EXPECT_EQ(mixerGetLineControlsA(mixer_, &controls_, MIXER_GETLINECONTROLSF_ONEBYTYPE), MMSYSERR_INVALPARAM);
  EXPECT_EQ(device_->Counts().reads, 0u);
  EXPECT_TRUE(BlockUntouched());
  GlobalFree(small);
  GlobalFree(shortBlock);
}

TEST_F(MixerValidation, UnknownHandlesFlagsAndDevicesGetTheirCodes) {
  EXPECT_EQ(mixerGetControlDetailsA(0x12345678, &details_, 0), MMSYSERR_BADDEVICEID) << "not a device number";
  EXPECT_EQ(mixerGetControlDetailsA(mixer_ + 1000, &details_, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(mixerGetControlDetailsA(mixer_, &details_, MIXER_OBJECTF_HWAVEOUT), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(mixerGetControlDetailsA(mixer_, &details_, 0x00000100), MMSYSERR_INVALFLAG);
  EXPECT_EQ(mixerGetControlDetailsA(mixer_, &details_, 2), MMSYSERR_INVALFLAG);
  EXPECT_EQ(mixerGetControlDetailsA(mixer_, &details_, MIXER_GETCONTROLDETAILSF_LISTTEXT), MIXERR_INVALCONTROL);
  EXPECT_EQ(mixerGetLineInfoA(mixer_, &line_, 5), MMSYSERR_INVALFLAG);
  EXPECT_EQ(mixerGetLineControlsA(mixer_, &controls_, 3), MMSYSERR_INVALFLAG);

  uint32_t other = 0;
  EXPECT_EQ(mixerOpen(nullptr, 0, 0, 0, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(mixerOpen(&other, 1, 0, 0, 0), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(mixerOpen(&other, 0, 0x1234, 0, CALLBACK_WINDOW), MMSYSERR_INVALFLAG);
  EXPECT_EQ(mixerOpen(&other, 0, 0, 0, MIXER_OBJECTF_WAVEIN), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(mixerOpen(&other, 0x4D580000, 0, 0, MIXER_OBJECTF_HMIXER), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(other, 0u);

  ASSERT_EQ(mixerOpen(&other, mixer_, 0, 0, MIXER_OBJECTF_HMIXER), MMSYSERR_NOERROR);
  EXPECT_NE(other, mixer_);
  EXPECT_EQ(mixerClose(other), MMSYSERR_NOERROR);
  EXPECT_EQ(mixerClose(other), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(mixerGetControlDetailsA(other, &details_, MIXER_OBJECTF_HMIXER), MMSYSERR_INVALHANDLE)
      << "a closed handle";
  EXPECT_EQ(device_->Counts().reads, 0u);
}

TEST_F(MixerValidation, DeviceNumbersAndWaveOutputReachTheSameMixer) {
  int32_t values[2] = {};
  details_.paDetails = address_;
  ASSERT_EQ(mixerGetControlDetailsA(0, &details_, MIXER_OBJECTF_MIXER), MMSYSERR_NOERROR);
  RtlMoveMemory(&values[0], address_, 4);
  ASSERT_EQ(mixerGetControlDetailsA(WAVE_MAPPER, &details_, MIXER_OBJECTF_WAVEOUT), MMSYSERR_NOERROR);
  RtlMoveMemory(&values[1], address_, 4);
  EXPECT_EQ(values[0], 1200);
  EXPECT_EQ(values[1], -300);
  EXPECT_EQ(mixerGetLineInfoA(0, &line_, MIXER_GETLINEINFOF_COMPONENTTYPE | MIXER_OBJECTF_WAVEOUT),
            MMSYSERR_NOERROR);
  EXPECT_EQ(line_.dwLineID, winmm::kWaveLineId);
  // Each query by number opened and closed the device around itself.
  EXPECT_EQ(device_->Counts().opens, 4u);
  EXPECT_EQ(device_->Counts().closes, 3u);
}

}  // namespace
