// The pulsing shapes on a 1024 x 768 screen (15360 x 11520 twips), with exact
// levels from a scripted mixer. Start-up geometry on this screen is checked
// here too.
#include <QImage>
#include <QWidget>

#include "runtime/forms/elements.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/screen.h"
#include "runtime/forms/units.h"
#include "tests/demo/demo_session.h"
#include "tests/runtime/forms/test_support.h"

namespace whorlix::testing {
namespace {

struct Box {
  float left, top, size;
};

class PulsingShapes : public DemoSession {
 protected:
  void SetUp() override {
    DemoSession::SetUp();
    ASSERT_FLOAT_EQ(forms::Screen::Width(), 15360);
    ASSERT_FLOAT_EQ(forms::Screen::Height(), 11520);
  }
  // Left, top and size of each element in the order Shape1..Shape4, Image2;
  // each must be square.
  std::vector<Box> Boxes() {
    std::vector<Box> boxes;
    for (const char* name : {"Shape1", "Shape2", "Shape3", "Shape4", "Image2"}) {
      forms::Element* e = window_->Find(name);
      EXPECT_FLOAT_EQ(e->Width(), e->Height()) << name;
      EXPECT_TRUE(e->Visible()) << name;
      boxes.push_back({e->Left(), e->Top(), e->Width()});
    }
    return boxes;
  }
  int16_t OuterBorder() { return dynamic_cast<forms::Shape*>(window_->Find("Shape1"))->BorderWidth(); }
};

void ExpectBoxes(const std::vector<Box>& actual, const std::vector<Box>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    EXPECT_FLOAT_EQ(actual[i].left, expected[i].left) << "element " << i;
    EXPECT_FLOAT_EQ(actual[i].top, expected[i].top) << "element " << i;
    EXPECT_FLOAT_EQ(actual[i].size, expected[i].size) << "element " << i;
  }
}

TEST_F(PulsingShapes, StartUpGeometryOnThisScreen) {
  FullScreen& w = Open("values 0");
  EXPECT_FLOAT_EQ(w.Find("LogoQmx")->Left(), 12360);
  EXPECT_FLOAT_EQ(w.Find("LogoQmx")->Top(), 3520);
  EXPECT_FLOAT_EQ(w.FindPictureBox("Picture1")->Left(), 4860);
}

// The first event runs through the real fast timer: its pace comes from the
// reading stored before it (2500), its picture from its own (12000).
TEST_F(PulsingShapes, WorkedExampleThroughTheFastTimer) {
  FullScreen& w = Open("values 2500 12000");
  w.KvDispVU1().put_DisplayMode(dialfen::GetPeekDataOnly);
  Later(0, [&] { Choose(w, "mnuDialfenLow"); });
  Choose(w, "mnuWhorlix");
  EXPECT_EQ(TimerProperty(dialfen::DISPID_SleepDelay), 10);
  ExpectBoxes(Boxes(), {{4680, 2760, 6000}, {5680, 3760, 4000}, {6180, 4260, 3000}, {6680, 4760, 2000},
                        {6680, 4760, 2000}});
  EXPECT_EQ(OuterBorder(), 12);

  // On screen: the outer ring's top in its own colour, the sphere inside.
  const QImage frame = w.Widget()->grab().toImage();
  EXPECT_EQ(frame.pixelColor(forms::TwipsToPixelsX(7680), forms::TwipsToPixelsY(2760) + 6), QColor(128, 0, 128));
  const QColor centre = frame.pixelColor(forms::TwipsToPixelsX(7680), forms::TwipsToPixelsY(5760));
  EXPECT_GT(centre.blue(), centre.red() + 60);
}

TEST_F(PulsingShapes, SilenceShrinksEverythingToTheCentre) {
  FullScreen& w = Open("values 0");
  w.KvQmxFasTmr1_QmxTimer();
  w.KvQmxFasTmr1_QmxTimer();
  EXPECT_EQ(TimerProperty(dialfen::DISPID_SleepDelay), 7);
  ExpectBoxes(Boxes(), std::vector<Box>(5, Box{7680, 5760, 0}));
  EXPECT_EQ(OuterBorder(), 3) << "a width of 0 is refused and the design width kept";
}

TEST_F(PulsingShapes, HighestLevelReachesPastTheEdges) {
  FullScreen& w = Open("values -32768");
  w.KvQmxFasTmr1_QmxTimer();
  const auto boxes = Boxes();
  EXPECT_FLOAT_EQ(boxes[0].size, 16384);
  EXPECT_FLOAT_EQ(boxes[0].left, -512);
  EXPECT_FLOAT_EQ(boxes[0].top, -2432);
  EXPECT_EQ(OuterBorder(), 32);
}

TEST_F(PulsingShapes, BorderWidthStepsAndARefusedWidthIsKept) {
  FullScreen& w = Open("values 1000 999 1999 2000 999");
  std::vector<int> borders;
  for (int i = 0; i < 5; ++i) {
    w.KvQmxFasTmr1_QmxTimer();
    borders.push_back(OuterBorder());
  }
  EXPECT_EQ(borders, (std::vector<int>{1, 1, 1, 2, 2}));
  // The frame went on after the refused width: the ring is centred on L / 2.
  EXPECT_FLOAT_EQ(Boxes()[0].size, 499.5f);
}

TEST_F(PulsingShapes, OddLevelIsCentredOnTheUnroundedSizes) {
  FullScreen& w = Open("values 12345");
  w.KvQmxFasTmr1_QmxTimer();
  ExpectBoxes(Boxes(), {{(15360 - 6172.5f) / 2, (11520 - 6172.5f) / 2, 6172.5f},
                        {(15360 - 4115.f) / 2, (11520 - 4115.f) / 2, 4115.f},
                        {(15360 - 3086.25f) / 2, (11520 - 3086.25f) / 2, 3086.25f},
                        {(15360 - 2057.5f) / 2, (11520 - 2057.5f) / 2, 2057.5f},
                        {(15360 - 2057.5f) / 2, (11520 - 2057.5f) / 2, 2057.5f}});
  EXPECT_EQ(OuterBorder(), 12);
}

// The pace lags the picture by one frame: each event's sleep comes from the
// reading the previous event took.
TEST_F(PulsingShapes, PaceFollowsThePreviousReading) {
  FullScreen& w = Open("values 500 32768 1500");
  std::vector<int32_t> delays;
  for (int i = 0; i < 3; ++i) {
    w.KvQmxFasTmr1_QmxTimer();
    delays.push_back(TimerProperty(dialfen::DISPID_SleepDelay));
  }
  EXPECT_EQ(delays, (std::vector<int32_t>{7, 8, 40}));
}

// Only what changed is repainted, and the screen still shows exactly what a
// full repaint of the same state draws, whichever way the level goes: after
// every pulsing-shapes event and bar-graph tick of a run that grows, shrinks,
// falls silent and holds.
TEST_F(PulsingShapes, PartialRepaintsLeaveWhatAFullRepaintDraws) {
  struct Step {
    enum { Event, Tick } kind;
    int32_t level;
  };
  const std::vector<Step> steps = {
      {Step::Event, 12000}, {Step::Event, 20000}, {Step::Event, 32768}, {Step::Tick, 3000},
      {Step::Event, 3000},  {Step::Event, 0},     {Step::Tick, 9000},   {Step::Tick, 9000},
      {Step::Event, 500},   {Step::Tick, 10501},  {Step::Event, 12345}, {Step::Event, 12345},
      {Step::Tick, 0},      {Step::Event, 0},     {Step::Event, 6000},  {Step::Tick, 32768}};
  std::string script = "values";
  for (const Step& step : steps) script += " " + std::to_string(step.level);
  FullScreen& w = Open(script);
  QWidget* window = w.Window();
  PumpFor(50);
  for (size_t i = 0; i < steps.size(); ++i) {
    forms_test::PaintCounter windowPaints(w.Widget());
    if (steps[i].kind == Step::Event) {
      w.KvQmxFasTmr1_QmxTimer();
    } else {
      w.BarGraphTimer_Timer();
    }
    PumpFor(40);  // the changes reach the screen at its next frame
    // Hidden, resized, moved and shown again: all of it in one frame.
    if (steps[i].kind == Step::Event && (i == 0 || steps[i - 1].level != steps[i].level)) {
      EXPECT_EQ(windowPaints.Count(), 1) << "step " << i;
    }
    const QImage shown = forms_test::OnScreen(window);
    ASSERT_EQ(shown.size(), window->size());
    EXPECT_EQ(forms_test::FrameDifference(shown, forms_test::AfterFullRepaint(window)), "")
        << "step " << i << " at level " << steps[i].level;
  }
}

// A level that holds costs no drawing: hiding and showing the shapes at the
// sizes they had, setting bars and segments as they are, paint nothing.
TEST_F(PulsingShapes, AnUnchangedLevelPaintsNothing) {
  FullScreen& w = Open("values 12000");
  w.KvQmxFasTmr1_QmxTimer();
  w.BarGraphTimer_Timer();
  Choose(w, "mnuDialfenLow");
  ASSERT_TRUE(PumpUntil([&] { return MixerReads() > 3; })) << "the meter's own clock reads the level";
  PumpFor(20);

  forms_test::PaintCounter paints;
  const uint64_t readsBefore = MixerReads();
  ASSERT_TRUE(PumpUntil([&] { return MixerReads() > readsBefore + 10; }));
  for (int i = 0; i < 5; ++i) {
    w.KvQmxFasTmr1_QmxTimer();
    w.BarGraphTimer_Timer();
    PumpFor(5);
  }
  EXPECT_EQ(paints.Count(), 0);
}

}  // namespace
}  // namespace whorlix::testing
