// Cellreel: previews sprite-sheet animations.

#include <exception>

#include "app/globals.h"

int main(int argc, char** argv) {
  (void)argc;
  InitAppFile(argv[0]);
  InstallTerminationHandlers();
  StartUp();
  try {
    Main();
  } catch (const std::exception& e) {
    // The drawing layer raises its errors ("Unable to create GL Context",
    // "Unable to calculate tex size"): the user is told why the program
    // ends, and it still ends normally.
    Notify(e.what(), 1);
  }
  End();
}
