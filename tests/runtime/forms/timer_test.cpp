#include "runtime/forms/timer.h"

#include <chrono>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "runtime/forms/application.h"
#include "runtime/forms/form.h"
#include "runtime/platform/error.h"
#include "tests/runtime/forms/test_support.h"

namespace {

using forms_test::PumpFor;
using forms_test::PumpUntil;

TEST(Timer, TicksOnlyWhileEnabledWithAPositiveInterval) {
  int ticks = 0;
  forms::Timer timer([&] { ++ticks; });
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 0);

  timer.SetEnabled(true);  // interval still 0
  PumpFor(40);
  EXPECT_EQ(ticks, 0);

  timer.SetInterval(2);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));

  // Interval 0 stops it (a Qt timer of 0 would fire on every pass) and leaves
  // Enabled as it was.
  timer.SetInterval(0);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_FALSE(timer.Running());
  const int atStop = ticks;
  PumpFor(40);
  EXPECT_EQ(ticks, atStop);

  timer.SetInterval(1);
  EXPECT_TRUE(PumpUntil([&] { return ticks > atStop; }));
  timer.SetEnabled(false);
  const int atDisable = ticks;
  PumpFor(40);
  EXPECT_EQ(ticks, atDisable);

  EXPECT_THROW(timer.SetInterval(-1), platform::Error);
  EXPECT_EQ(timer.Interval(), 1);
}

// A frame of the screen, from its refresh rate as Qt reports it.
double FrameMs(const QWidget* widget) {
  const QScreen* screen = widget != nullptr ? widget->screen() : QGuiApplication::primaryScreen();
  const double rate = screen->refreshRate();
  return 1000.0 / (rate >= 1 ? rate : 60);
}

// Nothing a tick does could be seen before the next frame: a 1 ms timer ticks
// once a frame of its window's screen, loose or on a form, and a longer
// interval than a frame keeps its own pace.
TEST(Timer, AnIntervalShorterThanAFrameTicksOnceAFrame) {
  forms::Form form;
  form.Show();
  int loose = 0, onForm = 0, slow = 0;
  forms::Timer looseTimer([&] { ++loose; });
  forms::Timer& formTimer = form.AddTimer("BarGraphTimer");
  formTimer.SetHandler([&] { ++onForm; });
  forms::Timer slowTimer([&] { ++slow; });
  const double frameMs = FrameMs(form.Window());
  const double slowMs = 2.5 * frameMs;
  for (forms::Timer* t : {&looseTimer, &formTimer}) t->SetInterval(1);
  slowTimer.SetInterval(static_cast<int32_t>(slowMs));
  const auto start = std::chrono::steady_clock::now();
  for (forms::Timer* t : {&looseTimer, &formTimer, &slowTimer}) t->SetEnabled(true);
  PumpFor(static_cast<int>(30 * frameMs));
  for (forms::Timer* t : {&looseTimer, &formTimer, &slowTimer}) t->SetEnabled(false);
  const double elapsed =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const double frames = elapsed / frameMs;
  for (const int ticks : {loose, onForm}) {
    EXPECT_LE(ticks, frames + 1) << "in " << frames << " frames";
    EXPECT_GE(ticks, frames / 4) << "in " << frames << " frames";
  }
  EXPECT_LE(slow, elapsed / slowMs + 1);
  EXPECT_GE(slow, elapsed / slowMs / 4);
}

TEST(Timer, IsNotReenteredWhileItsHandlerPumpsMessages) {
  int active = 0, maxActive = 0, ticks = 0;
  forms::Timer timer;
  timer.SetHandler([&] {
    ++ticks;
    ++active;
    maxActive = std::max(maxActive, active);
    if (ticks == 1) PumpFor(60);  // nested loop: the timer is due many times
    --active;
  });
  timer.SetInterval(1);
  timer.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_EQ(maxActive, 1);
}

TEST(Timer, LateTicksAreDroppedNotQueued) {
  int ticks = 0;
  forms::Timer timer([&] {
    if (++ticks == 1) std::this_thread::sleep_for(std::chrono::milliseconds(150));
  });
  timer.SetInterval(1);
  timer.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
  // 150 intervals went by during the slow tick; a short pump must not replay
  // them.
  const auto start = std::chrono::steady_clock::now();
  PumpFor(10);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(ticks, 1 + ms + 20);
  EXPECT_LT(ticks, 100);
}

TEST(Timer, IntervalChangedInsideTheHandlerSetsThePaceOfLaterTicks) {
  using Clock = std::chrono::steady_clock;
  std::vector<Clock::time_point> at;
  forms::Timer timer;
  timer.SetHandler([&] {
    at.push_back(Clock::now());
    timer.SetInterval(30);
  });
  const auto start = Clock::now();
  timer.SetInterval(80);
  timer.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return at.size() >= 3; }));
  auto ms = [](Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
  EXPECT_GE(ms(at[0] - start), 78);
  EXPECT_GE(ms(at[1] - at[0]), 28);
  EXPECT_LT(ms(at[1] - at[0]), 75);
}

TEST(Timer, AnErrorInAHandlerEndsThatTickOnly) {
  int ticks = 0;
  forms::Timer timer([&] {
    ++ticks;
    throw std::runtime_error("handler failed");
  });
  timer.SetInterval(1);
  timer.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
}

TEST(Timer, AFormsTimerFallsSilentWhenTheFormCloses) {
  forms::Form form;
  int ticks = 0;
  forms::Timer& timer = form.AddTimer("BarGraphTimer");
  timer.SetHandler([&] { ++ticks; });
  timer.SetInterval(1);
  timer.SetEnabled(true);
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return ticks > 0; }));
  ASSERT_TRUE(form.Unload());
  const int atClose = ticks;
  PumpFor(30);
  EXPECT_EQ(ticks, atClose);
  // Switching it on again after the close changes nothing either.
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  PumpFor(30);
  EXPECT_EQ(ticks, atClose);
  EXPECT_EQ(form.FindTimer("BarGraphTimer"), &timer);
}

}  // namespace
