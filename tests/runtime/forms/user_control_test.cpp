#include "runtime/forms/user_control.h"

#include <QPointer>
#include <QWindow>

#include <gtest/gtest.h>

#include "runtime/forms/application.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/form.h"
#include "runtime/forms/picture_box.h"
#include "runtime/platform/error.h"
#include "tests/runtime/forms/test_support.h"

// Exported by QtGui for test input: a mouse event as the window system would
// deliver it, so double-clicks are detected from real press/release pairs.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);

namespace {

using com::Variant;

class Meter : public forms::UserControl {
 public:
  std::vector<std::string>* log;
  bool* destroyed;
  Meter(std::vector<std::string>* l, bool* d) : log(l), destroyed(d) {}
  ~Meter() override { *destroyed = true; }
  int32_t step = 0;
  std::function<void()> onShow;

 protected:
  void UserControl_InitProperties() override {
    log->push_back("init");
    step = 1000;
  }
  void UserControl_ReadProperties(forms::PropertyBag& bag) override {
    log->push_back("read");
    step = bag.ReadProperty("SetDispVolumeStep", Variant::I2(1000)).ToI4();
  }
  void UserControl_WriteProperties(forms::PropertyBag& bag) override {
    log->push_back("write");
    bag.WriteProperty("SetDispVolumeStep", Variant::I4(step), Variant::I2(1000));
  }
  void UserControl_Show() override {
    log->push_back("show");
    if (onShow) onShow();
  }
  void UserControl_Resize() override {
    log->push_back("resize");
    SetWidth(2715);
    SetHeight(240);
  }
  void UserControl_DblClick() override { log->push_back("dblclick"); }
  void UserControl_Terminate() override { log->push_back("terminate"); }
};

class Site : public forms::ControlSite {
 public:
  std::vector<std::string> changed;
  std::vector<std::pair<int32_t, size_t>> events;
  std::vector<std::pair<float, float>> sizes;
  bool userMode = true;
  std::function<void()> onEvent;
  void OnPropertyChanged(std::string_view name) override { changed.emplace_back(name); }
  bool UserMode() const override { return userMode; }
  void OnEvent(int32_t dispid, const std::vector<Variant>& args) override {
    events.emplace_back(dispid, args.size());
    if (onEvent) onEvent();
  }
  void OnRequestSize(float w, float h) override { sizes.emplace_back(w, h); }
};

struct Hosted : ::testing::Test {
  std::vector<std::string> log;
  bool destroyed = false;
  Site site;
};

TEST_F(Hosted, LifecycleCallsReachTheirHandlersAndPersistThroughTheBag) {
  auto meter = forms::MakeRef<Meter>(&log, &destroyed);
  meter->SetSite(&site);
  meter->InitNew();
  EXPECT_EQ(meter->step, 1000);

  forms::PropertyBag bag;
  meter->Save(bag);
  EXPECT_TRUE(bag.Empty());  // at its default
  meter->step = 250;
  meter->Save(bag);
  auto copy = forms::MakeRef<Meter>(&log, &destroyed);
  forms::PropertyBag loaded = forms::PropertyBag::LoadText(bag.SaveText());
  copy->Load(loaded);
  EXPECT_EQ(copy->step, 250);

  forms::PropertyBag broken = forms::PropertyBag::LoadText("PropertyBag 1\n\"SetDispVolumeStep\" String \"x\"\n");
  EXPECT_THROW(copy->Load(broken), platform::Error);
  EXPECT_EQ(copy->step, 250);
  EXPECT_EQ(log, (std::vector<std::string>{"init", "write", "write", "read", "read"}));
}

TEST_F(Hosted, AHostResizeRunsResizeOnceAndTheControlKeepsItsOwnSize) {
  forms::Form form;
  auto& strip = form.AddPictureBox("Picture1");
  strip.Move(0, 15, 5640, 375);
  auto meter = forms::MakeRef<Meter>(&log, &destroyed);
  meter->SetSite(&site);
  strip.PlaceChildWidget(meter->Widget(), 2820, 45, 9000, 9000);
  EXPECT_EQ(log, std::vector<std::string>{"resize"});
  EXPECT_FLOAT_EQ(meter->Width(), 2715);
  EXPECT_FLOAT_EQ(meter->Height(), 240);
  EXPECT_EQ(meter->Widget()->geometry(), QRect(188, 3, 181, 16));
  EXPECT_EQ(meter->Widget()->parentWidget(), strip.Widget());
  ASSERT_FALSE(site.sizes.empty());
  EXPECT_EQ(site.sizes.back(), (std::pair<float, float>{2715, 240}));

  // The same size again is no change.
  strip.PlaceChildWidget(meter->Widget(), 2820, 45, 2715, 240);
  EXPECT_EQ(log.size(), 1u);
  meter->HostResize(100, 100);
  EXPECT_EQ(log.size(), 2u);
  EXPECT_THROW(meter->HostResize(-1, 5), platform::Error);
  EXPECT_FLOAT_EQ(meter->Width(), 2715);
}

TEST_F(Hosted, ShowRunsEachTimeTheHostShowsTheControl) {
  forms::Form form;
  auto meter = forms::MakeRef<Meter>(&log, &destroyed);
  form.PlaceChildWidget(meter->Widget(), 0, 0, 2715, 240);
  log.clear();
  form.Show();
  EXPECT_EQ(log, std::vector<std::string>{"show"});
  // Shown by Qt itself, the window runs the handler once it is on the screen.
  form.Window()->hide();
  form.Window()->show();
  EXPECT_TRUE(forms_test::PumpUntil([&] { return log.size() == 2; }));
  EXPECT_EQ(log, (std::vector<std::string>{"show", "show"}));
}

// A Show handler that pumps messages (a modal message box does) may let a
// pending delete run; the window being shown must not be walking its child
// list at that moment.
TEST_F(Hosted, ShowHandlerMayPumpMessagesWhileSiblingsAreDeleted) {
  forms::Form form;
  auto meter = forms::MakeRef<Meter>(&log, &destroyed);
  form.PlaceChildWidget(meter->Widget(), 0, 0, 2715, 240);
  QPointer<QWidget> sibling = new QWidget(meter->Widget()->parentWidget());
  QPointer<QWidget> later = new QWidget(meter->Widget()->parentWidget());
  meter->onShow = [&] {
    delete sibling.data();
    if (later) later->deleteLater();
    forms::DoEvents();
  };
  log.clear();
  form.Show();
  EXPECT_EQ(log, std::vector<std::string>{"show"});
  EXPECT_TRUE(sibling.isNull());
  EXPECT_TRUE(form.Window()->isVisible());
}

TEST_F(Hosted, InvisibleAtRuntimeHidesTheWindowOnlyWhileTheHostRuns) {
  forms::Form form;
  auto timer = forms::MakeRef<Meter>(&log, &destroyed);
  timer->SetInvisibleAtRuntime(true);
  timer->SetSite(&site);
  form.PlaceChildWidget(timer->Widget(), 2580, 30, 420, 405);
  form.Show();
  EXPECT_FALSE(timer->Widget()->isVisible());
  timer->Widget()->show();  // a host asking cannot show it either
  EXPECT_FALSE(timer->Widget()->isVisible());
  EXPECT_EQ(std::count(log.begin(), log.end(), "show"), 0);

  site.userMode = false;  // being designed
  timer->SetSite(&site);
  EXPECT_TRUE(timer->Widget()->isVisible());
}

TEST_F(Hosted, ADoubleClickFromRealPressReleasePairsReachesDblClick) {
  forms::Form form;
  form.Move(0, 0, 6000, 3000);
  auto meter = forms::MakeRef<Meter>(&log, &destroyed);
  form.PlaceChildWidget(meter->Widget(), 1500, 1500, 2715, 240);
  form.Show();
  QWindow* window = form.Window()->windowHandle();
  ASSERT_NE(window, nullptr);
  const QPoint inWindow = meter->Widget()->mapTo(form.Window(), QPoint(10, 5));
  const QPoint global = form.Window()->mapToGlobal(inWindow);
  int t = 100000;
  auto click = [&] {
    qt_handleMouseEvent(window, inWindow, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress,
                        Qt::NoModifier, t += 20);
    qt_handleMouseEvent(window, inWindow, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease,
                        Qt::NoModifier, t += 20);
  };
  click();
  forms::DoEvents();
  EXPECT_EQ(std::count(log.begin(), log.end(), "dblclick"), 0);
  click();
  forms::DoEvents();
  EXPECT_EQ(std::count(log.begin(), log.end(), "dblclick"), 1);
}

TEST_F(Hosted, PropertyChangedAndEventsGoToTheSiteSynchronously) {
  auto meter = forms::MakeRef<Meter>(&log, &destroyed);
  meter->PropertyChanged("Nobody");  // no site: nothing happens
  meter->RaiseEvent(1);
  EXPECT_TRUE(meter->AmbientUserMode());

  meter->SetSite(&site);
  bool inside = false;
  site.onEvent = [&] { inside = true; };
  meter->PropertyChanged("SleepDelay");
  meter->RaiseEvent(1);
  EXPECT_TRUE(inside);  // the handler ran before RaiseEvent returned
  meter->RaiseEvent(7, {Variant::I4(1), Variant::I2(2)});
  EXPECT_EQ(site.changed, std::vector<std::string>{"SleepDelay"});
  EXPECT_EQ(site.events, (std::vector<std::pair<int32_t, size_t>>{{1, 0}, {7, 2}}));
}

TEST_F(Hosted, TheLastReferenceTerminatesOnceAndDeletesEvenWhenDroppedInsideAnEvent) {
  Meter* raw = new Meter(&log, &destroyed);
  EXPECT_EQ(raw->RefCount(), 1u);
  {
    forms::Ref<forms::UserControl> held = raw->HoldReference();
    EXPECT_EQ(raw->RefCount(), 2u);
  }
  raw->SetSite(&site);
  // The host lets go of its only reference from inside the control's event.
  site.onEvent = [&] { raw->Release(); };
  raw->RaiseEvent(1);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(log, std::vector<std::string>{"terminate"});
}

TEST_F(Hosted, ExplicitTerminateRunsOnceAndTheHostMayDestroyTheWindowFirst) {
  auto meter = forms::MakeRef<Meter>(&log, &destroyed);
  meter->Terminate();
  meter->Terminate();
  {
    auto form = std::make_unique<forms::Form>();
    form->PlaceChildWidget(meter->Widget(), 0, 0, 100, 100);
    form->Show();
  }  // the host window and the control's window with it
  EXPECT_EQ(meter->Widget(), nullptr);
  meter->SetWidth(500);  // still a usable object
  meter->Add<forms::Image>("Dp1").SetVisible(true);
  meter.reset();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(log, std::vector<std::string>{"terminate"});
}

}  // namespace
