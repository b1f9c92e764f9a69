// The whole road of both controls through the module, as a host that knows
// only the module's file name and identities: registered, created by class
// identity and ProgID, placed on a form, driven by DISPID, heard through
// QmxTimer, saved and loaded again.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include <map>
#include <tuple>

#include "controls/module/dual_interfaces.h"
#include "runtime/com/creation.h"
#include "runtime/com/hosting.h"
#include "runtime/com/property_bag_object.h"
#include "runtime/forms/application.h"
#include "runtime/platform/error.h"
#include "tests/controls/module/module_host.h"

namespace kvmodule_test {
namespace {

using namespace dialfen;
using com::Variant;

class ModuleRoad : public ModuleHostTest {
 protected:
  // A meter on the shown form: showing it opens mixer device 0.
  std::unique_ptr<com::HostedControl> HostMeter(const forms::PropertyBag* saved = nullptr) {
    form_.Show();
    return std::make_unique<com::HostedControl>(form_, "KvDispVU1", CLSID_KvDispVU,
                                                com::HostedPlacement{120, 120, 2000, 600}, saved);
  }
  std::unique_ptr<com::HostedControl> HostTimer(const forms::PropertyBag* saved = nullptr) {
    return std::make_unique<com::HostedControl>(form_, "KvQmxFasTmr1", CLSID_KvQmxFasTmr,
                                                com::HostedPlacement{0, 0, 420, 405}, saved);
  }
};

TEST_F(ModuleRoad, BothClassesAreFoundByProgIdAndCreatedByClassIdentity) {
  for (const auto& [progId, clsid, iid, misc] :
       {std::tuple{kProgID_KvQmxFasTmr, CLSID_KvQmxFasTmr, IID__KvQmxFasTmr, 0x00020591u},
        std::tuple{kProgID_KvDispVU, CLSID_KvDispVU, IID__KvDispVU, 0x00020191u}}) {
    EXPECT_EQ(com::ClassIdFromProgId(progId), clsid);
    for (const com::ComPtr<com::IUnknown>& object : {com::CreateInstance(clsid), com::CreateInstance(progId)}) {
      com::CLSID reported;
      ASSERT_EQ(object.As<com::IPersistPropertyBag>()->GetClassID(&reported), com::S_OK);
      EXPECT_EQ(reported, clsid);
      com::ComPtr<com::IDispatch> byDefault;
      EXPECT_EQ(object->QueryInterface(iid, byDefault.PutVoid()), com::S_OK) << progId;
      uint32_t status = 0;
      object.As<com::IOleObject>()->GetMiscStatus(com::DVASPECT_CONTENT, &status);
      EXPECT_EQ(status, misc);
    }
  }
  // Each class answers its own default interface only.
  com::ComPtr<com::IDispatch> other;
  EXPECT_EQ(com::CreateInstance(CLSID_KvDispVU)->QueryInterface(IID__KvQmxFasTmr, other.PutVoid()),
            com::E_NOINTERFACE);
  EXPECT_EQ(com::LoadedModules(), std::vector<std::string>{ModulePath()});
}

TEST_F(ModuleRoad, EveryMeterPropertyIsDrivenByDispid) {
  UseMixerScript("values 1200 -5000 300");
  auto meter = HostMeter();
  const com::DispatchDriver& vu = meter->Object();
  std::vector<com::DISPID> changed;
  meter->OnPropertyChanged([&](com::DISPID id) { changed.push_back(id); });

  EXPECT_EQ(vu.Get(DISPID_DisplayMode).RawI4(), UseVULowTimer);
  vu.Put(DISPID_DisplayMode, Variant::I4(DONotUseTimer));  // quiet while the rest is set
  vu.Put(DISPID_SetDispDelay, Variant::I4(0));
  vu.Put(DISPID_SetDispVolumeStep, Variant::I4(250));
  vu.Put(DISPID_GetPeekData, Variant::I4(77));
  EXPECT_EQ(vu.Get(DISPID_SetDispDelay).RawI4(), 0);
  EXPECT_EQ(vu.Get(DISPID_SetDispVolumeStep).RawI4(), 250);
  EXPECT_EQ(vu.Get(DISPID_GetPeekData).RawI4(), 77);
  EXPECT_EQ(vu.Get(DISPID_DisplayMode).RawI4(), DONotUseTimer);
  // Stopping is not announced; every other put is.
  EXPECT_EQ(changed, (std::vector<com::DISPID>{DISPID_SetDispDelay, DISPID_SetDispVolumeStep, DISPID_GetPeekData}));

  // A reading on demand: one mixer read per put of 3, magnitudes only, and
  // a get never reads.
  const uint64_t before = MixerReads();
  vu.Put(DISPID_DisplayMode, Variant::I4(GetPeekDataOnly));
  EXPECT_EQ(vu.Get(DISPID_GetPeekData).RawI4(), 1200);
  vu.Put(DISPID_DisplayMode, Variant::I4(GetPeekDataOnly));
  EXPECT_EQ(vu.Get(DISPID_GetPeekData).RawI4(), 5000);
  EXPECT_EQ(MixerReads(), before + 2);
  EXPECT_EQ(changed.back(), DISPID_DisplayMode);

  // The meter's own loop runs inside the put of 1 until a host handler,
  // reached through the loop's message pump, changes the mode.
  forms::Timer& stop = form_.AddTimer("StopLoop");
  int passesSeen = 0;
  stop.SetHandler([&] {
    if (++passesSeen == 3) vu.Put(DISPID_DisplayMode, Variant::I4(DONotUseTimer));
  });
  stop.SetInterval(1);
  stop.SetEnabled(true);
  vu.Put(DISPID_DisplayMode, Variant::I4(UseVUHiTimer));
  stop.SetEnabled(false);
  EXPECT_EQ(vu.Get(DISPID_DisplayMode).RawI4(), DONotUseTimer);
  EXPECT_GT(MixerReads(), before + 2);
  EXPECT_EQ(vu.Get(DISPID_GetPeekData).RawI4(), 300);  // the script keeps its last value
}

TEST_F(ModuleRoad, FastTimerRunsInsideItsPutAndReachesEverySinkUntilSwitchedOff) {
  auto timer = HostTimer();
  const com::DispatchDriver& fast = timer->Object();
  std::vector<com::DISPID> changed;
  timer->OnPropertyChanged([&](com::DISPID id) { changed.push_back(id); });
  EXPECT_EQ(fast.Get(DISPID_Enabled).RawBool(), com::VARIANT_FALSE);
  EXPECT_EQ(fast.Get(DISPID_SleepDelay).RawI4(), 0);
  fast.Put(DISPID_SleepDelay, Variant::I4(7));
  EXPECT_EQ(fast.Get(DISPID_SleepDelay).RawI4(), 7);

  // A second sink beside the host's own, connected to the event interface.
  auto extra = com::ComPtr<RecordingSink>::Attach(new RecordingSink(DIID___KvQmxFasTmr));
  com::ComPtr<com::IConnectionPoint> point;
  ASSERT_EQ(timer->Unknown().As<com::IConnectionPointContainer>()->FindConnectionPoint(DIID___KvQmxFasTmr,
                                                                                        point.Put()),
            com::S_OK);
  uint32_t cookie = 0;
  ASSERT_EQ(point->Advise(static_cast<com::IDispatch*>(extra.Get()), &cookie), com::S_OK);

  int events = 0;
  timer->Connect(DISPID_QmxTimer, [&] {
    if (++events == 3) fast.Put(DISPID_Enabled, Variant::Bool(com::VARIANT_FALSE));
  });
  fast.Put(DISPID_Enabled, Variant::Bool(com::VARIANT_TRUE));  // returns once switched off
  EXPECT_EQ(events, 3);
  EXPECT_EQ(extra->calls, (std::vector<com::DISPID>(3, DISPID_QmxTimer)));
  EXPECT_EQ(extra->argumentCounts, (std::vector<size_t>(3, 0)));
  EXPECT_EQ(Sleeps(), (std::vector<int32_t>(3, 7)));
  EXPECT_EQ(fast.Get(DISPID_Enabled).RawBool(), com::VARIANT_FALSE);
  // Enabled is neither persisted nor announced.
  EXPECT_EQ(changed, std::vector<com::DISPID>{DISPID_SleepDelay});

  ASSERT_EQ(point->Unadvise(cookie), com::S_OK);
  events = 2;  // one more event switches it off
  fast.Put(DISPID_Enabled, Variant::Bool(1));  // any non-zero value switches on
  EXPECT_EQ(events, 3);
  EXPECT_EQ(extra->calls.size(), 3u);
}

// A form being designed: both controls show what they are, loaded from a
// saved form, and neither reaches the sound server nor raises an event.
TEST_F(ModuleRoad, ADesignedFormShowsBothFacesAndNeverOpensTheMixer) {
  UseMixerScript("values 9000");
  forms::PropertyBag saved;
  saved.WriteProperty("DisplayMode", Variant::I4(DONotUseTimer), Variant::I2(0));
  form_.Show();
  com::HostedControl meter(form_, "KvDispVU1", CLSID_KvDispVU, {120, 120, 2000, 600}, &saved, /*userMode=*/false);
  com::HostedControl timer(form_, "KvQmxFasTmr1", CLSID_KvQmxFasTmr, {120, 600, 420, 405}, nullptr,
                           /*userMode=*/false);
  int events = 0;
  timer.Connect(DISPID_QmxTimer, [&] { ++events; });
  for (int i = 0; i < 20; ++i) forms::DoEvents();

  EXPECT_EQ(MixerOpens(), 0u);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(meter.Object().Get(DISPID_DisplayMode).RawI4(), DONotUseTimer);
  EXPECT_TRUE(timer.Visible()) << "the fast timer hides while its form is designed";
  EXPECT_EQ(events, 0);
  EXPECT_TRUE(Sleeps().empty());

  // What the designer sees: the strip's colours and the clock's dark strokes.
  const QImage strip = form_.Widget()->grab().toImage();
  const auto count = [&](auto&& pixelIs) {
    int n = 0;
    for (int y = 0; y < strip.height(); ++y)
      for (int x = 0; x < strip.width(); ++x) n += pixelIs(strip.pixelColor(x, y));
    return n;
  };
  EXPECT_GT(count([](const QColor& c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; }), 10)
      << "no red segment drawn";
  EXPECT_GT(count([](const QColor& c) { return c.green() > 150 && c.red() < 40; }), 10) << "no green segment drawn";
}

TEST_F(ModuleRoad, SavedHostLoadsBackEveryChangedProperty) {
  std::string savedMeter, savedTimer;
  {
    auto meter = HostMeter();
    meter->Object().Put(DISPID_DisplayMode, Variant::I4(DONotUseTimer));
    meter->Object().Put(DISPID_SetDispDelay, Variant::I4(-4));
    meter->Object().Put(DISPID_SetDispVolumeStep, Variant::I4(1500));
    meter->Object().Put(DISPID_GetPeekData, Variant::I4(32768));
    auto timer = HostTimer();
    timer->Object().Put(DISPID_SleepDelay, Variant::I4(25));
    savedMeter = meter->Save().SaveText();
    savedTimer = timer->Save().SaveText();
  }
  const forms::PropertyBag meterBag = forms::PropertyBag::LoadText(savedMeter);
  const forms::PropertyBag timerBag = forms::PropertyBag::LoadText(savedTimer);
  EXPECT_EQ(timerBag.Names(), (std::vector<std::string>{"_extentx", "_extenty", "SleepDelay"}));
  auto meter = HostMeter(&meterBag);
  auto timer = HostTimer(&timerBag);
  EXPECT_EQ(meter->Object().Get(DISPID_DisplayMode).RawI4(), DONotUseTimer);
  EXPECT_EQ(meter->Object().Get(DISPID_SetDispDelay).RawI4(), -4);
  EXPECT_EQ(meter->Object().Get(DISPID_SetDispVolumeStep).RawI4(), 1500);
  EXPECT_EQ(meter->Object().Get(DISPID_GetPeekData).RawI4(), 32768);
  EXPECT_EQ(timer->Object().Get(DISPID_SleepDelay).RawI4(), 25);
  EXPECT_EQ(timer->Object().Get(DISPID_Enabled).RawBool(), com::VARIANT_FALSE);
  EXPECT_EQ(meter->Extent().cx, meterBag.ReadProperty("_extentx", Variant()).ToI4());
}

TEST_F(ModuleRoad, HostWithEverythingAtDefaultsSavesOnlyExtentsAndLoadsTheDefaults) {
  std::string savedMeter, savedTimer;
  {
    auto meter = HostMeter();
    auto timer = HostTimer();
    // Values put back to their defaults leave no entry either.
    meter->Object().Put(DISPID_SetDispVolumeStep, Variant::I4(1000));
    timer->Object().Put(DISPID_SleepDelay, Variant::I4(0));
    savedMeter = meter->Save().SaveText();
    savedTimer = timer->Save().SaveText();
  }
  const forms::PropertyBag meterBag = forms::PropertyBag::LoadText(savedMeter);
  const forms::PropertyBag timerBag = forms::PropertyBag::LoadText(savedTimer);
  const std::vector<std::string> extentsOnly{"_extentx", "_extenty"};
  EXPECT_EQ(meterBag.Names(), extentsOnly);
  EXPECT_EQ(timerBag.Names(), extentsOnly);
  EXPECT_EQ(timerBag.ReadProperty("_extentx", Variant()).ToI4(), 741);
  EXPECT_EQ(timerBag.ReadProperty("_extenty", Variant()).ToI4(), 714);

  auto meter = HostMeter(&meterBag);
  auto timer = HostTimer(&timerBag);
  EXPECT_EQ(meter->Object().Get(DISPID_DisplayMode).RawI4(), UseVULowTimer);
  EXPECT_EQ(meter->Object().Get(DISPID_SetDispVolumeStep).RawI4(), 1000);
  EXPECT_EQ(meter->Object().Get(DISPID_SetDispDelay).RawI4(), 1000);
  EXPECT_EQ(meter->Object().Get(DISPID_GetPeekData).RawI4(), 0);
  EXPECT_EQ(timer->Object().Get(DISPID_SleepDelay).RawI4(), 0);
  EXPECT_EQ(timer->Width(), 420);
  EXPECT_EQ(timer->Height(), 405);
}

// The property bag a saved host hands to a loading control.
com::ComPtr<com::IPropertyBag> HostBag(forms::PropertyBag& bag) {
  return com::ComPtr<com::IPropertyBag>::Attach(com::NewPropertyBagObject(bag));
}

TEST_F(ModuleRoad, LoadingReadsThePropertiesAndNeverInitialisesThem) {
  // What the control reads decides: a present entry is kept, an absent one
  // takes the read's default, and an unreadable one fails the load, which
  // an initialisation would never do.
  forms::PropertyBag saved;
  saved.WriteProperty("SetDispDelay", Variant::I4(5), Variant::I4(1000));
  auto meter = com::CreateInstance(CLSID_KvDispVU);
  auto persist = meter.As<com::IPersistPropertyBag>();
  ASSERT_EQ(persist->Load(HostBag(saved).Get(), nullptr), com::S_OK);
  const auto vu = com::DispatchDriver::From(meter);
  EXPECT_EQ(vu.Get(DISPID_SetDispDelay).RawI4(), 5);
  EXPECT_EQ(vu.Get(DISPID_SetDispVolumeStep).RawI4(), 1000);
  EXPECT_EQ(persist->InitNew(), com::CO_E_ALREADYINITIALIZED);
  EXPECT_EQ(vu.Get(DISPID_SetDispDelay).RawI4(), 5);

  for (const auto& [clsid, key] : {std::pair{CLSID_KvDispVU, "SetDispVolumeStep"}, std::pair{CLSID_KvQmxFasTmr, "SleepDelay"}}) {
    forms::PropertyBag broken;
    broken.WriteProperty(key, Variant::Str("soon"), Variant::I4(0));
    auto object = com::CreateInstance(clsid);
    EXPECT_TRUE(com::FAILED(object.As<com::IPersistPropertyBag>()->Load(HostBag(broken).Get(), nullptr))) << key;
  }
}

TEST_F(ModuleRoad, CallsByDispidAndThroughTheDualInterfacesMeetTheSameMembers) {
  UseMixerScript("values 900 -700");
  auto meter = HostMeter();
  const com::DispatchDriver& vu = meter->Object();
  auto dual = meter->Unknown().As<_KvDispVU>();
  ASSERT_TRUE(dual);
  EXPECT_TRUE(com::SameObject(dual, meter->Unknown()));
  std::vector<com::DISPID> changed;
  meter->OnPropertyChanged([&](com::DISPID id) { changed.push_back(id); });

  int32_t value = -1;
  ASSERT_EQ(dual->put_DisplayMode(DONotUseTimer), com::S_OK);
  const std::pair<com::DISPID, com::HRESULT (_KvDispVU::*)(int32_t)> puts[] = {
      {DISPID_SetDispDelay, &_KvDispVU::put_SetDispDelay},
      {DISPID_SetDispVolumeStep, &_KvDispVU::put_SetDispVolumeStep},
      {DISPID_GetPeekData, &_KvDispVU::put_GetPeekData}};
  const std::map<com::DISPID, com::HRESULT (_KvDispVU::*)(int32_t*)> gets = {
      {DISPID_DisplayMode, &_KvDispVU::get_DisplayMode},
      {DISPID_SetDispDelay, &_KvDispVU::get_SetDispDelay},
      {DISPID_SetDispVolumeStep, &_KvDispVU::get_SetDispVolumeStep},
      {DISPID_GetPeekData, &_KvDispVU::get_GetPeekData}};
  int32_t next = 11;
  for (const auto& [dispid, put] : puts) {
    ASSERT_EQ(((*dual).*put)(next), com::S_OK);
    EXPECT_EQ(vu.Get(dispid).RawI4(), next);
    vu.Put(dispid, Variant::I4(next + 1));
    ASSERT_EQ(((*dual).*gets.at(dispid))(&value), com::S_OK);
    EXPECT_EQ(value, next + 1);
    next += 10;
  }
  // Both roads notify alike.
  EXPECT_EQ(changed, (std::vector<com::DISPID>{DISPID_SetDispDelay, DISPID_SetDispDelay, DISPID_SetDispVolumeStep,
                                               DISPID_SetDispVolumeStep, DISPID_GetPeekData, DISPID_GetPeekData}));
  // A reading on demand through either road.
  ASSERT_EQ(dual->put_DisplayMode(GetPeekDataOnly), com::S_OK);
  EXPECT_EQ(vu.Get(DISPID_GetPeekData).RawI4(), 900);
  vu.Put(DISPID_DisplayMode, Variant::I4(GetPeekDataOnly));
  ASSERT_EQ(dual->get_GetPeekData(&value), com::S_OK);
  EXPECT_EQ(value, 700);
  EXPECT_EQ(dual->get_DisplayMode(nullptr), com::E_POINTER);

  // The fast timer's loop runs inside the dual put as inside Invoke.
  auto timer = HostTimer();
  auto fast = timer->Unknown().As<_KvQmxFasTmr>();
  ASSERT_TRUE(fast);
  ASSERT_EQ(fast->put_SleepDelay(3), com::S_OK);
  EXPECT_EQ(timer->Object().Get(DISPID_SleepDelay).RawI4(), 3);
  int events = 0;
  timer->Connect(DISPID_QmxTimer, [&] {
    if (++events == 2) fast->put_Enabled(com::VARIANT_FALSE);
  });
  ASSERT_EQ(fast->put_Enabled(com::VARIANT_TRUE), com::S_OK);
  EXPECT_EQ(events, 2);
  com::VARIANT_BOOL enabled = 5;
  ASSERT_EQ(fast->get_Enabled(&enabled), com::S_OK);
  EXPECT_EQ(enabled, com::VARIANT_FALSE);
}

TEST_F(ModuleRoad, BadCallsAreAnsweredWithTheirStatusAndChangeNothing) {
  auto timer = HostTimer();
  const com::DispatchDriver& fast = timer->Object();
  fast.Put(DISPID_SleepDelay, Variant::I4(40));
  int changes = 0;
  timer->OnPropertyChanged([&](com::DISPID) { ++changes; });

  // Raw calls, as a host with its own idea of the arguments makes them.
  const auto invoke = [&](com::DISPID id, uint16_t flags, std::vector<Variant> args, uint32_t* argErr) {
    com::DISPID named = com::DISPID_PROPERTYPUT;
    com::DISPPARAMS params{args.data(), &named, static_cast<uint32_t>(args.size()), 0};
    if (flags == com::DISPATCH_PROPERTYPUT && !args.empty()) params.cNamedArgs = 1;
    Variant result;
    com::EXCEPINFO excep;
    return fast.Target()->Invoke(id, com::IID_NULL, 0, flags, &params, &result, &excep, argErr);
  };
  const auto put = [&](com::DISPID id, std::vector<Variant> args, uint32_t* argErr = nullptr) {
    return invoke(id, com::DISPATCH_PROPERTYPUT, std::move(args), argErr);
  };
  const auto get = [&](com::DISPID id, std::vector<Variant> args) {
    return invoke(id, com::DISPATCH_PROPERTYGET, std::move(args), nullptr);
  };
  EXPECT_EQ(get(DISPID_DisplayMode, {}), com::DISP_E_MEMBERNOTFOUND);  // the meter's, not the timer's
  EXPECT_EQ(put(0x68030002, {Variant::I4(1)}), com::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(put(DISPID_SleepDelay, {}), com::DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(put(DISPID_SleepDelay, {Variant::I4(1), Variant::I4(2)}), com::DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(get(DISPID_SleepDelay, {Variant::I4(1)}), com::DISP_E_BADPARAMCOUNT);
  uint32_t argErr = 99;
  EXPECT_EQ(put(DISPID_SleepDelay, {Variant::Str("forty")}, &argErr), com::DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);
  EXPECT_EQ(put(DISPID_SleepDelay, {Variant::R8(1e12)}), com::DISP_E_OVERFLOW);
  EXPECT_EQ(put(DISPID_Enabled, {Variant::Str("yes please")}), com::DISP_E_TYPEMISMATCH);
  std::string why;
  EXPECT_EQ(CodeOf([&] { fast.GetIDOfName("Interval"); }, &why), com::DISP_E_UNKNOWNNAME);
  EXPECT_EQ(fast.GetIDOfName("sleepdelay"), DISPID_SleepDelay);

  EXPECT_EQ(fast.Get(DISPID_SleepDelay).RawI4(), 40);
  EXPECT_EQ(fast.Get(DISPID_Enabled).RawBool(), com::VARIANT_FALSE);
  EXPECT_EQ(changes, 0);
  // A string that reads as a number is a Long by the automation rules.
  fast.Put(DISPID_SleepDelay, Variant::Str("250"));
  EXPECT_EQ(fast.Get(DISPID_SleepDelay).RawI4(), 250);
}

}  // namespace
}  // namespace kvmodule_test
