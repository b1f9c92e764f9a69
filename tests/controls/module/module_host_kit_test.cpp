// Both controls through the host API a program of its own uses
// (runtime/host/): the typed widgets written from the module's type library
// and the late-bound Control, placed in plain widgets and layouts, heard
// through Qt signals, failing through a signal rather than an exception,
// and living as long as their widgets.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <kvqmxtmr/dialfen_widgets.h>

#include "runtime/formats/typelib_module.h"
#include "runtime/forms/application.h"
#include "runtime/forms/units.h"
#include "runtime/host/control.h"
#include "runtime/host/dialfen.h"
#include "tests/controls/module/module_host.h"

namespace kvmodule_test {
namespace {

using kvqmxtmr::Control;

struct Reported {
  int code;
  QString source, description;
};

// Every exception() of `object` (a Control or a ControlWidget).
template <class T>
std::shared_ptr<std::vector<Reported>> Record(T* object) {
  auto reports = std::make_shared<std::vector<Reported>>();
  QObject::connect(object, &T::exception, [reports](int code, const QString& source, const QString& text, const QString&) {
    reports->push_back({code, source, text});
  });
  return reports;
}

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

// The typed classes say what the module's type library says: every property
// of a control's default interface, with its type (an enumeration with the
// library's values), notified exactly when the library marks it bindable;
// every event of its source interface a signal without arguments.
TEST_F(HostKit, TheTypedClassesCarryTheTypeLibrarysMembers) {
  const com::TypeLibrary lib = com::LoadTypeLibraryFromModule(ModulePath());
  const std::map<std::string, const QMetaObject*> classes{{"KvDispVU", &Dialfen::KvDispVU::staticMetaObject},
                                                          {"KvQmxFasTmr", &Dialfen::KvQmxFasTmr::staticMetaObject}};
  size_t seen = 0;
  for (const auto& type : lib.types()) {
    if (type.kind != com::TKIND_COCLASS) continue;
    SCOPED_TRACE(type.name);
    ASSERT_EQ(classes.count(type.name), 1u);
    const QMetaObject& meta = *classes.at(type.name);
    EXPECT_EQ(std::string(meta.className()), "Dialfen::" + type.name);
    ++seen;
    for (const auto& impl : type.implTypes) {
      const size_t index = static_cast<size_t>(lib.Resolve(impl.href).typeIndex);
      const com::TypeInfo view = lib.DispatchView(index);
      for (const auto& f : view.funcs) {
        SCOPED_TRACE(f.name);
        if (impl.flags & com::IMPLTYPEFLAG_FSOURCE) {
          EXPECT_GE(meta.indexOfSignal((f.name + "()").c_str()), 0);
          continue;
        }
        if (f.invkind != com::INVOKE_PROPERTYGET) continue;
        const int at = meta.indexOfProperty(f.name.c_str());
        ASSERT_GE(at, meta.propertyOffset());
        const QMetaProperty p = meta.property(at);
        EXPECT_TRUE(p.isWritable());
        const bool bindable = f.flags & com::FUNCFLAG_FBINDABLE;
        EXPECT_EQ(p.hasNotifySignal(), bindable);
        EXPECT_EQ(p.isStored(), bindable);
        if (bindable) {
          EXPECT_EQ(p.notifySignal().name().toStdString(), f.name + "Changed");
        }
        if (f.returnType.vt == com::VT_USERDEFINED) {
          const com::TypeInfo& e = lib.types()[static_cast<size_t>(lib.Resolve(f.returnType.href).typeIndex)];
          ASSERT_TRUE(p.isEnumType());
          const QMetaEnum qe = p.enumerator();
          EXPECT_EQ(qe.name(), e.name);
          ASSERT_EQ(qe.keyCount(), static_cast<int>(e.vars.size()));
          for (int k = 0; k < qe.keyCount(); ++k) {
            EXPECT_EQ(qe.key(k), e.vars[static_cast<size_t>(k)].name);
            EXPECT_EQ(qe.value(k), e.vars[static_cast<size_t>(k)].value);
          }
        } else {
          EXPECT_EQ(p.metaType().id(), f.returnType.vt == com::VT_BOOL ? QMetaType::Bool : QMetaType::Int);
        }
      }
    }
  }
  EXPECT_EQ(seen, classes.size());

  // setProperty and property reach the control, by the library's names.
  QWidget window;
  auto* meter = new Dialfen::KvDispVU(&window);
  auto* timer = new Dialfen::KvQmxFasTmr(&window);
  int changes = 0;
  QObject::connect(meter, &Dialfen::KvDispVU::SetDispDelayChanged, [&] { ++changes; });
  EXPECT_TRUE(meter->setProperty("SetDispDelay", 7));
  EXPECT_TRUE(meter->setProperty("DisplayMode", Dialfen::KvDispVU::DONotUseTimer));
  EXPECT_TRUE(timer->setProperty("SleepDelay", 9));
  EXPECT_EQ(meter->property("SetDispDelay").toInt(), 7);
  EXPECT_EQ(meter->control()->GetLong("DisplayMode"), 2);
  EXPECT_EQ(timer->control()->GetLong("SleepDelay"), 9);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(meter->dynamicPropertyNames().size(), 0);
  EXPECT_TRUE(timer->isEnabled());  // QWidget's own property is untouched
}

// The class writer refuses what is not a type library of controls, naming
// the file and the reason, and writes nothing.
TEST_F(HostKit, TheClassWriterRefusesWhatIsNoControlLibrary) {
  const std::string out = registry_.dir().string();
  const std::string source = std::string(KV_EXPECTED_DIR) + "/CMakeLists.txt";
  for (const auto& [input, reason] : {std::pair<std::string, std::string>{out + "/missing.ocx", "cannot read"},
                                      {source, "not a readable ELF64 module"}}) {
    SCOPED_TRACE(input);
    const CommandRun run = RunCommand(std::string(KV_GENCLASSES) + " " + input + " --header " + out + "/w.h --source " +
                                      out + "/w.cpp");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("kvqmxtmr-genclasses: " + input + ": "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(reason), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(out + "/w.h"));
  }
  EXPECT_EQ(RunCommand(std::string(KV_GENCLASSES) + " " + ModulePath() + " --header").status, 2);
}

// A layout places the meter at its own size, however big the window; the
// fast timer takes no room and stays hidden.
TEST_F(HostKit, ALayoutPlacesTheMeterAtItsOwnSizeAndTheFastTimerNowhere) {
  for (const QSize windowSize : {QSize(900, 500), QSize(10, 10)}) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* meter = new Dialfen::KvDispVU;
    auto* timer = new Dialfen::KvQmxFasTmr;
    layout->addWidget(meter);
    layout->addWidget(new QLabel("level"));
    layout->addWidget(timer);
    dialog.resize(windowSize);
    dialog.show();
    Pump(20);
    const QSize own(forms::TwipsToPixelsX(2715), forms::TwipsToPixelsY(240));
    EXPECT_EQ(meter->sizeHint(), own);
    EXPECT_EQ(meter->size(), own);
    EXPECT_EQ(meter->control()->Widget()->geometry(), QRect(QPoint(0, 0), own));
    EXPECT_FALSE(timer->isVisible());
    EXPECT_EQ(timer->sizeHint(), QSize(0, 0));
    EXPECT_GE(dialog.width(), own.width());
  }
  // Designed, the fast timer shows its face, at its own size.
  QWidget window;
  Dialfen::KvQmxFasTmr designed(&window, kvqmxtmr::Mode::Design);
  window.show();
  EXPECT_TRUE(designed.isVisible());
  EXPECT_EQ(designed.sizeHint(), QSize(forms::TwipsToPixelsX(420), forms::TwipsToPixelsY(405)));
}

// Designed, a put is kept and announced but never runs the control: a
// meter put in its own loop's mode returns at once.
TEST_F(HostKit, ADesignedControlKeepsItsValuesWithoutRunning) {
  QWidget window;
  Dialfen::KvDispVU meter(&window, kvqmxtmr::Mode::Design);
  int changes = 0;
  QObject::connect(&meter, &Dialfen::KvDispVU::DisplayModeChanged, [&] { ++changes; });
  const uint64_t reads = MixerReads();
  meter.setDisplayMode(Dialfen::KvDispVU::UseVUHiTimer);
  EXPECT_EQ(meter.DisplayMode(), Dialfen::KvDispVU::UseVUHiTimer);
  EXPECT_EQ(meter.property("DisplayMode").toInt(), 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(meter.control()->GetLong("DisplayMode"), 0);
  EXPECT_EQ(MixerReads(), reads);
}

// A control in a plain widget has a site: its events and its property
// notifications reach the host, by name and by DISPID alike.
TEST_F(HostKit, PlainWidgetHostHearsEventsAndNotificationsAndCallsByNameOrDispid) {
  QWidget window;
  auto* meter = new Control(kvqmxtmr::kClassId_KvDispVU, &window, 8, 8);
  auto* timer = new Control(kvqmxtmr::kProgID_KvQmxFasTmr, &window);
  window.show();
  ASSERT_NE(meter->Widget(), nullptr);
  EXPECT_EQ(meter->parent(), &window);
  EXPECT_EQ(meter->Widget()->parentWidget(), &window);
  EXPECT_EQ(meter->Name(), kvqmxtmr::kProgID_KvDispVU);  // known by its ProgID
  EXPECT_FALSE(timer->Widget()->isVisible());             // invisible at run time

  std::vector<int> changed;
  QObject::connect(meter, &Control::PropertyChanged, [&](int dispid) { changed.push_back(dispid); });
  EXPECT_TRUE(meter->PutLong("setdispdelay", 0));
  EXPECT_TRUE(meter->PutLong(kvqmxtmr::DISPID_SetDispVolumeStep, 500));
  EXPECT_EQ(meter->GetLong("SetDispVolumeStep"), 500);
  EXPECT_EQ(meter->DispatchId("GetPeekData"), kvqmxtmr::DISPID_GetPeekData);
  Pump(50);  // the meter's Show opens the mixer
  meter->PutLong("DisplayMode", kvqmxtmr::GetPeekDataOnly);
  EXPECT_EQ(meter->GetLong(kvqmxtmr::DISPID_GetPeekData), 1200);
  EXPECT_EQ(changed, (std::vector<int>{kvqmxtmr::DISPID_SetDispDelay, kvqmxtmr::DISPID_SetDispVolumeStep,
                                       kvqmxtmr::DISPID_DisplayMode}));

  std::vector<int> events;
  QObject::connect(timer, &Control::EventRaised, [&](int dispid) {
    events.push_back(dispid);
    if (events.size() == 3) timer->PutBool("Enabled", false);
  });
  timer->PutLong("SleepDelay", 4);
  timer->PutBool(kvqmxtmr::DISPID_Enabled, true);  // returns once switched off
  EXPECT_EQ(events, std::vector<int>(3, kvqmxtmr::DISPID_QmxTimer));
  EXPECT_FALSE(timer->GetBool("Enabled"));
}

// A failed call returns a neutral value, changes nothing, and is reported
// by exception() with a text naming the control, the member and the reason.
TEST_F(HostKit, AFailedCallIsReportedBySignalNamingTheControlAndChangesNothing) {
  QWidget window;
  auto* meter = new Dialfen::KvDispVU(&window);
  auto* timer = new Control(kvqmxtmr::kProgID_KvQmxFasTmr, &window);
  const auto meterReports = Record(meter);
  const auto timerReports = Record(timer);
  meter->setSetDispDelay(33);
  struct Case {
    std::function<bool()> call;  // true when it answered the neutral value
    std::shared_ptr<std::vector<Reported>>* reports;
    com::HRESULT code;
    std::vector<const char*> named;
  };
  std::shared_ptr<std::vector<Reported>> m = meterReports, t = timerReports;
  const Case cases[] = {
      {[&] { return !meter->control()->PutLong("NoSuchProperty", 1); }, &m, com::DISP_E_UNKNOWNNAME,
       {"Dialfen.KvDispVU", "PutLong(\"NoSuchProperty\")"}},
      {[&] { return meter->control()->GetLong(0x12345) == 0; }, &m, com::DISP_E_MEMBERNOTFOUND,
       {"Dialfen.KvDispVU", "GetLong(0x00012345)"}},
      {[&] { return !meter->control()->GetBool("SetDispDelay"); }, &m, com::DISP_E_TYPEMISMATCH,
       {"Dialfen.KvDispVU", "GetBool(\"SetDispDelay\")", "use GetLong"}},
      {[&] { return timer->GetLong("Enabled") == 0; }, &t, com::DISP_E_TYPEMISMATCH,
       {"Dialfen.KvQmxFasTmr", "GetLong(\"Enabled\")", "use GetBool"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named[1]);
    const size_t before = (*c.reports)->size();
    EXPECT_TRUE(c.call());
    ASSERT_EQ((*c.reports)->size(), before + 1);
    const Reported& r = (*c.reports)->back();
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.source, c.named[0]);
    for (const char* name : c.named) EXPECT_TRUE(r.description.contains(name)) << r.description.toStdString();
  }
  EXPECT_EQ(meter->SetDispDelay(), 33);

  // A class that cannot be created gives a closed control saying why.
  for (const char* id : {"Dialfen.NoSuchControl", "{not a class}"}) {
    Control missing(id, &window);
    EXPECT_TRUE(missing.Closed());
    EXPECT_TRUE(missing.Error().contains(id)) << missing.Error().toStdString();
    const auto reports = Record(&missing);
    EXPECT_EQ(missing.GetLong("SetDispDelay"), 0);
    ASSERT_EQ(reports->size(), 1u);
    EXPECT_TRUE(reports->back().description.contains(id));
  }
}

// A handler that lets an exception out of QmxTimer does not end the loop
// nor reach the put that switched it on: it is reported, and the loop goes
// on until switched off.
TEST_F(HostKit, AnExceptionFromAnEventHandlerIsReportedAndTheLoopGoesOn) {
  QWidget window;
  auto* timer = new Dialfen::KvQmxFasTmr(&window);
  const auto reports = Record(timer);
  int events = 0;
  QObject::connect(timer, &Dialfen::KvQmxFasTmr::QmxTimer, [&] {
    if (++events == 5) timer->putEnabled(false);
    if (events < 3) throw std::runtime_error("handler trouble");
  });
  timer->putEnabled(true);
  EXPECT_EQ(events, 5);
  ASSERT_EQ(reports->size(), 2u);
  EXPECT_TRUE(reports->back().description.contains("handler trouble"));
  EXPECT_TRUE(reports->back().description.contains("Dialfen.KvQmxFasTmr"));
}

// Every call belongs on the control's thread: one from a worker is refused,
// says so, and changes nothing.
TEST_F(HostKit, ACallFromAnotherThreadIsRefusedAndChangesNothing) {
  QWidget window;
  auto* meter = new Dialfen::KvDispVU(&window);
  meter->setSetDispDelay(5);
  const auto reports = Record(meter);
  bool took = true;
  int read = -1;
  QThread* worker = QThread::create([&] {
    took = meter->control()->PutLong("SetDispDelay", 77);
    meter->setSetDispDelay(78);
    read = meter->SetDispDelay();
  });
  worker->start();
  worker->wait();
  delete worker;
  Pump(10);  // the typed widget's report comes by way of its own thread
  EXPECT_FALSE(took);
  EXPECT_EQ(read, 0);
  EXPECT_EQ(meter->SetDispDelay(), 5);
  ASSERT_EQ(reports->size(), 3u);
  EXPECT_EQ(reports->front().code, com::RPC_E_WRONG_THREAD);
  EXPECT_TRUE(reports->front().description.contains("another thread")) << reports->front().description.toStdString();
}

// Closing the host's top-level window ends a running fast-timer loop after
// its pass (its put returns) and nothing else: shown again, the meter reads
// the mixer and the timer runs again.
TEST_F(HostKit, ClosingAWindowEndsItsLoopsButNotItsControls) {
  QDialog dialog;
  auto* layout = new QVBoxLayout(&dialog);
  auto* meter = new Dialfen::KvDispVU;
  auto* timer = new Dialfen::KvQmxFasTmr;
  layout->addWidget(meter);
  layout->addWidget(timer);
  dialog.show();
  Pump(50);
  meter->setSetDispDelay(0);
  meter->setDisplayMode(Dialfen::KvDispVU::UseVULowTimer);
  int events = 0, eventsAtClose = 0;
  QObject::connect(timer, &Dialfen::KvQmxFasTmr::QmxTimer, [&] {
    if (++events == 10) {
      eventsAtClose = events;
      dialog.close();  // a close event, as the window manager's close button sends
    }
    if (events == 1000000) timer->putEnabled(false);
  });
  timer->putEnabled(true);
  ASSERT_EQ(eventsAtClose, 10);
  EXPECT_EQ(events, eventsAtClose);  // the loop ends at the pump after that event
  EXPECT_FALSE(meter->control()->Closed());
  EXPECT_FALSE(timer->control()->Closed());

  UseMixerScript("values 2500");
  dialog.show();
  Pump(100);
  const uint64_t reads = MixerReads();
  Pump(100);
  EXPECT_GT(MixerReads(), reads);  // metering on its own clock again
  EXPECT_EQ(meter->GetPeekData(), 2500);
  QObject::disconnect(timer, &Dialfen::KvQmxFasTmr::QmxTimer, nullptr, nullptr);
  QObject::connect(timer, &Dialfen::KvQmxFasTmr::QmxTimer, [&] {
    if (++events == eventsAtClose + 3) timer->putEnabled(false);
  });
  timer->putEnabled(true);
  EXPECT_EQ(events, eventsAtClose + 3);
}

// A poller that keeps asking a meter whose window closes under it gets its
// answers; nothing it does can end the program.
TEST_F(HostKit, APollerRacingTheWindowsCloseKeepsGettingAnswers) {
  for (int run = 0; run < 100; ++run) {
    QWidget window;
    auto* meter = new Dialfen::KvDispVU(&window);
    const auto reports = Record(meter);
    window.show();
    int polls = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      meter->setDisplayMode(Dialfen::KvDispVU::GetPeekDataOnly);
      if (meter->GetPeekData() >= 0) ++polls;
    });
    poll.start(0);
    QTimer::singleShot(run % 7, &window, &QWidget::close);
    Pump(8);
    EXPECT_GT(polls, 0);
    EXPECT_TRUE(reports->empty());
  }
}

// A Control is its parent widget's child: deleting the parent deletes it and
// ends its control, also from inside the loop it runs.
TEST_F(HostKit, DeletingTheParentWidgetDeletesTheControl) {
  QWidget window;
  auto* panel = new QWidget(&window);
  QPointer<Control> timer = new Control(kvqmxtmr::kProgID_KvQmxFasTmr, panel);
  QPointer<Dialfen::KvDispVU> meter = new Dialfen::KvDispVU(panel);
  QPointer<Control> meterControl = meter->control();
  window.show();
  int events = 0;
  QObject::connect(timer, &Control::EventRaised, [&] {
    if (++events == 5) delete panel;
  });
  timer->PutBool("Enabled", true);
  EXPECT_EQ(events, 5);
  EXPECT_TRUE(timer.isNull());
  EXPECT_TRUE(meter.isNull());
  EXPECT_TRUE(meterControl.isNull());
}

// The program's end as a host sees it, run in a child process of this test
// program: closing the last window ends exec() with status 0 while the fast
// timer runs, whether it was switched on from inside exec() or before it.
TEST_F(HostKit, ClosingTheLastWindowEndsExecWhileTheFastTimerRuns) {
  if (const char* when = std::getenv("KV_HOST_KIT_CHILD")) {
    QApplication::setQuitOnLastWindowClosed(true);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* timer = new Dialfen::KvQmxFasTmr;
    layout->addWidget(new Dialfen::KvDispVU);
    layout->addWidget(timer);
    window.show();
    int events = 0;
    QObject::connect(timer, &Dialfen::KvQmxFasTmr::QmxTimer, [&] {
      if (++events == 20) window.close();
    });
    if (std::string(when) == "before")
      timer->putEnabled(true);  // returns once the close has ended the loop
    else
      QTimer::singleShot(0, timer, [timer] { timer->putEnabled(true); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(events, 20);
    return;
  }
  for (const char* when : {"before", "inside"}) {
    SCOPED_TRACE(when);
    const CommandRun run = RunCommand(std::string("KV_HOST_KIT_CHILD=") + when +
                                      " timeout 20 /proc/" + std::to_string(getpid()) +
                                      "/exe --gtest_filter=HostKit.ClosingTheLastWindowEndsExecWhileTheFastTimerRuns");
    EXPECT_EQ(run.status, 0) << run.output;  // timeout's 124 for a program that never ended
    EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;
  }
}

}  // namespace
}  // namespace kvmodule_test
