// Both controls through the host API a program of its own uses
// (runtime/host/): created by ProgID and class identity, placed in a plain
// widget, driven by name and DISPID, heard through Qt signals, and ended with
// the window that shows them.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QWidget>

#include "runtime/forms/application.h"
#include "runtime/host/control.h"
#include "runtime/host/dialfen.h"
#include "tests/controls/module/module_host.h"

namespace kvmodule_test {
namespace {

using kvqmxtmr::Control;

class HostKit : public ModuleHostTest {
 protected:
  // Pumps for `ms` milliseconds.
  static void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) forms::DoEvents();
  }
};

TEST_F(HostKit, TheHostHeadersNameWhatTheModuleRegisters) {
  EXPECT_STREQ(kvqmxtmr::kProgID_KvDispVU, dialfen::kProgID_KvDispVU);
  EXPECT_STREQ(kvqmxtmr::kProgID_KvQmxFasTmr, dialfen::kProgID_KvQmxFasTmr);
  EXPECT_EQ(kvqmxtmr::kClassId_KvDispVU, dialfen::CLSID_KvDispVU.ToString());
  EXPECT_EQ(kvqmxtmr::kClassId_KvQmxFasTmr, dialfen::CLSID_KvQmxFasTmr.ToString());
  for (const auto& [mine, theirs] : {std::pair{kvqmxtmr::DISPID_DisplayMode, dialfen::DISPID_DisplayMode},
                                     {kvqmxtmr::DISPID_SetDispVolumeStep, dialfen::DISPID_SetDispVolumeStep},
                                     {kvqmxtmr::DISPID_SetDispDelay, dialfen::DISPID_SetDispDelay},
                                     {kvqmxtmr::DISPID_GetPeekData, dialfen::DISPID_GetPeekData},
                                     {kvqmxtmr::DISPID_Enabled, dialfen::DISPID_Enabled},
                                     {kvqmxtmr::DISPID_SleepDelay, dialfen::DISPID_SleepDelay},
                                     {kvqmxtmr::DISPID_QmxTimer, dialfen::DISPID_QmxTimer},
                                     {int32_t{kvqmxtmr::GetPeekDataOnly}, int32_t{dialfen::GetPeekDataOnly}}}) {
    EXPECT_EQ(mine, theirs);
  }
}

// A control in a plain widget has a site: its events and its property
// notifications reach the host, by name and by DISPID alike.
TEST_F(HostKit, PlainWidgetHostHearsEventsAndNotificationsAndCallsByNameOrDispid) {
  QWidget window;
  Control meter(kvqmxtmr::kClassId_KvDispVU, &window, 8, 8);
  Control timer(kvqmxtmr::kProgID_KvQmxFasTmr, &window);
  window.show();
  ASSERT_NE(meter.Widget(), nullptr);
  EXPECT_EQ(meter.Widget()->parentWidget(), &window);
  EXPECT_FALSE(timer.Widget()->isVisible());  // invisible at run time

  std::vector<int> changed;
  QObject::connect(&meter, &Control::PropertyChanged, [&](int dispid) { changed.push_back(dispid); });
  meter.PutLong("setdispdelay", 0);
  meter.PutLong(kvqmxtmr::DISPID_SetDispVolumeStep, 500);
  EXPECT_EQ(meter.GetLong("SetDispVolumeStep"), 500);
  EXPECT_EQ(meter.DispatchId("GetPeekData"), kvqmxtmr::DISPID_GetPeekData);
  Pump(50);  // the meter's Show opens the mixer
  meter.PutLong("DisplayMode", kvqmxtmr::GetPeekDataOnly);
  EXPECT_EQ(meter.GetLong(kvqmxtmr::DISPID_GetPeekData), 1200);
  EXPECT_EQ(changed, (std::vector<int>{kvqmxtmr::DISPID_SetDispDelay, kvqmxtmr::DISPID_SetDispVolumeStep,
                                       kvqmxtmr::DISPID_DisplayMode}));

  std::vector<int> events;
  QObject::connect(&timer, &Control::EventRaised, [&](int dispid) {
    events.push_back(dispid);
    if (events.size() == 3) timer.PutBool("Enabled", false);
  });
  timer.PutLong("SleepDelay", 4);
  timer.PutBool(kvqmxtmr::DISPID_Enabled, true);  // returns once switched off
  EXPECT_EQ(events, std::vector<int>(3, kvqmxtmr::DISPID_QmxTimer));
  EXPECT_FALSE(timer.GetBool("Enabled"));

  std::string message;
  EXPECT_EQ(CodeOf([&] { meter.PutLong("NoSuchProperty", 1); }, &message), com::DISP_E_UNKNOWNNAME);
  EXPECT_NE(message.find("NoSuchProperty"), std::string::npos) << message;
  EXPECT_EQ(CodeOf([&] { Control("Dialfen.NoSuchControl", &window); }, &message), com::CO_E_CLASSSTRING);
  EXPECT_NE(message.find("Dialfen.NoSuchControl"), std::string::npos) << message;
  EXPECT_EQ(CodeOf([&] { Control("{not a class}", &window); }, &message), com::E_INVALIDARG);
}

// Closing the host's top-level window, with no call of its own to switch
// anything off, ends the fast timer's loop (its put returns) and stops the
// meter's timer; the controls then refuse calls.
TEST_F(HostKit, ClosingThePlainHostsWindowEndsTheControlsLoopsAndTimers) {
  QWidget window;
  auto* panel = new QWidget(&window);  // the control sits below the top level
  Control meter(kvqmxtmr::kProgID_KvDispVU, panel);
  Control timer(kvqmxtmr::kProgID_KvQmxFasTmr, panel);
  window.show();
  Pump(50);
  meter.PutLong("SetDispDelay", 0);
  meter.PutLong("DisplayMode", kvqmxtmr::UseVULowTimer);
  // Closed once the meter's timer has run a few passes; a loop that outlived
  // the close would switch itself off after many more events.
  const uint64_t readsAtStart = MixerReads();
  int events = 0, eventsAtClose = 0;
  uint64_t readsAtClose = 0;
  QObject::connect(&timer, &Control::EventRaised, [&] {
    ++events;
    if (eventsAtClose == 0 && MixerReads() >= readsAtStart + 3) {
      eventsAtClose = events;
      readsAtClose = MixerReads();
      window.close();
    }
    if (events == 1000000 && !timer.Closed()) timer.PutBool("Enabled", false);
  });
  timer.PutBool("Enabled", true);
  ASSERT_GT(eventsAtClose, 0);
  EXPECT_EQ(events, eventsAtClose);  // the loop ends at the pump after that event
  EXPECT_TRUE(timer.Closed());
  EXPECT_TRUE(meter.Closed());
  EXPECT_LE(MixerReads(), readsAtClose + 1);  // at most the pass under way
  const uint64_t reads = MixerReads();
  Pump(50);
  EXPECT_EQ(MixerReads(), reads);
  EXPECT_EQ(CodeOf([&] { meter.GetLong("GetPeekData"); }), com::E_UNEXPECTED);
  EXPECT_EQ(meter.Widget(), nullptr);
}

// A window that refuses its close keeps its controls.
TEST_F(HostKit, AHostWindowThatRefusesToCloseKeepsItsControls) {
  class Stubborn : public QWidget {
    void closeEvent(QCloseEvent* e) override { e->ignore(); }
  } window;
  Control meter(kvqmxtmr::kProgID_KvDispVU, &window);
  window.show();
  window.close();
  Pump(20);
  EXPECT_FALSE(meter.Closed());
  meter.PutLong("SetDispDelay", 7);
  EXPECT_EQ(meter.GetLong("SetDispDelay"), 7);
}

// Destroying the widget that holds a running control ends its loop too.
TEST_F(HostKit, DestroyingTheParentWidgetEndsTheControl) {
  QWidget window;
  auto* panel = new QWidget(&window);
  Control timer(kvqmxtmr::kProgID_KvQmxFasTmr, panel);
  window.show();
  int events = 0;
  QObject::connect(&timer, &Control::EventRaised, [&] {
    if (++events == 5) delete panel;
  });
  timer.PutBool("Enabled", true);
  EXPECT_EQ(events, 5);
  EXPECT_TRUE(timer.Closed());

  // An idle one goes with its widget at once.
  auto* other = new QWidget(&window);
  Control meter(kvqmxtmr::kProgID_KvDispVU, other);
  delete other;
  EXPECT_TRUE(meter.Closed());
  EXPECT_EQ(meter.Widget(), nullptr);
}

}  // namespace
}  // namespace kvmodule_test
