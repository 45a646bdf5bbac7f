// Translation of SDL's events into the layer's events: window changes,
// the canvas's mouse events with enter/leave and capture, keys, text and
// the session's quit request.

#include "platform/window/gui_events.h"

#include <cmath>

#include "platform/drawing/graphics_canvas.h"
#include "platform/window/gui_internal.h"

using namespace drawing_internal;

using namespace gui_internal;

namespace {

int ModsFromSDL(Uint16 mod) {
  int mods = 0;
  if (mod & KMOD_SHIFT) mods |= MODIFIER_SHIFT;
  if (mod & KMOD_CTRL) mods |= MODIFIER_CONTROL;
  if (mod & KMOD_ALT) mods |= MODIFIER_ALT;
  if (mod & KMOD_GUI) mods |= MODIFIER_SUPER;
  return mods;
}

int CurrentMods() { return ModsFromSDL(static_cast<Uint16>(SDL_GetModState())); }

int ButtonFromSDL(Uint8 button) {
  if (button == SDL_BUTTON_LEFT) return MOUSE_LEFT;
  if (button == SDL_BUTTON_RIGHT) return MOUSE_RIGHT;
  return MOUSE_OTHER;
}

// A button's bit in the held mask (buttons past 32 have none).
Uint32 ButtonBit(Uint8 button) {
  return button >= 1 && button <= 32 ? Uint32{1} << (button - 1) : 0;
}

// The button a drag reports: left, else right, else another one held.
int DragButton() {
  if (g_gui.held & SDL_BUTTON_LMASK) return MOUSE_LEFT;
  if (g_gui.held & SDL_BUTTON_RMASK) return MOUSE_RIGHT;
  return MOUSE_OTHER;
}

// Leaving a window, SDL first reports one more motion, clamped to the
// window's edge, and then the leave itself: a position the pointer never
// had, which must not become the last one seen inside.
bool LeaveFollows(Uint32 window_id) {
  SDL_Event next;
  return SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
         next.type == SDL_WINDOWEVENT && next.window.event == SDL_WINDOWEVENT_LEAVE &&
         next.window.windowID == window_id;
}

// The pointer's real position relative to the window's client area (SDL's
// own record stops at the window's edge).
void PointerInWindow(TGadget* window, int* x, int* y) {
  SDL_GetMouseState(x, y);
  int gx = 0, gy = 0, wx = 0, wy = 0;
  if (window && window->native && window->native->window) {
    SDL_GetGlobalMouseState(&gx, &gy);
    SDL_GetWindowPosition(window->native->window, &wx, &wy);
    *x = gx - wx;
    *y = gy - wy;
  }
}

// Pointer enter/leave bookkeeping before a press or movement reported to
// `target` (null: the pointer is over no canvas).
void TrackUnder(TGadget* target, int wx, int wy) {
  TGadget*& under = g_gui.under;
  if (target == under) return;
  if (under) EmitFor(MouseLeave, under, 0, wx - under->xpos, wy - under->ypos);
  under = target;
  if (under) EmitFor(MouseEnter, under, 0, wx - under->xpos, wy - under->ypos);
}

// The program is active while one of its windows has the keyboard focus.
// SDL updates the focus when it reads the window system's events, so a
// focus lost and regained within one batch reports nothing.
void TrackActivation() {
  bool active = false;
  for (TGadget* w : g_gui.windows) {
    if (w->native && w->native->window &&
        (SDL_GetWindowFlags(w->native->window) & SDL_WINDOW_INPUT_FOCUS)) {
      active = true;
    }
  }
  if (active == g_gui.active) return;
  g_gui.active = active;
  EmitFor(active ? AppResume : AppSuspend, nullptr, 0, 0, 0);
}

// The change of the window an SDL window event reports, for the canvas's
// presentations; false for events that change nothing on screen.
bool WindowChangeOf(Uint8 event, WindowChange* change) {
  switch (event) {
    case SDL_WINDOWEVENT_SHOWN: *change = WindowChange::kShown; return true;
    case SDL_WINDOWEVENT_EXPOSED: *change = WindowChange::kExposed; return true;
    case SDL_WINDOWEVENT_MOVED: *change = WindowChange::kMoved; return true;
    case SDL_WINDOWEVENT_RESIZED:
    case SDL_WINDOWEVENT_SIZE_CHANGED: *change = WindowChange::kResized; return true;
    case SDL_WINDOWEVENT_MINIMIZED: *change = WindowChange::kMinimised; return true;
    case SDL_WINDOWEVENT_MAXIMIZED: *change = WindowChange::kMaximised; return true;
    case SDL_WINDOWEVENT_RESTORED: *change = WindowChange::kRestored; return true;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_TAKE_FOCUS: *change = WindowChange::kFocus; return true;
    case SDL_WINDOWEVENT_DISPLAY_CHANGED: *change = WindowChange::kDisplayChanged; return true;
    default: return false;
  }
}

void HandleWindowEvent(const SDL_WindowEvent& we) {
  TGadget* window = WindowFromSDL(we.windowID);
  if (!window) return;
  WindowChange change{};
  if (WindowChangeOf(we.event, &change)) {
    if (TGadget* canvas = FirstCanvas(window)) WindowGraphicsChanged(CanvasGraphics(canvas), change);
  }
  switch (we.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      int w = 0, h = 0;
      ClientSizeOf(window, &w, &h);
      if (w == window->width && h == window->height) break;
      window->width = w;
      window->height = h;
      ReportResize(window);
      break;
    }
    case SDL_WINDOWEVENT_MOVED:
      window->xpos = we.data1;
      window->ypos = we.data2;
      EmitFor(WindowMove, window, 0, we.data1, we.data2);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      // What the window showed may be gone: a repaint follows.
      if (TGadget* canvas = FirstCanvas(window)) EmitFor(GadgetPaint, canvas, 0, 0, 0);
      break;
    case SDL_WINDOWEVENT_CLOSE:
      // The window stays; the application decides.
      EmitFor(WindowClose, window, 0, 0, 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      EmitFor(WindowActivate, window, 0, 0, 0);
      TrackActivation();
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      TrackActivation();
      break;
    case SDL_WINDOWEVENT_LEAVE:
      if (!g_gui.captured && g_gui.under) {
        int x = 0, y = 0;
        PointerInWindow(window, &x, &y);
        TrackUnder(nullptr, x, y);
      }
      break;
    default:
      break;
  }
}

void HandleButtonDown(const SDL_MouseButtonEvent& b) {
  TGadget* canvas = CanvasAt(WindowFromSDL(b.windowID), b.x, b.y);
  if (g_gui.captured) {
    // Another button during a drag: the capture stays where it is and now
    // lasts until this button is released too.
    g_gui.held |= ButtonBit(b.button);
    if (canvas != g_gui.captured) return;
  } else {
    if (!canvas) return;
    g_gui.captured = canvas;
    g_gui.held = ButtonBit(b.button);
  }
  TrackUnder(canvas, b.x, b.y);
  EmitFor(MouseDown, canvas, ButtonFromSDL(b.button), b.x - canvas->xpos, b.y - canvas->ypos,
          CurrentMods());
}

void HandleButtonUp(const SDL_MouseButtonEvent& b) {
  TGadget* under = CanvasAt(WindowFromSDL(b.windowID), b.x, b.y);
  TGadget* target = g_gui.captured ? g_gui.captured : under;
  const bool was_captured = g_gui.captured != nullptr;
  if (g_gui.captured) {
    g_gui.held &= ~ButtonBit(b.button);
    if (g_gui.held == 0) g_gui.captured = nullptr;
  }
  // A release while the canvas holds the capture is reported wherever it
  // happens (the title bar, the desktop): dropping it would leave the click
  // handshake disarmed and lose the user's next click.
  if (!target) return;
  EmitFor(MouseUp, target, ButtonFromSDL(b.button), b.x - target->xpos, b.y - target->ypos,
          CurrentMods());
  if (was_captured && !g_gui.captured && under != target) TrackUnder(under, b.x, b.y);
}

void HandleMotion(const SDL_MouseMotionEvent& m) {
  if (TGadget* captured = g_gui.captured) {
    EmitFor(MouseMove, captured, DragButton(), m.x - captured->xpos, m.y - captured->ypos,
            CurrentMods());
    return;
  }
  if (LeaveFollows(m.windowID)) return;
  TGadget* canvas = CanvasAt(WindowFromSDL(m.windowID), m.x, m.y);
  TrackUnder(canvas, m.x, m.y);
  if (canvas) EmitFor(MouseMove, canvas, 0, m.x - canvas->xpos, m.y - canvas->ypos, CurrentMods());
}

void HandleWheel(const SDL_MouseWheelEvent& wheel) {
  TGadget* canvas = g_gui.under ? g_gui.under : FirstCanvas(WindowFromSDL(wheel.windowID));
  if (!canvas) return;
  const float delta = wheel.preciseY;
  int steps = static_cast<int>(delta < 0 ? std::floor(delta) : std::ceil(delta));
  if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
  int x = 0, y = 0;
  SDL_GetMouseState(&x, &y);
  EmitFor(MouseWheel, canvas, steps, x - canvas->xpos, y - canvas->ypos, CurrentMods());
}

void HandleKey(const SDL_KeyboardEvent& key) {
  TGadget* canvas = FirstCanvas(WindowFromSDL(key.windowID));
  if (!canvas) return;
  const int id = key.type == SDL_KEYUP ? KeyUp : (key.repeat ? KeyRepeat : KeyDown);
  EmitFor(id, canvas, static_cast<int>(key.keysym.sym), 0, 0, ModsFromSDL(key.keysym.mod));
}

void HandleText(const SDL_TextInputEvent& text) {
  TGadget* canvas = FirstCanvas(WindowFromSDL(text.windowID));
  if (!canvas) return;
  // The first character of the UTF-8 text, decoded.
  const auto* s = reinterpret_cast<const unsigned char*>(text.text);
  int code = s[0];
  if (code >= 0xC0 && s[1]) {
    const int extra = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : 1;
    code &= 0x3F >> extra;
    for (int i = 1; i <= extra && s[i]; ++i) code = (code << 6) | (s[i] & 0x3F);
  }
  if (code) EmitFor(KeyChar, canvas, code, 0, 0, CurrentMods());
}

}  // namespace

namespace gui_internal {

void EmitFor(int id, TGadget* source, int data, int x, int y, int mods) {
  TEvent e;
  e.id = id;
  e.source = source;
  e.data = data;
  e.x = x;
  e.y = y;
  e.mods = mods;
  EmitEvent(e);
}

void HandleSDLEvent(const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_WINDOWEVENT:
      HandleWindowEvent(ev.window);
      break;
    case SDL_MOUSEBUTTONDOWN:
      HandleButtonDown(ev.button);
      break;
    case SDL_MOUSEBUTTONUP:
      HandleButtonUp(ev.button);
      break;
    case SDL_MOUSEMOTION:
      HandleMotion(ev.motion);
      break;
    case SDL_MOUSEWHEEL:
      HandleWheel(ev.wheel);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      HandleKey(ev.key);
      break;
    case SDL_TEXTINPUT:
      HandleText(ev.text);
      break;
    case SDL_QUIT:
      // The session's own quit request; the application ignores it and the
      // close box stays the way out.
      EmitFor(AppTerminate, nullptr, 0, 0, 0);
      break;
    default:
      break;
  }
}

}  // namespace gui_internal
