// Runs with the offscreen platform configured for a 1600 x 1200 screen at a
// logical 120 DPI.
#include <QtGlobal>

#include <gtest/gtest.h>

#include "runtime/forms/elements.h"
#include "runtime/forms/form.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/screen.h"
#include "runtime/forms/units.h"
#include "tests/runtime/forms/test_support.h"

namespace {

// Before any Qt object exists.
const bool kScreenConfigured =
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + KV_SCREEN_120DPI_CONFIG);

using forms_test::At;
using forms_test::Render;

TEST(Units120Dpi, APixelIs12TwipsAndTheScreenFollows) {
  ASSERT_TRUE(kScreenConfigured);
  EXPECT_FLOAT_EQ(forms::TwipsPerPixelX(), 12.0f);
  EXPECT_FLOAT_EQ(forms::TwipsPerPixelY(), 12.0f);
  EXPECT_FLOAT_EQ(forms::Screen::Width(), 1600 * 12.0f);
  EXPECT_FLOAT_EQ(forms::Screen::Height(), 1200 * 12.0f);
  EXPECT_EQ(forms::TwipsToPixelsX(1200), 100);
  EXPECT_FLOAT_EQ(forms::PixelsToTwipsY(100), 1200.0f);
}

TEST(Units120Dpi, WindowsAndElementsArePlacedInScreenPixels) {
  forms::Form form;
  form.SetBackColor({0, 0, 0});
  form.SetClientSize(200 * 12, 100 * 12);
  EXPECT_EQ(form.Widget()->width(), 200);
  EXPECT_FLOAT_EQ(form.ScaleWidth(), 2400.0f);

  auto& box = form.AddPictureBox("Picture1");
  box.SetBackColor({0, 64, 64});
  box.Move(1200, 120, 600, 240);  // 100, 10, 50 x 20 px
  const QImage img = Render(form);
  EXPECT_EQ(At(img, 100, 10), (forms::Color{0, 64, 64}));
  EXPECT_EQ(At(img, 149, 29), (forms::Color{0, 64, 64}));
  EXPECT_EQ(At(img, 99, 10), (forms::Color{0, 0, 0}));
  EXPECT_EQ(At(img, 150, 10), (forms::Color{0, 0, 0}));
}

}  // namespace
