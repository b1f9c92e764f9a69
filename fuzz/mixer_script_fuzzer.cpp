// The scripted mixer device's script (KV_MIXER_DEVICE=script:FILE).
#include "fuzz/fuzz_support.h"
#include "runtime/winmm/scripted_mixer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)fuzz::Refused([&] { (void)winmm::MixerScript::Parse(fuzz::Text(data, size), "fuzz.mix"); });
  return 0;
}
