// Cellreel: previews sprite-sheet animations.

#include "app/globals.h"

int main(int argc, char** argv) {
  (void)argc;
  InitAppFile(argv[0]);
  InstallTerminationHandlers();
  StartUp();
  Main();
  End();
}
