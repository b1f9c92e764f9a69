#include "runtime/forms/units.h"

#include <gtest/gtest.h>

#include "runtime/forms/elements.h"
#include "runtime/forms/form.h"
#include "runtime/forms/screen.h"
#include "tests/runtime/forms/test_support.h"

namespace {

using forms_test::At;
using forms_test::Render;

TEST(Units, At96DpiAPixelIs15TwipsAndTheScreenIsMeasuredInTwips) {
  EXPECT_FLOAT_EQ(forms::TwipsPerPixelX(), 15.0f);
  EXPECT_FLOAT_EQ(forms::TwipsPerPixelY(), 15.0f);
  EXPECT_FLOAT_EQ(forms::Screen::TwipsPerPixelX(), 15.0f);
  // The default offscreen screen is 800 x 800 pixels.
  EXPECT_FLOAT_EQ(forms::Screen::Width(), 800 * 15.0f);
  EXPECT_FLOAT_EQ(forms::Screen::Height(), 800 * 15.0f);

  EXPECT_EQ(forms::TwipsToPixelsX(1500), 100);
  EXPECT_EQ(forms::TwipsToPixelsY(-1500), -100);
  // Nearest pixel, halves away from zero.
  EXPECT_EQ(forms::TwipsToPixelsX(7), 0);
  EXPECT_EQ(forms::TwipsToPixelsX(7.5f), 1);
  EXPECT_EQ(forms::TwipsToPixelsX(-7.5f), -1);
  EXPECT_FLOAT_EQ(forms::PixelsToTwipsX(3), 45.0f);
  EXPECT_FLOAT_EQ(forms::PixelsToTwipsY(-2), -30.0f);
  // Nonsense in, something defined out.
  EXPECT_EQ(forms::TwipsToPixelsX(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_GT(forms::TwipsToPixelsX(std::numeric_limits<float>::infinity()), 1000000);
}

TEST(Units, ElementsKeepTheFloatThatWasSetAndPaintAtTheRoundedPixel) {
  forms::Form form;
  form.SetBackColor({0, 0, 0});
  form.SetClientSize(300 * 15, 200 * 15);
  auto& shape = form.Add<forms::Shape>("Shape1");
  shape.SetBorderColor({255, 0, 0});
  // Odd sizes a program computes (12345 / 2 and friends) come back unchanged.
  shape.Move(1507.5f, 750, 6172.5f, 1500);
  EXPECT_FLOAT_EQ(shape.Left(), 1507.5f);
  EXPECT_FLOAT_EQ(shape.Width(), 6172.5f);
  const QImage img = Render(form);
  // 1507.5 twips = 100.5 px, rounded to 101; the top edge at 50 px.
  EXPECT_EQ(At(img, 101, 70), (forms::Color{255, 0, 0}));
  EXPECT_EQ(At(img, 100, 70), (forms::Color{0, 0, 0}));
  EXPECT_EQ(At(img, 150, 50), (forms::Color{255, 0, 0}));
  EXPECT_EQ(At(img, 150, 49), (forms::Color{0, 0, 0}));
}

}  // namespace
