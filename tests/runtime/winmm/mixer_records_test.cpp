// What the mixer writes, seen as the bytes a caller copies out of its blocks.
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "runtime/kernel32/block_table.h"
#include "runtime/kernel32/kernel32.h"
#include "runtime/winmm/mixer_device.h"
#include "runtime/winmm/mmsystem.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/scripted_mixer.h"

namespace {

// A device with a long, non-Latin name and two controls on its wave line.
class NamedDevice : public winmm::MixerDevice {
 public:
  uint32_t Open() override { return MMSYSERR_NOERROR; }
  std::shared_ptr<const winmm::MixerTopology> Describe() override {
    auto t = winmm::StandardTopology("Sortie \xC3\xA9lectrique \xE2\x80\x93 HDMI \xF0\x9F\x8E\xB5 tr\xC3\xA8s longue", true,
                                     true);
    winmm::MixerControlInfo second = t.lines[1].controls[0];
    second.id = 9;
    second.name = "Second Meter With A Name Far Longer Than Sixty-Four Characters Allow Here";
    t.lines[1].controls.push_back(second);
    return std::make_shared<const winmm::MixerTopology>(std::move(t));
  }
  uint32_t ReadSigned(uint32_t, int32_t& value) override {
    value = -32768;
    return MMSYSERR_NOERROR;
  }
};

template <typename T>
T At(const uint8_t* bytes, size_t offset) {
  T v;
  std::memcpy(&v, bytes + offset, sizeof v);
  return v;
}

class MixerRecords : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(mixerOpen(&mixer_, 0, 0, 0, 0), MMSYSERR_NOERROR); }
  void TearDown() override { mixerClose(mixer_); }
  winmm::ScopedMixerDevice use_{std::make_shared<NamedDevice>()};
  uint32_t mixer_ = 0;
};

TEST_F(MixerRecords, LineRecordCarriesIdsTypesAndLatin1Names) {
  MIXERLINEA line{};
  line.cbStruct = sizeof line;
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
  std::memset(line.szName, 'x', sizeof line.szName);
  ASSERT_EQ(mixerGetLineInfoA(mixer_, &line, MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_NOERROR);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&line);
  EXPECT_EQ(At<uint32_t>(bytes, 0), 168u);
  EXPECT_EQ(At<uint32_t>(bytes, 12), winmm::kWaveLineId);
  EXPECT_EQ(At<uint32_t>(bytes, 16), MIXERLINE_LINEF_ACTIVE | MIXERLINE_LINEF_SOURCE);
  EXPECT_EQ(At<uint32_t>(bytes, 24), MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
  EXPECT_EQ(At<uint32_t>(bytes, 36), 2u);  // cControls
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 56)), "Wave");
  for (size_t i = 56 + 4; i < 120; ++i) ASSERT_EQ(bytes[i], 0) << "name padded with NULs at " << i;
  EXPECT_EQ(At<uint32_t>(bytes, 120), MIXERLINE_TARGETTYPE_WAVEOUT);
  // 31 characters of Latin-1 and the terminator; unrepresentable ones are '?'.
  EXPECT_EQ(std::string(line.Target.szPname), "Sortie \xE9lectrique ? HDMI ? tr\xE8s");
  EXPECT_EQ(line.Target.szPname[31], '\0');

  // The destination it feeds, found by the source's own coordinates.
  MIXERLINEA speakers{};
  speakers.cbStruct = sizeof speakers;
  speakers.dwDestination = line.dwDestination;
  ASSERT_EQ(mixerGetLineInfoA(mixer_, &speakers, MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_NOERROR);
  EXPECT_EQ(speakers.dwComponentType, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
  EXPECT_EQ(speakers.cConnections, 1u);
  MIXERLINEA byId{};
  byId.cbStruct = sizeof byId;
  byId.dwLineID = 0x12345;
  EXPECT_EQ(mixerGetLineInfoA(mixer_, &byId, MIXER_GETLINEINFOF_LINEID), MIXERR_INVALLINE);
}

TEST_F(MixerRecords, ControlRecordsFill148BytesPerStrideAndLeaveTheRestAlone) {
  const uint32_t block = GlobalAlloc(GMEM_FIXED, 2 * sizeof(MIXERCONTROL));
  const uint32_t address = GlobalLock(block);
  uint8_t* bytes = kernel32::BlockTable::Resolve(address, 2 * sizeof(MIXERCONTROL));
  std::memset(bytes, 0xEE, 2 * sizeof(MIXERCONTROL));

  MIXERLINECONTROLSA request{sizeof request, winmm::kWaveLineId, {0}, 2, sizeof(MIXERCONTROL), address};
  ASSERT_EQ(mixerGetLineControlsA(mixer_, &request, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);

  EXPECT_EQ(At<uint32_t>(bytes, 0), 148u);
  EXPECT_EQ(At<uint32_t>(bytes, 4), winmm::kPeakMeterControlId);
  EXPECT_EQ(At<uint32_t>(bytes, 8), MIXERCONTROL_CONTROLTYPE_PEAKMETER);
  EXPECT_EQ(At<uint32_t>(bytes, 12), MIXERCONTROL_CONTROLF_UNIFORM);
  EXPECT_EQ(At<uint32_t>(bytes, 16), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 20)), "Peak");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes + 36)), "Peak Meter");
  EXPECT_EQ(At<int32_t>(bytes, 100), -32768);
  EXPECT_EQ(At<int32_t>(bytes, 104), 32767);
  for (size_t i = 148; i < 152; ++i) EXPECT_EQ(bytes[i], 0xEE) << "byte " << i << " lies past the record";

  const uint8_t* second = bytes + sizeof(MIXERCONTROL);
  EXPECT_EQ(At<uint32_t>(second, 4), 9u);
  EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(second + 36)), 63u);
  for (size_t i = 148; i < 152; ++i) EXPECT_EQ(second[i], 0xEE);

  // Found by id, the request learns which line carries it.
  request.dwLineID = 0;
  request.dwControlID = 9;
  request.cControls = 1;
  ASSERT_EQ(mixerGetLineControlsA(mixer_, &request, MIXER_GETLINECONTROLSF_ONEBYID), MMSYSERR_NOERROR);
  EXPECT_EQ(request.dwLineID, winmm::kWaveLineId);
  GlobalFree(block);
}

TEST_F(MixerRecords, UniformMeterFillsEveryRequestedChannel) {
  const uint32_t block = GlobalAlloc(GMEM_FIXED, 8);
  MIXERCONTROLDETAILS details{sizeof details, winmm::kPeakMeterControlId, 2, {0}, 4, GlobalLock(block)};
  ASSERT_EQ(mixerGetControlDetailsA(mixer_, &details, 0), MMSYSERR_NOERROR);
  int32_t values[2] = {};
  RtlMoveMemory(values, details.paDetails, 8);
  EXPECT_EQ(values[0], -32768);
  EXPECT_EQ(values[1], -32768);
  GlobalFree(block);
}

}  // namespace
