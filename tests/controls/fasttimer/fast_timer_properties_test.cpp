// SleepDelay, persistence, the fixed size and the design-time face.
#include "controls/fasttimer/timer_face.h"
#include "runtime/automation/hresult.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/property_bag.h"
#include "runtime/platform/error.h"
#include "tests/controls/fasttimer/fast_timer_fixture.h"

namespace fasttimer_test {
namespace {

TEST_F(FastTimerTest, SleepDelayPutNotifiesAndNeitherStartsNorStopsTheLoop) {
  control->put_SleepDelay(40);
  EXPECT_EQ(control->get_SleepDelay(), 40);
  EXPECT_EQ(site.changed, (std::vector<std::string>{"SleepDelay"}));
  EXPECT_TRUE(trace.empty());
}

// Saves through the text form a host file keeps, and loads into a new
// instance, as a host being reopened would.
forms::Ref<KvQmxFasTmr> SavedAndReloaded(KvQmxFasTmr& control, forms::PropertyBag* saved = nullptr) {
  forms::PropertyBag bag;
  control.Save(bag);
  if (saved) *saved = bag;
  forms::PropertyBag reread = forms::PropertyBag::LoadText(bag.SaveText());
  auto loaded = forms::MakeRef<KvQmxFasTmr>();
  loaded->Load(reread);
  return loaded;
}

TEST_F(FastTimerTest, SleepDelayRoundTripsAndZeroLeavesNoEntry) {
  forms::PropertyBag saved;
  EXPECT_EQ(SavedAndReloaded(*control, &saved)->get_SleepDelay(), 0);
  EXPECT_TRUE(saved.Empty());

  for (int32_t delay : {40, -7, 100000}) {
    control->put_SleepDelay(delay);
    EXPECT_EQ(SavedAndReloaded(*control, &saved)->get_SleepDelay(), delay);
    EXPECT_EQ(saved.Names(), (std::vector<std::string>{"SleepDelay"}));
    const com::Variant value = saved.ReadProperty("SleepDelay", com::Variant());
    EXPECT_EQ(value.vt(), com::VT_I4);
    EXPECT_EQ(value.RawI4(), delay);
  }
}

TEST_F(FastTimerTest, AbsentEntryLoadsAsZeroNotAsTheValueBefore) {
  control->put_SleepDelay(9);
  forms::PropertyBag empty;
  control->Load(empty);
  EXPECT_EQ(control->get_SleepDelay(), 0);

  control->put_SleepDelay(9);
  control->InitNew();
  EXPECT_EQ(control->get_SleepDelay(), 0);
}

TEST_F(FastTimerTest, LoadConvertsOtherNumberTypesAndRaisesOnUnreadableValues) {
  forms::PropertyBag bag;
  bag.WriteProperty("SleepDelay", com::Variant::I2(300), com::Variant::I2(0));
  control->Load(bag);
  EXPECT_EQ(control->get_SleepDelay(), 300);

  bag.WriteProperty("SleepDelay", com::Variant::R8(5e9), com::Variant::I2(0));
  try {
    control->Load(bag);
    FAIL() << "an out-of-range delay was accepted";
  } catch (const platform::Error& e) {
    EXPECT_EQ(e.code(), com::DISP_E_OVERFLOW);
  }
  EXPECT_EQ(control->get_SleepDelay(), 300) << "a failed load changed the delay";
}

TEST_F(FastTimerTest, EnabledIsNeverSavedAndIsOffAfterLoad) {
  // Saved from inside the running loop, while the flag is on.
  forms::Ref<KvQmxFasTmr> loaded;
  forms::PropertyBag saved;
  control->put_SleepDelay(40);
  onEvent = [&](int) {
    loaded = SavedAndReloaded(*control, &saved);
    control->put_Enabled(com::VARIANT_FALSE);
  };
  control->put_Enabled(com::VARIANT_TRUE);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(saved.Names(), (std::vector<std::string>{"SleepDelay"}));

  const int eventsBefore = eventCount;
  loaded->SetSite(&site);
  EXPECT_EQ(loaded->get_Enabled(), com::VARIANT_FALSE);
  EXPECT_EQ(eventCount, eventsBefore);
  loaded->SetSite(nullptr);
}

TEST_F(FastTimerTest, SizeIsFixedWhateverTheHostAsks) {
  EXPECT_EQ(control->Width(), KvQmxFasTmr::kWidthTwips);
  EXPECT_EQ(control->Height(), KvQmxFasTmr::kHeightTwips);
  for (auto [w, h] : {std::pair{1000.0f, 50.0f}, {0.0f, 0.0f}, {420.0f, 900.0f}, {15.0f, 405.0f}}) {
    site.sizeRequests.clear();
    control->HostResize(w, h);
    EXPECT_EQ(control->Width(), 420.0f) << w << " x " << h;
    EXPECT_EQ(control->Height(), 405.0f) << w << " x " << h;
    ASSERT_FALSE(site.sizeRequests.empty());
    EXPECT_EQ(site.sizeRequests.back(), (std::pair{420.0f, 405.0f}));
  }
}

TEST_F(FastTimerTest, CarriesItsClockFaceAndHidesAtRunTime) {
  EXPECT_TRUE(control->InvisibleAtRuntime());
  const QImage& face = fasttimer::FacePicture();
  ASSERT_FALSE(face.isNull()) << "face picture not embedded";
  EXPECT_EQ(face.size(), QSize(28, 28));
  auto* image = dynamic_cast<forms::Image*>(control->Find("ClockFace"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Picture(), face);
  EXPECT_TRUE(image->Visible());
}

}  // namespace
}  // namespace fasttimer_test
