// Whorlix: the full-screen demo of the level meter and the fast timer. It
// takes no command line (the GUI toolkit may still read its own options).
#include "demo/program.h"

int main(int argc, char** argv) { return whorlix::RunWhorlix(argc, argv); }
