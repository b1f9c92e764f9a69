// What the elements look like, read back from rendered pixels at 96 DPI
// (15 twips a pixel): z-order, clipping, outlines, lines, pictures, text.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <QScreen>

#include "runtime/forms/application.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/form.h"
#include "runtime/forms/command_button.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/user_control.h"
#include "runtime/platform/error.h"
#include "tests/runtime/forms/test_support.h"

namespace {

using forms::Color;
using forms_test::AfterFullRepaint;
using forms_test::At;
using forms_test::FrameDifference;
using forms_test::OnScreen;
using forms_test::Render;

constexpr float kPx = 15.0f;  // twips per pixel at 96 DPI
const Color kBack{0, 0, 64};
const Color kRed{255, 0, 0};
const Color kGreen{0, 255, 0};
const Color kTeal{0, 64, 64};

struct Canvas : ::testing::Test {
  Canvas() {
    form.SetBackColor(kBack);
    form.SetClientSize(200 * kPx, 120 * kPx);
  }
  forms::Shape& Rect(const std::string& name, Color c, int16_t width, int x, int y, int w, int h) {
    auto& s = form.Add<forms::Shape>(name);
    s.SetBorderColor(c);
    s.SetBorderWidth(width);
    s.Move(x * kPx, y * kPx, w * kPx, h * kPx);
    return s;
  }
  forms::Form form;
};

TEST_F(Canvas, ElementsAddedEarlierLieInFrontAndHiddenOnesAreNotDrawn) {
  Rect("Front", kRed, 10, 10, 10, 100, 100);
  auto& back = Rect("Back", kGreen, 30, 10, 10, 100, 100);
  QImage img = Render(form);
  EXPECT_EQ(At(img, 12, 40), kRed);    // both borders cover it: the front one wins
  EXPECT_EQ(At(img, 25, 40), kGreen);  // only the wide back border reaches here
  EXPECT_EQ(At(img, 60, 60), kBack);   // inside both outlines: transparent

  form.Find("Front")->SetVisible(false);
  img = Render(form);
  EXPECT_EQ(At(img, 12, 40), kGreen);
  back.SetVisible(false);
  img = Render(form);
  EXPECT_EQ(At(img, 12, 40), kBack);
}

TEST_F(Canvas, PictureBoxLiesAboveElementsAndClipsItsOwn) {
  // Added before the shape, the box still covers it: a window lies above every
  // windowless element of its parent.
  auto& box = form.AddPictureBox("Picture1");
  box.SetBackColor(kTeal);
  box.Move(20 * kPx, 20 * kPx, 50 * kPx, 30 * kPx);
  Rect("Under", kRed, 40, 0, 0, 120, 100);
  // An element of the box that reaches past the box's edges.
  auto& inner = box.Add<forms::Shape>("Inner");
  inner.SetBorderColor(kGreen);
  inner.SetBorderWidth(20);
  inner.Move(30 * kPx, -10 * kPx, 60 * kPx, 60 * kPx);

  const QImage img = Render(form);
  EXPECT_EQ(At(img, 25, 25), kTeal);    // box over the form's shape
  EXPECT_EQ(At(img, 55, 25), kGreen);   // the box's own element
  EXPECT_EQ(At(img, 69, 25), kGreen);   // up to the box's right edge...
  EXPECT_EQ(At(img, 75, 25), kRed);     // ...and no further: the form's shape shows
  EXPECT_EQ(At(img, 55, 19), kRed);     // clipped at the top edge as well
  EXPECT_EQ(At(img, 5, 5), kRed);

  box.SetVisible(false);
  EXPECT_EQ(At(Render(form), 25, 25), kRed);
}

TEST_F(Canvas, RectangleOutlineLiesInsideItsBox) {
  Rect("R", kRed, 3, 10, 10, 50, 30);
  const QImage img = Render(form);
  EXPECT_EQ(At(img, 10, 10), kRed);
  EXPECT_EQ(At(img, 12, 25), kRed);
  EXPECT_EQ(At(img, 13, 25), kBack);
  EXPECT_EQ(At(img, 59, 39), kRed);
  EXPECT_EQ(At(img, 60, 25), kBack);
  EXPECT_EQ(At(img, 9, 25), kBack);
  EXPECT_EQ(At(img, 35, 39), kRed);
  EXPECT_EQ(At(img, 35, 40), kBack);
}

TEST_F(Canvas, CircleIsTheLargestThatFitsCentredAndHollow) {
  auto& c = Rect("C", kRed, 4, 20, 10, 100, 60);
  c.SetShape(forms::ShapeKind::Circle);
  const QImage img = Render(form);
  // Diameter 60, centred horizontally: spans x 40..100, y 10..70.
  EXPECT_EQ(At(img, 70, 11), kRed);   // top of the ring
  EXPECT_EQ(At(img, 70, 68), kRed);   // bottom
  EXPECT_EQ(At(img, 41, 40), kRed);   // left
  EXPECT_EQ(At(img, 98, 40), kRed);   // right
  EXPECT_EQ(At(img, 70, 40), kBack);  // transparent inside
  EXPECT_EQ(At(img, 25, 40), kBack);  // in the box but outside the circle
  EXPECT_EQ(At(img, 115, 40), kBack);
  EXPECT_EQ(At(img, 42, 12), kBack);  // the box's corner stays empty
}

TEST_F(Canvas, BorderWidthAccepts1To8192AndRefusesTheRestKeepingTheOldWidth) {
  auto& s = form.Add<forms::Shape>("S");
  auto& l = form.Add<forms::Line>("L");
  s.SetBorderWidth(1);
  s.SetBorderWidth(8192);
  EXPECT_EQ(s.BorderWidth(), 8192);
  s.SetBorderWidth(7);
  for (int16_t bad : {int16_t{0}, int16_t{-1}, int16_t{8193}, int16_t{32767}, int16_t{-32768}}) {
    EXPECT_THROW(s.SetBorderWidth(bad), platform::Error) << bad;
    EXPECT_EQ(s.BorderWidth(), 7);
    EXPECT_THROW(l.SetBorderWidth(bad), platform::Error) << bad;
    EXPECT_EQ(l.BorderWidth(), 1);
  }
  try {
    s.SetBorderWidth(0);
  } catch (const platform::Error& e) {
    EXPECT_EQ(e.code(), platform::kErrorInvalidArgument);
  }
}

TEST_F(Canvas, NegativeSizesAreRefusedAndTheOldSizeKept) {
  auto& s = Rect("S", kRed, 1, 0, 0, 10, 10);
  EXPECT_THROW(s.SetWidth(-1), platform::Error);
  EXPECT_THROW(s.SetHeight(-0.5f), platform::Error);
  EXPECT_THROW(s.Move(5, 5, -3, 4), platform::Error);
  EXPECT_FLOAT_EQ(s.Width(), 10 * kPx);
  EXPECT_FLOAT_EQ(s.Height(), 10 * kPx);
  EXPECT_FLOAT_EQ(s.Left(), 0);
  // Zero is a size: the shape simply draws nothing.
  s.SetWidth(0);
  EXPECT_EQ(At(Render(form), 0, 0), kBack);
}

TEST_F(Canvas, EveryKindOfBoxRefusesTheSameBadSizesWithOneMessage) {
  auto& box = form.AddPictureBox("Picture1");
  box.Move(0, 0, 600, 600);
  auto& button = form.AddButton("Command1");
  button.Move(0, 0, 600, 600);
  auto& image = form.Add<forms::Image>("Image1");
  image.SetStretch(true);
  image.Move(0, 0, 600, 600);
  auto* control = new forms::UserControl();
  control->SetWidth(600);
  control->SetHeight(600);
  form.SetWidth(6000);
  form.SetHeight(6000);

  struct Setter {
    const char* what;
    std::function<void(float)> set;
    std::function<float()> get;
  };
  const std::vector<Setter> setters{
      {"Width", [&](float v) { box.SetWidth(v); }, [&] { return box.Width(); }},
      {"Height", [&](float v) { box.Move(0, 0, 600, v); }, [&] { return box.Height(); }},
      {"Width", [&](float v) { button.SetWidth(v); }, [&] { return button.Width(); }},
      {"Height", [&](float v) { button.Move(0, 0, 600, v); }, [&] { return button.Height(); }},
      {"Width", [&](float v) { image.SetWidth(v); }, [&] { return image.Width(); }},
      {"Height", [&](float v) { image.Move(0, 0, 600, v); }, [&] { return image.Height(); }},
      {"Width", [&](float v) { control->SetWidth(v); }, [&] { return control->Width(); }},
      {"Height", [&](float v) { control->HostResize(600, v); }, [&] { return control->Height(); }},
      {"Width", [&](float v) { form.SetWidth(v); }, [&] { return form.Width(); }},
      {"ScaleHeight", [&](float v) { form.SetClientSize(600, v); }, [&] { return form.Height(); }},
  };
  const float kNaN = std::numeric_limits<float>::quiet_NaN();
  const float kInf = std::numeric_limits<float>::infinity();
  for (const Setter& s : setters) {
    for (const float bad : {-1.0f, -0.5f, kNaN, kInf, -kInf}) {
      const float before = s.get();
      try {
        s.set(bad);
        ADD_FAILURE() << s.what << " took " << bad;
      } catch (const platform::Error& e) {
        EXPECT_EQ(e.code(), platform::kErrorInvalidArgument);
        const std::string expected = std::string("Invalid property value: ") + s.what +
                                     (bad < 0 && std::isfinite(bad) ? " cannot be negative."
                                                                    : " must be a finite number of twips.");
        EXPECT_EQ(std::string(e.what()), expected);
      }
      EXPECT_FLOAT_EQ(s.get(), before) << s.what << " after " << bad;
    }
  }
  control->Release();
}

TEST_F(Canvas, LineRunsBetweenItsEndPointsWithItsWidth) {
  auto& line = form.Add<forms::Line>("Li0");
  line.SetBorderColor({0, 192, 192});
  line.SetBorderWidth(3);
  line.SetPoints(20 * kPx, 5 * kPx, 20 * kPx, 40 * kPx);
  EXPECT_FLOAT_EQ(line.Left(), 300);
  EXPECT_FLOAT_EQ(line.Width(), 0);
  EXPECT_FLOAT_EQ(line.Height(), 35 * kPx);
  QImage img = Render(form);
  const Color teal{0, 192, 192};
  EXPECT_EQ(At(img, 19, 20), teal);
  EXPECT_EQ(At(img, 20, 20), teal);
  EXPECT_EQ(At(img, 21, 20), teal);
  EXPECT_EQ(At(img, 22, 20), kBack);
  EXPECT_EQ(At(img, 18, 20), kBack);
  EXPECT_EQ(At(img, 20, 6), teal);
  EXPECT_EQ(At(img, 20, 43), kBack);

  // Moving the line's box moves both ends.
  line.SetLeft(60 * kPx);
  line.SetTop(50 * kPx);
  EXPECT_FLOAT_EQ(line.X1(), 900);
  EXPECT_FLOAT_EQ(line.Y2(), 85 * kPx);
  img = Render(form);
  EXPECT_EQ(At(img, 20, 20), kBack);
  EXPECT_EQ(At(img, 60, 60), teal);
}

TEST_F(Canvas, ImageShowsAtNaturalSizeOrStretched) {
  QImage pic(4, 3, QImage::Format_RGB32);
  pic.fill(QColor(10, 200, 30));
  auto& image = form.Add<forms::Image>("Image2");
  image.SetPicture(pic);
  image.Move(30 * kPx, 30 * kPx, 40 * kPx, 20 * kPx);
  // Not stretched: the picture decides the size; requests do not change it.
  EXPECT_FLOAT_EQ(image.Width(), 4 * kPx);
  EXPECT_FLOAT_EQ(image.Height(), 3 * kPx);
  QImage img = Render(form);
  EXPECT_EQ(At(img, 33, 32), (Color{10, 200, 30}));
  EXPECT_EQ(At(img, 34, 32), kBack);
  EXPECT_EQ(At(img, 33, 33), kBack);

  image.SetStretch(true);
  image.SetWidth(40 * kPx);
  image.SetHeight(20 * kPx);
  EXPECT_FLOAT_EQ(image.Width(), 40 * kPx);
  img = Render(form);
  EXPECT_EQ(At(img, 30, 30), (Color{10, 200, 30}));
  EXPECT_EQ(At(img, 69, 49), (Color{10, 200, 30}));
  EXPECT_EQ(At(img, 70, 49), kBack);
  EXPECT_EQ(At(img, 69, 50), kBack);
}

TEST_F(Canvas, LabelDrawsItsTextInItsColourOverAnOptionalBackground) {
  auto& label = form.Add<forms::Label>("WelcomeText");
  label.SetCaption("WWWW");
  label.SetForeColor({192, 0, 0});
  label.SetBackColor({255, 255, 255});
  label.SetFontName("DejaVu Sans");
  label.SetFontSize(18);
  label.SetFontBold(true);
  label.Move(10 * kPx, 10 * kPx, 150 * kPx, 50 * kPx);

  auto count = [&](const QImage& img, Color c, QRect r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += At(img, x, y) == c;
    return n;
  };
  const QRect inside(10, 10, 150, 50);
  QImage img = Render(form);
  EXPECT_GT(count(img, {192, 0, 0}, inside), 20);
  EXPECT_GT(count(img, {255, 255, 255}, inside), 1000);
  EXPECT_EQ(count(img, {192, 0, 0}, QRect(0, 62, 200, 50)), 0);

  // Centred text has as much room on the left as on the right.
  label.SetAlignment(forms::Label::Alignment::Center);
  label.SetBackTransparent(true);
  img = Render(form);
  EXPECT_EQ(count(img, {255, 255, 255}, inside), 0);
  int first = 200, last = -1;
  for (int x = 10; x < 160; ++x)
    for (int y = 10; y < 60; ++y)
      if (At(img, x, y) == Color{192, 0, 0}) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
  ASSERT_GT(last, first);
  EXPECT_NEAR(first - 10, 159 - last, 3);

  EXPECT_THROW(label.SetFontSize(0), platform::Error);
  EXPECT_FLOAT_EQ(label.FontSize(), 18);
}

// A change repaints only what the element covered and covers, and the screen
// is left exactly as a full repaint draws it: every kind of element, moved,
// resized and restyled over and under others.
TEST_F(Canvas, PartialRepaintsLeaveWhatAFullRepaintDraws) {
  auto& ring = Rect("Ring", kRed, 3, 20, 20, 60, 40);
  ring.SetShape(forms::ShapeKind::Circle);
  auto& frame = Rect("Frame", kGreen, 2, 10, 10, 100, 80);
  auto& line = form.Add<forms::Line>("Line");
  line.SetBorderColor({0, 192, 192});
  line.SetBorderWidth(3);
  line.SetPoints(130 * kPx, 10 * kPx, 130 * kPx, 60 * kPx);
  QImage pic(5, 4, QImage::Format_RGB32);
  pic.fill(QColor(10, 200, 30));
  pic.setPixel(0, 0, qRgb(250, 250, 0));
  auto& image = form.Add<forms::Image>("Picture");
  image.SetPicture(pic);
  image.Move(150 * kPx, 20 * kPx, 0, 0);
  auto& label = form.Add<forms::Label>("Text");
  label.SetCaption("Wg");
  label.SetFontName("DejaVu Sans");
  label.SetFontSize(12);
  label.Move(120 * kPx, 70 * kPx, 60 * kPx, 30 * kPx);
  form.Show();
  QWidget* window = form.Window();
  forms_test::PumpFor(50);

  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"the ring grows", [&] { ring.Move(15 * kPx, 15 * kPx, 90 * kPx, 70 * kPx); }},
      {"the ring shrinks between pixels", [&] { ring.Move(51 * kPx + 7, 33 * kPx, 17 * kPx + 8, 23 * kPx); }},
      {"the ring thickens", [&] { ring.SetBorderWidth(9); }},
      {"the ring changes colour", [&] { ring.SetBorderColor(kTeal); }},
      {"the frame's border narrows", [&] { frame.SetBorderWidth(1); }},
      {"the frame becomes a circle", [&] { frame.SetShape(forms::ShapeKind::Circle); }},
      {"the line turns", [&] { line.SetPoints(170 * kPx, 5 * kPx, 125 * kPx, 65 * kPx); }},
      {"the line's other diagonal", [&] { line.SetPoints(125 * kPx, 5 * kPx, 170 * kPx, 65 * kPx); }},
      {"the line widens", [&] { line.SetBorderWidth(7); }},
      {"the line shrinks to a dot", [&] { line.SetPoints(140 * kPx, 30 * kPx, 140 * kPx, 30 * kPx); }},
      {"the picture moves", [&] { image.SetLeft(105 * kPx); }},
      {"the picture stretches", [&] { image.SetStretch(true); image.Move(90 * kPx, 40 * kPx, 50 * kPx, 30 * kPx); }},
      {"the caption changes", [&] { label.SetCaption("Wide text"); }},
      {"the label loses its background", [&] { label.SetBackTransparent(true); }},
      {"the label moves under the picture", [&] { label.SetTop(45 * kPx); }},
      {"the ring hides", [&] { ring.SetVisible(false); }},
      {"the ring comes back without a size", [&] { ring.SetWidth(0); ring.SetVisible(true); }},
      {"the picture takes its natural size again", [&] { image.SetStretch(false); }},
  };
  for (const auto& [what, step] : steps) {
    step();
    forms_test::PumpFor(20);
    const QImage shown = OnScreen(window);
    ASSERT_EQ(shown.size(), window->size());
    EXPECT_EQ(FrameDifference(shown, AfterFullRepaint(window)), "") << what;
  }

  // A paint that comes while a change waits (an expose, say) shows it early;
  // setting the value back before the repaint must still mend that.
  ring.Move(30 * kPx, 30 * kPx, 40 * kPx, 40 * kPx);
  forms_test::PumpFor(20);
  ring.SetLeft(100 * kPx);
  form.Widget()->repaint();
  ring.SetLeft(30 * kPx);
  forms_test::PumpFor(20);
  const QImage shown = OnScreen(window);
  EXPECT_EQ(FrameDifference(shown, AfterFullRepaint(window)), "") << "a change met half-way by a paint";

  // Setting what is set already, or hiding and showing again in one go,
  // draws nothing.
  forms_test::PaintCounter paints;
  ring.Move(30 * kPx, 30 * kPx, 40 * kPx, 40 * kPx);
  ring.SetBorderWidth(9);
  ring.SetVisible(false);
  ring.SetVisible(true);
  line.SetPoints(140 * kPx, 30 * kPx, 140 * kPx, 30 * kPx);
  label.SetCaption("Wide text");
  image.SetPicture(pic);
  form.SetBackColor(kBack);
  forms_test::PumpFor(20);
  EXPECT_EQ(paints.Count(), 0);
}

// Changes made on every pass of the loop, in the window and in a picture box
// on it, reach the screen at most once a frame of the screen, each paint
// taking in all of them: hide, move and show again in one go is never seen
// half-way, and the screen ends as a full repaint draws it.
TEST_F(Canvas, ChangesOnEveryPassArePaintedOnceAFrame) {
  auto& ring = Rect("Ring", kRed, 3, 20, 20, 60, 40);
  auto& box = form.AddPictureBox("Strip");
  box.Move(120 * kPx, 10 * kPx, 60 * kPx, 40 * kPx);
  auto& bar = box.Add<forms::Line>("Bar");
  bar.SetBorderColor(kGreen);
  bar.SetBorderWidth(3);
  bar.SetPoints(10 * kPx, 5 * kPx, 10 * kPx, 35 * kPx);
  form.Show();
  QWidget* window = form.Window();
  forms_test::PumpFor(50);
  const QScreen* screen = window->screen();
  const double frameMs = 1000.0 / (screen->refreshRate() >= 1 ? screen->refreshRate() : 60);

  forms_test::PaintCounter formPaints(form.Widget());
  forms_test::PaintCounter boxPaints(box.Widget());
  const auto start = std::chrono::steady_clock::now();
  for (int pass = 0; std::chrono::steady_clock::now() - start < std::chrono::duration<double, std::milli>(30 * frameMs);
       ++pass) {
    ring.SetVisible(false);
    ring.Move((20 + pass % 7) * kPx, 20 * kPx, (60 - pass % 5) * kPx, 40 * kPx);
    ring.SetVisible(true);
    bar.SetVisible(pass % 2 == 0);
    forms::DoEvents();
  }
  const double frames =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / frameMs;
  forms_test::PumpFor(static_cast<int>(3 * frameMs));
  for (const int paints : {formPaints.Count(), boxPaints.Count()}) {
    EXPECT_LE(paints, frames + 2) << "in " << frames << " frames";
    EXPECT_GE(paints, frames / 4) << "in " << frames << " frames";
  }
  EXPECT_EQ(FrameDifference(OnScreen(window), AfterFullRepaint(window)), "");

  // A loop that sleeps longer than a frame between its passes (as a fast
  // timer's does) shows the picture of every pass, not of every second one.
  forms_test::PaintCounter slowPaints(form.Widget());
  constexpr int kSlowPasses = 20;
  for (int pass = 0; pass < kSlowPasses; ++pass) {
    ring.Move((20 + pass % 7) * kPx, 20 * kPx, 60 * kPx, 40 * kPx);
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(1.5 * frameMs));
    forms::DoEvents();
  }
  EXPECT_GE(slowPaints.Count(), kSlowPasses - 2);
  EXPECT_EQ(FrameDifference(OnScreen(window), AfterFullRepaint(window)), "");
}

TEST_F(Canvas, NamesAreUniqueWithinAContainer) {
  form.Add<forms::Shape>("Shape1");
  EXPECT_THROW(form.Add<forms::Label>("Shape1"), platform::Error);
  EXPECT_THROW(form.AddPictureBox("Shape1"), platform::Error);
  EXPECT_EQ(form.Find("Nope"), nullptr);
  EXPECT_NE(dynamic_cast<forms::Shape*>(form.Find("Shape1")), nullptr);
}

}  // namespace
