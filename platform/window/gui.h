// The window layer: desktop, one top-level window, the canvas gadget that
// fills it, the event loop's wait, a repeating timer, the modal file
// requester and message box, the millisecond clock and the process-wide
// strings. Built on SDL2 (window, events, timer) and GTK 3 (file chooser,
// message box); nothing outside platform/ sees either.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/window/events.h"

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

struct TTimer {
  int _ticks = 0;
  int _wticks = 0;
  TTimer* _cycle = nullptr;
  TEvent* _event = nullptr;
  int _handle = 0;
  double hz = 0;
  double next_due = 0;  // monotonic clock reading (ms) of the next firing
};

// Brings SDL (and, lazily, GTK) up. Safe to call more than once. Returns
// false when there is no display to talk to.
bool InitGui();
void ShutdownGui();

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

// Blocks until an event is queued; the event taken becomes the current one.
int WaitEvent();

TTimer* CreateTimer(double hz, TEvent* event);

// Filter parsing of RequestFile: descriptions dropped, groups merged, "*"
// meaning no restriction (returns an empty list then).
std::vector<std::string> ParseFileFilter(const std::string& extensions);
std::string RequestFile(const std::string& text, const std::string& extensions, int save,
                        const std::string& path);

int Notify(const std::string& text, int serious);

int32_t MilliSecs();

extern std::string AppTitle;
extern std::string AppFile;

// Records AppFile and makes the program's directory the current directory.
void InitAppFile(const char* argv0);

[[noreturn]] void End();

// The busy pointer over the program's windows while long work runs.
void SetBusyCursor(bool busy);

// Termination signals (SIGTERM, SIGINT) end the loop as a WindowClose of the
// main window would: the layer posts WindowClose for every open window.
void InstallTerminationHandlers();
