// The pulsing shapes: on every event of the fast timer, four rings and the
// sphere are sized in proportion to the live level and centred on the screen,
// and the pause before the next event follows the level too (loud sound
// slows the frames down).
#include <array>

#include "demo/full_screen.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/screen.h"
#include "runtime/platform/error.h"

namespace whorlix {
namespace {

// From the border-width step on, a step that fails is skipped and the frame
// goes on: an element that refuses a value keeps the old one, and the
// read-back below still centres it on the size it really has.
template <class Step>
void SkipOnFailure(Step&& step) {
  try {
    step();
  } catch (const platform::Error&) {
  }
}

}  // namespace

void FullScreen::KvQmxFasTmr1_QmxTimer() {
  const std::array<forms::Element*, kPulsingElements> elements = {Shape1, Shape2, Shape3, Shape4, Image2};

  // The pace follows the reading stored before this event (the previous
  // event's), so it lags the picture by one frame.
  const int32_t P = KvDispVU1().get_GetPeekData();
  KvQmxFasTmr1().put_SleepDelay(SleepDelayForLevel(P));
  const float SW = forms::Screen::Width();
  const float SH = forms::Screen::Height();
  KvDispVU1().put_DisplayMode(dialfen::GetPeekDataOnly);
  const int32_t L = KvDispVU1().get_GetPeekData();

  // Hidden from here to the end, so no element is ever seen at its new size
  // but its old place.
  for (forms::Element* element : elements) element->SetVisible(false);

  const std::array<float, kPulsingElements> sizes = PulsingSizes(L);
  Shape1->SetWidth(sizes[0]);
  Shape1->SetHeight(sizes[0]);

  SkipOnFailure([&] { Shape1->SetBorderWidth(OuterRingBorderWidth(L)); });
  for (size_t i = 1; i < elements.size(); ++i) {
    SkipOnFailure([&] { elements[i]->SetWidth(sizes[i]); });
    SkipOnFailure([&] { elements[i]->SetHeight(sizes[i]); });
  }

  std::array<float, kPulsingElements> widths{}, heights{}, lefts{}, tops{};
  for (size_t i = 0; i < elements.size(); ++i) {
    SkipOnFailure([&] { widths[i] = elements[i]->Width(); });
    SkipOnFailure([&] { heights[i] = elements[i]->Height(); });
    SkipOnFailure([&] { tops[i] = CentredStart(SH, heights[i]); });
    SkipOnFailure([&] { lefts[i] = CentredStart(SW, widths[i]); });
  }
  for (size_t i = 0; i < elements.size(); ++i) {
    SkipOnFailure([&] { elements[i]->SetLeft(lefts[i]); });
    SkipOnFailure([&] { elements[i]->SetTop(tops[i]); });
  }

  for (forms::Element* element : elements) SkipOnFailure([&] { element->SetVisible(true); });
}

}  // namespace whorlix
