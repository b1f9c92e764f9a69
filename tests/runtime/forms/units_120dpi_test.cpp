// Runs with the offscreen platform configured for a 1600 x 1200 screen at a
// logical 120 DPI, and beside it a second screen of scale 2.
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
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
using forms_test::OnScreen;
using forms_test::PumpUntil;
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

// A window that goes to a screen of another scale while it runs is drawn
// again at that scale, not blown up from the old one (where every 2 x 2
// block of device pixels would be one colour), and keeps its layout.
TEST(Units120Dpi, AWindowMovedToAScreenOfScale2IsDrawnSharpWithTheSameLayout) {
  forms::Form form;  // the application, and with it the screens
  const QList<QScreen*> screens = QGuiApplication::screens();
  ASSERT_EQ(screens.size(), 2);
  form.SetBackColor({0, 0, 0});
  form.SetClientSize(200 * 12, 100 * 12);
  auto& ring = form.Add<forms::Shape>("Shape1");
  ring.SetShape(forms::ShapeKind::Circle);
  ring.SetBorderColor({255, 255, 255});
  ring.Move(120, 120, 960, 960);  // 10, 10, 80 x 80 px
  auto& box = form.AddPictureBox("Picture1");
  box.Move(1200, 120, 600, 240);
  form.Show();
  QWindow* native = form.Window()->windowHandle();
  ASSERT_TRUE(PumpUntil([&] { return native->isExposed(); }));
  const QRect boxBefore = box.Widget()->geometry();
  const float widthBefore = form.ScaleWidth();

  native->setScreen(screens[1]);
  ASSERT_TRUE(PumpUntil([&] { return native->isExposed() && form.Window()->devicePixelRatioF() == 2; }));
  forms_test::PumpFor(200);
  const QImage shown = OnScreen(form.Window());
  const QPoint client = form.Widget()->mapTo(form.Window(), QPoint(0, 0)) * 2;
  bool sharp = false;
  for (int y = 20; y < 180 && !sharp; y += 2) {
    for (int x = 20; x < 180 && !sharp; x += 2) {
      const QPoint p = client + QPoint(x, y);
      const QRgb a = shown.pixel(p);
      sharp = shown.pixel(p + QPoint(1, 0)) != a || shown.pixel(p + QPoint(0, 1)) != a ||
              shown.pixel(p + QPoint(1, 1)) != a;
    }
  }
  EXPECT_TRUE(sharp) << "the ring is drawn at scale 1 and blown up";
  EXPECT_EQ(box.Widget()->geometry(), boxBefore);
  EXPECT_FLOAT_EQ(form.ScaleWidth(), widthBefore);
  EXPECT_TRUE(form.IsOpen());
  EXPECT_TRUE(form.Window()->isVisible());
}

}  // namespace
