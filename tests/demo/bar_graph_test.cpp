// The bar graph's thresholds on exact levels, and what a lit bar looks like.
#include <QImage>
#include <QWidget>

#include "runtime/forms/elements.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/units.h"
#include "tests/demo/demo_session.h"

namespace whorlix::testing {
namespace {

using BarGraph = DemoSession;

std::string Pattern(FullScreen& w) {
  std::string bars;
  for (int k = 0; k <= 20; ++k) bars += w.FindPictureBox("Picture1")->Find("Li" + std::to_string(k))->Visible() ? '#' : '.';
  return bars;
}

TEST_F(BarGraph, EachTickTakesOneReadingAndSetsEveryBar) {
  FullScreen& w = Open("values 0 500 501 1000 1001 10500 10501 -32768 -1001");
  const std::vector<std::string> expected = {
      ".....................", ".....................", "#....................", "#....................",
      "##...................", "####################.", "#####################", "#####################",
      "##..................."};
  for (size_t i = 0; i < expected.size(); ++i) {
    w.BarGraphTimer_Timer();
    EXPECT_EQ(Pattern(w), expected[i]) << "tick " << i;
    EXPECT_EQ(MixerReads(), i + 1);
  }
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::GetPeekDataOnly);
}

TEST_F(BarGraph, LitBarsShowInTheStripAndTheLastOneIsSeen) {
  FullScreen& w = Open("values 0 32768");
  forms::PictureBox* strip = w.FindPictureBox("Picture1");
  auto pixelAt = [&](float xTwips, float yTwips) {
    const QImage frame = strip->Widget()->grab().toImage();
    return frame.pixelColor(forms::TwipsToPixelsX(xTwips), forms::TwipsToPixelsY(yTwips));
  };
  const QColor bar(0, 192, 192), background(0, 64, 64);
  w.BarGraphTimer_Timer();
  EXPECT_EQ(pixelAt(90, 150), background);
  EXPECT_EQ(pixelAt(2490, 150), background);
  w.BarGraphTimer_Timer();
  EXPECT_EQ(pixelAt(90, 150), bar);
  EXPECT_EQ(pixelAt(2370, 150), bar);
  EXPECT_EQ(pixelAt(2490, 150), bar) << "the 21st bar must not hide behind the 20th";
  EXPECT_EQ(pixelAt(2430, 150), background) << "bars stand apart";
}

}  // namespace
}  // namespace whorlix::testing
