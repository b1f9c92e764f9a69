// The bar graph: on every tick of BarGraphTimer the meter takes one reading
// and the 21 bars light from the left, one for every full 500 the level
// exceeds. Every bar is set on every tick, so the picture never depends on
// the previous one.
#include "demo/full_screen.h"
#include "runtime/forms/elements.h"

namespace whorlix {

void FullScreen::BarGraphTimer_Timer() {
  KvDispVU1().put_DisplayMode(dialfen::GetPeekDataOnly);
  const int32_t L = KvDispVU1().get_GetPeekData();
  for (int k = 0; k < kBarCount; ++k) Li[static_cast<size_t>(k)]->SetVisible(BarLit(k, L));
}

}  // namespace whorlix
