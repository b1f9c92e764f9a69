#pragma once
// The program's start: builds the main window and runs until its last window
// has closed. When the controls cannot be created it shows one message naming
// the class and the module, and fails.
namespace whorlix {

// Returns the program's exit status: 0 after a normal end, 1 when the main
// window could not be built.
int RunWhorlix(int& argc, char** argv);

}  // namespace whorlix
