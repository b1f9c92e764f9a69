// Whorlix: the full-screen demo of the level meter and the fast timer. It
// takes no command line (the GUI toolkit may still read its own options);
// only `Whorlix --help` and `Whorlix --version`, alone, print and exit.
#include <cstdio>
#include <cstring>

#include "demo/program.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "usage: Whorlix\n"
        "Fills the screen with the live level of the sound output; its Functions menu\n"
        "chooses the picture. It reads the controls KvDispVU and KvQmxFasTmr from the\n"
        "registry (see kvqmxtmr-regtool(1)) and the level from the sound server's default output.\n"
        "Other arguments are ignored. See Whorlix(1).\n");
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("Whorlix %s\n", KV_VERSION);
    return 0;
  }
  return whorlix::RunWhorlix(argc, argv);
}
