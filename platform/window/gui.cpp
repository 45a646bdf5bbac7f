// The window layer over SDL2: start-up and shutdown, the program's file,
// the busy pointer, termination signals, and the modal requester and
// message box. The other parts of the layer live beside this file, each
// with its header:
//
//   gui_gadgets  desktop, windows and canvases
//   gui_events   translation of SDL events into the layer's events
//   gui_wait     clock, timers and the wait
//   gui_filter   the requester's file filter
//   gui_dialogs  the GTK dialogs themselves
//   events       the layer's events and their queue

#include "platform/window/gui.h"

#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/drawing/graphics_canvas.h"
#include "platform/drawing/graphics_window.h"
#include "platform/window/gui_dialogs.h"
#include "platform/window/gui_internal.h"
#include "platform/window/x_errors.h"

using namespace drawing_internal;

std::string AppTitle;
std::string AppFile;

namespace gui_internal {
GuiState g_gui;
}  // namespace gui_internal

using namespace gui_internal;

namespace {

const char* ProgramName() { return AppTitle.empty() ? "cellreel" : AppTitle.c_str(); }

void TerminationSignal(int) { g_gui.terminate = 1; }

unsigned long NativeParentId() {
  for (TGadget* w : g_gui.windows) {
    if (w->native && w->native->window) return X11WindowOf(w->native->window);
  }
  return 0;
}

SDL_Window* KeyWindow() {
  SDL_Window* focus = SDL_GetKeyboardFocus();
  if (focus) return focus;
  return g_gui.windows.empty() ? nullptr : g_gui.windows.front()->native->window;
}

// After a modal dialog the key window comes back.
void RestoreKeyWindow(SDL_Window* key) {
  if (key) SDL_RaiseWindow(key);
}

// Whether an expose has been passed on since the dialog opened.
bool g_exposed_under_dialog = false;

// What the window layer does while a modal dialog is open, called from the
// dialog's loop. SDL reads the window system's events, so its pings are
// answered and the program is not taken for hung. Window events (a close
// request, a resize, a move) are kept for the loop, as they would be
// without the dialog; pointer and key input aimed at the windows behind a
// modal dialog does nothing and is dropped, except button releases: the
// button that opened the dialog is mostly still held when it opens, and its
// release ends the press the program took (the click handshake, a capture),
// or the user's next click after the dialog would be lost. An expose or a
// resize presents the last picture again (a resized window with the
// picture at its top-left corner), since no repaint can run now; one
// repaint follows the dialog. True when one of the program's windows has
// taken the focus.
bool WhileDialogOpen() {
  if (!g_gui.sdl_up) return false;
  SDL_PumpEvents();
  bool took_focus = false;
  SDL_Event ev;
  while (SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
    if (ev.type == SDL_WINDOWEVENT && (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ||
                                       ev.window.event == SDL_WINDOWEVENT_TAKE_FOCUS)) {
      took_focus = true;
    }
    const bool exposed = ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_EXPOSED;
    const bool resized =
        ev.type == SDL_WINDOWEVENT && ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED;
    if (exposed || resized) {
      if (TGadget* canvas = FirstCanvas(WindowFromSDL(ev.window.windowID))) {
        PresentLastPicture(CanvasGraphics(canvas));
      }
    }
    if (exposed) {
      if (g_exposed_under_dialog) continue;
      g_exposed_under_dialog = true;
    }
    if (ev.type == SDL_WINDOWEVENT || ev.type == SDL_QUIT || ev.type == SDL_MOUSEBUTTONUP) {
      HandleSDLEvent(ev);
    }
  }
  return took_focus;
}

// Events SDL read before the dialog opened are the user's doing before it:
// they go to the loop as usual.
void DispatchQueuedBeforeDialog() {
  if (!g_gui.sdl_up) return;
  SDL_Event ev;
  while (GlobalEventQueue().Size() < EventQueue::kCapacity - kRoomPerPlatformEvent &&
         SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
    HandleSDLEvent(ev);
  }
}

DialogParent ModalParent() {
  DialogParent parent;
  parent.xid = NativeParentId();
  parent.while_open = WhileDialogOpen;
  g_exposed_under_dialog = false;
  DispatchQueuedBeforeDialog();
  return parent;
}

}  // namespace

// ---------------------------------------------------------------------------
// Start-up and shutdown

bool InitGui() {
  if (g_gui.sdl_up) return true;
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
  // The close box raises WindowClose alone; SDL must not add its quit event
  // when the last window is asked to close.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // Before SDL starts: SDL keeps the handler it finds, hands it every error
  // it does not mend itself, and puts it back at its end, just before it
  // closes its connections (and with them the errors still pending there).
  InstallXErrorFilter();
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "%s: %s\n", ProgramName(), SDL_GetError());
    return false;
  }
  // Without any display SDL falls back to drivers that draw nowhere: the
  // program would run with a window nobody can see or close. That is no
  // window at all.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
    std::fprintf(stderr, "%s: no display to open a window on\n", ProgramName());
    SDL_Quit();
    return false;
  }
  g_gui.sdl_up = true;
  failed = false;
  g_gui.wake_event = SDL_RegisterEvents(1);
  AddHook(EmitEventHook(), WakeHook, nullptr, 10000);
  PrepareGLAttributes();
  return true;
}

void ShutdownGui() {
  if (!g_gui.sdl_up) return;
  RemoveHook(EmitEventHook(), WakeHook, nullptr);
  SDL_Quit();
  g_gui.sdl_up = false;
}

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
  if (!g_gui.sdl_up) return;
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
}

// ---------------------------------------------------------------------------
// Requester and message box

std::string RequestFile(const std::string& text, const std::string& extensions, int save,
                        const std::string& path) {
  SDL_Window* key = KeyWindow();
  std::string result =
      RunFileDialog(text, ParseFileFilter(extensions), save != 0, path, ModalParent());
  RestoreKeyWindow(key);
  RestartTimers();
  return result;
}

int Notify(const std::string& text, int serious) {
  // Also on standard error: a start without any display still says why it
  // ended.
  std::fprintf(stderr, "%s: %s\n", ProgramName(), text.c_str());
  std::fflush(stderr);
  SDL_Window* key = g_gui.sdl_up ? KeyWindow() : nullptr;
  RunMessageDialog(AppTitle, text, serious != 0, ModalParent());
  RestoreKeyWindow(key);
  RestartTimers();
  return 0;
}
