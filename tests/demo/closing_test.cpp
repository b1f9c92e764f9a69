// Closing: the quit dialog, its wandering access key, both of its answers,
// and close requests that arrive while a loop runs.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "demo/terminator.h"
#include "runtime/forms/application.h"
#include "runtime/forms/command_button.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/screen.h"
#include "runtime/forms/timer.h"
#include "tests/demo/demo_session.h"

namespace whorlix::testing {
namespace {

using Closing = DemoSession;

int OpenQuitDialogs() {
  int n = 0;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->isVisible() && top->windowTitle() == " Brenvale - Quiting?") ++n;
  return n;
}

TEST_F(Closing, ExitDuringPulsingShapesClosesTheWindowAndEndsTheLoop) {
  FullScreen& w = Open("values 6000 9000\nend cycle");
  Later(100, [&] { Choose(w, "mnuExit"); });
  Choose(w, "mnuWhorlix");  // returns: the loop ended at its next check
  EXPECT_FALSE(w.IsOpen());
  EXPECT_TRUE(w.QuitAsked());
  ASSERT_NE(w.QuitDialog(), nullptr);
  EXPECT_TRUE(w.QuitDialog()->IsOpen());
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::UseVULowTimer);
  const float width = w.Find("Shape1")->Width();
  PumpFor(60);
  EXPECT_FALSE(w.IsOpen()) << "addressing the closed window must not show it again";
  EXPECT_FLOAT_EQ(w.Find("Shape1")->Width(), width) << "no frame after the window closed";
}

TEST_F(Closing, SecondCloseRequestShowsNoSecondDialog) {
  FullScreen& w = Open("values 0");
  w.Window()->close();  // from the window manager
  EXPECT_FALSE(w.IsOpen());
  ASSERT_NE(w.QuitDialog(), nullptr);
  Terminator* dialog = w.QuitDialog();
  PumpFor(20);
  EXPECT_EQ(OpenQuitDialogs(), 1);
  w.Unload();
  EXPECT_EQ(w.QuitDialog(), dialog);
  Later(0, [&] {
    EXPECT_EQ(OpenQuitDialogs(), 1);
    dialog->FindButton("Command1")->Click();
  });
  EXPECT_EQ(RunToEnd(), 0);
}

TEST_F(Closing, NoBarGraphTickAfterTheWindowHasClosed) {
  FullScreen& w = Open("values 2600");
  Choose(w, "mnuBarGraph");
  ASSERT_TRUE(PumpUntil([&] { return MeterProperty(dialfen::DISPID_DisplayMode) == dialfen::GetPeekDataOnly; }));
  w.Window()->close();
  const uint64_t reads = MixerReads();
  PumpFor(80);
  EXPECT_EQ(MixerReads(), reads);
}

TEST_F(Closing, YesStopsEverythingAndEndsTheProgram) {
  FullScreen& w = Open("values 0");
  bool dialogWasOpen = false;
  Later(0, [&] { w.Window()->close(); });
  Later(50, [&] {
    dialogWasOpen = w.QuitDialog() != nullptr && w.QuitDialog()->IsOpen();
    w.QuitDialog()->FindButton("Command1")->Click();
  });
  EXPECT_EQ(RunToEnd(), 0);
  EXPECT_TRUE(dialogWasOpen);
}

TEST_F(Closing, NotSureEndsTheProgramTooOnceTheWindowHasClosed) {
  FullScreen& w = Open("values 0");
  int32_t modeAfterAnswer = -1;
  Later(0, [&] { Choose(w, "mnuExit"); });
  Later(50, [&] {
    w.QuitDialog()->FindButton("NOTSURE")->Click();
    modeAfterAnswer = MeterProperty(dialfen::DISPID_DisplayMode);
  });
  EXPECT_EQ(RunToEnd(), 0);
  EXPECT_EQ(modeAfterAnswer, dialfen::UseVULowTimer);
}

// Closed from outside while the meter's reading loop runs, the window goes
// and the loop goes on. Then every answer to the dialog ends the loop and so
// the program: YES, NOT SURE, and closing the dialog from the window manager,
// which counts as NOT SURE.
struct Answer {
  const char* name;
  void (*give)(Terminator&);
};

void PrintTo(const Answer& answer, std::ostream* os) { *os << answer.name; }

class AnsweredAfterAnOutsideClose : public DemoSession, public ::testing::WithParamInterface<Answer> {};

TEST_P(AnsweredAfterAnOutsideClose, TheMetersLoopEndsAndSoDoesTheProgram) {
  FullScreen& w = Open("values 4000");
  uint64_t readsAfterWindowClosed = 0;
  uint64_t readsAtAnswer = 0;
  bool answered = false;
  bool loopOutlivedTheAnswer = false;
  // The loop pumps messages once per pass, so this runs inside it. Every step
  // waits for passes, not for time.
  QTimer step;
  step.setInterval(1);
  QObject::connect(&step, &QTimer::timeout, [&] {
    if (w.IsOpen()) {
      w.Window()->close();
      readsAfterWindowClosed = MixerReads();
    } else if (!answered) {
      if (MixerReads() < readsAfterWindowClosed + 3) return;
      GetParam().give(*w.QuitDialog());
      answered = true;
      readsAtAnswer = MixerReads();
    } else if (MixerReads() > readsAtAnswer + 20) {
      // A loop still reading long after the answer would never end by
      // itself; end it so the test can say so instead of hanging.
      loopOutlivedTheAnswer = true;
      w.KvDispVU1().put_DisplayMode(dialfen::UseVULowTimer);
    }
  });
  step.start();
  Choose(w, "mnuVUHiLow");
  step.stop();
  EXPECT_FALSE(w.IsOpen());
  EXPECT_TRUE(answered) << "the loop must go on reading after the window has closed";
  EXPECT_FALSE(loopOutlivedTheAnswer) << "the answer must end the meter's loop";
  EXPECT_EQ(MixerReads(), readsAtAnswer + 1) << "the loop ends with the pass after the answer";
  EXPECT_FALSE(w.QuitDialog()->IsOpen());
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::UseVULowTimer);
  EXPECT_EQ(RunToEnd(), 0);
}

const Answer kAnswers[] = {
    {"Yes", [](Terminator& d) { d.FindButton("Command1")->Click(); }},
    {"NotSure", [](Terminator& d) { d.FindButton("NOTSURE")->Click(); }},
    {"WindowManagerClose", [](Terminator& d) { d.Window()->close(); }},
};
INSTANTIATE_TEST_SUITE_P(Closing, AnsweredAfterAnOutsideClose, ::testing::ValuesIn(kAnswers),
                         [](const ::testing::TestParamInfo<Answer>& info) { return std::string(info.param.name); });

TEST_F(Closing, DialogLayout) {
  FullScreen& w = Open("values 0");
  w.Unload();
  Terminator* d = w.QuitDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Caption(), " Brenvale - Quiting?");
  EXPECT_FLOAT_EQ(d->ScaleWidth(), 4680);
  EXPECT_FLOAT_EQ(d->ScaleHeight(), 1725);
  EXPECT_NEAR(d->Left(), (forms::Screen::Width() - d->Width()) / 2, 15);
  EXPECT_NEAR(d->Top(), (forms::Screen::Height() - d->Height()) / 2, 15);
  auto* label1 = dynamic_cast<forms::Label*>(d->Find("Label1"));
  EXPECT_EQ(label1->Caption(),
            "I'm just asking this because I need to shut down the timer! Else this program would FREEZ!!! "
            "(The following questions sounds like Quorvell!!");
  EXPECT_TRUE(label1->WordWrap());
  auto* label2 = dynamic_cast<forms::Label*>(d->Find("Label2"));
  EXPECT_EQ(label2->Caption(), "Are you sure you want to Quit?");
  EXPECT_EQ(label2->FontName(), "MS Sans Serif");
  EXPECT_FLOAT_EQ(label2->FontSize(), 9.75f);
  EXPECT_TRUE(label2->FontBold());
  forms::CommandButton* yes = d->FindButton("Command1");
  forms::CommandButton* notSure = d->FindButton("NOTSURE");
  EXPECT_EQ(yes->Caption(), "YES I'M SURE");
  EXPECT_EQ(notSure->Caption(), "NO I'M &NOT SURE");
  EXPECT_EQ((std::array{yes->Left(), yes->Top(), yes->Width(), yes->Height()}),
            (std::array{165.f, 1245.f, 1860.f, 360.f}));
  EXPECT_EQ((std::array{notSure->Left(), notSure->Top()}), (std::array{2190.f, 1245.f}));
  EXPECT_LT(yes->TabIndex(), notSure->TabIndex());
  PumpFor(20);
  EXPECT_EQ(d->Window()->focusWidget(), static_cast<QWidget*>(yes->Widget())) << "the focus starts on YES";
}

// The ticks are seen through CaptionStep, which every tick changes; each
// tick's caption is checked at the moment it is seen.
TEST_F(Closing, NotSureAccessKeyWalksOverNOT) {
  FullScreen& w = Open("values 0");
  QElapsedTimer clock;
  clock.start();
  w.Unload();
  Terminator* d = w.QuitDialog();
  struct Seen {
    qint64 ms;
    int step;
    std::string caption;
  };
  std::vector<Seen> seen;
  int16_t last = d->CaptionStep();
  while (clock.elapsed() < 790) {
    forms::DoEvents();
    if (d->CaptionStep() != last) {
      last = d->CaptionStep();
      seen.push_back({clock.elapsed(), last, d->FindButton("NOTSURE")->Caption()});
    }
  }
  ASSERT_GE(seen.size(), 5u);
  const std::vector<std::pair<int, std::string>> expected = {
      {1, "NO I'M &NOT SURE"}, {2, "NO I'M N&OT SURE"}, {3, "NO I'M NO&T SURE"},
      {4, "NO I'M NO&T SURE"}, {0, "NO I'M NO&T SURE"}, {1, "NO I'M &NOT SURE"}};
  for (size_t i = 0; i < seen.size() && i < expected.size(); ++i) {
    EXPECT_EQ(seen[i].step, expected[i].first) << i;
    EXPECT_EQ(seen[i].caption, expected[i].second) << i;
  }
  EXPECT_GE(seen[0].ms, 245);
  EXPECT_LE(seen[0].ms, 400);
  for (size_t i = 1; i < seen.size(); ++i) {
    EXPECT_GE(seen[i].ms - seen[i - 1].ms, 90) << i;
    EXPECT_LE(seen[i].ms - seen[i - 1].ms, 220) << i;
  }
  EXPECT_EQ(d->FindTimer("Timer1")->Interval(), 100);
}

}  // namespace
}  // namespace whorlix::testing
