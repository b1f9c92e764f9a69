// The meter's face (layout, size, colours on screen) and its saved state.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cstdlib>
#include <string>

#include "runtime/automation/hresult.h"
#include "runtime/automation/variant.h"
#include "runtime/forms/application.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/property_bag.h"
#include "runtime/forms/units.h"
#include "runtime/platform/error.h"
#include "tests/controls/meter/meter_fixture.h"

namespace meter_test {
namespace {

using MeterFace = MeterTest;
using MeterPersistence = MeterTest;

struct Segment {
  float left;
  float width;
  QRgb colour;
};
const Segment kSegments[11] = {
    {105, 210, 0x03892A},  {330, 210, 0x04BD19},  {555, 210, 0x13F107},  {780, 210, 0x67FD04},
    {1005, 210, 0xBEFE05}, {1230, 210, 0xFDDB04}, {1455, 210, 0xFDA704}, {1680, 210, 0xFD6D04},
    {1905, 210, 0xFC3F04}, {2130, 225, 0xFC1C06}, {2370, 225, 0xFC1C06},
};

TEST_F(MeterFace, StartsBlackAndIdleWithElevenHiddenSegments) {
  UseScript("values 0");
  CreateMeter();
  EXPECT_EQ(meter_->Width(), 2715);
  EXPECT_EQ(meter_->Height(), 240);
  EXPECT_EQ(meter_->BackColor(), (forms::Color{0, 0, 0}));
  EXPECT_FALSE(Timer1().Enabled());
  EXPECT_EQ(Timer1().Interval(), 0);
  ASSERT_EQ(meter_->Elements().size(), 11u);
  ASSERT_EQ(forms::TwipsPerPixelX(), 15) << "sizes below assume 96 DPI";
  for (int n = 1; n <= 11; ++n) {
    SCOPED_TRACE(n);
    const forms::Element* image = meter_->Find("Dp" + std::to_string(n));
    ASSERT_NE(dynamic_cast<const forms::Image*>(image), nullptr);
    EXPECT_FALSE(image->Visible());
    EXPECT_EQ(image->Left(), kSegments[n - 1].left);
    EXPECT_EQ(image->Width(), kSegments[n - 1].width);
    EXPECT_EQ(image->Top(), 45);
    EXPECT_EQ(image->Height(), 120);
  }
}

TEST_F(MeterFace, ResizingSnapsBackToTheFaceSize) {
  UseScript("values 0");
  CreateMeter();
  meter_->HostResize(5000, 1000);
  EXPECT_EQ(meter_->Width(), 2715);
  EXPECT_EQ(meter_->Height(), 240);
  meter_->HostResize(15, 15);
  EXPECT_EQ(meter_->Width(), 2715);
  EXPECT_EQ(meter_->Height(), 240);
}

int ChannelDistance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

TEST_F(MeterFace, LitSegmentsShowTheirColoursOnScreen) {
  UseScript("values 3500");
  CreateMeter();
  meter_->put_SetDispDelay(0);
  RunTimerPass();
  ASSERT_EQ(LitSegments(), (std::vector<int>{1, 2, 3, 4, 5, 6}));

  const QImage face = meter_->Widget()->grab().toImage();
  ASSERT_EQ(face.width(), 181);
  ASSERT_EQ(face.height(), 16);
  for (int n = 1; n <= 11; ++n) {
    SCOPED_TRACE(n);
    const Segment& s = kSegments[n - 1];
    const int x = forms::TwipsToPixelsX(s.left + s.width / 2);
    const int y = forms::TwipsToPixelsY(45 + 60);
    const QRgb expected = n <= 6 ? s.colour : 0x000000;
    const QRgb seen = face.pixel(x, y);
    EXPECT_LE(ChannelDistance(seen, expected), 6)
        << std::hex << "seen " << (seen & 0xFFFFFF) << ", expected " << expected;
  }
  // Between the segments the face is black.
  EXPECT_EQ(face.pixel(forms::TwipsToPixelsX(320), 7) & 0xFFFFFF, 0u);
  EXPECT_EQ(face.pixel(90, 1) & 0xFFFFFF, 0u);
}

TEST_F(MeterPersistence, DefaultsLeaveTheBagEmptyAndValuesRoundTrip) {
  UseScript("values 0");
  CreateMeter();
  forms::PropertyBag bag;
  meter_->Save(bag);
  EXPECT_TRUE(bag.Empty());

  meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
  meter_->put_SetDispDelay(-20);
  meter_->put_SetDispVolumeStep(300000000);
  meter_->put_GetPeekData(32768);
  meter_->Save(bag);
  EXPECT_EQ(bag.Names(),
            (std::vector<std::string>{"DisplayMode", "SetDispDelay", "SetDispVolumeStep", "GetPeekData"}));
  EXPECT_EQ(bag.ReadProperty("SetDispVolumeStep", {}).vt(), com::VT_I4);

  auto loaded = forms::MakeRef<KvDispVU>();
  loaded->Load(bag);
  EXPECT_EQ(loaded->get_DisplayMode(), 2);
  EXPECT_EQ(loaded->get_SetDispDelay(), -20);
  EXPECT_EQ(loaded->get_SetDispVolumeStep(), 300000000);
  EXPECT_EQ(loaded->get_GetPeekData(), 32768);

  // Absent keys read back as the defaults.
  forms::PropertyBag partial;
  partial.WriteProperty("SetDispDelay", com::Variant::I4(0), com::Variant::I2(1000));
  auto sparse = forms::MakeRef<KvDispVU>();
  sparse->Load(partial);
  EXPECT_EQ(sparse->get_DisplayMode(), 0);
  EXPECT_EQ(sparse->get_SetDispDelay(), 0);
  EXPECT_EQ(sparse->get_SetDispVolumeStep(), 1000);
  EXPECT_EQ(sparse->get_GetPeekData(), 0);

  // A delay at its default is left out of the bag, and reads back as that
  // default over whatever the loading control held.
  meter_->put_SetDispDelay(1000);
  forms::PropertyBag withoutDelay;
  meter_->Save(withoutDelay);
  EXPECT_EQ(withoutDelay.Names(), (std::vector<std::string>{"DisplayMode", "SetDispVolumeStep", "GetPeekData"}));
  sparse->Load(withoutDelay);
  EXPECT_EQ(sparse->get_SetDispDelay(), 1000);
  EXPECT_EQ(sparse->get_SetDispVolumeStep(), 300000000);
}

TEST_F(MeterPersistence, ALoadedLoopModeStaysIdle) {
  UseScript("values 9000");
  forms::PropertyBag bag;
  bag.WriteProperty("DisplayMode", com::Variant::I4(1), com::Variant::I2(0));
  meter_ = forms::MakeRef<KvDispVU>();
  meter_->SetSite(&site_);
  meter_->Load(bag);  // would never return if it started the loop
  meter_->NotifyShown();
  EXPECT_EQ(meter_->get_DisplayMode(), 1);
  EXPECT_FALSE(Timer1().Enabled());
  for (int i = 0; i < 20; ++i) forms::DoEvents();
  EXPECT_EQ(Reads(), 0u);
  EXPECT_TRUE(LitSegments().empty());
  EXPECT_TRUE(site_.changes.empty());
}

TEST_F(MeterPersistence, AnUnreadableEntryFailsTheLoadAndChangesNothing) {
  UseScript("values 0");
  CreateMeter();
  meter_->put_SetDispDelay(5);
  forms::PropertyBag bag;
  bag.WriteProperty("DisplayMode", com::Variant::I4(3), com::Variant::I2(0));
  bag.WriteProperty("SetDispVolumeStep", com::Variant::Str("loud"), com::Variant::I2(1000));
  try {
    meter_->Load(bag);
    FAIL() << "a value that is no number must be refused";
  } catch (const platform::Error& e) {
    EXPECT_EQ(e.code(), com::DISP_E_TYPEMISMATCH);
  }
  EXPECT_EQ(meter_->get_DisplayMode(), 0);
  EXPECT_EQ(meter_->get_SetDispDelay(), 5);
}

}  // namespace
}  // namespace meter_test
