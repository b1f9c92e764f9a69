// The control on a real window with the real Sleep: the pace of its events,
// a host that keeps answering timers and input between them, and a clean stop
// from any depth of nested loops.
#include <QMouseEvent>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <chrono>

#include "runtime/forms/command_button.h"
#include "runtime/forms/form.h"
#include "runtime/forms/timer.h"
#include "tests/controls/fasttimer/fast_timer_fixture.h"

namespace fasttimer_test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int32_t kSleepDelay = 10;

void PostClick(QWidget* widget) {
  const QPointF at = QRectF(widget->rect()).center();
  const QPointF global = widget->mapToGlobal(at);
  QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                      Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                      Qt::NoButton, Qt::NoModifier));
}

class HostWindow : public ::testing::TestWithParam<int> {
 protected:
  HostWindow() {
    static int argc = 1;
    static char arg0[] = "fasttimer_window_tests";
    static char* argv[] = {arg0, nullptr};
    forms::Application::Initialize(argc, argv);
    form.SetCaption("Fast timer host");
    form.SetClientSize(6000, 4000);
    button.SetCaption("&Press");
    button.Move(2000, 1000, 1500, 500);
    control->SetSite(&site);
    form.PlaceChildWidget(control->Widget(), 120, 120, 1000, 1000);
  }
  ~HostWindow() override { control->SetSite(nullptr); }

  forms::Form form;
  forms::CommandButton& button = form.AddButton("Command1");
  forms::Timer& ticker = form.AddTimer("Ticker");
  RecordingSite site;
  forms::Ref<KvQmxFasTmr> control = forms::MakeRef<KvQmxFasTmr>();
};

TEST_P(HostWindow, PacesEventsStaysResponsiveAndStopsFromAnyDepth) {
  const int levels = GetParam();
  form.Show();
  control->put_SleepDelay(kSleepDelay);

  int depth = 0;          // loops running
  int eventsInLevel = 0;  // events since the innermost loop started
  std::vector<Clock::time_point> innermostEvents;
  std::vector<int> returned;
  int clicks = 0;
  int ticksInnermost = 0;
  bool clickPosted = false;
  const auto deadline = Clock::now() + std::chrono::seconds(10);

  auto switchOn = [&] {
    const int level = depth++;
    eventsInLevel = 0;
    control->put_Enabled(com::VARIANT_TRUE);
    returned.push_back(level);
    --depth;
  };
  site.onQmxTimer = [&] {
    ++eventsInLevel;
    if (depth < levels) {
      if (eventsInLevel == 3) Post(switchOn);  // a command the pump will run
      return;
    }
    innermostEvents.push_back(Clock::now());
    if (eventsInLevel == 2 && !clickPosted) {
      PostClick(button.Widget());
      clickPosted = true;
    }
    if (Clock::now() > deadline) control->put_Enabled(com::VARIANT_FALSE);
  };
  button.SetOnClick([&] { ++clicks; });
  ticker.SetHandler([&] {
    if (depth != levels) return;
    ++ticksInnermost;
    // Stopped from the pump, by something other than the event handler.
    if (innermostEvents.size() >= 20 && clicks > 0 && ticksInnermost >= 3)
      control->put_Enabled(com::VARIANT_FALSE);
  });
  ticker.SetInterval(15);
  ticker.SetEnabled(true);

  switchOn();
  ticker.SetEnabled(false);

  ASSERT_LT(Clock::now(), deadline) << "the host stopped answering while the loop ran";
  std::vector<int> innermostFirst(levels);
  for (int i = 0; i < levels; ++i) innermostFirst[i] = levels - 1 - i;
  EXPECT_EQ(returned, innermostFirst);
  EXPECT_EQ(clicks, 1);
  EXPECT_GE(ticksInnermost, 3);
  EXPECT_EQ(control->RefCount(), 1u);
  EXPECT_EQ(forms::Application::LoopDepth(), 0);

  // Each pass pauses 10 ms, so events come no faster than that; the rest of a
  // pass (an empty handler, one pump) is short, so they come not much slower.
  std::vector<Clock::duration> gaps;
  for (size_t i = 1; i < innermostEvents.size(); ++i)
    gaps.push_back(innermostEvents[i] - innermostEvents[i - 1]);
  ASSERT_GE(gaps.size(), 19u);
  EXPECT_GE(*std::min_element(gaps.begin(), gaps.end()), milliseconds(kSleepDelay));
  std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
  EXPECT_LT(gaps[gaps.size() / 2], milliseconds(3 * kSleepDelay));
}

INSTANTIATE_TEST_SUITE_P(Depths, HostWindow, ::testing::Values(1, 2, 4));

class DesignOrRun : public HostWindow {};

TEST_P(DesignOrRun, ShowsItsFaceOnlyWhileTheHostIsDesigned) {
  const bool userMode = GetParam() != 0;
  site.userMode = userMode;
  control->SetSite(&site);  // a host tells its mode when it attaches
  form.Show();
  control->NotifyShown();
  forms::DoEvents();
  QWidget* widget = control->Widget();
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(widget->isVisible(), !userMode);
  if (!userMode) {
    const QImage shot = widget->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(28, 27));  // 420 x 405 twips at 15 twips a pixel
    int dark = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) dark += qGray(shot.pixel(x, y)) < 64;
    EXPECT_GT(dark, 20) << "no clock drawn";
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, DesignOrRun, ::testing::Values(0, 1));

}  // namespace
}  // namespace fasttimer_test
