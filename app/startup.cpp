// Start-up: the embedded logo, the initial values of every global and the
// control panel, built for the 800 x 600 design client area before any
// window exists.

#include <string>

#include "app/globals.h"
#include "platform/image.h"

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

  const int W = intScreenX;
  const int H = intScreenY;
  const auto str = [](int v) { return std::to_string(v); };
  // x, y, width, height, text, (align, border | options), left, top, right, bottom, design size
  lblAuthor = TLabel::CreateLabel(10, 10, 780, 20, kBanner, 1, false, true, true, true, false, W, H);
  lblFilename = TLabel::CreateLabel(10, 30, 780, 20, "", 1, false, true, true, true, false, W, H);
  btnPauseFrame = TButton::CreateButton(10, 60, 100, 32, "Pause", true, true, false, false, W, H);
  lblFrameSpeed = TLabel::CreateLabel(10, 102, 100, 20, "Speed", 1, true, true, true, false, false, W, H);
  objFrameSpeed = TUpDown::CreateUpDown(10, 122, 100, 40, str(intFrameDelay), 1, 500, 0, 1, 10,
                                        false, true, true, false, false, W, H);
  lblStartFrame = TLabel::CreateLabel(10, 172, 100, 20, "Start Frame", 1, true, true, true, false, false, W, H);
  objStartFrame = TUpDown::CreateUpDown(10, 192, 100, 20, str(intStartFrame), 1, 0, 0, 1, 0,
                                        true, true, true, false, false, W, H);
  lblEndFrame = TLabel::CreateLabel(10, 222, 100, 20, "End Frame", 1, true, true, true, false, false, W, H);
  objEndFrame = TUpDown::CreateUpDown(10, 242, 100, 20, str(intEndFrame), 1, 0, 0, 1, 0, true,
                                      true, true, false, false, W, H);
  lblCurrentFrame = TLabel::CreateLabel(10, 272, 100, 20, "Cur Frame", 1, true, true, true, false, false, W, H);
  objCurrentFrame = TUpDown::CreateUpDown(10, 292, 100, 20, str(intCurrentFrame), 1, 0, 0, 1, 0,
                                          true, true, true, false, false, W, H);
  lblScale = TLabel::CreateLabel(10, 322, 100, 20, "Scale", 1, true, true, true, false, false, W, H);
  objScale = TUpDown::CreateUpDown(10, 342, 100, 20, str(intScale), 1, 20, 1, 1, 0, true, true,
                                   true, false, false, W, H);
  lblRotation = TLabel::CreateLabel(10, 372, 100, 20, "Rotation", 1, true, true, true, false, false, W, H);
  objRotation = TUpDown::CreateUpDown(10, 392, 100, 40, str(intRotation), 1, 360, 0, 1, 15, true,
                                      true, true, false, false, W, H);
  lblRed = TLabel::CreateLabel(240, 550, 100, 20, "BG Red", 1, true, false, false, false, true, W, H);
  objRed = TUpDown::CreateUpDown(240, 570, 100, 20, str(intRed), 1, 255, 0, 5, 0, true, false,
                                 false, false, true, W, H);
  lblGreen = TLabel::CreateLabel(350, 550, 100, 20, "BG Green", 1, true, false, false, false, true, W, H);
  objGreen = TUpDown::CreateUpDown(350, 570, 100, 20, str(intGreen), 1, 255, 0, 5, 0, true, false,
                                   false, false, true, W, H);
  lblBlue = TLabel::CreateLabel(460, 550, 100, 20, "BG Blue", 1, true, false, false, false, true, W, H);
  objBlue = TUpDown::CreateUpDown(460, 570, 100, 20, str(intBlue), 1, 255, 0, 5, 0, true, false,
                                  false, false, true, W, H);
  btnUnLoad = TButton::CreateButton(690, 60, 100, 32, "Unload", false, true, true, false, W, H);
  lblTileWidth = TLabel::CreateLabel(690, 102, 100, 20, "Tile Width", 1, true, false, true, true, false, W, H);
  objTileWidth = TUpDown::CreateUpDown(690, 122, 100, 40, str(intTileWidth), 1, 512, 2, 2, 10,
                                       false, false, true, true, false, W, H);
  lblTileHeight = TLabel::CreateLabel(690, 172, 100, 20, "Tile Height", 1, true, false, true, true, false, W, H);
  objTileHeight = TUpDown::CreateUpDown(690, 192, 100, 40, str(intTileHeight), 1, 512, 2, 2, 10,
                                        false, false, true, true, false, W, H);
  lblFrameCount = TLabel::CreateLabel(690, 242, 100, 20, "Frame Count", 1, true, false, true, true, false, W, H);
  objFrameCount = TLabel::CreateLabel(690, 262, 100, 20, str(intFrameCount), 1, true, false, true,
                                      true, false, W, H);
  btnLoad = TButton::CreateButton(690, 292, 100, 32, "Load", false, true, true, false, W, H);
  btnRefresh = TButton::CreateButton(690, 334, 100, 32, "Refresh", false, true, true, false, W, H);
  objLogo = TCanvas::Create(680, 380, 120, 100, std::string("incbin::") + kLogoName, false, false,
                            false, true, true, W, H);
  btnQuit = TButton::CreateButton(690, 558, 100, 32, "Quit", false, false, true, true, W, H);
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
