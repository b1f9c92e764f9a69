// The window as it stands right after start-up: layout, menu, artwork, the
// hosted controls' settings, and nothing moving.
#include <QAction>
#include <QImage>
#include <QMenu>
#include <QWidget>
#include <set>

#include "demo/saved_layout.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/screen.h"
#include "runtime/forms/timer.h"
#include "runtime/forms/user_control.h"
#include "runtime/platform/error.h"
#include "tests/demo/demo_session.h"

namespace whorlix::testing {
namespace {

std::vector<std::string> FrontToBack(const forms::Container& c) {
  std::vector<std::string> names;
  for (const auto& e : c.Elements()) names.push_back(e->Name());
  return names;
}

using StartUp = DemoSession;

TEST_F(StartUp, WindowCaptionColoursAndMenu) {
  FullScreen& w = Open("values 0");
  EXPECT_EQ(w.Caption(), " Brenvale KvQmxVU.OCX and KvQmxtmr.OCX Demo Software");
  EXPECT_EQ(w.BackColor(), (forms::Color{0, 0, 64}));
  EXPECT_FALSE(w.Window()->windowIcon().isNull());

  auto captions = [&](const char* menu) {
    std::vector<std::string> texts;
    for (QAction* a : w.FindMenu(menu)->QtMenu()->actions()) {
      EXPECT_TRUE(a->shortcut().isEmpty());
      EXPECT_FALSE(a->isCheckable());
      EXPECT_TRUE(a->isEnabled());
      texts.push_back(a->text().toStdString());
    }
    return texts;
  };
  EXPECT_EQ(captions("mnuFile"), std::vector<std::string>{"&Exit"});
  EXPECT_EQ(captions("mnuFunctions"), (std::vector<std::string>{"Play &Whorlix", "Play VU Meter &Low Timer",
                                                                "Play VU Meter &Hi Timer", "Play &Bar Graph"}));
  EXPECT_EQ(w.MenuAction("mnuFile")->text().toStdString(), "&File");
  EXPECT_EQ(w.MenuAction("mnuFunctions")->text().toStdString(), "&Functions");
}

TEST_F(StartUp, ElementsStandAtTheirDesignPlacesInStackingOrder) {
  FullScreen& w = Open("values 0");
  EXPECT_EQ(FrontToBack(w),
            (std::vector<std::string>{"Shape4", "Shape3", "LogoQmx", "WelcomeText", "Shape2", "Shape1", "Image2"}));
  struct Circle {
    const char* name;
    float left, top;
    forms::Color border;
  };
  for (const Circle& c : {Circle{"Shape4", 4425, 2790, {255, 128, 255}}, Circle{"Shape3", 4575, 3105, {255, 0, 255}},
                          Circle{"Shape2", 4650, 2760, {192, 0, 192}}, Circle{"Shape1", 5000, 3000, {128, 0, 128}}}) {
    auto* s = dynamic_cast<forms::Shape*>(w.Find(c.name));
    ASSERT_NE(s, nullptr) << c.name;
    EXPECT_EQ(s->Kind(), forms::ShapeKind::Circle);
    EXPECT_EQ((std::array{s->Left(), s->Top(), s->Width(), s->Height()}), (std::array{c.left, c.top, 1185.f, 690.f}))
        << c.name;
    EXPECT_EQ(s->BorderColor(), c.border) << c.name;
    EXPECT_EQ(s->BorderWidth(), 3);
    EXPECT_TRUE(s->Visible());
  }
  auto* sphere = dynamic_cast<forms::Image*>(w.Find("Image2"));
  EXPECT_EQ((std::array{sphere->Left(), sphere->Top(), sphere->Width(), sphere->Height()}),
            (std::array{4485.f, 2535.f, 1500.f, 1500.f}));
  EXPECT_TRUE(sphere->Stretch());
  EXPECT_EQ(sphere->Picture().size(), QSize(100, 100));
  auto* logo = dynamic_cast<forms::Image*>(w.Find("LogoQmx"));
  EXPECT_EQ(logo->Picture().size(), QSize(150, 30));

  auto* welcome = dynamic_cast<forms::Label*>(w.Find("WelcomeText"));
  EXPECT_EQ(welcome->Caption(), "Welcome to Brenvale's Korvane Qmx VU OCX");
  EXPECT_EQ(welcome->ForeColor(), (forms::Color{192, 0, 0}));
  EXPECT_EQ(welcome->GetAlignment(), forms::Label::Alignment::Center);
  EXPECT_TRUE(welcome->BackTransparent());
  EXPECT_EQ(welcome->FontName(), "MS Sans Serif");
  EXPECT_FLOAT_EQ(welcome->FontSize(), 18);
  EXPECT_TRUE(welcome->FontBold());
  EXPECT_EQ((std::array{welcome->Top(), welcome->Height()}), (std::array{495.f, 750.f}));
}

TEST_F(StartUp, StripHoldsAllBarsLitInTheirFrame) {
  FullScreen& w = Open("values 0");
  forms::PictureBox* strip = w.FindPictureBox("Picture1");
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ((std::array{strip->Top(), strip->Width(), strip->Height()}), (std::array{15.f, 5640.f, 375.f}));
  // Centred on this program's 1023-pixel-wide screen, the strip's left falls
  // between whole twips: (15345 - 5640) / 2.
  ASSERT_FLOAT_EQ(forms::Screen::Width(), 15345);
  EXPECT_FLOAT_EQ(strip->Left(), 4852.5f);
  EXPECT_EQ(strip->BackColor(), (forms::Color{0, 64, 64}));

  std::vector<std::string> order{"Li1", "Li0"};
  for (int k = 20; k >= 2; --k) order.push_back("Li" + std::to_string(k));
  order.push_back("Shape5");
  EXPECT_EQ(FrontToBack(*strip), order);
  for (int k = 0; k <= 20; ++k) {
    auto* bar = dynamic_cast<forms::Line*>(strip->Find("Li" + std::to_string(k)));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ((std::array{bar->X1(), bar->Y1(), bar->X2(), bar->Y2()}),
              (std::array{90.f + 120.f * k, 30.f, 90.f + 120.f * k, 285.f}))
        << k;
    EXPECT_EQ(bar->BorderColor(), (forms::Color{0, 192, 192}));
    EXPECT_EQ(bar->BorderWidth(), 3);
    EXPECT_TRUE(bar->Visible()) << k;
  }
  auto* frame = dynamic_cast<forms::Shape*>(strip->Find("Shape5"));
  EXPECT_EQ(frame->Kind(), forms::ShapeKind::Rectangle);
  EXPECT_EQ((std::array{frame->Left(), frame->Top(), frame->Height()}), (std::array{0.f, 0.f, 330.f}));
  // The frame surrounds the 21st bar and stays clear of the meter at 2820.
  EXPECT_GT(frame->Width(), 2490.f + 45.f);
  EXPECT_LT(frame->Width(), 2820.f);
  EXPECT_EQ(frame->BorderColor(), (forms::Color{0, 128, 128}));
  EXPECT_EQ(frame->BorderWidth(), 2);
}

TEST_F(StartUp, ControlsStartIdleAndNothingMoves) {
  FullScreen& w = Open("values 7000");
  EXPECT_EQ(MeterProperty(dialfen::DISPID_DisplayMode), dialfen::DONotUseTimer);
  EXPECT_EQ(MeterProperty(dialfen::DISPID_SetDispDelay), 0);
  EXPECT_EQ(MeterProperty(dialfen::DISPID_SetDispVolumeStep), 1000);
  EXPECT_EQ(TimerProperty(dialfen::DISPID_SleepDelay), 0);
  forms::Timer* barTimer = w.FindTimer("BarGraphTimer");
  ASSERT_NE(barTimer, nullptr);
  EXPECT_FALSE(barTimer->Enabled());
  EXPECT_EQ(barTimer->Interval(), 0);
  PumpFor(100);
  EXPECT_EQ(MixerReads(), 0u) << "nothing may read the level before a mode is chosen";
  EXPECT_FLOAT_EQ(w.Find("Shape1")->Width(), 1185);

  // Both controls sit in the strip at their saved extents; the timer hides.
  std::set<std::pair<int, bool>> placed;
  for (QWidget* child : w.FindPictureBox("Picture1")->Widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (forms::UserControl* control = forms::UserControl::FromWidget(child)) {
      placed.insert({static_cast<int>(control->Width()), child->isVisible()});
    }
  }
  EXPECT_EQ(placed, (std::set<std::pair<int, bool>>{{420, false}, {2715, true}}));
}

TEST(BuiltinLayout, KeepsOnlyTheControlsExtents) {
  const SavedLayout layout = SavedLayout::Builtin();
  EXPECT_EQ(layout.Bag("KvQmxFasTmr1").Names(), (std::vector<std::string>{"_extentx", "_extenty"}));
  EXPECT_EQ(layout.Bag("KvQmxFasTmr1").ReadProperty("_extentx", {}).ToI4(), 741);
  EXPECT_EQ(layout.Bag("KvQmxFasTmr1").ReadProperty("_extenty", {}).ToI4(), 714);
  EXPECT_EQ(layout.Bag("KvDispVU1").Names(), (std::vector<std::string>{"_extentx", "_extenty"}));
  EXPECT_THROW(SavedLayout::Parse("[A]\nPropertyBag 1\n[A]\nPropertyBag 1\n", "t"), platform::Error);
  EXPECT_THROW(SavedLayout::Parse("stray\n[A]\nPropertyBag 1\n", "t"), platform::Error);
  EXPECT_THROW(SavedLayout::Parse("[A]\nnot a bag\n", "t"), platform::Error);
  EXPECT_THROW(layout.Bag("Nobody"), platform::Error);
}

TEST(Artwork, IconIsSixteenColoursAndPicturesHaveTheirSizes) {
  const QImage icon(":/whorlix/whorlix_icon.png");
  EXPECT_EQ(icon.size(), QSize(32, 32));
  std::set<QRgb> colours;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) colours.insert(icon.pixel(x, y));
  EXPECT_LE(colours.size(), 16u);
  EXPECT_GE(colours.size(), 4u);
  const QImage sphere(":/whorlix/sphere.png");
  ASSERT_EQ(sphere.size(), QSize(100, 100));
  EXPECT_EQ(sphere.pixel(0, 0), qRgb(0, 0, 0));
  const QColor middle = sphere.pixelColor(50, 50);
  EXPECT_GT(middle.blue(), middle.red() + 60);
  EXPECT_EQ(QImage(":/whorlix/logo.png").size(), QSize(150, 30));
}

}  // namespace
}  // namespace whorlix::testing
