// A drawing context's side on its SDL window: every SDL call of the drawing
// layer, carrying out what the presenter decides.
#include "platform/drawing/graphics_window.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/drawing/drawing_host.h"
#include "platform/drawing/gl_renderer.h"
#include "platform/drawing/graphics.h"

using namespace drawing_internal;

namespace {

// Surfaces whose GL context exists. Never destroyed: images held by globals
// ask it while the program ends, in any order of static destruction.
std::vector<WindowSurface*>& g_live = *new std::vector<WindowSurface*>;
unsigned g_generation = 0;

[[noreturn]] void ContextFailure(const char* why) {
  std::fprintf(stderr, "graphics: %s\n", why);
  throw DrawingFailure(DrawingError::kNoContext);
}

// The system's own clock and display.
class SystemHost final : public DrawingHost {
 public:
  std::uint32_t Now() override { return static_cast<std::uint32_t>(SDL_GetTicks64()); }
};

DrawingHost* g_host = nullptr;  // null: the system's

}  // namespace

DrawingHost& drawing_internal::Host() {
  static SystemHost system;
  return g_host != nullptr ? *g_host : system;
}

void drawing_internal::SetHost(DrawingHost* host) { g_host = host; }

void PrepareGLAttributes() {
  // Mesa's software renderer hands each flush to a pool of rasteriser
  // threads and waits for them at a barrier. The damage this layer draws is
  // mostly a few small rectangles per presentation, for which waking the
  // pool costs more than the pixels: drawn on the calling thread, a playing
  // preview uses a fraction of the processor time, and even a full repaint
  // costs less processor time in all (if more wall time where a core is
  // idle). The driver reads its thread count when the first window asks for
  // GL, so it is chosen here, before; a count the user has set is kept.
  setenv("LP_NUM_THREADS", "0", 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  // Nothing is depth tested or stencilled: without those buffers the driver
  // has no window-sized depth and stencil store to allocate and keep up
  // (on llvmpipe 1.9 MiB at 800 x 600, and a full repaint at 1920 x 1080
  // about half the instructions).
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

namespace {

struct WindowPixels {
  int logical_w = 0, logical_h = 0;    // what the window system calls its size
  int physical_w = 0, physical_h = 0;  // what GL draws into
  int scale = 1;
};

// On an output of scale N a window of W x H has a drawable of N W x N H
// physical pixels. A drawable that is no whole multiple (a fractional scale
// the window system rounded) takes the whole scale below it: sharp blocks,
// a thin black margin at the right and bottom.
WindowPixels PixelsOf(SDL_Window* window) {
  WindowPixels p;
  SDL_GL_GetDrawableSize(window, &p.physical_w, &p.physical_h);
  SDL_GetWindowSize(window, &p.logical_w, &p.logical_h);
  if (p.logical_w > 0 && p.logical_h > 0) {
    p.scale = std::max(1, std::min(p.physical_w / p.logical_w, p.physical_h / p.logical_h));
  }
  if (p.logical_w <= 0 || p.logical_h <= 0) {
    p.logical_w = p.physical_w;
    p.logical_h = p.physical_h;
  }
  return p;
}

bool HasExtension(const char* list, const char* name) {
  const std::size_t n = std::strlen(name);
  for (const char* p = list; p != nullptr && *p != '\0';) {
    while (*p == ' ') ++p;
    const char* end = std::strchr(p, ' ');
    const std::size_t len = end != nullptr ? static_cast<std::size_t>(end - p) : std::strlen(p);
    if (len == n && std::strncmp(p, name, n) == 0) return true;
    p = end;
  }
  return false;
}

// What the display allows s's new GL context. A swap that can wait for the
// display's refresh stays a swap. Where it cannot (a software renderer
// under X: Xvfb, a virtual machine, a remote desktop), a swap is only a copy
// of the back buffer to the window that leaves the back buffer's contents
// undefined; copying parts of it instead (GLX_MESA_copy_sub_buffer) tears
// no more than that swap and leaves the back buffer as it is.
DisplayAbilities FindAbilities(WindowSurface& s) {
  DisplayAbilities found;
  if (SDL_GL_SetSwapInterval(0) == 0) {
    s.swap_interval = 0;
    found.swaps_wait = true;
    return found;
  }
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(s.window, &info) || info.subsystem != SDL_SYSWM_X11) return found;
  using QueryFn = const char* (*)(Display*, int);
  using CopyFn = void (*)(void*, unsigned long, int, int, int, int);
  auto query = reinterpret_cast<QueryFn>(SDL_GL_GetProcAddress("glXQueryExtensionsString"));
  auto copy = reinterpret_cast<CopyFn>(SDL_GL_GetProcAddress("glXCopySubBufferMESA"));
  Display* display = info.info.x11.display;
  if (query == nullptr || copy == nullptr || display == nullptr) return found;
  if (!HasExtension(query(display, DefaultScreen(display)), "GLX_MESA_copy_sub_buffer")) {
    return found;
  }
  s.x_display = display;
  s.x_window = info.info.x11.window;
  s.copy_sub_buffer = copy;
  found.copies = true;
  return found;
}

}  // namespace

void drawing_internal::WindowLogicalSize(const WindowSurface& s, int* width, int* height) {
  const WindowPixels p = PixelsOf(s.window);
  *width = p.logical_w;
  *height = p.logical_h;
}

SurfaceMeasure drawing_internal::MeasureSurface(WindowSurface& s) {
  const WindowPixels p = PixelsOf(s.window);
  SurfaceMeasure m;
  // A new size, or the same size on an output of another scale.
  m.changed = p.logical_w != s.drawable_w || p.logical_h != s.drawable_h ||
              p.physical_w != s.physical_w || p.physical_h != s.physical_h;
  m.scaled = p.physical_w != p.logical_w || p.physical_h != p.logical_h;
  s.drawable_w = p.logical_w;
  s.drawable_h = p.logical_h;
  s.physical_w = p.physical_w;
  s.physical_h = p.physical_h;
  s.scale = p.scale;
  if (!s.has_canvas_rect) {
    s.canvas_x = 0;
    s.canvas_y = 0;
    s.canvas_w = p.logical_w;
    s.canvas_h = p.logical_h;
  }
  return m;
}

void drawing_internal::MakeSurfaceCurrent(WindowSurface& s, std::unique_ptr<GLRenderer>& driver,
                                          bool follow_size, DisplayAbilities* made) {
  if (s.gl == nullptr) {
    // SDL shares the new context's textures with the current one; make a
    // live context current first so that all of them form one group.
    if (!g_live.empty() && !OwnGLContextIsCurrent()) {
      SDL_GL_MakeCurrent(g_live.front()->window, g_live.front()->gl);
    }
    SDL_GLContext context = SDL_GL_CreateContext(s.window);
    if (context == nullptr) ContextFailure(SDL_GetError());
    if (SDL_GL_MakeCurrent(s.window, context) != 0) {
      SDL_GL_DeleteContext(context);
      ContextFailure(SDL_GetError());
    }
    if (!GLRenderer::ContextIsCore33()) {
      SDL_GL_DeleteContext(context);
      ContextFailure("the context is not OpenGL 3.3 core");
    }
    driver = GLRenderer::Create();
    if (!driver) {
      SDL_GL_DeleteContext(context);
      ContextFailure("the drawing back end could not be set up");
    }
    s.gl = context;
    const DisplayAbilities found = FindAbilities(s);
    if (made != nullptr) *made = found;
    if (g_live.empty()) {
      ++g_generation;
      if (g_generation == 0) g_generation = 1;  // 0 means "no texture yet"
    }
    g_live.push_back(&s);
    return;
  }
  if (follow_size) {
    // Binding again makes the window system look at the drawable's new size.
    SDL_GL_MakeCurrent(s.window, nullptr);
  }
  SDL_GL_MakeCurrent(s.window, s.gl);
}

void drawing_internal::PresentSurface(WindowSurface& s, PresentMethod method,
                                      const Damage& region, int interval) {
  if (method == PresentMethod::kCopyDamage && s.copy_sub_buffer != nullptr) {
    if (region.full) {
      if (s.physical_w > 0 && s.physical_h > 0) {
        s.copy_sub_buffer(s.x_display, s.x_window, 0, 0, s.physical_w, s.physical_h);
      }
    } else {
      for (const GLClip& r : region.rects) s.copy_sub_buffer(s.x_display, s.x_window, r.x, r.y, r.w, r.h);
    }
    return;
  }
  if (s.swap_interval != interval) {
    SDL_GL_SetSwapInterval(interval);
    s.swap_interval = interval;
  }
  SDL_GL_SwapWindow(s.window);
}

bool drawing_internal::BindSurface(const WindowSurface& s, SurfaceBinding* previous) {
  if (s.gl == nullptr) return false;
  previous->gl = SDL_GL_GetCurrentContext();
  previous->window = SDL_GL_GetCurrentWindow();
  if (previous->gl != s.gl) SDL_GL_MakeCurrent(s.window, s.gl);
  return true;
}

void drawing_internal::RestoreBinding(const WindowSurface& s, const SurfaceBinding& previous) {
  if (previous.gl != nullptr && previous.gl != s.gl) {
    SDL_GL_MakeCurrent(previous.window, previous.gl);
  }
}

void drawing_internal::ReleaseSurface(WindowSurface& s, std::unique_ptr<GLRenderer>& driver) {
  if (s.gl == nullptr) {
    driver.reset();
    return;
  }
  SDL_GLContext previous = SDL_GL_GetCurrentContext();
  SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
  SDL_GL_MakeCurrent(s.window, s.gl);
  driver.reset();
  g_live.erase(std::remove(g_live.begin(), g_live.end(), &s), g_live.end());
  SDL_GL_DeleteContext(s.gl);
  s.gl = nullptr;
  if (previous != nullptr && previous != SDL_GL_GetCurrentContext() &&
      std::any_of(g_live.begin(), g_live.end(),
                  [&](WindowSurface* o) { return o->gl == previous; })) {
    SDL_GL_MakeCurrent(previous_window, previous);
  }
}

unsigned drawing_internal::CurrentTextureGeneration() { return g_live.empty() ? 0 : g_generation; }

bool drawing_internal::OwnGLContextIsCurrent() {
  if (g_live.empty()) return false;
  SDL_GLContext current = SDL_GL_GetCurrentContext();
  if (current == nullptr) return false;
  return std::any_of(g_live.begin(), g_live.end(),
                     [&](WindowSurface* o) { return o->gl == current; });
}
