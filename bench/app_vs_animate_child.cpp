// The program's side of bench/app_vs_animate.cpp: the real start-up, event
// loop and repaint, playing the strip it is given, until a termination
// signal ends the loop as the close box would.
#include <cstring>

#include "app/globals.h"

int PlayChild(const char* mode, const char* strip) {
  InstallTerminationHandlers();
  StartUp();
  if (std::strcmp(mode, "idle") != 0) {
    strFilename = strip;
    LoadTileset();
  }
  if (std::strcmp(mode, "play0") == 0) {
    intFrameDelay = 0;
    objFrameSpeed->SetValue(0);
  }
  Main();
  return 0;
}
