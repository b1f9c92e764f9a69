#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "runtime/kernel32/block_table.h"
#include "runtime/platform/error.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/scripted_mixer.h"
#include "tests/runtime/winmm/meter_sequence.h"

namespace {

std::shared_ptr<winmm::ScriptedMixer> Scripted(const char* text) {
  return std::make_shared<winmm::ScriptedMixer>(winmm::MixerScript::Parse(text));
}

std::string ParseError(const char* text) {
  try {
    winmm::MixerScript::Parse(text, "test.mix");
  } catch (const platform::Error& e) {
    return e.what();
  }
  return "(parsed)";
}

TEST(MixerScript, ParsesEveryInstruction) {
  const auto script = winmm::MixerScript::Parse(
      "# a meter that misbehaves\n"
      "open fail 7\n"
      "\n"
      "meter none   # but the line exists\n"
      "values 1200 -5000 fail\n"
      "values fail:1025 -2147483648 +5\n"
      "end cycle\n");
  EXPECT_EQ(script.openResult, 7u);
  EXPECT_TRUE(script.hasWaveLine);
  EXPECT_FALSE(script.hasPeakMeter);
  EXPECT_TRUE(script.cycle);
  ASSERT_EQ(script.readings.size(), 6u);
  EXPECT_EQ(script.readings[1].value, -5000);
  EXPECT_EQ(script.readings[2].result, MMSYSERR_ERROR);
  EXPECT_EQ(script.readings[3].result, MIXERR_INVALCONTROL);
  EXPECT_EQ(script.readings[4].value, INT32_MIN);
  EXPECT_EQ(script.readings[5].value, 5);
  EXPECT_EQ(winmm::MixerScript::Parse("open fail").openResult, MMSYSERR_NODRIVER);
  EXPECT_FALSE(winmm::MixerScript::Parse("line none").hasWaveLine);
}

TEST(MixerScript, MistakesAreErrorsNamingFileAndLine) {
  EXPECT_EQ(ParseError("values 1\nvalues 12x\n"), "test.mix:2: '12x' is neither a signed 32-bit value nor 'fail'");
  EXPECT_NE(ParseError("values 2147483648").find("test.mix:1:"), std::string::npos);
  EXPECT_NE(ParseError("values fail:0").find("non-zero"), std::string::npos);
  EXPECT_NE(ParseError("open fail 0").find("non-zero"), std::string::npos);
  EXPECT_NE(ParseError("open").find("expected 'open ok'"), std::string::npos);
  EXPECT_NE(ParseError("\n\nlouder please").find("test.mix:3: unknown instruction 'louder'"), std::string::npos);
  EXPECT_NE(ParseError("meter some").find("expected 'meter none'"), std::string::npos);
  EXPECT_NE(ParseError("values").find("at least one"), std::string::npos);
  EXPECT_NE(ParseError("end never").find("end repeat"), std::string::npos);
}

TEST(ScriptedMixer, MeterSequenceReadsMagnitudesAndAFailedReadLeavesTheBlock) {
  auto mixer = Scripted("values 1200 -5000 fail 1200 fail:1026");
  winmm::ScopedMixerDevice use(mixer);
  kvtest::MeterSequence meter;
  ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR);
  ASSERT_TRUE(meter.meterFound);
  EXPECT_EQ(meter.control.dwControlType, MIXERCONTROL_CONTROLTYPE_PEAKMETER);

  int32_t value = 0;
  EXPECT_EQ(meter.Read(value), MMSYSERR_NOERROR);
  EXPECT_EQ(value, 1200);
  EXPECT_EQ(meter.Read(value), MMSYSERR_NOERROR);
  EXPECT_EQ(value, -5000);
  EXPECT_EQ(meter.Read(value), MMSYSERR_ERROR);
  EXPECT_EQ(value, -5000) << "a failed read leaves the previous value in the block";
  EXPECT_EQ(meter.Read(value), MMSYSERR_NOERROR);
  EXPECT_EQ(value, 1200);
  EXPECT_EQ(meter.Read(value), MIXERR_INVALVALUE);
  EXPECT_EQ(value, 1200);
  EXPECT_EQ(meter.Read(value), MIXERR_INVALVALUE) << "the last entry repeats";

  const winmm::MixerCallCounts counts = mixer->Counts();
  EXPECT_EQ(counts.opens, 1u);
  EXPECT_EQ(counts.lineQueries, 1u);
  EXPECT_EQ(counts.controlQueries, 1u);
  EXPECT_EQ(counts.reads, 6u);
  EXPECT_EQ(counts.closes, 0u);
}

TEST(ScriptedMixer, CycleStartsOverAndNoValuesReadZero) {
  {
    winmm::ScopedMixerDevice use(Scripted("values 1 2\nend cycle"));
    kvtest::MeterSequence meter;
    ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR);
    int32_t v[4] = {};
    for (int32_t& x : v) meter.Read(x);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 2);
    EXPECT_EQ(v[2], 1);
    EXPECT_EQ(v[3], 2);
  }
  winmm::ScopedMixerDevice use(Scripted(""));
  kvtest::MeterSequence meter;
  ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR);
  int32_t value = -1;
  EXPECT_EQ(meter.Read(value), MMSYSERR_NOERROR);
  EXPECT_EQ(value, 0);
}

TEST(ScriptedMixer, FailingOpenReturnsTheScriptedCodeAndGivesNoHandle) {
  auto mixer = Scripted("open fail 6");
  winmm::ScopedMixerDevice use(mixer);
  uint32_t handle = 0;
  EXPECT_EQ(mixerOpen(&handle, 0, 0, 0, 0), MMSYSERR_NODRIVER);
  EXPECT_EQ(mixerOpen(&handle, 0, 0, 0, 0), MMSYSERR_NODRIVER);
  EXPECT_EQ(handle, 0u);
  EXPECT_FALSE(winmm::LastMixerOpenError().empty());
  EXPECT_EQ(mixer->Counts().opens, 2u);
  EXPECT_EQ(mixer->Counts().lineQueries, 0u);
}

TEST(ScriptedMixer, MissingLineOrMeterFailsTheLookupAndReadsOfControlZeroFail) {
  for (const char* script : {"line none", "meter none"}) {
    SCOPED_TRACE(script);
    auto mixer = Scripted(script);
    winmm::ScopedMixerDevice use(mixer);
    const size_t blocksBefore = kernel32::LiveBlockCount();
    kvtest::MeterSequence meter;
    ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR);
    EXPECT_FALSE(meter.meterFound);
    if (std::string(script) == "line none") {
      EXPECT_EQ(meter.lineResult, MIXERR_INVALLINE);
      EXPECT_EQ(mixer->Counts().controlQueries, 0u);
    } else {
      EXPECT_EQ(meter.controlsResult, MIXERR_INVALCONTROL);
      EXPECT_EQ(mixer->Counts().controlQueries, 1u);
    }
    EXPECT_EQ(meter.control.dwControlID, 0u);
    EXPECT_EQ(kernel32::LiveBlockCount(), blocksBefore + 1) << "only the value block stays";

    kernel32::BlockTable::Write(meter.details.paDetails, "\x11\x22\x33\x44", 4);
    int32_t value = 0;
    EXPECT_EQ(meter.Read(value), MIXERR_INVALCONTROL);
    EXPECT_EQ(value, 0x44332211) << "the block is untouched";
    EXPECT_EQ(mixer->Counts().reads, 0u);
  }
}

TEST(ScriptedMixer, HandlesKeepTheirDeviceAfterTheScopeEnds) {
  auto mixer = Scripted("values 42");
  uint32_t handle = 0;
  {
    winmm::ScopedMixerDevice use(mixer);
    ASSERT_EQ(mixerOpen(&handle, 0, 0, 0, 0), MMSYSERR_NOERROR);
  }
  winmm::ScopedMixerDevice other(Scripted("values 7"));
  const uint32_t block = GlobalAlloc(GMEM_FIXED, 4);
  MIXERCONTROLDETAILS details{sizeof details, winmm::kPeakMeterControlId, 1, {0}, 4, GlobalLock(block)};
  ASSERT_EQ(mixerGetControlDetailsA(handle, &details, 0), MMSYSERR_NOERROR);
  int32_t value = 0;
  RtlMoveMemory(&value, details.paDetails, 4);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(mixerClose(handle), MMSYSERR_NOERROR);
  EXPECT_EQ(mixer->Counts().closes, 1u);
  GlobalFree(block);
}

class ScriptFromEnvironment : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("kv-mixer-" + std::to_string(getpid()) + "-" + name + ".mix");
    std::ofstream(path) << text;
    files_.push_back(path);
    return path.string();
  }
  void TearDown() override {
    unsetenv("KV_MIXER_DEVICE");
    for (const auto& f : files_) std::filesystem::remove(f);
  }
  std::vector<std::filesystem::path> files_;
};

TEST_F(ScriptFromEnvironment, ScriptFileDrivesTheMixerAndKeepsItsPlaceAcrossOpens) {
  setenv("KV_MIXER_DEVICE", ("script:" + Write("good", "values -3000 8001\n")).c_str(), 1);
  int32_t first = 0;
  int32_t second = 0;
  {
    kvtest::MeterSequence meter;
    ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
    EXPECT_EQ(meter.Read(first), MMSYSERR_NOERROR);
  }
  kvtest::MeterSequence meter;  // as on a second Show event
  ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR);
  EXPECT_EQ(meter.Read(second), MMSYSERR_NOERROR);
  EXPECT_EQ(first, -3000);
  EXPECT_EQ(second, 8001);
}

TEST_F(ScriptFromEnvironment, BadScriptMissingFileOrUnknownDeviceFailTheOpenWithAReason) {
  const std::string bad = Write("bad", "values 1\nvolume 11\n");
  const std::string missing = (std::filesystem::temp_directory_path() / "kv-no-such-script.mix").string();
  // Neither may be read: a directory reads as nothing, a FIFO blocks until written.
  const std::string directory = Write("directory", "");
  std::filesystem::remove(directory);
  std::filesystem::create_directory(directory);
  const std::string fifo = Write("fifo", "");
  std::filesystem::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"script:" + bad, bad + ":2: unknown instruction 'volume'"},
      {"script:" + missing, "Cannot read mixer script " + missing},
      {"script:" + directory, "Cannot read mixer script " + directory + ": not a regular file"},
      {"script:" + fifo, "Cannot read mixer script " + fifo + ": not a regular file"},
      {"alsa", "KV_MIXER_DEVICE='alsa' names no mixer device"},
  };
  for (const auto& [setting, reason] : cases) {
    SCOPED_TRACE(setting);
    setenv("KV_MIXER_DEVICE", setting.c_str(), 1);
    uint32_t handle = 0;
    EXPECT_EQ(mixerOpen(&handle, 0, 0, 0, 0), MMSYSERR_NODRIVER);
    EXPECT_EQ(handle, 0u);
    EXPECT_NE(winmm::LastMixerOpenError().find(reason), std::string::npos) << winmm::LastMixerOpenError();
  }
  // Fixed in place, the same script is read again.
  Write("bad", "values 5\n");
  setenv("KV_MIXER_DEVICE", ("script:" + bad).c_str(), 1);
  kvtest::MeterSequence meter;
  EXPECT_EQ(meter.Open(), MMSYSERR_NOERROR);
}

}  // namespace
