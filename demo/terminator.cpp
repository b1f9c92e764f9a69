#include "demo/terminator.h"

#include "demo/full_screen.h"
#include "runtime/forms/command_button.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/timer.h"

namespace whorlix {

Terminator::Terminator(FullScreen& main) : main_(main) {
  SetCaption(" Brenvale - Quiting?");
  SetBorderStyle(forms::BorderStyle::FixedDialog);
  SetClientSize(4680, 1725);

  Label1 = &Add<forms::Label>("Label1");
  Label1->SetCaption(
      "I'm just asking this because I need to shut down the timer! Else this program would FREEZ!!! "
      "(The following questions sounds like Quorvell!!");
  Label1->SetWordWrap(true);
  Label1->Move(240, 105, 4140, 675);

  Label2 = &Add<forms::Label>("Label2");
  Label2->SetCaption("Are you sure you want to Quit?");
  Label2->SetFontName("MS Sans Serif");
  Label2->SetFontSize(9.75f);
  Label2->SetFontBold(true);
  Label2->Move(285, 885, 4050, 300);

  // The labels take no focus, so Command1 leads the tab order and has the
  // focus when the dialog appears.
  Command1 = &AddButton("Command1");
  Command1->SetCaption("YES I'M SURE");
  Command1->Move(165, 1245, 1860, 360);
  Command1->SetTabIndex(0);
  Command1->SetOnClick([this] { Command1_Click(); });

  NOTSURE = &AddButton("NOTSURE");
  NOTSURE->SetCaption("NO I'M &NOT SURE");
  NOTSURE->Move(2190, 1245, 1860, 360);
  NOTSURE->SetTabIndex(1);
  NOTSURE->SetOnClick([this] { NOTSURE_Click(); });

  Timer1 = &AddTimer("Timer1");
  Timer1->SetHandler([this] { Timer1_Timer(); });
  Timer1->SetInterval(250);
  Timer1->SetEnabled(true);

  CenterOnScreen();
}

void Terminator::ShowCentred() {
  Show();
  CenterOnScreen();
}

void Terminator::Command1_Click() {
  main_.KvQmxFasTmr1().put_Enabled(false);
  main_.KvDispVU1().put_DisplayMode(dialfen::UseVULowTimer);
  Unload();
  // QuitAsked is set by now, so this opens no second dialog; a main window
  // that has closed already is left as it is.
  main_.Unload();
}

// The meter first, then the timer: the reverse of YES.
void Terminator::NOTSURE_Click() {
  main_.KvDispVU1().put_DisplayMode(dialfen::UseVULowTimer);
  main_.KvQmxFasTmr1().put_Enabled(false);
  Unload();
}

// The access key walks over N, O and T of "NOT" and rests three ticks on T.
void Terminator::Timer1_Timer() {
  Timer1->SetInterval(100);
  CaptionStep_ = static_cast<int16_t>(CaptionStep_ + 1);
  if (CaptionStep_ == 1) NOTSURE->SetCaption("NO I'M &NOT SURE");
  if (CaptionStep_ == 2) NOTSURE->SetCaption("NO I'M N&OT SURE");
  if (CaptionStep_ == 3) NOTSURE->SetCaption("NO I'M NO&T SURE");
  if (CaptionStep_ > 4) CaptionStep_ = 0;
}

void Terminator::Form_QueryUnload(int16_t& Cancel, int16_t& UnloadMode) {
  (void)Cancel;
  if (UnloadMode != forms::kUnloadFromWindowManager) return;
  main_.KvDispVU1().put_DisplayMode(dialfen::UseVULowTimer);
  main_.KvQmxFasTmr1().put_Enabled(false);
}

}  // namespace whorlix
