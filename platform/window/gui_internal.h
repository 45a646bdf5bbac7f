// What the window layer's files share: the native side of a gadget, the
// layer's state and the helpers that more than one of them calls.
// Internal to platform/.
#pragma once

#include <SDL.h>
#include <signal.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/window/gui.h"
#include "platform/window/gui_events.h"

struct TGadget::Native {
  SDL_Window* window = nullptr;   // windows
  TGraphics* graphics = nullptr;  // canvases
};

namespace gui_internal {

// One SDL event becomes at most this many layer events (leave, enter and
// the press itself, say): the room the wait keeps free in the queue.
constexpr int kRoomPerPlatformEvent = 4;

// Pixels a status bar (WINDOW_STATUS) adds below a window's client area.
constexpr int kStatusBarHeight = 18;

// Everything the layer keeps between calls.
struct GuiState {
  bool sdl_up = false;
  // The loop is blocked in the platform wait: an event emitted now must
  // wake it (see WakeHook).
  bool waiting = false;
  Uint32 wake_event = 0;
  std::vector<TGadget*> windows;
  std::vector<std::unique_ptr<TTimer>> timers;
  // The clock MilliSecs reads, where another than the system's is set.
  int32_t (*clock)() = nullptr;
  // Set by the termination signal handler, hence its type. It also cancels
  // an open dialog, so that the program can end.
  volatile sig_atomic_t terminate = 0;

  // Mouse tracking for the canvas: which canvas the pointer was last over
  // and which one holds the capture while buttons are down. The capture
  // lasts until the last held button is released.
  TGadget* under = nullptr;
  TGadget* captured = nullptr;
  Uint32 held = 0;  // SDL button mask of the buttons held during the capture

  // Whether one of the program's windows has the keyboard focus, as last
  // reported by AppSuspend / AppResume.
  bool active = false;
};

extern GuiState g_gui;

}  // namespace gui_internal
