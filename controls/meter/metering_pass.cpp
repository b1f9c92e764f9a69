// The metering pass: one reading, published as GetPeekData, then the eleven
// segments in order, each lit when the reading is strictly above its
// threshold and darkened after a pause otherwise.
#include <cstdint>
#include <exception>

#include "controls/meter/declared_imports.h"
#include "controls/meter/kv_disp_vu.h"
#include "controls/meter/segment_layout.h"
#include "controls/meter/segment_thresholds.h"
#include "runtime/forms/application.h"
#include "runtime/kernel32/kernel32.h"
#include "runtime/platform/error.h"

namespace {

// From the reading on, a failing step of a pass is skipped and the pass goes
// on with the next one: a meter that stops half-way would show a mix of old
// and new segments. Running out of stack is the one failure no pass can
// skip: the loop would come back to the same pump, as deep as before, for
// ever; it ends the put that started the loop instead.
template <class Step>
void SkippingErrors(Step&& step) {
  try {
    step();
  } catch (const platform::Error& e) {
    if (e.code() == platform::kErrorOutOfStackSpace) throw;
  } catch (const std::exception&) {
  }
}

}  // namespace

void KvDispVU::UpdateMeter() {
  // Checked once, on entry: a pass that starts stopped only makes sure the
  // timer is quiet.
  if (m_DisplayMode == DONotUseTimer) {
    Timer1.SetInterval(0);
    return;
  }

  for (;;) {
    // The mixer is set up by Show, which a platform may deliver only once the
    // window is on screen, after timer ticks or a loop's pump have already
    // come. Until then a pass has nothing to read and changes nothing: no
    // pass pauses over a level that was never measured, and the first
    // reading is of the mixer Show opened, as when Show comes first.
    if (mixer_.SetUpRun()) {
      SkippingErrors([&] { mixer_.Read(); });
      if (m_DisplayMode == GetPeekDataOnly) {
        m_GetPeekData = mixer_.State().PeakValue;
        return;  // a reading on demand leaves the segments alone
      }
      m_GetPeekData = mixer_.State().PeakValue;

      for (int n = 1; n <= meter::kSegmentCount; ++n) ShowSegment(n);
    }

    if (m_DisplayMode != UseVUHiTimer) return;
    // The loop's only chance for the host to run, and so to end it.
    SkippingErrors([] { forms::DoEvents(); });
  }
}

void KvDispVU::ShowSegment(int n) {
  forms::Image& image = *Dp[n - 1];
  // A threshold that cannot be computed lights its segment, as if the
  // reading had exceeded it.
  bool lit = true;
  SkippingErrors([&] { lit = meter::ExceedsThreshold(mixer_.State().PeakValue, m_SetDispVolumeStep, n); });
  if (lit) {
    SkippingErrors([&] { image.SetVisible(true); });
    return;
  }
  SkippingErrors([&] { meter::imports::Sleep(kernel32::PauseMilliseconds(m_SetDispDelay)); });
  SkippingErrors([&] { image.SetVisible(false); });
}
