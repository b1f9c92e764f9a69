#pragma once
// The quit dialog. The main window opens it at its first close request and
// does not wait for it, so by the time it is answered the main window has
// closed and the dialog is the program's last window. Both buttons stop the
// main window's fast timer and put its meter back on its own clock, which
// also ends the meter's reading loop if one still runs; both close the
// dialog, and YES closes the main window too.
//
// Closing the dialog from the window manager counts as NOT SURE: without it a
// running loop could outlive every window and keep the program alive with
// nothing left to stop it.
#include <cstdint>

#include "runtime/forms/form.h"

namespace forms {
class CommandButton;
class Label;
class Timer;
}  // namespace forms

namespace whorlix {

class FullScreen;

class Terminator : public forms::Form {
 public:
  explicit Terminator(FullScreen& main);

  // Shows the dialog without waiting, centred on the screen. Centring is
  // repeated once it is up, when the window system has added its frame.
  void ShowCentred();

  int16_t CaptionStep() const { return CaptionStep_; }

  void Command1_Click();
  void NOTSURE_Click();
  void Timer1_Timer();

 protected:
  void Form_QueryUnload(int16_t& Cancel, int16_t& UnloadMode) override;

 private:
  FullScreen& main_;
  forms::Label* Label1 = nullptr;
  forms::Label* Label2 = nullptr;
  forms::CommandButton* Command1 = nullptr;
  forms::CommandButton* NOTSURE = nullptr;
  forms::Timer* Timer1 = nullptr;
  int16_t CaptionStep_ = 0;
};

}  // namespace whorlix
