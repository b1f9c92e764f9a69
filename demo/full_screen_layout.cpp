// The window's fixed layout: caption, colours, menu, and every element with
// its container, geometry and looks, added front to back so the containers
// stack them in that order.
#include <QImage>

#include "demo/full_screen.h"
#include "demo/hosted_controls.h"
#include "demo/saved_layout.h"
#include "demo/terminator.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/menu.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/timer.h"
#include "runtime/platform/error.h"

namespace whorlix {
namespace {

QImage Picture(const char* resource) {
  QImage image(resource);
  if (image.isNull()) {
    throw platform::Error(platform::kErrorFileNotFound, std::string("The program's picture ") + resource + " is missing.");
  }
  return image;
}

forms::Shape& AddCircle(forms::Container& on, const char* name, float left, float top, forms::Color border) {
  auto& shape = on.Add<forms::Shape>(name);
  shape.SetShape(forms::ShapeKind::Circle);
  shape.Move(left, top, 1185, 690);
  shape.SetBorderColor(border);
  shape.SetBorderWidth(3);
  return shape;
}

}  // namespace

// Bars stand 120 twips apart from x = 90. The 21st bar takes the next place,
// 2490, rather than hiding on top of the 20th, and the frame reaches 90 twips
// past it as it starts 90 twips before the first, still clear of the meter.
inline constexpr float kFirstBarX = 90;
inline constexpr float kBarSpacing = 120;
inline constexpr float kBarTop = 30;
inline constexpr float kBarBottom = 285;
inline constexpr float kFrameWidth = kFirstBarX + (kBarCount - 1) * kBarSpacing + kFirstBarX;  // 2580

FullScreen::FullScreen() : FullScreen(SavedLayout::Builtin()) {}

FullScreen::FullScreen(const SavedLayout& layout) {
  BuildWindow();
  BuildMenu();
  // The timer first, so it exists before anything could tick it.
  BarGraphTimer = &AddTimer("BarGraphTimer");
  BarGraphTimer->SetEnabled(false);
  BarGraphTimer->SetInterval(0);
  BarGraphTimer->SetHandler([this] { BarGraphTimer_Timer(); });
  BuildStrip();
  BuildPulsingShapes();
  controls_ = std::make_unique<HostedControls>(*Picture1, layout, [this] { KvQmxFasTmr1_QmxTimer(); });
  meterCalls_ = controls_->KvDispVU1();
  timerCalls_ = controls_->KvQmxFasTmr1();
}

FullScreen::~FullScreen() = default;

void FullScreen::BuildWindow() {
  SetCaption(" Brenvale KvQmxVU.OCX and KvQmxtmr.OCX Demo Software");
  SetBackColor({0, 0, 64});
  SetIcon(Picture(":/whorlix/whorlix_icon.png"));
}

void FullScreen::BuildMenu() {
  forms::Menu& file = AddMenu("mnuFile", "&File");
  file.AddItem("mnuExit", "&Exit", [this] { mnuExit_Click(); });
  forms::Menu& functions = AddMenu("mnuFunctions", "&Functions");
  functions.AddItem("mnuWhorlix", "Play &Whorlix", [this] { mnuWhorlix_Click(); });
  functions.AddItem("mnuDialfenLow", "Play VU Meter &Low Timer", [this] { mnuDialfenLow_Click(); });
  functions.AddItem("mnuVUHiLow", "Play VU Meter &Hi Timer", [this] { mnuVUHiLow_Click(); });
  functions.AddItem("mnuBarGraph", "Play &Bar Graph", [this] { mnuBarGraph_Click(); });
}

// The status strip: a child window, so it and everything in it lie above the
// window's own elements. The hosted controls are added to it afterwards.
void FullScreen::BuildStrip() {
  Picture1 = &AddPictureBox("Picture1");
  Picture1->Move(0, 15, 5640, 375);
  Picture1->SetBackColor({0, 64, 64});

  // Front to back: Li1, Li0, Li20, Li19 ... Li2, and the frame lowest.
  auto addBar = [this](int k) {
    forms::Line& bar = Picture1->Add<forms::Line>("Li" + std::to_string(k));
    const float x = kFirstBarX + kBarSpacing * static_cast<float>(k);
    bar.SetPoints(x, kBarTop, x, kBarBottom);
    bar.SetBorderColor({0, 192, 192});
    bar.SetBorderWidth(3);
    Li[static_cast<size_t>(k)] = &bar;
  };
  addBar(1);
  addBar(0);
  for (int k = kBarCount - 1; k >= 2; --k) addBar(k);

  Shape5 = &Picture1->Add<forms::Shape>("Shape5");
  Shape5->SetShape(forms::ShapeKind::Rectangle);
  Shape5->Move(0, 0, kFrameWidth, 330);
  Shape5->SetBorderColor({0, 128, 128});
  Shape5->SetBorderWidth(2);
}

// The window's own elements, front to back: the two inner circles over the
// logo and the welcome text, these over the two outer circles, and the sphere
// lowest.
void FullScreen::BuildPulsingShapes() {
  Shape4 = &AddCircle(*this, "Shape4", 4425, 2790, {255, 128, 255});
  Shape3 = &AddCircle(*this, "Shape3", 4575, 3105, {255, 0, 255});

  LogoQmx = &Add<forms::Image>("LogoQmx");
  LogoQmx->SetPicture(Picture(":/whorlix/logo.png"));
  LogoQmx->Move(240, 1050, 2250, 450);

  WelcomeText = &Add<forms::Label>("WelcomeText");
  WelcomeText->SetCaption("Welcome to Brenvale's Korvane Qmx VU OCX");
  WelcomeText->SetForeColor({192, 0, 0});
  WelcomeText->SetAlignment(forms::Label::Alignment::Center);
  WelcomeText->SetBackTransparent(true);
  WelcomeText->SetWordWrap(true);
  WelcomeText->SetFontName("MS Sans Serif");
  WelcomeText->SetFontSize(18);
  WelcomeText->SetFontBold(true);
  WelcomeText->Move(2640, 495, 4290, 750);

  Shape2 = &AddCircle(*this, "Shape2", 4650, 2760, {192, 0, 192});
  Shape1 = &AddCircle(*this, "Shape1", 5000, 3000, {128, 0, 128});

  Image2 = &Add<forms::Image>("Image2");
  Image2->SetStretch(true);
  Image2->SetPicture(Picture(":/whorlix/sphere.png"));
  Image2->Move(4485, 2535, 1500, 1500);
}

}  // namespace whorlix
