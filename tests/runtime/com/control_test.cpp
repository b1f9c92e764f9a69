// The whole road of a control: registered module -> created by class
// identity or ProgID -> sited and placed on a form -> driven by DISPID ->
// events -> saved and loaded -> terminated -> module unloaded.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <functional>

#include <QWidget>

#include "runtime/com/control_support.h"
#include "runtime/com/creation.h"
#include "runtime/com/hosting.h"
#include "runtime/com/object_base.h"
#include "runtime/com/property_bag_object.h"
#include "runtime/forms/form.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/units.h"
#include "runtime/platform/error.h"
#include "tests/runtime/com/test_library.h"
#include "tests/runtime/com/test_support.h"

namespace com {
namespace {

using namespace comtest;

const std::string kModule = COM_TEST_MODULE;

HRESULT CallModule(const char* name) {
  void* h = dlopen(kModule.c_str(), RTLD_NOW | RTLD_LOCAL);
  auto* fn = reinterpret_cast<HRESULT (*)()>(dlsym(h, name));
  const HRESULT r = fn ? fn() : E_FAIL;
  dlclose(h);
  return r;
}

// The lifecycle calls the module's controls have seen since the last look.
std::vector<std::string> TakeJournal() {
  void* h = dlopen(kModule.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h == nullptr) return {};
  auto* fn = reinterpret_cast<std::vector<std::string>* (*)()>(dlsym(h, "ComTestJournal"));
  std::vector<std::string> r = std::exchange(*fn(), {});
  dlclose(h);
  return r;
}

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

HRESULT CodeOf(const std::function<void()>& f, std::string* message = nullptr) {
  try {
    f();
  } catch (const platform::Error& e) {
    if (message) *message = e.what();
    return e.code();
  }
  return S_OK;
}

// An event sink that records what it receives.
class RecordingSink final : public ObjectBase<RecordingSink, IDispatch> {
 public:
  explicit RecordingSink(const IID& source) : source_(source) {}
  std::vector<std::pair<DISPID, std::vector<Variant>>> calls;

  HRESULT GetTypeInfoCount(uint32_t* n) override { return *n = 0, S_OK; }
  HRESULT GetTypeInfo(uint32_t, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
  HRESULT GetIDsOfNames(const IID&, const char* const*, uint32_t, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID id, const IID&, LCID, uint16_t flags, DISPPARAMS* p, Variant*, EXCEPINFO*,
                 uint32_t*) override {
    EXPECT_EQ(flags, DISPATCH_METHOD);
    std::vector<Variant> args;
    for (uint32_t i = p->cArgs; i > 0; --i) args.push_back(p->rgvarg[i - 1]);
    calls.emplace_back(id, args);
    return S_OK;
  }

 protected:
  void* Find(const IID& iid) override { return iid == source_ ? static_cast<IDispatch*>(this) : ObjectBase::Find(iid); }

 private:
  IID source_;
};

// A sink of either kind (events on `source`, or property notifications) that
// runs `onCall` inside every call it gets, counting them where the test
// keeps the count, and says when it is gone.
class ReentrantSink final : public ObjectBase<ReentrantSink, IDispatch, IPropertyNotifySink> {
 public:
  ReentrantSink(const IID& source, int& calls, bool& gone) : source_(source), calls_(calls), gone_(gone) {}
  ~ReentrantSink() override { gone_ = true; }
  std::function<void()> onCall;

  HRESULT GetTypeInfoCount(uint32_t* n) override { return *n = 0, S_OK; }
  HRESULT GetTypeInfo(uint32_t, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
  HRESULT GetIDsOfNames(const IID&, const char* const*, uint32_t, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID, const IID&, LCID, uint16_t, DISPPARAMS*, Variant*, EXCEPINFO*, uint32_t*) override {
    return Called();
  }
  HRESULT OnChanged(DISPID) override { return Called(); }
  HRESULT OnRequestEdit(DISPID) override { return S_OK; }

 protected:
  void* Find(const IID& iid) override {
    if (void* own = ObjectBase::Find(iid)) return own;
    return iid == source_ ? static_cast<IDispatch*>(this) : nullptr;
  }

 private:
  HRESULT Called() {
    ++calls_;
    // The call may let go of this sink's last reference; run a copy.
    if (const std::function<void()> run = onCall) run();
    return S_OK;
  }
  IID source_;
  int& calls_;
  bool& gone_;
};

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CallModule("DllRegisterServer"), S_OK); }
  void TearDown() override {
    CoFreeUnusedLibraries();
  }

  testing::ScopedRegistryFile registry_;
  forms::Form form_;
};

TEST_F(ControlTest, NewControlIsInitialisedDrivenByDispidAndSavedWithOnlyItsExtentAtDefaults) {
  HostedControl counter(form_, "Counter1", kCLSID_Counter, {120, 240, 420, 405});
  EXPECT_EQ(TakeJournal(), (std::vector<std::string>{"InitProperties", "Resize"}));
  EXPECT_EQ(counter.Object().Get(kValue).RawI4(), 0);
  EXPECT_EQ(counter.Object().Get(kStep).RawI4(), 1);
  EXPECT_EQ(counter.Object().GetIDOfName("step"), kStep);
  EXPECT_EQ(counter.Width(), 420);
  EXPECT_EQ(counter.Height(), 405);

  const forms::PropertyBag bag = counter.Save();
  EXPECT_EQ(bag.Names(), (std::vector<std::string>{"_extentx", "_extenty"}));
  EXPECT_EQ(bag.ReadProperty("_extentx", Variant()).ToI4(), 741);
  EXPECT_EQ(bag.ReadProperty("_extenty", Variant()).ToI4(), 714);
  EXPECT_FALSE(counter.Dirty());
}

TEST_F(ControlTest, SavedHostLoadsThroughReadPropertiesAndNeverInitProperties) {
  std::string text;
  {
    HostedControl counter(form_, "Counter1", kCLSID_Counter, {0, 0, 1500, 900});
    std::vector<DISPID> changed;
    counter.OnPropertyChanged([&](DISPID id) { changed.push_back(id); });
    counter.Object().Put(kValue, Variant::I4(37));
    counter.Object().Put(kStep, Variant::Str("3"));
    counter.Object().Call(kFire);
    counter.Object().Put(kStep, Variant::I4(3));
    EXPECT_EQ(changed, (std::vector<DISPID>{kValue, kStep, DISPID_UNKNOWN, kStep}));
    EXPECT_TRUE(counter.Dirty());
    text = counter.Save().SaveText();
  }
  EXPECT_TRUE(Contains(TakeJournal(), "Terminate"));

  const forms::PropertyBag saved = forms::PropertyBag::LoadText(text);
  HostedControl again(form_, "Counter1", kCLSID_Counter, {0, 0, 0, 0}, &saved);
  const auto journal = TakeJournal();
  EXPECT_TRUE(Contains(journal, "ReadProperties"));
  EXPECT_FALSE(Contains(journal, "InitProperties"));
  EXPECT_EQ(again.Object().Get(kValue).RawI4(), 40);
  EXPECT_EQ(again.Object().Get(kStep).RawI4(), 3);
  EXPECT_EQ(again.Width(), 1500);  // from the saved extent, not the placement
  EXPECT_EQ(again.Height(), kCounterHeight);

  // A bag without the control's entries gives the defaults from the read.
  forms::PropertyBag onlyExtent;
  StoreExactly(onlyExtent, "_extentx", Variant::I4(741));
  StoreExactly(onlyExtent, "_extenty", Variant::I4(714));
  HostedControl fresh(form_, "Counter2", kCLSID_Counter, {}, &onlyExtent);
  EXPECT_EQ(TakeJournal().front(), "ReadProperties");
  EXPECT_EQ(fresh.Object().Get(kStep).RawI4(), 1);
  EXPECT_EQ(fresh.Width(), 420);
}

TEST_F(ControlTest, EventsReachEveryConnectedSinkAndEveryHandler) {
  HostedControl counter(form_, "Counter1", ClassIdFromProgId("ComTest.Counter"), {0, 0, 420, 405});
  std::vector<std::string> order;
  counter.Connect(kTicked, [&] { order.push_back("first"); });
  counter.Connect(kTicked, [&] { order.push_back("second"); });
  std::vector<int32_t> tocks;
  counter.Connect(kTocked, [&](const std::vector<Variant>& args) { tocks.push_back(args.at(0).ToI4()); });

  // Two more sinks on the same event interface, connected by hand.
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(counter.Unknown().As<IConnectionPointContainer>()->FindConnectionPoint(kDIID_CounterEvents, point.Put()),
            S_OK);
  auto a = ComPtr<RecordingSink>::Attach(new RecordingSink(kDIID_CounterEvents));
  auto b = ComPtr<RecordingSink>::Attach(new RecordingSink(kDIID_CounterEvents));
  uint32_t ca = 0, cb = 0;
  ASSERT_EQ(point->Advise(static_cast<IDispatch*>(a.Get()), &ca), S_OK);
  ASSERT_EQ(point->Advise(static_cast<IDispatch*>(b.Get()), &cb), S_OK);
  EXPECT_NE(ca, cb);

  counter.Object().Call(kFire);  // 1: Ticked only
  counter.Object().Call(kFire);  // 2: Ticked, then Tocked(2)
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "first", "second"}));
  EXPECT_EQ(tocks, std::vector<int32_t>{2});
  for (const auto* sink : {a.Get(), b.Get()}) {
    ASSERT_EQ(sink->calls.size(), 3u);
    EXPECT_EQ(sink->calls[0].first, kTicked);
    EXPECT_EQ(sink->calls[2].first, kTocked);
    EXPECT_EQ(sink->calls[2].second.at(0).RawI4(), 2);
  }

  EXPECT_EQ(point->Unadvise(ca), S_OK);
  EXPECT_EQ(point->Unadvise(ca), CONNECT_E_NOCONNECTION);
  counter.Object().Call(kFire);
  EXPECT_EQ(a->calls.size(), 3u);
  EXPECT_EQ(b->calls.size(), 4u);
  EXPECT_EQ(point->Unadvise(cb), S_OK);
}

// Inside one round of calls, a sink disconnects itself (the point held its
// last reference) and a sink after it, and connects a new one: the round
// still reaches exactly the sinks connected when it began, the sink that
// went lives until its call has returned, and the next round has the new
// list. Handlers the host connects inside a round run from the next one.
TEST_F(ControlTest, SinksAndHandlersMayConnectAndDisconnectInsideARound) {
  HostedControl counter(form_, "Counter1", kCLSID_Counter, {0, 0, 420, 405});
  const auto cpc = counter.Unknown().As<IConnectionPointContainer>();
  struct Round {
    const char* what;
    IID iid;
    std::function<void()> fire;
  };
  const Round rounds[] = {
      // From an even value, so that Fire raises Ticked alone.
      {"events", kDIID_CounterEvents,
       [&] {
         counter.Object().Put(kValue, Variant::I4(0));
         counter.Object().Call(kFire);
       }},
      {"property notifications", IID_IPropertyNotifySink, [&] { counter.Object().Put(kValue, Variant::I4(0)); }},
  };
  for (const Round& r : rounds) {
    SCOPED_TRACE(r.what);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(cpc->FindConnectionPoint(r.iid, point.Put()), S_OK);
    int aCalls = 0, bCalls = 0, cCalls = 0;
    bool aGone = false, bGone = false, cGone = false;
    auto* a = new ReentrantSink(r.iid, aCalls, aGone);
    auto b = ComPtr<ReentrantSink>::Attach(new ReentrantSink(r.iid, bCalls, bGone));
    auto c = ComPtr<ReentrantSink>::Attach(new ReentrantSink(r.iid, cCalls, cGone));
    uint32_t ca = 0, cb = 0, cc = 0;
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(a), &ca), S_OK);
    a->Release();  // the point's reference is the only one left
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(b.Get()), &cb), S_OK);
    a->onCall = [&] {
      EXPECT_EQ(point->Unadvise(cb), S_OK);
      EXPECT_EQ(point->Advise(static_cast<IDispatch*>(c.Get()), &cc), S_OK);
      EXPECT_EQ(point->Unadvise(ca), S_OK);
      EXPECT_FALSE(aGone);  // the round holds it until its call returns
    };

    r.fire();
    EXPECT_EQ(aCalls, 1);
    EXPECT_TRUE(aGone);
    EXPECT_EQ(bCalls, 1);  // disconnected during the round, after it began
    EXPECT_EQ(cCalls, 0);  // connected during the round
    r.fire();
    EXPECT_EQ(aCalls, 1);
    EXPECT_EQ(bCalls, 1);
    EXPECT_EQ(cCalls, 1);
    EXPECT_EQ(point->Unadvise(cc), S_OK);
    EXPECT_FALSE(bGone || cGone);
  }

  int ran = 0, added = 0;
  counter.Connect(kTicked, [&] {
    ++ran;
    counter.Connect(kTicked, [&] { ++added; });
  });
  rounds[0].fire();
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(added, 0);
  rounds[0].fire();
  EXPECT_EQ(ran, 2);
  EXPECT_EQ(added, 1);  // the one the first round connected

  int changes = 0, addedChanges = 0;
  counter.OnPropertyChanged([&](DISPID) {
    ++changes;
    counter.OnPropertyChanged([&](DISPID) { ++addedChanges; });
  });
  rounds[1].fire();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(addedChanges, 0);
  rounds[1].fire();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(addedChanges, 1);
}

TEST_F(ControlTest, BadCallsAnswerWithTheirStatusAndLeaveTheControlAsItWas) {
  HostedControl counter(form_, "Counter1", kCLSID_Counter, {0, 0, 420, 405});
  counter.Object().Put(kValue, Variant::I4(7));
  int changes = 0;
  counter.OnPropertyChanged([&](DISPID) { ++changes; });

  EXPECT_EQ(CodeOf([&] { counter.Object().Put(kValue, Variant::Str("seven")); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([&] { counter.Object().Put(kValue, Variant::R8(1e10)); }), DISP_E_OVERFLOW);
  EXPECT_EQ(CodeOf([&] { counter.Object().Get(0x7777); }), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(CodeOf([&] { counter.Object().Call(kFire, {Variant::I4(1)}); }), DISP_E_BADPARAMCOUNT);
  std::string why;
  EXPECT_EQ(CodeOf([&] { counter.Object().Put(kStep, Variant::I4(0)); }, &why), E_INVALIDARG);
  EXPECT_NE(why.find("Step cannot be zero"), std::string::npos) << why;
  EXPECT_NE(why.find("ComTest.Counter"), std::string::npos) << why;

  EXPECT_EQ(counter.Object().Get(kValue).RawI4(), 7);
  EXPECT_EQ(counter.Object().Get(kStep).RawI4(), 1);
  EXPECT_EQ(changes, 0);
}

TEST_F(ControlTest, AnErrorInAHostHandlerReachesTheCodeThatRaisedTheEvent) {
  HostedControl counter(form_, "Counter1", kCLSID_Counter, {0, 0, 420, 405});
  counter.Connect(kTicked, [] { throw platform::Error(E_ACCESSDENIED, "handler refused"); });
  std::string why;
  EXPECT_EQ(CodeOf([&] { counter.Object().Call(kFire); }, &why), E_ACCESSDENIED);
  EXPECT_NE(why.find("handler refused"), std::string::npos) << why;
}

TEST_F(ControlTest, AHandlerMayDropTheHostsLastReferenceWhileTheControlRuns) {
  auto counter = std::make_unique<HostedControl>(form_, "Counter1", kCLSID_Counter, HostedPlacement{0, 0, 420, 405});
  DispatchDriver driver = counter->Object();
  counter->Connect(kTicked, [&] { counter.reset(); });
  driver.Call(kFire);  // the object lives until the call returns
  EXPECT_EQ(counter, nullptr);
  EXPECT_EQ(driver.Get(kValue).RawI4(), 1);
  driver = DispatchDriver();
  EXPECT_TRUE(Contains(TakeJournal(), "Terminate"));
}

TEST_F(ControlTest, InvisibleAtRunTimeControlsHideOnlyWhileTheHostRuns) {
  form_.Show();
  HostedControl visible(form_, "Counter1", kCLSID_Counter, {0, 0, 420, 405});
  HostedControl running(form_, "Hidden1", kCLSID_HiddenCounter, {0, 0, 420, 405});
  HostedControl designed(form_, "Hidden2", kCLSID_HiddenCounter, {0, 0, 420, 405}, nullptr, /*userMode=*/false);
  EXPECT_EQ(visible.MiscStatus(), 0x00020191u);
  EXPECT_EQ(running.MiscStatus(), 0x00020591u);
  EXPECT_TRUE(visible.Visible());
  EXPECT_FALSE(running.Visible());
  EXPECT_TRUE(designed.Visible());
  visible.SetVisible(false);
  EXPECT_FALSE(visible.Visible());
}

TEST_F(ControlTest, PlacedInAPictureBoxInTwipsAndKeptAtTheSizeTheControlChose) {
  forms::PictureBox& box = form_.AddPictureBox("Frame");
  box.Move(300, 300, 6000, 3000);
  HostedControl counter(box, "Counter1", kCLSID_Counter, {150, 75, 1500, 1000});
  EXPECT_EQ(counter.Width(), 1500);
  EXPECT_EQ(counter.Height(), kCounterHeight);  // the control snapped its height
  EXPECT_EQ(counter.Extent().cx, 2646);
  EXPECT_EQ(counter.Extent().cy, 714);
  QWidget* w = nullptr;
  ASSERT_EQ(counter.Unknown().As<IOleWindow>()->GetWindow(&w), S_OK);
  EXPECT_EQ(w->parentWidget(), box.Widget());
  EXPECT_EQ(w->x(), forms::TwipsToPixelsX(150));
  EXPECT_EQ(w->y(), forms::TwipsToPixelsY(75));
  EXPECT_EQ(w->width(), forms::TwipsToPixelsX(1500));
  EXPECT_EQ(w->height(), forms::TwipsToPixelsY(405));
  counter.Move(0, 0, 3000, 3000);
  EXPECT_EQ(counter.Width(), 3000);
  EXPECT_EQ(counter.Height(), kCounterHeight);
}

TEST_F(ControlTest, ObjectAnswersTheProtocolOfAPlatformControl) {
  ComPtr<IUnknown> object = CreateInstance(kCLSID_Counter);
  ComPtr<IDispatch> byDefault;
  ASSERT_EQ(object->QueryInterface(kIID_Counter, byDefault.PutVoid()), S_OK);
  EXPECT_TRUE(SameObject(byDefault, object));
  ComPtr<IPersistPropertyBag> persist = object.As<IPersistPropertyBag>();
  CLSID clsid;
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, kCLSID_Counter);
  EXPECT_TRUE(object.As<IPersist>());
  EXPECT_EQ(persist->InitNew(), S_OK);
  EXPECT_EQ(persist->InitNew(), CO_E_ALREADYINITIALIZED);
  forms::PropertyBag bag;
  auto hostBag = ComPtr<IPropertyBag>::Attach(NewPropertyBagObject(bag));
  EXPECT_EQ(persist->Load(hostBag.Get(), nullptr), CO_E_ALREADYINITIALIZED);

  ComPtr<IOleObject> ole = object.As<IOleObject>();
  SIZEL size{2540, 2540};
  EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT + 1, &size), DV_E_DVASPECT);
  EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &size), S_OK);
  SIZEL got;
  EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &got), S_OK);
  EXPECT_EQ(got.cx, 2540);  // one inch
  EXPECT_EQ(got.cy, 714);   // the control keeps its height
  uint32_t misc = 0;
  EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
  EXPECT_EQ(misc, 0x00020191u);

  ComPtr<IConnectionPointContainer> cpc = object.As<IConnectionPointContainer>();
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(cpc->FindConnectionPoint(kIID_Tally, point.Put()), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(cpc->FindConnectionPoint(IID_IPropertyNotifySink, point.Put()), S_OK);
  auto wrongSink = ComPtr<RecordingSink>::Attach(new RecordingSink(kDIID_CounterEvents));
  uint32_t cookie = 0;
  EXPECT_EQ(point->Advise(static_cast<IDispatch*>(wrongSink.Get()), &cookie), CONNECT_E_CANNOTCONNECT);
  ComPtr<IConnectionPointContainer> back;
  EXPECT_EQ(point->GetConnectionPointContainer(back.Put()), S_OK);
  EXPECT_TRUE(SameObject(back, object));

  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(cpc->EnumConnectionPoints(points.Put()), S_OK);
  IConnectionPoint* got2[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(3, got2, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 2u);
  IID first;
  got2[0]->GetConnectionInterface(&first);
  EXPECT_EQ(first, kDIID_CounterEvents);
  for (ULONG i = 0; i < fetched; ++i) got2[i]->Release();
}

TEST_F(ControlTest, LoadsFromAForeignBagByPropertyNames) {
  // A bag that cannot list its names: the control still finds its own keys.
  class PlainBag final : public ObjectBase<PlainBag, IPropertyBag> {
   public:
    HRESULT Read(const char* name, Variant* v, IErrorLog*) override {
      if (std::string_view(name) != "Step") return E_INVALIDARG;
      *v = Variant::I4(9);
      return S_OK;
    }
    HRESULT Write(const char*, Variant*) override { return S_OK; }
  };
  ComPtr<IUnknown> object = CreateInstance(kCLSID_Counter);
  auto bag = ComPtr<IPropertyBag>::Attach(new PlainBag);
  ASSERT_EQ(object.As<IPersistPropertyBag>()->Load(bag.Get(), nullptr), S_OK);
  EXPECT_EQ(DispatchDriver::From(object).Get(kStep).RawI4(), 9);
  EXPECT_EQ(DispatchDriver::From(object).Get(kValue).RawI4(), 0);
}

TEST_F(ControlTest, TheModuleUnloadsWhenTheLastControlHasGone) {
  {
    HostedControl a(form_, "Counter1", kCLSID_Counter, {0, 0, 420, 405});
    HostedControl b(form_, "Hidden1", kCLSID_HiddenCounter, {0, 0, 420, 405});
    CoFreeUnusedLibraries();
    EXPECT_EQ(LoadedModules(), std::vector<std::string>{kModule});
  }
  const auto journal = TakeJournal();
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "Terminate"), 2);
  CoFreeUnusedLibraries();
  EXPECT_TRUE(LoadedModules().empty());
  void* h = dlopen(kModule.c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_EQ(h, nullptr);
  if (h) dlclose(h);
}

TEST_F(ControlTest, NonControlClassesAndMissingClassesAreRefusedByTheHost) {
  std::string why;
  EXPECT_EQ(CodeOf([&] { HostedControl(form_, "T", kCLSID_Tally, {}); }, &why), E_NOINTERFACE);
  EXPECT_NE(why.find("not a control"), std::string::npos) << why;
  EXPECT_EQ(CodeOf([&] { HostedControl(form_, "X", MakeGuid(1, 2, 3, {}), {}); }), REGDB_E_CLASSNOTREG);
}

}  // namespace
}  // namespace com
