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
#include "platform/window/gui.h"
#include "platform/images/image.h"

// Every global is defined here, once; InitGlobals gives each its initial
// value (they are zero or empty before it runs).
inline int intScreenX;
inline int intScreenY;
inline bool blnRun;
inline int intScreenCenterX;
inline int intScreenCenterY;
inline TRect objViewport;
inline ImagePtr imgAnimation;
inline ImagePtr imgUnanimated;
inline int StartTimeDelay;
inline std::string strFileFilter;
inline std::string strFilename;
inline int intCurrentFrame;
inline int intFrameDelay;
inline int intFrameCount;
inline int intStartFrame;
inline int intEndFrame;
inline int intTileWidth;
inline int intTileHeight;
inline int intScale;
inline int intRotation;
inline int intRed;
inline int intGreen;
inline int intBlue;
inline bool blnPauseFrame;

// The control panel, in creation order; panel.cpp holds the table they are
// made from.
inline std::unique_ptr<TLabel> lblAuthor;
inline std::unique_ptr<TLabel> lblFilename;
inline std::unique_ptr<TButton> btnPauseFrame;
inline std::unique_ptr<TLabel> lblFrameSpeed;
inline std::unique_ptr<TUpDown> objFrameSpeed;
inline std::unique_ptr<TLabel> lblStartFrame;
inline std::unique_ptr<TUpDown> objStartFrame;
inline std::unique_ptr<TLabel> lblEndFrame;
inline std::unique_ptr<TUpDown> objEndFrame;
inline std::unique_ptr<TLabel> lblCurrentFrame;
inline std::unique_ptr<TUpDown> objCurrentFrame;
inline std::unique_ptr<TLabel> lblScale;
inline std::unique_ptr<TUpDown> objScale;
inline std::unique_ptr<TLabel> lblRotation;
inline std::unique_ptr<TUpDown> objRotation;
inline std::unique_ptr<TLabel> lblRed;
inline std::unique_ptr<TUpDown> objRed;
inline std::unique_ptr<TLabel> lblGreen;
inline std::unique_ptr<TUpDown> objGreen;
inline std::unique_ptr<TLabel> lblBlue;
inline std::unique_ptr<TUpDown> objBlue;
inline std::unique_ptr<TButton> btnUnLoad;
inline std::unique_ptr<TLabel> lblTileWidth;
inline std::unique_ptr<TUpDown> objTileWidth;
inline std::unique_ptr<TLabel> lblTileHeight;
inline std::unique_ptr<TUpDown> objTileHeight;
inline std::unique_ptr<TLabel> lblFrameCount;
inline std::unique_ptr<TLabel> objFrameCount;
inline std::unique_ptr<TButton> btnLoad;
inline std::unique_ptr<TButton> btnRefresh;
inline std::unique_ptr<TCanvas> objLogo;
inline std::unique_ptr<TButton> btnQuit;

inline TGadget* objWindow;
inline TGadget* objCanvas;
inline TTimer* objTimer;

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

// The control panel's table at work: creates the 32 controls in creation
// order for the design size intScreenX x intScreenY, draws them in
// DisplayMenu's order, re-places them in creation order.
void CreatePanel();
void DrawPanel();
void ResizePanel(int width, int height);

int Main();
void CheckEvents();
void Draw();
int DisplayMenu();
void DrawAnimation();
void LoadTileset();
void Resize();
void ResizeViewport(int x, int y, int width, int height);
