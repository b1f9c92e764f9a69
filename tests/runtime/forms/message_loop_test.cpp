// DoEvents nesting and the end of the program.
#include <QApplication>
#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "runtime/forms/application.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/form.h"
#include "runtime/forms/timer.h"
#include "tests/runtime/forms/test_support.h"

namespace {

using forms::Application;
using forms::DoEvents;

class LoggingForm : public forms::Form {
 public:
  explicit LoggingForm(std::vector<std::string>* log, std::string name) : log_(log), name_(std::move(name)) {}

 protected:
  void Form_Terminate() override { log_->push_back("terminate " + name_); }

 private:
  std::vector<std::string>* log_;
  std::string name_;
};

// Three loops started by timer ticks, each inside the previous one. The
// outermost loop is told to stop first, yet the innermost returns first, and
// Run returns only after all three have.
TEST(MessageLoop, NestedLoopsUnwindInnermostFirstAndRunWaitsForThem) {
  std::vector<std::string> log;
  auto& form = Application::CreateForm<LoggingForm>(&log, "main");
  auto& other = Application::CreateForm<LoggingForm>(&log, "never shown");
  (void)other;
  form.Show();

  bool stop[3] = {false, false, false};
  int depthSeen[3] = {-1, -1, -1};
  forms::Timer starters[3];
  forms::Timer releaser;
  int releases = 0;
  releaser.SetHandler([&] {
    // One flag per tick, outermost first.
    if (releases < 3) stop[releases++] = true;
  });
  for (int level = 0; level < 3; ++level) {
    starters[level].SetHandler([&, level] {
      starters[level].SetEnabled(false);
      depthSeen[level] = Application::LoopDepth();
      log.push_back("enter " + std::to_string(level));
      if (level < 2) {
        starters[level + 1].SetInterval(1);
        starters[level + 1].SetEnabled(true);
      } else {
        // Close the only open window from inside the innermost loop: the
        // program must still wait for the loops.
        form.Unload();
        releaser.SetInterval(5);
        releaser.SetEnabled(true);
      }
      while (!stop[level]) DoEvents();
      log.push_back("leave " + std::to_string(level));
    });
  }
  starters[0].SetInterval(1);
  starters[0].SetEnabled(true);

  EXPECT_EQ(Application::Run(), 0);
  log.push_back("run returned");

  EXPECT_EQ(depthSeen[0], 0);  // the first tick comes from Run's own pump
  EXPECT_EQ(depthSeen[1], 1);
  EXPECT_EQ(depthSeen[2], 2);
  const std::vector<std::string> expected = {"enter 0", "enter 1", "enter 2",
                                             "leave 2", "leave 1", "leave 0",
                                             "terminate main", "terminate never shown",
                                             "run returned"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(Application::LoopDepth(), 0);
}

// 200 loops, each started by an event posted from the one outside it.
TEST(MessageLoop, NestsTwoHundredDeepAndUnwindsInOrder) {
  constexpr int kLevels = 200;
  std::vector<int> entered, left;
  bool release = false;
  int maxDepth = 0;
  std::function<void(int)> nest = [&](int level) {
    entered.push_back(level);
    maxDepth = std::max(maxDepth, Application::LoopDepth());
    if (level < kLevels) {
      QMetaObject::invokeMethod(qApp, [&, level] { nest(level + 1); }, Qt::QueuedConnection);
    } else {
      release = true;
    }
    while (!release) DoEvents();
    left.push_back(level);
  };
  DoEvents();  // makes sure the application exists
  QMetaObject::invokeMethod(qApp, [&] { nest(1); }, Qt::QueuedConnection);
  DoEvents();

  ASSERT_EQ(entered.size(), static_cast<size_t>(kLevels));
  ASSERT_EQ(left.size(), static_cast<size_t>(kLevels));
  for (int i = 0; i < kLevels; ++i) {
    EXPECT_EQ(entered[i], i + 1);
    EXPECT_EQ(left[i], kLevels - i);
  }
  // Level k runs inside k DoEvents calls.
  EXPECT_EQ(maxDepth, kLevels);
  EXPECT_EQ(Application::LoopDepth(), 0);
}

// A form closed from inside a nested loop, by the window manager, stays a
// live object with live elements, is never shown again by being addressed,
// and its window is not deleted even when deferred deletes run.
TEST(MessageLoop, AFormClosedInsideANestedLoopStaysAddressable) {
  std::vector<std::string> log;
  auto& form = Application::CreateForm<LoggingForm>(&log, "main");
  auto& shape = form.Add<forms::Shape>("Shape1");
  form.Show();
  QPointer<QWidget> window = form.Window();
  bool done = false;
  forms::Timer outer([&] {
    QTimer::singleShot(0, [&] { window->close(); });  // a close request, not a call into the form
    while (form.IsOpen()) DoEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (int i = 0; i < 5; ++i) DoEvents();
    // Still there, still addressable, still hidden.
    shape.SetWidth(1234.5f);
    shape.SetVisible(true);
    form.SetWidth(6000);
    form.SetCaption("after close");
    form.Show();
    EXPECT_FLOAT_EQ(shape.Width(), 1234.5f);
    done = true;
  });
  outer.SetInterval(1);
  outer.SetEnabled(true);
  ASSERT_TRUE(forms_test::PumpUntil([&] { return done; }));
  outer.SetEnabled(false);
  ASSERT_FALSE(window.isNull());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(form.IsOpen());
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(Application::Run(), 0);  // nothing open: returns at once
  EXPECT_EQ(log, std::vector<std::string>{"terminate main"});
}

TEST(MessageLoop, RunWithoutAnOpenFormReturnsAtOnceAndTerminatesEachFormOnce) {
  std::vector<std::string> log;
  LoggingForm a(&log, "a");
  LoggingForm b(&log, "b");
  EXPECT_EQ(Application::Run(), 0);
  EXPECT_TRUE(Application::Ending());
  EXPECT_EQ(Application::Run(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"terminate a", "terminate b"}));
}

// A program that made its own application keeps its quit settings whatever
// of the runtime it uses: closing its last window still ends its exec().
// Only Run, where the kit drives the program, sets them aside, and gives them
// back when it returns.
TEST(MessageLoop, AHostsOwnApplicationKeepsItsQuitSettingsOutsideRun) {
  if (QCoreApplication::instance() != nullptr) {
    GTEST_SKIP() << "needs a process of its own, as CTest runs each case";
  }
  static int argc = 1;
  static char name[] = "host";
  static char* argv[] = {name, nullptr};
  auto* app = new QApplication(argc, argv);  // lives to the end, as the runtime's own would
  ASSERT_TRUE(app->quitOnLastWindowClosed());
  ASSERT_TRUE(app->isQuitLockEnabled());

  Application::Initialize(argc, argv);
  {
    forms::Form form;
    forms::Timer& timer = form.AddTimer("Tick");
    timer.SetInterval(1);
    timer.SetEnabled(true);
    form.Show();
    DoEvents();
    form.Unload();
  }
  EXPECT_TRUE(app->quitOnLastWindowClosed());
  EXPECT_TRUE(app->isQuitLockEnabled());

  QWidget window;
  window.show();
  QTimer::singleShot(0, &window, [&] { window.close(); });
  QTimer giveUp;
  giveUp.setSingleShot(true);
  QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  giveUp.start(10000);
  EXPECT_EQ(app->exec(), 0) << "closing the host's last window did not end its exec()";
  giveUp.stop();

  std::vector<bool> duringRun;
  {
    forms::Form form;
    form.Show();
    QTimer::singleShot(0, app, [&] {
      duringRun = {app->quitOnLastWindowClosed(), app->isQuitLockEnabled()};
      form.Unload();
    });
    EXPECT_EQ(Application::Run(), 0);
  }
  EXPECT_EQ(duringRun, (std::vector<bool>{false, false}));
  EXPECT_TRUE(app->quitOnLastWindowClosed());
  EXPECT_TRUE(app->isQuitLockEnabled());
}

}  // namespace
