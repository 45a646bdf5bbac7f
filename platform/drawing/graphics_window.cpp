// Drawing contexts attached to SDL windows: GL attributes, the lazily made
// GL context (sharing textures with every other context of the program),
// the canvas rectangle and the context's end.
#include "platform/drawing/graphics_window.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <stdexcept>
#include <vector>

#include "platform/drawing/graphics.h"
#include "platform/drawing/graphics_context.h"

using namespace drawing_internal;

namespace {

// Contexts whose GL context exists. Never destroyed: images held by globals
// ask it while the program ends, in any order of static destruction.
std::vector<TGraphics*>& g_live = *new std::vector<TGraphics*>;
unsigned g_generation = 0;

[[noreturn]] void ContextFailure(const char* why) {
  std::fprintf(stderr, "graphics: %s\n", why);
  throw std::runtime_error("Unable to create GL Context");
}

}  // namespace

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

// How g's presentations reach the window. A swap that can wait for the
// display's refresh stays a swap. Where it cannot (a software renderer
// under X: Xvfb, a virtual machine, a remote desktop), a swap is only a copy
// of the back buffer to the window that leaves the back buffer's contents
// undefined; copying parts of it instead (GLX_MESA_copy_sub_buffer) tears
// no more than that swap and leaves the back buffer as it is. It then keeps
// the picture, and a repaint redraws and copies only what changed.
void ChoosePresentation(TGraphics& g) {
  if (SDL_GL_SetSwapInterval(0) == 0) {
    g.swap_interval = 0;
    return;
  }
  if (DrawingProbe().swap_always) return;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(g.window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  using QueryFn = const char* (*)(Display*, int);
  using CopyFn = void (*)(void*, unsigned long, int, int, int, int);
  auto query = reinterpret_cast<QueryFn>(SDL_GL_GetProcAddress("glXQueryExtensionsString"));
  auto copy = reinterpret_cast<CopyFn>(SDL_GL_GetProcAddress("glXCopySubBufferMESA"));
  Display* display = info.info.x11.display;
  if (query == nullptr || copy == nullptr || display == nullptr) return;
  if (!HasExtension(query(display, DefaultScreen(display)), "GLX_MESA_copy_sub_buffer")) return;
  g.x_display = display;
  g.x_window = info.info.x11.window;
  g.copy_sub_buffer = copy;
}

}  // namespace

TGraphics* CreateWindowGraphics(SDL_Window* window) {
  if (window == nullptr) return nullptr;
  auto* g = new TGraphics(window);
  const WindowPixels p = PixelsOf(window);
  g->width = p.logical_w;
  g->height = p.logical_h;
  g->viewport_w = p.logical_w;
  g->viewport_h = p.logical_h;
  return g;
}

void SetGraphicsCanvasRect(TGraphics* graphics, int x, int y, int width, int height) {
  if (graphics == nullptr) return;
  TGraphics& g = *graphics;
  width = std::max(0, width);
  height = std::max(0, height);
  if (!g.has_canvas_rect || g.canvas_x != x || g.canvas_y != y || g.canvas_w != width ||
      g.canvas_h != height) {
    ForcePresent(g);
    SettleGraphics(g);
  }
  g.has_canvas_rect = true;
  g.canvas_x = x;
  g.canvas_y = y;
  g.canvas_w = width;
  g.canvas_h = height;
}

void ExposeWindowGraphics(TGraphics* graphics) {
  if (graphics != nullptr) ForcePresent(*graphics);
}

void SettleWindowGraphics(TGraphics* graphics) {
  if (graphics != nullptr) SettleGraphics(*graphics);
}

bool PresentLastPicture(TGraphics* graphics) {
  if (graphics == nullptr || graphics->gl == nullptr || !graphics->renderer) return false;
  TGraphics& g = *graphics;
  SDL_GLContext previous = SDL_GL_GetCurrentContext();
  SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
  if (previous != g.gl) SDL_GL_MakeCurrent(g.window, g.gl);
  const bool drawn = g.renderer->RedrawPresented();
  if (drawn) {
    g.renderer->PresentTarget(g.physical_w, g.physical_h, g.scale);
    // The window system asked for it: a swap (see SwapGraphics).
    SwapGraphics(g, 0, g.renderer->Presented(), false);
  }
  if (previous != nullptr && previous != g.gl) SDL_GL_MakeCurrent(previous_window, previous);
  return drawn;
}

std::uint32_t drawing_internal::GraphicsClock() {
  const auto& clock = DrawingProbe().clock;
  return clock ? clock() : static_cast<std::uint32_t>(SDL_GetTicks64());
}

void drawing_internal::SettleGraphics(TGraphics& g) {
  g.settling = true;
  g.settle_until = GraphicsClock() + static_cast<std::uint32_t>(kPresentSettleMs);
}

void FreeWindowGraphics(TGraphics* graphics) {
  if (graphics == nullptr) return;
  ForgetCurrentGraphics(graphics);
  delete graphics;
}

// The window must still exist: its GL context is made current once more to
// release the back end's objects.
TGraphics::~TGraphics() {
  if (gl == nullptr) return;
  SDL_GLContext previous = SDL_GL_GetCurrentContext();
  SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
  SDL_GL_MakeCurrent(window, gl);
  renderer.reset();
  g_live.erase(std::remove(g_live.begin(), g_live.end(), this), g_live.end());
  SDL_GL_DeleteContext(gl);
  gl = nullptr;
  if (previous != nullptr && previous != SDL_GL_GetCurrentContext() &&
      std::any_of(g_live.begin(), g_live.end(), [&](TGraphics* o) { return o->gl == previous; })) {
    SDL_GL_MakeCurrent(previous_window, previous);
  }
}

bool drawing_internal::RefreshGraphicsSize(TGraphics& g) {
  const WindowPixels p = PixelsOf(g.window);
  const int dw = p.logical_w, dh = p.logical_h;
  if (dw != g.drawable_w || dh != g.drawable_h || p.physical_w != g.physical_w ||
      p.physical_h != g.physical_h) {
    // A new size, or the same size on an output of another scale.
    ForcePresent(g);
    SettleGraphics(g);
    g.buffers_follow = g.gl != nullptr;
  }
  g.drawable_w = dw;
  g.drawable_h = dh;
  g.physical_w = p.physical_w;
  g.physical_h = p.physical_h;
  g.scale = p.scale;
  g.offscreen = p.physical_w != p.logical_w || p.physical_h != p.logical_h;
  if (!g.has_canvas_rect) {
    g.canvas_x = 0;
    g.canvas_y = 0;
    g.canvas_w = dw;
    g.canvas_h = dh;
  }
  const bool changed = g.width != g.canvas_w || g.height != g.canvas_h;
  g.width = g.canvas_w;
  g.height = g.canvas_h;
  return changed;
}

void drawing_internal::MakeGraphicsCurrent(TGraphics& g, bool follow_size) {
  if (g.gl == nullptr) {
    // SDL shares the new context's textures with the current one; make a
    // live context current first so that all of them form one group.
    if (!g_live.empty() && !OwnGLContextIsCurrent()) {
      SDL_GL_MakeCurrent(g_live.front()->window, g_live.front()->gl);
    }
    SDL_GLContext context = SDL_GL_CreateContext(g.window);
    if (context == nullptr) ContextFailure(SDL_GetError());
    if (SDL_GL_MakeCurrent(g.window, context) != 0) {
      SDL_GL_DeleteContext(context);
      ContextFailure(SDL_GetError());
    }
    if (!GLRenderer::ContextIsCore33()) {
      SDL_GL_DeleteContext(context);
      ContextFailure("the context is not OpenGL 3.3 core");
    }
    g.renderer = GLRenderer::Create();
    if (!g.renderer) {
      SDL_GL_DeleteContext(context);
      ContextFailure("the drawing back end could not be set up");
    }
    g.gl = context;
    ChoosePresentation(g);
    if (g_live.empty()) {
      ++g_generation;
      if (g_generation == 0) g_generation = 1;  // 0 means "no texture yet"
    }
    g_live.push_back(&g);
    return;
  }
  if (follow_size) {
    // Binding again makes the window system look at the drawable's new size.
    SDL_GL_MakeCurrent(g.window, nullptr);
  }
  SDL_GL_MakeCurrent(g.window, g.gl);
  if (g.buffers_follow && g.copy_sub_buffer != nullptr) {
    // A driver that is only ever asked for copies looks at the drawable's
    // size again at a swap alone: this one shows the last picture again,
    // so that this repaint is drawn at the new size.
    SDL_GL_SwapWindow(g.window);
    if (g.renderer) g.renderer->BackBufferLost();
  }
  g.buffers_follow = false;
}

void drawing_internal::SwapGraphics(TGraphics& g, int interval, const Damage& region, bool copy) {
  if (g.copy_sub_buffer != nullptr && copy) {
    if (region.full) {
      if (g.physical_w > 0 && g.physical_h > 0) {
        g.copy_sub_buffer(g.x_display, g.x_window, 0, 0, g.physical_w, g.physical_h);
      }
    } else {
      for (const GLClip& r : region.rects) g.copy_sub_buffer(g.x_display, g.x_window, r.x, r.y, r.w, r.h);
    }
    return;
  }
  if (g.swap_interval != interval) {
    SDL_GL_SetSwapInterval(interval);
    g.swap_interval = interval;
  }
  SDL_GL_SwapWindow(g.window);
  if (g.renderer) g.renderer->BackBufferLost();
}

unsigned drawing_internal::CurrentTextureGeneration() { return g_live.empty() ? 0 : g_generation; }

bool drawing_internal::OwnGLContextIsCurrent() {
  if (g_live.empty()) return false;
  SDL_GLContext current = SDL_GL_GetCurrentContext();
  if (current == nullptr) return false;
  return std::any_of(g_live.begin(), g_live.end(), [&](TGraphics* o) { return o->gl == current; });
}
