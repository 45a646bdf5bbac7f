// The desktop, windows and canvases, and where the pointer is among them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TGraphics;

// Window style bits of CreateWindow.
enum : int {
  WINDOW_TITLEBAR = 1,
  WINDOW_RESIZABLE = 2,
  WINDOW_STATUS = 8,
  WINDOW_TOOL = 16,
  WINDOW_CLIENTCOORDS = 32,
  WINDOW_HIDDEN = 64,
  WINDOW_ACCEPTFILES = 128,
  WINDOW_CENTER = 512,
};

// Bits of TGadget::sensitivity.
enum : int {
  SENSITIZE_MOUSE = 1,
  SENSITIZE_KEYS = 2,
};

enum class GadgetKind { Desktop, Window, Canvas };

// The desktop, a window or a canvas.
struct TGadget {
  void* source = nullptr;
  TGadget* parent = nullptr;
  std::vector<TGadget*> kids;
  int xpos = 0;
  int ypos = 0;
  int width = 0;
  int height = 0;
  std::string name;
  void* extra = nullptr;
  int style = 0;
  int sensitivity = 0;  // SENSITIZE_ bits: which events the gadget reports

  GadgetKind kind = GadgetKind::Desktop;

  // Moves and resizes the gadget inside its parent's client area and makes
  // that geometry the reference of its layout rule. A canvas's drawing
  // context follows the new size.
  void SetShape(int x, int y, int w, int h);

  // Layout reference of a child gadget (set at creation and by SetShape).
  int ref_x = 0, ref_y = 0, ref_w = 0, ref_h = 0;
  int ref_parent_w = 0, ref_parent_h = 0;

  struct Native;
  Native* native = nullptr;  // owned by the layer
};

TGadget* Desktop();
TGadget* CreateWindow(const std::string& title, int x, int y, int width, int height,
                      TGadget* group, int style);
int ClientWidth(TGadget* gadget);
int ClientHeight(TGadget* gadget);
TGadget* CreateCanvas(int x, int y, int width, int height, TGadget* group, int style);
TGraphics* CanvasGraphics(TGadget* canvas);
int ActivateWindow(TGadget* window);
int ActivateGadget(TGadget* gadget);
int RedrawGadget(TGadget* gadget);
int FreeGadget(TGadget* gadget);

namespace gui_internal {

// For the layer's own files.
// The window of an SDL window id.
TGadget* WindowFromSDL(std::uint32_t window_id);
TGadget* FirstCanvas(TGadget* window);
// The canvas of `window` under the window-relative point, if any.
TGadget* CanvasAt(TGadget* window, int x, int y);
// The window's client size as SDL has it now, the status bar taken off.
void ClientSizeOf(TGadget* window, int* width, int* height);
// Re-places the children by their layout rule, then reports the window's
// new size and asks its canvas for a repaint.
void ReportResize(TGadget* window);

}  // namespace gui_internal
