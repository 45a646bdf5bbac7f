// Start-up: the embedded logo, the initial values of every global (given
// here and nowhere else) and the control panel, built for the 800 x 600
// design client area before any window exists.

#include "app/globals.h"
#include "platform/images/image.h"
#include "platform/images/incbin.h"

extern const unsigned char kLogoPng[];
extern const std::size_t kLogoPng_size;

namespace {
const char* const kLogoName = "Images/quillmark.png";
}

void InitGlobals() {
  intScreenX = 800;
  intScreenY = 600;
  blnRun = true;
  intScreenCenterX = 0;
  intScreenCenterY = 0;
  objViewport = TRect{};
  imgAnimation = nullptr;
  imgUnanimated = nullptr;
  StartTimeDelay = 0;
  strFileFilter = "Image Files:png,jpg,bmp";
  strFilename.clear();
  intCurrentFrame = 0;
  intFrameDelay = 200;
  intFrameCount = 16;
  intStartFrame = 0;
  intTileWidth = 64;
  intTileHeight = 64;
  intScale = 1;
  intRotation = 0;
  intRed = 0;
  intGreen = 0;
  intBlue = 0;
  blnPauseFrame = false;
  objWindow = nullptr;
  objCanvas = nullptr;
  intEndFrame = intFrameCount - 1;
  CreatePanel();
}

void StartUp() {
  IncbinAdd(kLogoName, kLogoPng, kLogoPng_size);
  // The logo is loaded by its panel below with the automatic centre handle
  // still off, so it is drawn from its top-left corner.
  AutoMidHandle(0);
  InitGlobals();
  Mouse = TMouse{};
  objTimer = CreateTimer(60.0, nullptr);
  AppTitle = "Cellreel";
}
