// The window layer over SDL2. One SDL window per window gadget; a canvas is
// a rectangle of its window's client area that owns a drawing context.
//
// Contents: start-up and clock; desktop and windows; canvases; translation
// of SDL events; the timer and the wait; termination signals.

#include "platform/gui.h"

#include <SDL.h>
#include <limits.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/graphics_window.h"
#include "platform/gui_dialogs.h"

std::string AppTitle;
std::string AppFile;

struct TGadget::Native {
  SDL_Window* window = nullptr;  // windows
  TGraphics* graphics = nullptr;  // canvases
};

namespace {

bool g_sdl_up = false;
bool g_waiting = false;
std::vector<TGadget*> g_windows;
std::vector<std::unique_ptr<TTimer>> g_timers;
std::function<int32_t()> g_test_clock;
volatile sig_atomic_t g_terminate = 0;
Uint32 g_wake_event = 0;

// Mouse tracking for the canvas: which canvas the pointer was last over and
// which one holds the capture while buttons are down. The capture lasts
// until the last held button is released.
TGadget* g_under = nullptr;
TGadget* g_captured = nullptr;
Uint32 g_held = 0;  // SDL button mask of the buttons held during the capture

// Whether one of the program's windows has the keyboard focus, as last
// reported by AppSuspend / AppResume.
bool g_active = false;

// One SDL event becomes at most this many layer events (leave, enter and
// the press itself, say).
constexpr int kRoomPerPlatformEvent = 4;

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1.0e6;
}

// Wake-up hook: an event emitted while the loop is blocked in the platform
// wait must end that wait.
void* WakeHook(int, void* data, void*) {
  if (g_waiting && g_wake_event != 0) {
    SDL_Event wake{};
    wake.type = g_wake_event;
    SDL_PushEvent(&wake);
  }
  return data;
}

TGadget* WindowFromSDL(Uint32 window_id) {
  for (TGadget* w : g_windows) {
    if (w->native && w->native->window && SDL_GetWindowID(w->native->window) == window_id) {
      return w;
    }
  }
  return nullptr;
}

TGadget* FirstCanvas(TGadget* window) {
  if (!window) return nullptr;
  for (TGadget* kid : window->kids) {
    if (kid->kind == GadgetKind::Canvas) return kid;
  }
  return nullptr;
}

// The canvas of `window` under the window-relative point, if any.
TGadget* CanvasAt(TGadget* window, int x, int y) {
  if (!window) return nullptr;
  for (TGadget* kid : window->kids) {
    if (kid->kind != GadgetKind::Canvas) continue;
    if (x >= kid->xpos && x < kid->xpos + kid->width && y >= kid->ypos &&
        y < kid->ypos + kid->height) {
      return kid;
    }
  }
  return nullptr;
}

int ModsFromSDL(Uint16 mod) {
  int mods = 0;
  if (mod & KMOD_SHIFT) mods |= 1;
  if (mod & KMOD_CTRL) mods |= 2;
  if (mod & KMOD_ALT) mods |= 4;
  if (mod & KMOD_GUI) mods |= 8;
  return mods;
}

int ButtonFromSDL(Uint8 button) {
  if (button == SDL_BUTTON_LEFT) return 1;
  if (button == SDL_BUTTON_RIGHT) return 2;
  return 3;
}

// A button's bit in the held mask (buttons past 32 have none).
Uint32 ButtonBit(Uint8 button) {
  return button >= 1 && button <= 32 ? Uint32{1} << (button - 1) : 0;
}

// The button a drag reports: left, else right, else another one held.
int DragButton() {
  if (g_held & SDL_BUTTON_LMASK) return 1;
  if (g_held & SDL_BUTTON_RMASK) return 2;
  return 3;
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

void EmitFor(int id, TGadget* source, int data, int x, int y, int mods = 0) {
  TEvent e;
  e.id = id;
  e.source = source;
  e.data = data;
  e.x = x;
  e.y = y;
  e.mods = mods;
  EmitEvent(e);
}

// Pointer enter/leave bookkeeping before a press or movement reported to
// `target` (null: the pointer is over no canvas).
void TrackUnder(TGadget* target, int wx, int wy) {
  if (target == g_under) return;
  if (g_under) EmitFor(MouseLeave, g_under, 0, wx - g_under->xpos, wy - g_under->ypos);
  g_under = target;
  if (g_under) EmitFor(MouseEnter, g_under, 0, wx - g_under->xpos, wy - g_under->ypos);
}

// The default layout rule of a child: same size, its centre keeps its
// relative place in the parent's client area.
void RelayoutChildren(TGadget* window) {
  for (TGadget* kid : window->kids) {
    if (kid->ref_parent_w <= 0 || kid->ref_parent_h <= 0) continue;
    const int nx = window->width * (kid->ref_x + kid->ref_w / 2) / kid->ref_parent_w - kid->ref_w / 2;
    const int ny =
        window->height * (kid->ref_y + kid->ref_h / 2) / kid->ref_parent_h - kid->ref_h / 2;
    kid->xpos = nx;
    kid->ypos = ny;
    if (kid->native && kid->native->graphics) {
      SetGraphicsCanvasRect(kid->native->graphics, kid->xpos, kid->ypos, kid->width, kid->height);
    }
  }
}

// The program is active while one of its windows has the keyboard focus.
// SDL updates the focus when it reads the window system's events, so a
// focus lost and regained within one batch reports nothing.
void TrackActivation() {
  bool active = false;
  for (TGadget* w : g_windows) {
    if (w->native && w->native->window &&
        (SDL_GetWindowFlags(w->native->window) & SDL_WINDOW_INPUT_FOCUS)) {
      active = true;
    }
  }
  if (active == g_active) return;
  g_active = active;
  EmitFor(active ? AppResume : AppSuspend, nullptr, 0, 0, 0);
}

void HandleWindowEvent(const SDL_WindowEvent& we) {
  TGadget* window = WindowFromSDL(we.windowID);
  if (!window) return;
  switch (we.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      int w = 0, h = 0;
      SDL_GetWindowSize(window->native->window, &w, &h);
      if (window->style & WINDOW_STATUS) h -= 18;
      if (w == window->width && h == window->height) break;
      window->width = w;
      window->height = h;
      RelayoutChildren(window);
      EmitFor(WindowSize, window, 0, w, h);
      if (TGadget* canvas = FirstCanvas(window)) EmitFor(GadgetPaint, canvas, 0, 0, 0);
      break;
    }
    case SDL_WINDOWEVENT_MOVED:
      window->xpos = we.data1;
      window->ypos = we.data2;
      EmitFor(WindowMove, window, 0, we.data1, we.data2);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      if (TGadget* canvas = FirstCanvas(window)) {
        // What the window showed may be gone: the repaint must present.
        ExposeWindowGraphics(CanvasGraphics(canvas));
        EmitFor(GadgetPaint, canvas, 0, 0, 0);
      }
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
      if (!g_captured && g_under) {
        int x = 0, y = 0;
        PointerInWindow(window, &x, &y);
        TrackUnder(nullptr, x, y);
      }
      break;
    default:
      break;
  }
}

void HandleSDLEvent(const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_WINDOWEVENT:
      HandleWindowEvent(ev.window);
      break;
    case SDL_MOUSEBUTTONDOWN: {
      TGadget* window = WindowFromSDL(ev.button.windowID);
      TGadget* canvas = CanvasAt(window, ev.button.x, ev.button.y);
      if (g_captured) {
        // Another button during a drag: the capture stays where it is and
        // now lasts until this button is released too.
        g_held |= ButtonBit(ev.button.button);
        if (canvas != g_captured) break;
      } else {
        if (!canvas) break;
        g_captured = canvas;
        g_held = ButtonBit(ev.button.button);
      }
      TrackUnder(canvas, ev.button.x, ev.button.y);
      EmitFor(MouseDown, canvas, ButtonFromSDL(ev.button.button), ev.button.x - canvas->xpos,
              ev.button.y - canvas->ypos, ModsFromSDL(SDL_GetModState()));
      break;
    }
    case SDL_MOUSEBUTTONUP: {
      TGadget* window = WindowFromSDL(ev.button.windowID);
      TGadget* under = CanvasAt(window, ev.button.x, ev.button.y);
      TGadget* target = g_captured ? g_captured : under;
      const bool was_captured = g_captured != nullptr;
      if (g_captured) {
        g_held &= ~ButtonBit(ev.button.button);
        if (g_held == 0) g_captured = nullptr;
      }
      // A release while the canvas holds the capture is reported wherever it
      // happens (the title bar, the desktop): dropping it would leave the
      // click handshake disarmed and lose the user's next click.
      if (!target) break;
      EmitFor(MouseUp, target, ButtonFromSDL(ev.button.button), ev.button.x - target->xpos,
              ev.button.y - target->ypos, ModsFromSDL(SDL_GetModState()));
      if (was_captured && !g_captured && under != target) {
        TrackUnder(under, ev.button.x, ev.button.y);
      }
      break;
    }
    case SDL_MOUSEMOTION: {
      TGadget* window = WindowFromSDL(ev.motion.windowID);
      if (g_captured) {
        EmitFor(MouseMove, g_captured, DragButton(), ev.motion.x - g_captured->xpos,
                ev.motion.y - g_captured->ypos, ModsFromSDL(SDL_GetModState()));
        break;
      }
      if (LeaveFollows(ev.motion.windowID)) break;
      TGadget* canvas = CanvasAt(window, ev.motion.x, ev.motion.y);
      TrackUnder(canvas, ev.motion.x, ev.motion.y);
      if (canvas) {
        EmitFor(MouseMove, canvas, 0, ev.motion.x - canvas->xpos, ev.motion.y - canvas->ypos,
                ModsFromSDL(SDL_GetModState()));
      }
      break;
    }
    case SDL_MOUSEWHEEL: {
      TGadget* window = WindowFromSDL(ev.wheel.windowID);
      TGadget* canvas = g_under ? g_under : FirstCanvas(window);
      if (!canvas) break;
      const float delta = ev.wheel.preciseY;
      int steps = static_cast<int>(delta < 0 ? std::floor(delta) : std::ceil(delta));
      if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      EmitFor(MouseWheel, canvas, steps, x - canvas->xpos, y - canvas->ypos,
              ModsFromSDL(SDL_GetModState()));
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      TGadget* canvas = FirstCanvas(WindowFromSDL(ev.key.windowID));
      if (!canvas) break;
      const int id = ev.type == SDL_KEYUP ? KeyUp : (ev.key.repeat ? KeyRepeat : KeyDown);
      EmitFor(id, canvas, static_cast<int>(ev.key.keysym.sym), 0, 0, ModsFromSDL(ev.key.keysym.mod));
      break;
    }
    case SDL_TEXTINPUT: {
      TGadget* canvas = FirstCanvas(WindowFromSDL(ev.text.windowID));
      if (!canvas) break;
      // The first character of the UTF-8 text, decoded.
      const auto* s = reinterpret_cast<const unsigned char*>(ev.text.text);
      int code = s[0];
      if (code >= 0xC0 && s[1]) {
        const int extra = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : 1;
        code &= 0x3F >> extra;
        for (int i = 1; i <= extra && s[i]; ++i) code = (code << 6) | (s[i] & 0x3F);
      }
      if (code) EmitFor(KeyChar, canvas, code, 0, 0, ModsFromSDL(SDL_GetModState()));
      break;
    }
    case SDL_QUIT:
      // The session's own quit request; the application ignores it and the
      // close box stays the way out.
      EmitFor(AppTerminate, nullptr, 0, 0, 0);
      break;
    default:
      break;
  }
}

void TerminationSignal(int) { g_terminate = 1; }

void DeliverTermination() {
  if (!g_terminate) return;
  g_terminate = 0;
  for (TGadget* w : g_windows) EmitFor(WindowClose, w, 0, 0, 0);
}

// Fires every timer whose time has come; returns ms until the next one is
// due (or -1 with no timer).
double FireDueTimers() {
  const double now = NowMs();
  double next = -1;
  for (auto& t : g_timers) {
    const double period = 1000.0 / t->hz;
    double due = t->next_due;
    if (now >= due) {
      ++t->_ticks;
      if (t->_event) {
        EmitEvent(*t->_event);
      } else {
        TEvent e;
        e.id = TimerTick;
        e.source = t.get();
        e.data = t->_ticks;
        EmitEvent(e);
      }
      // Missed firings are not replayed: the schedule restarts from now
      // when the loop was away for longer than one period.
      due += period;
      if (due <= now) due = now + period;
      t->next_due = due;
      t->_wticks = t->_ticks;
    }
    const double wait = std::max(0.0, t->next_due - now);
    if (next < 0 || wait < next) next = wait;
  }
  return next;
}

}  // namespace

// ---------------------------------------------------------------------------
// Start-up and clock

bool InitGui() {
  if (g_sdl_up) return true;
  // One attempt per run: a missing display does not come back.
  static bool failed = false;
  if (failed) return false;
  failed = true;
  // Termination signals are ours (they end the loop like the close box);
  // SDL must not turn them into its own quit event.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A click that activates the window is still a click.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "%s: %s\n", AppTitle.empty() ? "cellreel" : AppTitle.c_str(),
                 SDL_GetError());
    return false;
  }
  // Without any display SDL falls back to drivers that draw nowhere: the
  // program would run with a window nobody can see or close. That is no
  // window at all.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
    std::fprintf(stderr, "%s: no display to open a window on\n",
                 AppTitle.empty() ? "cellreel" : AppTitle.c_str());
    SDL_Quit();
    return false;
  }
  g_sdl_up = true;
  failed = false;
  g_wake_event = SDL_RegisterEvents(1);
  AddHook(EmitEventHook(), WakeHook, nullptr, 10000);
  PrepareGLAttributes();
  return true;
}

void ShutdownGui() {
  if (!g_sdl_up) return;
  RemoveHook(EmitEventHook(), WakeHook, nullptr);
  SDL_Quit();
  g_sdl_up = false;
}

int32_t MilliSecs() {
  if (g_test_clock) return g_test_clock();
  // Milliseconds since the system started, wrapped into 32 bits.
  const auto ms = static_cast<int64_t>(NowMs());
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

void SetClockForTesting(std::function<int32_t()> clock) { g_test_clock = std::move(clock); }

void InitAppFile(const char* argv0) {
  char buf[PATH_MAX + 1] = {};
  const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
  std::error_code ec;
  std::filesystem::path exe;
  if (n > 0) {
    exe = std::string(buf, static_cast<size_t>(n));
  } else if (argv0) {
    exe = std::filesystem::absolute(argv0, ec);
  }
  AppFile = exe.string();
  if (!exe.empty()) std::filesystem::current_path(exe.parent_path(), ec);
}

void End() {
  ShutdownGui();
  std::fflush(nullptr);
  std::exit(0);
}

void SetBusyCursor(bool busy) {
  if (!g_sdl_up) return;
  static SDL_Cursor* wait = nullptr;
  static SDL_Cursor* arrow = nullptr;
  if (!wait) wait = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
  if (!arrow) arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  SDL_SetCursor(busy ? wait : arrow);
  // Make the change visible before the work starts, not after it.
  SDL_PumpEvents();
}

void InstallTerminationHandlers() {
  struct sigaction sa{};
  sa.sa_handler = TerminationSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  SetDialogCancelOnSignal(&g_terminate);
}

// ---------------------------------------------------------------------------
// Desktop and windows

TGadget* Desktop() {
  static TGadget desktop;
  desktop.kind = GadgetKind::Desktop;
  if (InitGui()) {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
      desktop.width = mode.w;
      desktop.height = mode.h;
    }
  }
  return &desktop;
}

TGadget* CreateWindow(const std::string& title, int x, int y, int width, int height,
                      TGadget* group, int style) {
  if (!InitGui()) return nullptr;
  if (style & WINDOW_CENTER) {
    if (group && group->kind == GadgetKind::Window) {
      x = group->xpos + (group->width - width) / 2;
      y = group->ypos + (group->height - height) / 2;
    } else {
      TGadget* desk = Desktop();
      x = (desk->width - width) / 2;
      y = (desk->height - height) / 2;
    }
  }
  // Positions count from the usable area's corner (panels excluded).
  SDL_Rect usable{0, 0, 0, 0};
  SDL_GetDisplayUsableBounds(0, &usable);

  int client_w = width;
  int client_h = height;
  if (style & WINDOW_STATUS) client_h += 18;

  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
  if (style & WINDOW_RESIZABLE) flags |= SDL_WINDOW_RESIZABLE;
  if (!(style & WINDOW_TITLEBAR)) flags |= SDL_WINDOW_BORDERLESS;
  if (style & WINDOW_TOOL) flags |= SDL_WINDOW_UTILITY;
  flags |= (style & WINDOW_HIDDEN) ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;

  SDL_Window* sdl = SDL_CreateWindow(title.c_str(), usable.x + x, usable.y + y,
                                     std::max(1, client_w), std::max(1, client_h), flags);
  if (!sdl) {
    std::fprintf(stderr, "%s: cannot create the window: %s\n", title.c_str(), SDL_GetError());
    return nullptr;
  }
  if (!(style & WINDOW_CLIENTCOORDS)) {
    // The given size was the outer frame: take the borders off.
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(sdl, &top, &left, &bottom, &right) == 0) {
      SDL_SetWindowSize(sdl, std::max(1, client_w - left - right),
                        std::max(1, client_h - top - bottom));
    }
  }
  auto* w = new TGadget;
  w->kind = GadgetKind::Window;
  w->native = new TGadget::Native;
  w->native->window = sdl;
  w->parent = group;
  w->name = title;
  w->style = style;
  w->xpos = x;
  w->ypos = y;
  int cw = 0, ch = 0;
  SDL_GetWindowSize(sdl, &cw, &ch);
  w->width = cw;
  w->height = (style & WINDOW_STATUS) ? ch - 18 : ch;
  if (style & WINDOW_CLIENTCOORDS) {
    w->width = width;
    w->height = height;
  }
  g_windows.push_back(w);
  if (!(style & WINDOW_HIDDEN)) SDL_RaiseWindow(sdl);
  return w;
}

int ClientWidth(TGadget* gadget) {
  if (!gadget) return 0;
  if (gadget->kind == GadgetKind::Desktop) {
    SDL_Rect usable{0, 0, 0, 0};
    if (InitGui() && SDL_GetDisplayUsableBounds(0, &usable) == 0) return usable.w;
    return gadget->width;
  }
  if (gadget->kind == GadgetKind::Window && gadget->native && gadget->native->window) {
    int w = 0, h = 0;
    SDL_GetWindowSize(gadget->native->window, &w, &h);
    return w;
  }
  return gadget->width;
}

int ClientHeight(TGadget* gadget) {
  if (!gadget) return 0;
  if (gadget->kind == GadgetKind::Desktop) {
    SDL_Rect usable{0, 0, 0, 0};
    if (InitGui() && SDL_GetDisplayUsableBounds(0, &usable) == 0) return usable.h;
    return gadget->height;
  }
  if (gadget->kind == GadgetKind::Window && gadget->native && gadget->native->window) {
    int w = 0, h = 0;
    SDL_GetWindowSize(gadget->native->window, &w, &h);
    return (gadget->style & WINDOW_STATUS) ? h - 18 : h;
  }
  return gadget->height;
}

// ---------------------------------------------------------------------------
// Canvases

TGadget* CreateCanvas(int x, int y, int width, int height, TGadget* group, int style) {
  if (!group || group->kind != GadgetKind::Window || !group->native) return nullptr;
  TGraphics* graphics = CreateWindowGraphics(group->native->window);
  if (!graphics) return nullptr;
  auto* c = new TGadget;
  c->kind = GadgetKind::Canvas;
  c->native = new TGadget::Native;
  c->native->graphics = graphics;
  c->parent = group;
  c->style = style;
  c->sensitivity = 3;
  group->kids.push_back(c);
  c->SetShape(x, y, width, height);
  return c;
}

void TGadget::SetShape(int x, int y, int w, int h) {
  xpos = x;
  ypos = y;
  width = w;
  height = h;
  ref_x = x;
  ref_y = y;
  ref_w = w;
  ref_h = h;
  if (parent) {
    ref_parent_w = parent->width;
    ref_parent_h = parent->height;
  }
  if (kind == GadgetKind::Window && native && native->window) {
    SDL_SetWindowPosition(native->window, x, y);
    SDL_SetWindowSize(native->window, std::max(1, w), std::max(1, h));
    // SDL reports no size change it made itself: the layer reports it, as
    // it does for one the user makes.
    int cw = 0, ch = 0;
    SDL_GetWindowSize(native->window, &cw, &ch);
    if (style & WINDOW_STATUS) ch -= 18;
    width = cw;
    height = ch;
    RelayoutChildren(this);
    EmitFor(WindowSize, this, 0, cw, ch);
    if (TGadget* canvas = FirstCanvas(this)) EmitFor(GadgetPaint, canvas, 0, 0, 0);
  }
  if (kind == GadgetKind::Canvas && native && native->graphics) {
    SetGraphicsCanvasRect(native->graphics, x, y, w, h);
  }
}

TGraphics* CanvasGraphics(TGadget* canvas) {
  if (!canvas || canvas->kind != GadgetKind::Canvas || !canvas->native) return nullptr;
  return canvas->native->graphics;
}

int ActivateWindow(TGadget* window) {
  if (window && window->kind == GadgetKind::Window && window->native && window->native->window) {
    const Uint32 flags = SDL_GetWindowFlags(window->native->window);
    if (flags & SDL_WINDOW_SHOWN) SDL_RaiseWindow(window->native->window);
  }
  return 0;
}

int ActivateGadget(TGadget* gadget) {
  // The canvas fills its window, so it holds the keyboard focus whenever its
  // window does; nothing more to do here.
  (void)gadget;
  return 0;
}

int RedrawGadget(TGadget* gadget) {
  if (gadget && gadget->kind == GadgetKind::Canvas) EmitFor(GadgetPaint, gadget, 0, 0, 0);
  return 0;
}

int FreeGadget(TGadget* gadget) {
  if (!gadget || gadget->kind == GadgetKind::Desktop) return 0;
  while (!gadget->kids.empty()) FreeGadget(gadget->kids.back());
  if (gadget->parent) std::erase(gadget->parent->kids, gadget);
  if (g_under == gadget) g_under = nullptr;
  if (g_captured == gadget) {
    g_captured = nullptr;
    g_held = 0;
  }
  if (gadget->native) {
    if (gadget->native->graphics) FreeWindowGraphics(gadget->native->graphics);
    if (gadget->native->window) SDL_DestroyWindow(gadget->native->window);
    delete gadget->native;
  }
  std::erase(g_windows, gadget);
  delete gadget;
  return 0;
}

// ---------------------------------------------------------------------------
// Timer and wait

TTimer* CreateTimer(double hz, TEvent* event) {
  if (!(hz > 0.0) || !std::isfinite(hz)) return nullptr;
  auto t = std::make_unique<TTimer>();
  t->hz = hz;
  t->_event = event;
  t->_cycle = t.get();
  t->_handle = static_cast<int>(g_timers.size()) + 1;
  t->next_due = NowMs() + 1000.0 / hz;
  g_timers.push_back(std::move(t));
  return g_timers.back().get();
}

void StopTimer(TTimer* timer) {
  std::erase_if(g_timers, [timer](const std::unique_ptr<TTimer>& t) { return t.get() == timer; });
}

namespace {

// Dispatches the platform events pending now, without blocking. While the
// queue is nearly full the rest stay with SDL for the next wait: a burst of
// pointer motion (after a long load, say) would otherwise push the user's
// clicks out of a full queue, where they are dropped.
void DispatchPending() {
  SDL_PumpEvents();
  SDL_Event ev;
  while (GlobalEventQueue().Size() < EventQueue::kCapacity - kRoomPerPlatformEvent &&
         SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
    HandleSDLEvent(ev);
  }
}

// One platform wait: blocks until an SDL event arrives or the next timer is
// due (at most `limit_ms`), then dispatches everything pending. A tick that
// is already due ends the wait at once but never takes the place of the
// window events: however long the last repaint or swap took, whatever the
// user did meanwhile comes out of the same wait as the tick.
void PlatformWait(double limit_ms) {
  const double timer_wait = FireDueTimers();
  if (GlobalEventQueue().Empty()) {
    double wait = limit_ms;
    if (timer_wait >= 0 && (wait < 0 || timer_wait < wait)) wait = timer_wait;
    // Termination signals are noticed within this bound even with no timer.
    if (wait < 0 || wait > 100) wait = 100;
    if (g_sdl_up) {
      SDL_Event ev;
      g_waiting = true;
      const int got = SDL_WaitEventTimeout(&ev, static_cast<int>(std::ceil(wait)));
      g_waiting = false;
      if (got) HandleSDLEvent(ev);
    } else {
      usleep(static_cast<useconds_t>(wait * 1000));
    }
    // The tick the wait was for. A tick fired before the wait began is the
    // only one of this wait: one per wait, as fast as the loop takes them.
    FireDueTimers();
  }
  if (g_sdl_up) DispatchPending();
  DeliverTermination();
}

}  // namespace

int WaitEvent() {
  DeliverTermination();
  while (GlobalEventQueue().Empty()) PlatformWait(-1);
  SetCurrentEvent(GlobalEventQueue().Take());
  return EventID();
}

int WaitEventTimeout(int timeout_ms) {
  DeliverTermination();
  const double end = NowMs() + timeout_ms;
  while (GlobalEventQueue().Empty()) {
    const double left = end - NowMs();
    if (left <= 0) return 0;
    PlatformWait(left);
  }
  SetCurrentEvent(GlobalEventQueue().Take());
  return EventID();
}

// ---------------------------------------------------------------------------
// Requester and message box

namespace {
unsigned long NativeParentId() {
  for (TGadget* w : g_windows) {
    if (w->native && w->native->window) return X11WindowOf(w->native->window);
  }
  return 0;
}

SDL_Window* KeyWindow() {
  SDL_Window* focus = SDL_GetKeyboardFocus();
  if (focus) return focus;
  return g_windows.empty() ? nullptr : g_windows.front()->native->window;
}

// After a modal dialog: the key window comes back, and whatever the dialog
// left in SDL's queue (presses aimed at the dialog) is handled normally.
void RestoreKeyWindow(SDL_Window* key) {
  if (key) SDL_RaiseWindow(key);
}
}  // namespace

std::string RequestFile(const std::string& text, const std::string& extensions, int save,
                        const std::string& path) {
  SDL_Window* key = KeyWindow();
  std::string result = RunFileDialog(text, ParseFileFilter(extensions), save != 0, path,
                                     NativeParentId());
  RestoreKeyWindow(key);
  // Ticks missed while the dialog was open are not replayed.
  const double now = NowMs();
  for (auto& t : g_timers) t->next_due = now + 1000.0 / t->hz;
  return result;
}

int Notify(const std::string& text, int serious) {
  // Also on standard error: a start without any display still says why it
  // ended.
  std::fprintf(stderr, "%s: %s\n", AppTitle.empty() ? "cellreel" : AppTitle.c_str(),
               text.c_str());
  std::fflush(stderr);
  SDL_Window* key = g_sdl_up ? KeyWindow() : nullptr;
  RunMessageDialog(AppTitle, text, serious != 0, NativeParentId());
  RestoreKeyWindow(key);
  const double now = NowMs();
  for (auto& t : g_timers) t->next_due = now + 1000.0 / t->hz;
  return 0;
}

// ---------------------------------------------------------------------------
// Filter parsing

std::vector<std::string> ParseFileFilter(const std::string& extensions) {
  std::string text = extensions;
  std::replace(text.begin(), text.end(), ';', ',');
  std::string list;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const size_t p = comma == std::string::npos ? text.size() : comma + 1;
    const size_t colon = text.find(':');
    size_t q = colon == std::string::npos ? 0 : colon + 1;
    if (q > p) q = 0;
    list += text.substr(q, p - q);
    text.erase(0, p);
  }
  if (list.find('*') != std::string::npos) list.clear();
  std::vector<std::string> out;
  size_t start = 0;
  while (start < list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    out.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return out;
}
