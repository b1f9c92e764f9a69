// Opening the mixer on Show, finding the wave line's peak meter, reading it,
// and giving back what was taken.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/forms/application.h"
#include "runtime/kernel32/block_table.h"
#include "runtime/kernel32/kernel32.h"
#include "runtime/winmm/mixer_device.h"
#include "runtime/winmm/mmsystem.h"
#include "tests/controls/meter/meter_fixture.h"

namespace meter_test {
namespace {

using MixerAccess = MeterTest;

// Pass-throughs to the real exports that remember what the control asked for.
std::vector<uint32_t> allocations;
uint32_t RecordingGlobalAlloc(uint32_t flags, uint32_t bytes) {
  allocations.push_back(bytes);
  const uint32_t block = ::GlobalAlloc(flags & ~GMEM_ZEROINIT, bytes);
  // Stand in for an allocator that hands out dirty memory unless asked not to.
  if (block != 0 && (flags & GMEM_ZEROINIT) == 0) {
    const std::vector<uint8_t> junk(bytes, 0xA5);
    kernel32::BlockTable::Write(block, junk.data(), bytes);
  }
  return block;
}

struct LineQuery {
  uint32_t mixer, cbStruct, componentType, flags;
};
std::vector<LineQuery> lineQueries;
uint32_t RecordingGetLineInfo(uint32_t mixer, MIXERLINEA* line, uint32_t flags) {
  lineQueries.push_back({mixer, line->cbStruct, line->dwComponentType, flags});
  return ::mixerGetLineInfoA(mixer, line, flags);
}

struct ControlQuery {
  uint32_t mixer, cbStruct, lineId, controlType, cControls, cbmxctrl, flags;
};
std::vector<ControlQuery> controlQueries;
uint32_t RecordingGetLineControls(uint32_t mixer, MIXERLINECONTROLSA* request, uint32_t flags) {
  controlQueries.push_back({mixer, request->cbStruct, request->dwLineID, request->dwControlType,
                            request->cControls, request->cbmxctrl, flags});
  return ::mixerGetLineControlsA(mixer, request, flags);
}

std::vector<uint32_t> readFlags;
uint32_t RecordingGetDetails(uint32_t mixer, MIXERCONTROLDETAILS* details, uint32_t flags) {
  readFlags.push_back(flags);
  return ::mixerGetControlDetailsA(mixer, details, flags);
}

TEST_F(MixerAccess, ShowFindsTheWaveLinesPeakMeterAndPreparesTheRead) {
  allocations.clear();
  lineQueries.clear();
  controlQueries.clear();
  readFlags.clear();
  platform::ScopedExport<decltype(::GlobalAlloc)> a("kernel32", "GlobalAlloc", &RecordingGlobalAlloc);
  platform::ScopedExport<decltype(::mixerGetLineInfoA)> l("winmm.dll", "mixerGetLineInfoA",
                                                          &RecordingGetLineInfo);
  platform::ScopedExport<decltype(::mixerGetLineControlsA)> c("winmm.dll", "mixerGetLineControlsA",
                                                              &RecordingGetLineControls);
  platform::ScopedExport<decltype(::mixerGetControlDetailsA)> d(
      "winmm.dll", "mixerGetControlDetailsA", &RecordingGetDetails);
  UseScript("values 0");
  const size_t blocksBefore = kernel32::LiveBlockCount();
  CreateMeter();

  const KvDispVU::MixerState& s = meter_->Mixer();
  EXPECT_TRUE(messages_.empty());
  EXPECT_NE(s.MixerHandle, 0u);
  EXPECT_EQ(s.LastMixerResult, MMSYSERR_NOERROR);
  EXPECT_EQ(s.MeterFound, -1);
  EXPECT_EQ(s.MeterControl.dwControlID, winmm::kPeakMeterControlId);
  EXPECT_EQ(s.MeterControl.dwControlType, MIXERCONTROL_CONTROLTYPE_PEAKMETER);

  ASSERT_EQ(lineQueries.size(), 1u);
  EXPECT_EQ(lineQueries[0].mixer, s.MixerHandle);
  EXPECT_EQ(lineQueries[0].cbStruct, 168u);
  EXPECT_EQ(lineQueries[0].componentType, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT);
  EXPECT_EQ(lineQueries[0].flags, MIXER_GETLINEINFOF_COMPONENTTYPE);
  ASSERT_EQ(controlQueries.size(), 1u);
  EXPECT_EQ(controlQueries[0].mixer, s.MixerHandle);
  EXPECT_EQ(controlQueries[0].cbStruct, 24u);
  EXPECT_EQ(controlQueries[0].lineId, winmm::kWaveLineId);
  EXPECT_EQ(controlQueries[0].controlType, MIXERCONTROL_CONTROLTYPE_PEAKMETER);
  EXPECT_EQ(controlQueries[0].cControls, 1u);
  EXPECT_EQ(controlQueries[0].cbmxctrl, 152u);
  EXPECT_EQ(controlQueries[0].flags, MIXER_GETLINECONTROLSF_ONEBYTYPE);

  EXPECT_EQ(s.MeterDetails.cbStruct, 24u);
  EXPECT_EQ(s.MeterDetails.cChannels, 1u);
  EXPECT_EQ(s.MeterDetails.cbDetails, 4u);
  EXPECT_EQ(s.MeterDetails.paDetails, s.ValueBlock);
  EXPECT_EQ(kernel32::BlockTable::SizeOf(s.ValueBlock), 4u);
  // The lookup's block is gone again; only the value block stays.
  EXPECT_EQ(allocations, (std::vector<uint32_t>{152, 4}));
  EXPECT_EQ(kernel32::LiveBlockCount(), blocksBefore + 1);

  // Until the first successful read the block holds 0, not leftovers.
  UseScript("values fail");
  meter_->NotifyShown();
  meter_->put_GetPeekData(55);
  meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
  EXPECT_EQ(meter_->get_GetPeekData(), 0);
  EXPECT_EQ(readFlags, std::vector<uint32_t>{MIXER_GETCONTROLDETAILSF_VALUE});
  EXPECT_EQ(meter_->Mixer().MeterDetails.dwControlID, winmm::kPeakMeterControlId);
}

TEST_F(MixerAccess, ReadingKeepsTheMagnitude) {
  UseScript("values -5000 5000 1200 fail 0 -32768 -2147483648");
  CreateMeter();
  auto readOnce = [&] {
    meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
    return meter_->get_GetPeekData();
  };
  EXPECT_EQ(readOnce(), 5000);
  EXPECT_EQ(readOnce(), 5000);
  EXPECT_EQ(readOnce(), 1200);
  // A failed read is recorded and the block still holds the last good value.
  EXPECT_EQ(readOnce(), 1200);
  EXPECT_EQ(meter_->Mixer().LastMixerResult, MMSYSERR_ERROR);
  EXPECT_EQ(readOnce(), 0);
  EXPECT_EQ(meter_->Mixer().LastMixerResult, MMSYSERR_NOERROR);
  EXPECT_EQ(readOnce(), 32768);
  // The one value whose magnitude does not fit is pinned, never negative.
  EXPECT_EQ(readOnce(), INT32_MAX);
}

TEST_F(MixerAccess, FailedOpenShowsTheMessageOncePerShowAndTakesNothing) {
  UseScript("open fail");
  allocations.clear();
  platform::ScopedExport<decltype(::GlobalAlloc)> a("kernel32", "GlobalAlloc", &RecordingGlobalAlloc);
  const size_t blocksBefore = kernel32::LiveBlockCount();
  CreateMeter();

  EXPECT_EQ(messages_, std::vector<std::string>{"Couldn't open the mixer."});
  EXPECT_EQ(meter_->Mixer().LastMixerResult, MMSYSERR_NODRIVER);
  EXPECT_EQ(meter_->Mixer().MixerHandle, 0u);
  EXPECT_EQ(meter_->Mixer().ValueBlock, 0u);
  meter_->NotifyShown();
  meter_->NotifyShown();
  EXPECT_EQ(messages_.size(), 3u);
  EXPECT_EQ(mixer_->Counts().opens, 3u);
  EXPECT_EQ(mixer_->Counts().lineQueries, 0u);
  EXPECT_EQ(mixer_->Counts().controlQueries, 0u);
  EXPECT_TRUE(allocations.empty());
  EXPECT_EQ(kernel32::LiveBlockCount(), blocksBefore);

  // The control stays usable; a pass has nothing to read through.
  meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
  EXPECT_EQ(meter_->get_GetPeekData(), 0);
  EXPECT_EQ(mixer_->Counts().reads, 0u);
}

TEST_F(MixerAccess, AfterAFailedReopenPassesKeepTheLastReading) {
  UseScript("values 1200");
  CreateMeter();
  meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
  ASSERT_EQ(meter_->get_GetPeekData(), 1200);

  UseScript("open fail");
  meter_->NotifyShown();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(meter_->Mixer().ValueBlock, 0u);

  meter_->put_GetPeekData(5);
  meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
  EXPECT_EQ(meter_->get_GetPeekData(), 1200);
  meter_->put_SetDispDelay(0);
  SleepCalls().clear();
  RunTimerPass([] { return !SleepCalls().empty(); });
  EXPECT_EQ(SleepCalls().size(), 7u);
  EXPECT_EQ(LitSegments(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(mixer_->Counts().reads, 0u);
}

TEST_F(MixerAccess, MissingLineOrMeterIsRecordedSilently) {
  for (const char* script : {"line none", "meter none"}) {
    SCOPED_TRACE(script);
    UseScript(script);
    allocations.clear();
    platform::ScopedExport<decltype(::GlobalAlloc)> a("kernel32", "GlobalAlloc",
                                                      &RecordingGlobalAlloc);
    const size_t blocksBefore = kernel32::LiveBlockCount();
    CreateMeter();

    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(meter_->Mixer().MeterFound, 0);
    EXPECT_EQ(meter_->Mixer().MeterControl.dwControlID, 0u) << "untouched by a failed lookup";
    const bool hasLine = std::string(script) == "meter none";
    EXPECT_EQ(mixer_->Counts().controlQueries, hasLine ? 1u : 0u);
    // No lookup block without a line; a lookup block is freed either way.
    EXPECT_EQ(allocations, hasLine ? (std::vector<uint32_t>{152, 4}) : std::vector<uint32_t>{4});
    EXPECT_EQ(kernel32::LiveBlockCount(), blocksBefore + 1);
    // Reads are still made, for control 0; the device refuses them.
    meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
    EXPECT_EQ(meter_->get_GetPeekData(), 0);
    EXPECT_NE(meter_->Mixer().LastMixerResult, MMSYSERR_NOERROR);
    meter_->SetSite(nullptr);
    meter_.reset();
  }
}

void FailingMove(void*, uint32_t, int32_t) {
  throw platform::Error(platform::kErrorInvalidAddress, "copy refused");
}

TEST_F(MixerAccess, ALookupThatFailsHalfWayStillFreesItsBlock) {
  UseScript("values 1200");
  const size_t blocksBefore = kernel32::LiveBlockCount();
  meter_ = forms::MakeRef<KvDispVU>();
  {
    platform::ScopedExport<decltype(::RtlMoveMemory)> refuse("kernel32", "RtlMoveMemory",
                                                             &FailingMove);
    EXPECT_THROW(meter_->NotifyShown(), platform::Error) << "Show traps no errors";
  }
  EXPECT_EQ(kernel32::LiveBlockCount(), blocksBefore);
  EXPECT_EQ(meter_->Mixer().MeterFound, 0);

  // The next Show recovers: the half-open handle is closed, not leaked.
  meter_->NotifyShown();
  EXPECT_EQ(mixer_->Counts().closes, 1u);
  meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
  EXPECT_EQ(meter_->get_GetPeekData(), 1200);
}

TEST_F(MixerAccess, EveryShowAndTheEndGiveBackHandleAndBlock) {
  UseScript("values 1200");
  const size_t blocksBefore = kernel32::LiveBlockCount();
  CreateMeter();
  for (int i = 0; i < 4; ++i) meter_->NotifyShown();
  EXPECT_EQ(mixer_->Counts().opens, 5u);
  EXPECT_EQ(mixer_->Counts().closes, 4u);
  EXPECT_EQ(kernel32::LiveBlockCount(), blocksBefore + 1);
  meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
  EXPECT_EQ(meter_->get_GetPeekData(), 1200) << "the fresh handle and block work";

  meter_->Terminate();
  EXPECT_EQ(mixer_->Counts().closes, 5u);
  EXPECT_EQ(kernel32::LiveBlockCount(), blocksBefore);
  EXPECT_EQ(meter_->Mixer().ValueBlock, 0u);
  EXPECT_EQ(meter_->get_DisplayMode(), KvDispVU::UseVULowTimer);
  EXPECT_EQ(Timer1().Interval(), 0);
}

// A form being designed may be opened, shown and closed many times; none of
// that may reach the sound server, fail with its message, or start metering.
TEST_F(MixerAccess, AtDesignTimeShowLightsTheStripAndNeverOpensTheMixer) {
  UseScript("open fail");
  site_.userMode = false;
  CreateMeter();
  meter_->NotifyShown();
  EXPECT_EQ(mixer_->Counts().opens, 0u);
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_EQ(meter_->Mixer().MixerHandle, 0u);
  EXPECT_EQ(LitSegments().size(), 11u) << "the whole strip shows";

  meter_->DoubleClicked();
  EXPECT_EQ(meter_->get_DisplayMode(), KvDispVU::UseVULowTimer);
  EXPECT_FALSE(Timer1().Enabled()) << "a double-click at design time started metering";

  // The same control, its host now running, meters as usual.
  site_.userMode = true;
  meter_->NotifyShown();
  EXPECT_EQ(mixer_->Counts().opens, 1u);
  EXPECT_EQ(messages_, std::vector<std::string>{"Couldn't open the mixer."});
}

// The platform calls of the test below, in order.
std::vector<std::string> calls;
uint32_t TracingOpen(uint32_t* mixer, uint32_t id, uint32_t callback, uint32_t instance, uint32_t flags) {
  calls.push_back("open");
  return ::mixerOpen(mixer, id, callback, instance, flags);
}
uint32_t TracingRead(uint32_t mixer, MIXERCONTROLDETAILS* details, uint32_t flags) {
  calls.push_back("read");
  return ::mixerGetControlDetailsA(mixer, details, flags);
}
void TracingSleep(int32_t) { calls.push_back("sleep"); }

// A platform may deliver Show only once the window is on screen, after timer
// ticks or a loop's pump have come. No pass reads, publishes or pauses before
// the Show has set the mixer up (at the default delay, a pass over a level
// never read would block for 11 s), and the first reading is of the mixer
// that Show opened.
TEST_F(MixerAccess, NoPassMetersBeforeTheFirstShowHasSetTheMixerUp) {
  calls.clear();
  platform::ScopedExport<decltype(::mixerOpen)> o("winmm.dll", "mixerOpen", &TracingOpen);
  platform::ScopedExport<decltype(::mixerGetControlDetailsA)> d("winmm.dll", "mixerGetControlDetailsA",
                                                                &TracingRead);
  platform::ScopedExport<void(int32_t)> s("kernel32", "Sleep", &TracingSleep);
  UseScript("values 1200");
  meter_ = forms::MakeRef<KvDispVU>();
  meter_->SetSite(&site_);
  meter_->InitNew();
  meter_->put_GetPeekData(55);

  meter_->put_DisplayMode(KvDispVU::UseVULowTimer);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
  while (std::chrono::steady_clock::now() < until) forms::DoEvents();
  meter_->put_DisplayMode(KvDispVU::GetPeekDataOnly);
  EXPECT_EQ(calls, std::vector<std::string>{}) << "ticks and a put of 3 before the Show";
  EXPECT_EQ(meter_->get_GetPeekData(), 55);
  EXPECT_TRUE(LitSegments().empty());

  // The loop of mode 1 pumps until the Show comes through it, as a deferred
  // Show does; its passes from then on meter the mixer that Show opened.
  Post([this] { meter_->NotifyShown(); });
  Post([this] { meter_->put_DisplayMode(KvDispVU::DONotUseTimer); });
  meter_->put_DisplayMode(KvDispVU::UseVUHiTimer);
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "open");
  EXPECT_EQ(calls[1], "read");
  EXPECT_EQ(meter_->get_GetPeekData(), 1200);
  EXPECT_EQ(LitSegments(), (std::vector<int>{1, 2, 3, 4}));
}

}  // namespace
}  // namespace meter_test
