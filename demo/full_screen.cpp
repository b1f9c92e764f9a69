// Start-up, the menu commands and the closing sequence. Each handler runs its
// steps in a fixed order, and the order is the behaviour: which setting wins,
// and when a running loop ends. No handler traps errors: a failing step ends
// the handler there.
#include "demo/full_screen.h"

#include "demo/terminator.h"
#include "runtime/forms/application.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/screen.h"
#include "runtime/forms/timer.h"

namespace whorlix {

// The screen is read afresh at every step that uses it, in single precision,
// and nothing is clamped: a small screen pushes the logo above the top edge
// and the strip past both sides.
void FullScreen::Form_Load() {
  LogoQmx->SetLeft(forms::Screen::Width() - 3000);
  LogoQmx->SetTop(forms::Screen::Height() - 8000);
  SetLeft(0);
  SetTop(0);
  SetWidth(forms::Screen::Width());
  SetHeight(forms::Screen::Height());
  WelcomeText->SetWidth(forms::Screen::Width());
  WelcomeText->SetLeft(0);
  Picture1->SetLeft((forms::Screen::Width() - Picture1->Width()) / 2);
  KvDispVU1().put_DisplayMode(dialfen::DONotUseTimer);
  KvDispVU1().put_SetDispDelay(0);
  KvDispVU1().put_SetDispVolumeStep(1000);
}

void FullScreen::mnuExit_Click() {
  KvDispVU1().put_DisplayMode(dialfen::UseVULowTimer);
  KvQmxFasTmr1().put_Enabled(false);
  Unload();
}

// Returns only when the fast timer's loop has been switched off by a command
// handled inside it; nothing may follow the put.
void FullScreen::mnuWhorlix_Click() {
  KvDispVU1().put_DisplayMode(dialfen::UseVULowTimer);
  BarGraphTimer->SetEnabled(false);
  BarGraphTimer->SetInterval(0);
  KvQmxFasTmr1().put_Enabled(true);
}

void FullScreen::mnuDialfenLow_Click() {
  KvQmxFasTmr1().put_Enabled(false);
  KvDispVU1().put_DisplayMode(dialfen::UseVULowTimer);
  BarGraphTimer->SetEnabled(false);
  BarGraphTimer->SetInterval(0);
}

// The mode put comes last: it runs the meter's reading loop until another
// command changes the mode.
void FullScreen::mnuVUHiLow_Click() {
  KvQmxFasTmr1().put_Enabled(false);
  BarGraphTimer->SetEnabled(false);
  BarGraphTimer->SetInterval(0);
  KvDispVU1().put_DisplayMode(dialfen::UseVUHiTimer);
}

void FullScreen::mnuBarGraph_Click() {
  KvQmxFasTmr1().put_Enabled(false);
  KvDispVU1().put_DisplayMode(dialfen::UseVULowTimer);
  BarGraphTimer->SetEnabled(true);
  BarGraphTimer->SetInterval(1);
}

// Every close request stops the fast timer; the first one also opens the
// quit dialog, without waiting for it, and the window goes on closing at once.
void FullScreen::Form_QueryUnload(int16_t& Cancel, int16_t& UnloadMode) {
  (void)Cancel;
  (void)UnloadMode;
  KvQmxFasTmr1().put_Enabled(false);
  if (!QuitAsked_) {
    if (terminator_ == nullptr) terminator_ = &forms::Application::CreateForm<Terminator>(*this);
    terminator_->ShowCentred();
    QuitAsked_ = true;
  }
}

void FullScreen::Form_Unload(int16_t& Cancel) {
  (void)Cancel;
  KvQmxFasTmr1().put_Enabled(false);
}

void FullScreen::Form_Terminate() { KvQmxFasTmr1().put_Enabled(false); }

}  // namespace whorlix
