#pragma once
// The program's life: one GUI thread, one message pump that may be entered
// re-entrantly (DoEvents) from timer ticks, menu commands and control events,
// and an end that comes when no form is open and no pumping loop is still on
// the stack. Qt's own "quit on last window" and quit lock are switched off
// where the kit drives the program (an application it created, and Run),
// because they act only inside exec() and would end the program under a
// running DoEvents loop; in a host's own application they stay as the host
// set them.
#include "runtime/platform/export.h"
#include <memory>
#include <string>
#include <utility>

namespace forms {

class Form;

class KVQMXTMR_EXPORT Application {
 public:
  // Creates the QApplication if none exists (safe to call twice). Every forms
  // object also ensures one exists, so tests need not call this.
  static void Initialize(int& argc, char** argv);

  // Names the program's desktop entry (its file name without ".desktop"), so
  // a Wayland compositor and the sound settings show the installed name and
  // icon. The icon is the theme's icon of that name where one is installed.
  static void SetDesktopEntry(const std::string& id);

  // Pumps messages until no form is open and no DoEvents loop is on the stack,
  // then calls Form_Terminate on every form in creation order, destroys the
  // forms the application owns (see Adopt) and returns 0.
  static int Run();

  // How many DoEvents calls are on the stack right now.
  static int LoopDepth();
  // True from the moment Run has decided to end.
  static bool Ending();

  // Hands a form to the program: it lives until Run returns (after every
  // Form_Terminate), never earlier, so closing it inside a nested loop can
  // never delete it under that loop's feet.
  template <class F, class... Args>
  static F& CreateForm(Args&&... args) {
    auto form = std::make_unique<F>(std::forward<Args>(args)...);
    F& ref = *form;
    Adopt(std::unique_ptr<Form>(std::move(form)));
    return ref;
  }
  static void Adopt(std::unique_ptr<Form> form);
};

// Handles every event pending on the thread once (timers, paints, input,
// window-system close requests) and returns. May be nested to any reasonable
// depth; each level returns when its own pass is done.
KVQMXTMR_EXPORT void DoEvents();

}  // namespace forms
