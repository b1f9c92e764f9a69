#include "demo/program.h"

#include <exception>
#include <string>

#include "demo/full_screen.h"
#include "runtime/forms/application.h"
#include "runtime/forms/msgbox.h"

namespace whorlix {

int RunWhorlix(int& argc, char** argv) {
  forms::Application::Initialize(argc, argv);
  forms::Application::SetDesktopEntry("com.brenvale.Whorlix");
  try {
    forms::Application::CreateForm<FullScreen>().Show();
  } catch (const std::exception& e) {
    // The one message the program shows for itself: without both controls
    // there is nothing to demonstrate.
    forms::MsgBox(std::string("Whorlix cannot start.\n\n") + e.what());
    return 1;
  }
  return forms::Application::Run();
}

}  // namespace whorlix
