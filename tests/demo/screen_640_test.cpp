// Start-up on a 640 x 480 screen (9600 x 7200 twips): nothing is clamped.
#include "runtime/forms/elements.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/screen.h"
#include "tests/demo/demo_session.h"

namespace whorlix::testing {
namespace {

using SmallScreen = DemoSession;

TEST_F(SmallScreen, LogoRisesAboveTheTopAndTheStripIsCentred) {
  ASSERT_FLOAT_EQ(forms::Screen::Width(), 9600);
  ASSERT_FLOAT_EQ(forms::Screen::Height(), 7200);
  FullScreen& w = Open("values 0");
  EXPECT_FLOAT_EQ(w.Find("LogoQmx")->Left(), 6600);
  EXPECT_FLOAT_EQ(w.Find("LogoQmx")->Top(), -800);
  EXPECT_FLOAT_EQ(w.FindPictureBox("Picture1")->Left(), 1980);
  EXPECT_FLOAT_EQ(w.FindPictureBox("Picture1")->Top(), 15);
  EXPECT_FLOAT_EQ(w.Find("WelcomeText")->Left(), 0);
  EXPECT_FLOAT_EQ(w.Find("WelcomeText")->Width(), 9600);
  EXPECT_EQ((std::array{w.Left(), w.Top(), w.Width(), w.Height()}), (std::array{0.f, 0.f, 9600.f, 7200.f}));
}

}  // namespace
}  // namespace whorlix::testing
