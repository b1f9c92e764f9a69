#pragma once
// The demo's one main window: it covers the screen, hosts a VU meter and a
// fast timer, and turns the live output level into pictures chosen from its
// menu. It keeps no mode of its own: what the user sees as a mode is the
// combination of the fast timer running, BarGraphTimer running and the
// meter's DisplayMode, each set by the menu commands.
//
// Commands that start a loop (the pulsing shapes, the meter's own reading
// loop) do not return until a later command switches that loop off; every
// menu command, timer tick and close request in between runs nested inside
// the loop's message pumping.
#include <array>
#include <cstdint>
#include <memory>

#include "demo/control_calls.h"
#include "demo/level_arithmetic.h"
#include "runtime/forms/form.h"

namespace forms {
class Shape;
class Line;
class Image;
class Label;
class PictureBox;
class Timer;
}  // namespace forms

namespace whorlix {

class HostedControls;
class SavedLayout;
class Terminator;

class FullScreen : public forms::Form {
 public:
  // Builds the window and creates both controls by class identity through
  // the registry. Raises platform::Error when a control cannot be created
  // (not registered, module missing); nothing is shown then.
  FullScreen();
  explicit FullScreen(const SavedLayout& layout);
  ~FullScreen() override;

  // The hosted controls, reached by DISPID. They stay usable after the window
  // has closed, until the program ends.
  const VuMeterCalls& KvDispVU1() const { return meterCalls_; }
  const FastTimerCalls& KvQmxFasTmr1() const { return timerCalls_; }

  bool QuitAsked() const { return QuitAsked_; }
  // The quit dialog once the first close request has opened it.
  Terminator* QuitDialog() const { return terminator_; }

  // Menu commands.
  void mnuExit_Click();
  void mnuWhorlix_Click();
  void mnuDialfenLow_Click();
  void mnuVUHiLow_Click();
  void mnuBarGraph_Click();

  // The two visualisations: BarGraphTimer's tick and the fast timer's event.
  void BarGraphTimer_Timer();
  void KvQmxFasTmr1_QmxTimer();

 protected:
  void Form_Load() override;
  void Form_QueryUnload(int16_t& Cancel, int16_t& UnloadMode) override;
  void Form_Unload(int16_t& Cancel) override;
  void Form_Terminate() override;

 private:
  void BuildWindow();
  void BuildMenu();
  void BuildStrip();
  void BuildPulsingShapes();

  // Elements by their window names.
  forms::Timer* BarGraphTimer = nullptr;
  forms::PictureBox* Picture1 = nullptr;
  std::array<forms::Line*, kBarCount> Li{};
  forms::Shape* Shape5 = nullptr;
  forms::Shape* Shape4 = nullptr;
  forms::Shape* Shape3 = nullptr;
  forms::Image* LogoQmx = nullptr;
  forms::Label* WelcomeText = nullptr;
  forms::Shape* Shape2 = nullptr;
  forms::Shape* Shape1 = nullptr;
  forms::Image* Image2 = nullptr;

  std::unique_ptr<HostedControls> controls_;
  VuMeterCalls meterCalls_;
  FastTimerCalls timerCalls_;

  bool QuitAsked_ = false;
  Terminator* terminator_ = nullptr;
};

}  // namespace whorlix
