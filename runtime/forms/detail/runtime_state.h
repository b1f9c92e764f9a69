#pragma once
// Process-wide state of the forms layer that the public classes share but
// callers never touch: the application object, the list of forms and the
// boundary where errors from event handlers stop.
#include "runtime/platform/export.h"
#include <exception>
#include <utility>

class QWidget;

namespace forms {
class Form;
}

namespace forms::detail {

// Creates the QApplication on first use (tests and tools need not).
KVQMXTMR_EXPORT void EnsureApplication();

// Every live form, in creation order.
void RegisterForm(Form* form);
void UnregisterForm(Form* form);
bool AnyFormOpen();
// The window of the newest form that is open and on the screen, or nullptr:
// what a message stands over when no window is active yet.
QWidget* NewestOpenFormWindow();

// Lets a pump waiting for events re-check whether the program should end.
void WakeUp();

// An error leaving an event handler that Qt dispatched ends that handler and
// nothing more: it must not unwind through Qt's event loop.
void ReportUnhandled(const char* where, const std::exception* error);

template <class F>
void Guarded(const char* where, F&& f) {
  try {
    std::forward<F>(f)();
  } catch (const std::exception& e) {
    ReportUnhandled(where, &e);
  } catch (...) {
    ReportUnhandled(where, nullptr);
  }
}

}  // namespace forms::detail
