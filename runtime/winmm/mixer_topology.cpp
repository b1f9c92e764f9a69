#include <utility>

#include "runtime/winmm/mixer_device.h"
#include "runtime/winmm/mmsystem.h"

namespace winmm {

MixerTopology StandardTopology(std::string productName, bool withWaveLine, bool withPeakMeter) {
  MixerTopology topology;
  topology.productName = std::move(productName);
  topology.driverVersion = 0x0100;

  MixerLineInfo speakers;
  speakers.destination = 0;
  speakers.lineId = kSpeakersLineId;
  speakers.componentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  speakers.channels = 2;
  speakers.connections = withWaveLine ? 1 : 0;
  speakers.shortName = "Speakers";
  speakers.name = "Speakers";
  speakers.targetType = MIXERLINE_TARGETTYPE_WAVEOUT;
  topology.lines.push_back(std::move(speakers));

  if (withWaveLine) {
    MixerLineInfo wave;
    wave.destination = 0;
    wave.isSource = true;
    wave.source = 0;
    wave.lineId = kWaveLineId;
    wave.componentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    wave.channels = 2;
    wave.shortName = "Wave";
    wave.name = "Wave";
    wave.targetType = MIXERLINE_TARGETTYPE_WAVEOUT;
    if (withPeakMeter) {
      // One value for all channels: the loudest moment of the whole output.
      wave.controls.push_back(MixerControlInfo{kPeakMeterControlId, MIXERCONTROL_CONTROLTYPE_PEAKMETER,
                                               MIXERCONTROL_CONTROLF_UNIFORM, "Peak", "Peak Meter",
                                               -32768, 32767});
    }
    topology.lines.push_back(std::move(wave));
  }
  return topology;
}

}  // namespace winmm
