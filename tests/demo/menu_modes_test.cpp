// The menu commands: the settings each leaves, and how the two loop-starting
// commands nest and unwind when later commands arrive inside their loops.
#include <QTimer>
#include <vector>

#include "runtime/forms/elements.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/timer.h"
#include "tests/demo/demo_session.h"

namespace whorlix::testing {
namespace {

using MenuModes = DemoSession;

int LitBars(FullScreen& w) {
  int lit = 0;
  for (int k = 0; k <= 20; ++k) lit += w.FindPictureBox("Picture1")->Find("Li" + std::to_string(k))->Visible() ? 1 : 0;
  return lit;
}

TEST_F(MenuModes, LowTimerAndBarGraphApplyTheirSettings) {
  FullScreen& w = Open("values 5200");
  forms::Timer* barTimer = w.FindTimer("BarGraphTimer");

  Choose(w, "mnuDialfenLow");
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::UseVULowTimer);
  EXPECT_FALSE(barTimer->Enabled());
  ASSERT_TRUE(PumpUntil([&] { return MixerReads() > 0; })) << "the meter's own clock reads the level";
  EXPECT_EQ(LitBars(w), 21) << "the low timer mode leaves the bars alone";

  Choose(w, "mnuBarGraph");
  EXPECT_TRUE(barTimer->Enabled());
  EXPECT_EQ(barTimer->Interval(), 1);
  ASSERT_TRUE(PumpUntil([&] { return LitBars(w) == 10; }));
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::GetPeekDataOnly);

  // Back to the low timer: no tick may follow (it would put the mode back to
  // 3), and the bars keep the last tick's pattern.
  Choose(w, "mnuDialfenLow");
  EXPECT_FALSE(barTimer->Enabled());
  EXPECT_EQ(barTimer->Interval(), 0);
  PumpFor(60);
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::UseVULowTimer);
  EXPECT_EQ(LitBars(w), 10);
}

TEST_F(MenuModes, PulsingShapesRunUntilAnotherCommandAndStayWhereTheyStopped) {
  FullScreen& w = Open("values 6000");
  Choose(w, "mnuBarGraph");
  int32_t modeWhilePulsing = -1;
  bool barGraphStopped = false;
  Later(150, [&] {
    modeWhilePulsing = MeterProperty(dialfen::DISPID_DisplayMode);
    barGraphStopped = !w.FindTimer("BarGraphTimer")->Enabled() && w.FindTimer("BarGraphTimer")->Interval() == 0;
    Choose(w, "mnuDialfenLow");
  });
  Choose(w, "mnuWhorlix");  // returns once the low timer command has stopped the loop
  EXPECT_EQ(modeWhilePulsing, dialfen::GetPeekDataOnly);
  EXPECT_TRUE(barGraphStopped);
  forms::Element* outer = w.Find("Shape1");
  EXPECT_FLOAT_EQ(outer->Width(), 3000);
  EXPECT_TRUE(outer->Visible());
  EXPECT_EQ(TimerProperty(dialfen::DISPID_SleepDelay), 13);
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::UseVULowTimer);
  PumpFor(50);
  EXPECT_FLOAT_EQ(outer->Width(), 3000);
  EXPECT_TRUE(outer->Visible());
}

TEST_F(MenuModes, HighTimerDuringPulsingShapesNestsItsLoopAndFreezesTheShapes) {
  // Alternating levels: while events run, the outer ring changes every frame.
  FullScreen& w = Open("values 6000 9000\nend cycle");
  std::vector<std::string> log;
  std::vector<float> widthsDuringHigh;
  Later(100, [&] {
    log.push_back("high starts");
    Choose(w, "mnuVUHiLow");
    log.push_back("high returned");
  });
  Later(200, [&] {
    for (int i = 0; i < 10; ++i) {
      widthsDuringHigh.push_back(w.Find("Shape1")->Width());
      PumpFor(10);
    }
    EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::UseVUHiTimer);
    log.push_back("low chosen");
    Choose(w, "mnuDialfenLow");
  });
  Choose(w, "mnuWhorlix");
  log.push_back("pulsing returned");
  EXPECT_EQ(log, (std::vector<std::string>{"high starts", "low chosen", "high returned", "pulsing returned"}));
  ASSERT_EQ(widthsDuringHigh.size(), 10u);
  for (float width : widthsDuringHigh) EXPECT_FLOAT_EQ(width, widthsDuringHigh.front());
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::UseVULowTimer);
}

// The bar graph must be stopped before the meter's loop starts: a bar tick
// inside the loop would put mode 3 and end it.
TEST_F(MenuModes, HighTimerDuringTheBarGraphStopsItAndKeepsLooping) {
  FullScreen& w = Open("values 5200");
  forms::Timer* barTimer = w.FindTimer("BarGraphTimer");
  Choose(w, "mnuBarGraph");
  ASSERT_TRUE(PumpUntil([&] { return LitBars(w) == 10; }));

  // One round per message pump of the loop, each a millisecond or more after
  // the last, so the 1 ms bar timer would be due at every one.
  constexpr size_t kRounds = 20;
  std::vector<int32_t> modesInLoop;
  bool barTimerStopped = true;
  uint64_t readsAtFirstRound = 0;
  QTimer round;
  round.setInterval(1);
  QObject::connect(&round, &QTimer::timeout, [&] {
    if (modesInLoop.empty()) readsAtFirstRound = MixerReads();
    modesInLoop.push_back(MeterProperty(dialfen::DISPID_DisplayMode));
    barTimerStopped = barTimerStopped && !barTimer->Enabled() && barTimer->Interval() == 0;
    if (modesInLoop.size() == kRounds) Choose(w, "mnuDialfenLow");
  });
  round.start();
  Choose(w, "mnuVUHiLow");
  round.stop();
  EXPECT_EQ(modesInLoop, std::vector<int32_t>(kRounds, dialfen::UseVUHiTimer));
  EXPECT_TRUE(barTimerStopped);
  EXPECT_GE(MixerReads(), readsAtFirstRound + kRounds) << "the loop reads on every pass";
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::UseVULowTimer);
  EXPECT_EQ(LitBars(w), 10) << "the bars keep the last tick's pattern";
}

TEST_F(MenuModes, BarGraphChosenDuringPulsingShapesEndsThemAndKeepsRunning) {
  FullScreen& w = Open("values 5200");
  bool barGraphChosen = false;
  Later(100, [&] {
    Choose(w, "mnuBarGraph");
    barGraphChosen = true;
  });
  Choose(w, "mnuWhorlix");
  EXPECT_TRUE(barGraphChosen);
  EXPECT_TRUE(w.FindTimer("BarGraphTimer")->Enabled());
  ASSERT_TRUE(PumpUntil([&] { return LitBars(w) == 10; }));
  const uint64_t reads = MixerReads();
  PumpFor(50);
  EXPECT_GT(MixerReads(), reads) << "the bar graph keeps ticking";
}

TEST_F(MenuModes, LowTimerEndsTheMetersReadingLoop) {
  FullScreen& w = Open("values 3000");
  uint64_t readsInLoop = 0;
  Later(100, [&] {
    readsInLoop = MixerReads();
    Choose(w, "mnuDialfenLow");
  });
  Choose(w, "mnuVUHiLow");
  EXPECT_GT(readsInLoop, 1u);
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::UseVULowTimer);
  const uint64_t reads = MixerReads();
  EXPECT_TRUE(PumpUntil([&] { return MixerReads() > reads; })) << "the meter goes on, on its own clock";
}

TEST_F(MenuModes, PulsingShapesChosenTwiceNestAndOneCommandEndsBoth) {
  FullScreen& w = Open("values 4000");
  std::vector<std::string> log;
  Later(60, [&] {
    log.push_back("inner starts");
    Choose(w, "mnuWhorlix");
    log.push_back("inner returned");
  });
  Later(160, [&] {
    log.push_back("low chosen");
    Choose(w, "mnuDialfenLow");
  });
  Choose(w, "mnuWhorlix");
  log.push_back("outer returned");
  EXPECT_EQ(log, (std::vector<std::string>{"inner starts", "low chosen", "inner returned", "outer returned"}));
}

}  // namespace
}  // namespace whorlix::testing
