// The application's state: every global the start-up, the event loop, the
// repaint, the preview, sheet loading and resizing share. The procedures of
// app/ take no arguments and talk through these.
#pragma once

#include <memory>
#include <string>

#include "controls/button.h"
#include "controls/canvas_panel.h"
#include "controls/label.h"
#include "controls/rect.h"
#include "controls/updown.h"
#include "platform/gui.h"
#include "platform/image.h"

extern int intScreenX;
extern int intScreenY;
extern bool blnRun;
extern int intScreenCenterX;
extern int intScreenCenterY;
extern TRect objViewport;
extern ImagePtr imgAnimation;
extern ImagePtr imgUnanimated;
extern int StartTimeDelay;
extern std::string strFileFilter;
extern std::string strFilename;
extern int intCurrentFrame;
extern int intFrameDelay;
extern int intFrameCount;
extern int intStartFrame;
extern int intEndFrame;
extern int intTileWidth;
extern int intTileHeight;
extern int intScale;
extern int intRotation;
extern int intRed;
extern int intGreen;
extern int intBlue;
extern bool blnPauseFrame;

// The control panel, in creation order.
extern std::unique_ptr<TLabel> lblAuthor;
extern std::unique_ptr<TLabel> lblFilename;
extern std::unique_ptr<TButton> btnPauseFrame;
extern std::unique_ptr<TLabel> lblFrameSpeed;
extern std::unique_ptr<TUpDown> objFrameSpeed;
extern std::unique_ptr<TLabel> lblStartFrame;
extern std::unique_ptr<TUpDown> objStartFrame;
extern std::unique_ptr<TLabel> lblEndFrame;
extern std::unique_ptr<TUpDown> objEndFrame;
extern std::unique_ptr<TLabel> lblCurrentFrame;
extern std::unique_ptr<TUpDown> objCurrentFrame;
extern std::unique_ptr<TLabel> lblScale;
extern std::unique_ptr<TUpDown> objScale;
extern std::unique_ptr<TLabel> lblRotation;
extern std::unique_ptr<TUpDown> objRotation;
extern std::unique_ptr<TLabel> lblRed;
extern std::unique_ptr<TUpDown> objRed;
extern std::unique_ptr<TLabel> lblGreen;
extern std::unique_ptr<TUpDown> objGreen;
extern std::unique_ptr<TLabel> lblBlue;
extern std::unique_ptr<TUpDown> objBlue;
extern std::unique_ptr<TButton> btnUnLoad;
extern std::unique_ptr<TLabel> lblTileWidth;
extern std::unique_ptr<TUpDown> objTileWidth;
extern std::unique_ptr<TLabel> lblTileHeight;
extern std::unique_ptr<TUpDown> objTileHeight;
extern std::unique_ptr<TLabel> lblFrameCount;
extern std::unique_ptr<TLabel> objFrameCount;
extern std::unique_ptr<TButton> btnLoad;
extern std::unique_ptr<TButton> btnRefresh;
extern std::unique_ptr<TCanvas> objLogo;
extern std::unique_ptr<TButton> btnQuit;

extern TGadget* objWindow;
extern TGadget* objCanvas;
extern TTimer* objTimer;

// The banner line of lblAuthor.
extern const char* const kBanner;

// Action codes of DisplayMenu.
enum : int {
  ACTION_NONE = -1,
  ACTION_LOAD = 1,
  ACTION_RELOAD = 2,
  ACTION_QUIT = 99,
};

// Start-up: registers the logo, gives every global its initial value and
// builds the control panel, the mouse record and the repaint timer. Needs
// no window.
void StartUp();
// Gives every global its initial value and builds the 32 controls (part of
// StartUp; tests call it to get a fresh panel).
void InitGlobals();

int Main();
void CheckEvents();
void Draw();
int DisplayMenu();
void DrawAnimation();
void LoadTileset();
void Resize();
void ResizeViewport(int x, int y, int width, int height);
