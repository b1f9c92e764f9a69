#include <gtest/gtest.h>

#include "runtime/com/com_ptr.h"
#include "runtime/com/dispatch_driver.h"
#include "runtime/automation/hresult.h"
#include "runtime/platform/error.h"
#include "tests/runtime/com/tally.h"

namespace com {
namespace {

using comtest::kArmed;
using comtest::kBump;
using comtest::kCount;
using comtest::kLabel;
using comtest::kLimit;
using comtest::kMode;

class DispatchTest : public ::testing::Test {
 protected:
  DispatchTest() : object_(ComPtr<comtest::TallyObject>::Attach(new comtest::TallyObject())), driver_(ComPtr<IDispatch>(object_.Get())) {}

  // Invoke with the raw status code.
  HRESULT Raw(DISPID id, uint16_t flags, std::vector<Variant> argsReversed, std::vector<DISPID> named,
              Variant* result = nullptr, EXCEPINFO* excep = nullptr, uint32_t* argErr = nullptr) {
    DISPPARAMS p;
    p.rgvarg = argsReversed.empty() ? nullptr : argsReversed.data();
    p.cArgs = static_cast<uint32_t>(argsReversed.size());
    p.rgdispidNamedArgs = named.empty() ? nullptr : named.data();
    p.cNamedArgs = static_cast<uint32_t>(named.size());
    return object_->Invoke(id, IID_NULL, 0, flags, &p, result, excep, argErr);
  }
  HRESULT Put(DISPID id, Variant v, uint32_t* argErr = nullptr) {
    return Raw(id, DISPATCH_PROPERTYPUT, {std::move(v)}, {DISPID_PROPERTYPUT}, nullptr, nullptr, argErr);
  }

  ComPtr<comtest::TallyObject> object_;
  DispatchDriver driver_;
};

TEST_F(DispatchTest, NamesResolveWithoutRegardToCase) {
  EXPECT_EQ(driver_.GetIDOfName("Count"), kCount);
  EXPECT_EQ(driver_.GetIDOfName("LIMIT"), kLimit);
  EXPECT_EQ(driver_.GetIDOfName("bump"), kBump);
  const char* names[] = {"NoSuchMember"};
  DISPID id = 123;
  EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  const char* withParam[] = {"Count", "New_Count"};
  DISPID ids[2];
  EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, withParam, 2, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], kCount);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  EXPECT_EQ(object_->GetIDsOfNames(IID_IDispatch, names, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, PutsConvertToTheDeclaredTypeAndGetsReturnIt) {
  driver_.Put(kCount, Variant::Str("7"));
  EXPECT_EQ(driver_.Get(kCount).vt(), VT_I4);
  EXPECT_EQ(driver_.Get(kCount).RawI4(), 7);
  driver_.Put(kCount, Variant::R8(4.5));  // half to even
  EXPECT_EQ(object_->State().Count(), 4);
  driver_.Put(kArmed, Variant::Bool(5));  // a Boolean keeps its 16 bits
  EXPECT_EQ(driver_.Get(kArmed).vt(), VT_BOOL);
  EXPECT_EQ(driver_.Get(kArmed).RawBool(), 5);
  driver_.Put(kArmed, Variant::I4(3));
  EXPECT_EQ(driver_.Get(kArmed).RawBool(), VARIANT_TRUE);
  driver_.Put(kMode, Variant::I2(1));  // an enumeration travels as a Long
  EXPECT_EQ(driver_.Get(kMode).vt(), VT_I4);
  EXPECT_EQ(object_->State().Mode(), comtest::Down);
  driver_.Put(kLabel, Variant::I4(12));
  EXPECT_EQ(driver_.Get(kLabel).RawStr(), "12");
  driver_.Call(kBump);
  EXPECT_EQ(object_->State().Count(), 3);
  // A get that also allows a method call, as late-bound hosts send it.
  Variant r;
  EXPECT_EQ(Raw(kCount, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, {}, &r), S_OK);
  EXPECT_EQ(r.RawI4(), 3);
}

TEST_F(DispatchTest, BadArgumentsAreRefusedWithTheirStatusAndChangeNothing) {
  driver_.Put(kCount, Variant::I4(5));
  uint32_t argErr = 99;
  EXPECT_EQ(Put(kCount, Variant::Str("abc"), &argErr), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u);
  argErr = 99;
  EXPECT_EQ(Put(kCount, Variant::R8(3e9), &argErr), DISP_E_OVERFLOW);
  EXPECT_EQ(argErr, 0u);
  EXPECT_EQ(Put(kArmed, Variant::Str("maybe")), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Raw(kCount, DISPATCH_PROPERTYPUT, {}, {}), DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(Raw(kCount, DISPATCH_PROPERTYPUT, {Variant::I4(1), Variant::I4(2)}, {DISPID_PROPERTYPUT}),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Raw(kCount, DISPATCH_PROPERTYPUT, {Variant::I4(1)}, {}), DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(Raw(kCount, DISPATCH_PROPERTYGET, {Variant::I4(1)}, {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Raw(kCount, DISPATCH_PROPERTYPUTREF, {Variant::I4(1)}, {DISPID_PROPERTYPUT}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Raw(kCount, DISPATCH_METHOD, {}, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Raw(kBump, DISPATCH_METHOD, {Variant::I4(1)}, {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Raw(kBump, DISPATCH_PROPERTYPUT, {Variant::I4(1)}, {DISPID_PROPERTYPUT}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Raw(0x12345, DISPATCH_PROPERTYGET, {}, {}), DISP_E_MEMBERNOTFOUND);
  DISPPARAMS p{};
  EXPECT_EQ(object_->Invoke(kCount, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &p, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(object_->State().Count(), 5);
}

TEST_F(DispatchTest, AMemberThatRaisesAnswersWithExcepInfoAndStoresNothing) {
  driver_.Put(kCount, Variant::I4(10));
  EXCEPINFO excep;
  EXPECT_EQ(Raw(kBump, DISPATCH_METHOD, {}, {}, nullptr, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, E_INVALIDARG);
  EXPECT_EQ(excep.bstrDescription, "Count out of range");
  EXPECT_EQ(excep.bstrSource, "ComTest.Tally");
  EXPECT_EQ(Raw(kCount, DISPATCH_PROPERTYPUT, {Variant::I4(-1)}, {DISPID_PROPERTYPUT}, nullptr, nullptr),
            DISP_E_EXCEPTION);  // no EXCEPINFO to fill: still a failure
  EXPECT_EQ(object_->State().Count(), 10);
  // The driver surfaces the member's own error.
  try {
    driver_.Put(kCount, Variant::I4(11));
    ADD_FAILURE();
  } catch (const platform::Error& e) {
    EXPECT_EQ(e.code(), E_INVALIDARG);
    EXPECT_NE(std::string(e.what()).find("Count out of range"), std::string::npos);
  }
  try {
    driver_.Put(kCount, Variant::Str("x"));
    ADD_FAILURE();
  } catch (const platform::Error& e) {
    EXPECT_EQ(e.code(), DISP_E_TYPEMISMATCH);
  }
  EXPECT_EQ(object_->State().Count(), 10);
}

TEST(DispatchMapBuild, BindingsThatDisagreeWithTheDescriptionAreRefused) {
  using Map = DispatchMap<comtest::Tally>;
  EXPECT_THROW(Map(comtest::Library(), "_Missing"), platform::Error);
  EXPECT_THROW(Map(comtest::Library(), "_Tally").Property(0x777, &comtest::Tally::Count, &comtest::Tally::SetCount),
               platform::Error);
  EXPECT_THROW(Map(comtest::Library(), "_Tally").Method(kCount, &comtest::Tally::Bump), platform::Error);
  EXPECT_THROW(Map(comtest::Library(), "_Tally")
                   .Property(kCount, &comtest::Tally::Count, &comtest::Tally::SetCount)
                   .Property(kCount, &comtest::Tally::Count, &comtest::Tally::SetCount),
               platform::Error);
  // A read-only binding answers gets and refuses puts.
  comtest::Tally t;
  const Map ro = Map(comtest::Library(), "_Tally").ReadOnly(kLimit, &comtest::Tally::Limit);
  Variant v = Variant::I4(1);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put{&v, &named, 1, 1};
  EXPECT_EQ(ro.Invoke(t, kLimit, IID_NULL, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr, ""),
            DISP_E_MEMBERNOTFOUND);
  Variant r;
  EXPECT_EQ(ro.Invoke(t, kLimit, IID_NULL, DISPATCH_PROPERTYGET, nullptr, &r, nullptr, nullptr, ""), S_OK);
  EXPECT_EQ(r.RawI4(), 10);
}

TEST(ComPtrTest, CountsReferencesAndQueriesInterfaces) {
  auto* raw = new comtest::TallyObject();
  {
    ComPtr<IDispatch> a = ComPtr<IDispatch>::Attach(raw);
    ComPtr<IUnknown> u = a.As<IUnknown>();
    EXPECT_TRUE(SameObject(a, u));
    EXPECT_FALSE(a.As<IClassFactory>());
    ComPtr<IDispatch> b = a;
    EXPECT_EQ(raw->AddRef(), 4u);
    raw->Release();
    b = nullptr;
    EXPECT_EQ(raw->AddRef(), 3u);
    raw->Release();
  }  // the last reference frees it (the sanitizer build checks)
}

}  // namespace
}  // namespace com
