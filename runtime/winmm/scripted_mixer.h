#pragma once
// A scripted mixer device, for what the sound server cannot be made to do: a
// failing open, a wave line without a peak meter, values such as -5000, reads
// that fail after a good one.
//
// In a test:
//   auto mixer = std::make_shared<winmm::ScriptedMixer>(
//       winmm::MixerScript::Parse("values 1200 fail 1200"));
//   winmm::ScopedMixerDevice use(mixer);   // device_selection.h: mixer device 0 is now `mixer`
//   ... mixerOpen / mixerGetControlDetailsA ...; mixer->Counts().reads
//
// For a whole program: KV_MIXER_DEVICE=script:FILE, FILE in this format, one
// instruction per line, '#' starts a comment, blank lines are ignored:
//   open ok               mixerOpen succeeds (the default)
//   open fail [CODE]      mixerOpen returns CODE (default 6, MMSYSERR_NODRIVER)
//   line none             the mixer has no wave-output line
//   meter none            the wave-output line has no peak meter
//   values V...           successive reads of the peak meter: an integer
//                         (any signed 32-bit value) is read as that value;
//                         `fail` fails with MMSYSERR_ERROR, `fail:CODE` with CODE
//                         and leaves the caller's value block untouched.
//                         Several `values` lines append. Without any, reads give 0.
//   end repeat|cycle      after the last value: keep reading it (the default),
//                         or start over from the first.
// A bad line is an error naming the line; from KV_MIXER_DEVICE it makes
// mixerOpen fail with MMSYSERR_NODRIVER (reason: winmm::LastMixerOpenError()).
#include "runtime/platform/export.h"
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/winmm/mixer_device.h"

namespace winmm {

struct KVQMXTMR_EXPORT MixerScript {
  struct Reading {
    uint32_t result = 0;  // MMSYSERR_NOERROR, or the failure to return
    int32_t value = 0;
  };
  uint32_t openResult = 0;
  bool hasWaveLine = true;
  bool hasPeakMeter = true;
  std::vector<Reading> readings;
  bool cycle = false;

  // Throw platform::Error(kErrorInvalidArgument / kErrorFileNotFound) with a
  // message naming the file and line.
  static MixerScript Parse(std::string_view text, std::string_view origin = "script");
  static MixerScript Load(const std::string& path);
};

struct MixerCallCounts {
  uint64_t opens = 0;  // every mixerOpen that reached the device, failed ones too
  uint64_t lineQueries = 0;
  uint64_t controlQueries = 0;
  uint64_t reads = 0;  // every read of an existing control, failed ones too
  uint64_t closes = 0;
};

class KVQMXTMR_EXPORT ScriptedMixer : public MixerDevice {
 public:
  explicit ScriptedMixer(MixerScript script);

  MixerCallCounts Counts() const;

  uint32_t Open() override;
  std::string LastError() const override;
  void Close() override;
  void Note(Call call) override;
  std::shared_ptr<const MixerTopology> Describe() override;
  uint32_t ReadSigned(uint32_t controlId, int32_t& value) override;

 private:
  mutable std::mutex lock_;
  MixerScript script_;
  std::shared_ptr<const MixerTopology> topology_;
  size_t next_ = 0;
  MixerCallCounts counts_;
};

}  // namespace winmm
